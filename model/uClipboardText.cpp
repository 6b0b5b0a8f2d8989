#include "model/uClipboardText.h"

#include <algorithm>

#include "model/uLogFilter.h"

namespace {

std::string_view RowBytes(const TVisibleRows& Rows, int32_t Row) {
  const int32_t Entry = Rows.EntryOf(Row);
  if (Entry < 0) return {};
  const TLogEntry& Item = Rows.List.Items[static_cast<size_t>(Entry)];
  if (Item.TextLength <= 0) return {};
  return std::string_view(Rows.List.TextBuffer.Data() + Item.TextOffset, static_cast<size_t>(Item.TextLength));
}

// A NUL inside a line would end the text for every program that reads the clipboard; it is
// shown by its control picture instead.
void DecodeForClipboard(std::string_view Bytes, std::u16string& Line, TCodePage CodePage) {
  DecodeLineBytes(Bytes, Line, CodePage);
  std::replace(Line.begin(), Line.end(), u'\0', u'\u2400');
}

// Decoding never yields more UTF-16 units than it had bytes, so the sum of the byte lengths
// sizes the text once.
template <typename TRowList>
std::u16string JoinRows(const TVisibleRows& Rows, const TRowList& RowList) {
  size_t Size = 0;
  for (const int32_t Row : RowList) Size += RowBytes(Rows, Row).size() + 2;
  std::u16string Text;
  Text.reserve(Size);
  std::u16string Line;
  for (const int32_t Row : RowList) {
    DecodeForClipboard(RowBytes(Rows, Row), Line, Rows.CodePage);
    Text += Line;
    Text += u"\r\n";
  }
  return Text;
}

struct TAllRows {
  int32_t Count;
  struct TIterator {
    int32_t Row;
    int32_t operator*() const { return Row; }
    TIterator& operator++() {
      ++Row;
      return *this;
    }
    bool operator!=(const TIterator& Other) const { return Row != Other.Row; }
  };
  TIterator begin() const { return {0}; }
  TIterator end() const { return {Count}; }
};

}  // namespace

std::u16string RowTextW(const TVisibleRows& Rows, int32_t Row) {
  std::u16string Text;
  DecodeForClipboard(RowBytes(Rows, Row), Text, Rows.CodePage);
  return Text;
}

std::u16string SelectionClipboardText(const TVisibleRows& Rows, std::vector<int32_t> SelectedRows, int32_t CurrentRow) {
  std::sort(SelectedRows.begin(), SelectedRows.end());
  SelectedRows.erase(std::unique(SelectedRows.begin(), SelectedRows.end()), SelectedRows.end());
  std::erase_if(SelectedRows, [&](int32_t Row) { return Row < 0 || Row >= Rows.VisibleCount; });
  if (!SelectedRows.empty()) return JoinRows(Rows, SelectedRows);
  return RowTextW(Rows, CurrentRow);
}

std::u16string AllVisibleClipboardText(const TVisibleRows& Rows) {
  return JoinRows(Rows, TAllRows{std::max(Rows.VisibleCount, 0)});
}
