// Hiding lines by text and by level, the code page of 8-bit lines and the toolbar of a narrow
// window, driven through the plug-in's exports and the commands the user's actions produce.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "model/uLineEncoding.h"
#include "win/uWinTestSupport.h"

namespace {

using TLines = std::vector<std::wstring>;

constexpr int Ok = 0, Error = 1;
constexpr int lc_newparams = 2;
constexpr int lcp_ascii = 8;
constexpr int lcs_findfirst = 1;

const std::string LevelLines =
    "2024-01-01 10:00:00 INFO start\r\n"          // 0
    "2024-01-01 10:00:01 DEBUG db timeout\r\n"    // 1
    "2024-01-01 10:00:02 ERROR db timeout\r\n"    // 2
    "2024-01-01 10:00:03 WARN retry db\r\n"       // 3
    "2024-01-01 10:00:04 TRACE db call\r\n"       // 4
    "2024-01-01 10:00:05 db without a level\r\n"  // 5: other lines
    "2024-01-01 10:00:06 ERROR disk full\r\n"     // 6
    "2024-01-01 10:00:07 INFO done\r\n";          // 7

std::wstring LevelRow(int Entry) {
  static const TLines Rows = [] {
    TLines Lines;
    for (const char* Line : {"INFO start", "DEBUG db timeout", "ERROR db timeout", "WARN retry db", "TRACE db call",
                             "db without a level", "ERROR disk full", "INFO done"}) {
      const std::string Row = "2024-01-01 10:00:0" + std::to_string(Lines.size()) + " " + std::string(Line);
      Lines.emplace_back(Row.begin(), Row.end());
    }
    return Lines;
  }();
  return Rows[static_cast<size_t>(Entry)];
}

TLines LevelRows(const std::vector<int>& Entries) {
  TLines Rows;
  for (int Entry : Entries) Rows.push_back(LevelRow(Entry));
  return Rows;
}

int ShowItem(int Level) { return IdMenuShowFirst + Level; }

int EncodingItem(TCodePage CodePage) {
  for (int Choice = 1; Choice < EncodingChoiceCount; ++Choice)
    if (EncodingChoices[Choice].CodePage == CodePage) return IdMenuEncodingFirst + Choice;
  return 0;
}

std::wstring Decoded(UINT CodePage, const std::string& Bytes) {
  std::wstring Text(Bytes.size(), L'\0');
  Text.resize(static_cast<size_t>(MultiByteToWideChar(CodePage, 0, Bytes.data(), static_cast<int>(Bytes.size()),
                                                      Text.data(), static_cast<int>(Text.size()))));
  return Text;
}

class FilterView : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(SharedPlugin().Handle(), nullptr); }
};

// "!" terms and the Show menu hide lines, each on its own and together, with context around what
// remains; the summary says which levels are hidden, and the counters stay those of the text.
TEST_F(FilterView, ExclusionsAndTheShowMenuHideLines) {
  TTempLog Log(LevelLines, L"skerrin_filterview_levels.log");
  TPluginViewer V(Log.Path());
  const std::wstring AllCounters = V.StatusPart(1);
  struct TCase {
    const wchar_t* Filter;
    const wchar_t* Context;
    std::vector<int> Hidden;  // levels unchecked in the Show menu
    std::vector<int> Rows;
    const wchar_t* Hint;  // in the summary; null: none
  };
  const TCase Cases[] = {
      {L"db", L"0", {}, {1, 2, 3, 4, 5}, nullptr},
      {L"db !timeout", L"0", {}, {3, 4, 5}, nullptr},
      {L"!DB", L"0", {}, {0, 6, 7}, nullptr},
      {L"db !timeout !CALL", L"0", {}, {3, 5}, nullptr},
      {L"", L"0", {3, 4}, {0, 2, 3, 5, 6, 7}, L"Hidden: Debug, Trace"},
      {L"db", L"0", {5}, {1, 2, 3, 4}, L"Hidden: Other lines"},
      {L"timeout", L"1", {3}, {2, 3}, L"Hidden: Debug"},  // context goes around what remains
      {L"", L"0", {0, 1, 2, 3, 4, 5}, {}, L"Hidden: Errors, Warnings, Infos, Debug, Trace, Other lines"},
  };
  for (const TCase& C : Cases) {
    SetWindowTextW(V.Control(IdLookEdit), C.Context);
    V.Filter(C.Filter);
    for (int Level : C.Hidden) V.Command(ShowItem(Level));
    EXPECT_EQ(V.RowTexts(), LevelRows(C.Rows)) << "filter '" << C.Filter << "'";
    const std::wstring Summary = V.StatusPart(0);
    const size_t Hint = C.Hint ? Summary.find(std::wstring(L" | ") + C.Hint + L" | ") : Summary.find(L"Hidden");
    EXPECT_EQ(Hint != std::wstring::npos, C.Hint != nullptr) << Summary;
    if (*C.Filter == 0) {
      EXPECT_EQ(V.StatusPart(1), AllCounters) << "hidden levels leave the counters";
    }
    for (int Level : C.Hidden) V.Command(ShowItem(Level));
  }
  SetWindowTextW(V.Control(IdLookEdit), L"0");
  V.Filter(L"");
  EXPECT_EQ(V.Rows(), 8);
}

// Appended lines, level jumps, search and copy all go by the rows that remain.
TEST_F(FilterView, TailJumpsSearchAndCopyFollowWhatIsVisible) {
  TGrowingLog Log(L"skerrin_filterview_tail.log", LevelLines);
  TPluginViewer V(Log.Path());
  V.Click(IdFollowBox, false);
  V.Click(IdTailBox, true);
  V.Filter(L"!disk");
  V.Command(ShowItem(3));  // Debug
  V.Command(ShowItem(4));  // Trace
  ASSERT_EQ(V.RowTexts(), LevelRows({0, 2, 3, 5, 7}));
  Log.Append(
      "2024-01-01 10:00:08 ERROR disk again\r\n"
      "2024-01-01 10:00:09 DEBUG more db\r\n"
      "2024-01-01 10:00:10 ERROR db lost\r\n");
  V.Tick();
  TLines Expected = LevelRows({0, 2, 3, 5, 7});
  Expected.push_back(L"2024-01-01 10:00:10 ERROR db lost");
  EXPECT_EQ(V.RowTexts(), Expected);
  EXPECT_EQ(V.StatusPart(1).substr(0, 4), L"E: 2") << "the counters follow the text filter";

  V.SelectRows({0}, 0);
  V.Command(IdNextError);
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{1});
  V.Command(IdNextError);
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{5}) << "the hidden and excluded errors are skipped";
  auto Search = V.Export<TListSearchTextW>("ListSearchTextW");
  std::wstring Db = L"db";
  EXPECT_EQ(Search(V.Window(), Db.data(), lcs_findfirst), Ok);
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{1}) << "the debug line with db is hidden";
  V.Command(ShowItem(3));
  V.Command(ShowItem(4));
  V.Filter(L"");
}

// The host's ANSI/ASCII switch and the Encoding menu decide how lines that are not UTF-8 read, for
// display, filter, search and copy alike; a page chosen by the user reads even a line that happens
// to be valid UTF-8; a file with a byte-order mark stays Unicode.
TEST_F(FilterView, TheCodePageFollowsTheHostSwitchAndTheEncodingMenu) {
  const std::string Oshibka1251 = "\xCE\xF8\xE8\xE1\xEA\xE0", Oshibka866 = "\x8E\xE8\xA8\xA1\xAA\xA0";
  const std::string Rad866 = "\xE0\xA0\xA4";  // valid UTF-8 by accident: U+0824
  const std::wstring Oshibka = L"\u041E\u0448\u0438\u0431\u043A\u0430", Rad = L"\u0440\u0430\u0434";
  const std::wstring Head = L"2024-01-01 10:00:00 ";

  TTempLog Cp1251("2024-01-01 10:00:00 ERROR " + Oshibka1251 + "\r\n2024-01-01 10:00:00 INFO ok\r\n",
                  L"skerrin_filterview_1251.log");
  TPluginViewer V(Cp1251.Path());
  EXPECT_EQ(V.RowTexts()[0], Head + L"ERROR " + Decoded(CP_ACP, Oshibka1251)) << "ANSI, as the host did not ask";
  V.Command(EncodingItem(1251));
  EXPECT_EQ(V.RowTexts()[0], Head + L"ERROR " + Oshibka);
  V.Filter(L"\u043E\u0428\u0418\u0411\u041A\u0410");  // the filter matches across case
  EXPECT_EQ(V.Rows(), 1);
  V.Filter(L"");
  auto Search = V.Export<TListSearchTextW>("ListSearchTextW");
  std::wstring Needle = Oshibka;
  V.SelectRows({1}, 1);
  EXPECT_EQ(Search(V.Window(), Needle.data(), lcs_findfirst), Ok);
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{0});
  V.Command(IdMenuEncodingFirst + EncodingAutomatic);
  EXPECT_EQ(V.RowTexts()[0], Head + L"ERROR " + Decoded(CP_ACP, Oshibka1251));

  TTempLog Cp866("2024-01-01 10:00:00 INFO " + Rad866 + "\r\n2024-01-01 10:00:00 ERROR " + Oshibka866 + "\r\n",
                 L"skerrin_filterview_866.log");
  TPluginViewer Dos(Cp866.Path(), lcp_ascii);
  const TLines Oem = {Head + L"INFO \u0824", Head + L"ERROR " + Decoded(CP_OEMCP, Oshibka866)};
  EXPECT_EQ(Dos.RowTexts(), Oem) << "the host's ASCII switch at the load";
  auto Command = Dos.Export<TListSendCommand>("ListSendCommand");
  EXPECT_EQ(Command(Dos.Window(), lc_newparams, 0), Ok);
  EXPECT_EQ(Dos.RowTexts()[1], Head + L"ERROR " + Decoded(CP_ACP, Oshibka866)) << "ANSI at once";
  EXPECT_EQ(Command(Dos.Window(), lc_newparams, lcp_ascii), Ok);
  EXPECT_EQ(Dos.RowTexts(), Oem);
  Dos.Command(EncodingItem(866));
  EXPECT_EQ(Dos.RowTexts(), (TLines{Head + L"INFO " + Rad, Head + L"ERROR " + Oshibka}));
  Dos.Command(EncodingItem(cpUtf8));
  // E8 A8 A1 happens to be a whole UTF-8 sequence; the other bytes are not.
  EXPECT_EQ(Dos.RowTexts()[1], Head + L"ERROR \uFFFD\u8A21\uFFFD\uFFFD");

  TTempLog Marked(
      "\xEF\xBB\xBF"
      "caf\xC3\xA9\r\nbad \xE9\r\n",
      L"skerrin_filterview_bom.log");
  TPluginViewer Unicode(Marked.Path());
  Unicode.Command(EncodingItem(1251));
  EXPECT_EQ(Unicode.RowTexts(), (TLines{L"caf\u00E9", L"bad \uFFFD"}));
}

// From 400 pixels at 96 DPI the filter box, its clear button and the context box stay whole and
// usable; the toolbar's groups that have no room are in the "more" menu instead.
TEST_F(FilterView, ANarrowWindowKeepsTheFilterWhole) {
  TTempLog Log(LevelLines, L"skerrin_filterview_narrow.log");
  for (const int Width : {1000, 700, 500, 400}) {
    // The viewer gets the host window's client area.
    RECT Frame{0, 0, Width, 300};
    AdjustWindowRect(&Frame, WS_OVERLAPPEDWINDOW, FALSE);
    TPluginViewer V(Log.Path(), 0, false, Frame.right - Frame.left, Frame.bottom - Frame.top);
    RECT Client{};
    GetClientRect(V.Window(), &Client);
    ASSERT_LE(Client.right, Width);
    // The host stays hidden: a control's own style says whether it is shown.
    const auto Shown = [](HWND Control) { return (GetWindowLongPtrW(Control, GWL_STYLE) & WS_VISIBLE) != 0; };
    const auto RectOf = [&](HWND Control) {
      RECT R{};
      GetWindowRect(Control, &R);
      MapWindowPoints(nullptr, V.Window(), reinterpret_cast<POINT*>(&R), 2);
      return R;
    };
    const RECT Filter = RectOf(V.Control(IdFilterEdit)), UpDown = RectOf(V.Control(IdLookUpDown));
    EXPECT_GE(Filter.left, 0) << Width;
    EXPECT_LE(UpDown.right, Client.right) << Width;
    // No toolbar control left of the filter group reaches into it.
    for (HWND Child = GetWindow(V.Window(), GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT)) {
      const int Id = GetDlgCtrlID(Child);
      const RECT R = RectOf(Child);
      if (!Shown(Child) || R.top >= 34 || Id == IdFilterEdit || Id == IdLookEdit || Id == IdLookUpDown ||
          R.left >= Filter.left - 40)
        continue;
      EXPECT_LT(R.right, Filter.left - 36) << Width << ": control " << Id << " " << TextOf(Child);
    }
    EXPECT_EQ(Shown(V.Control(IdMoreButton)), Width < 924) << Width;
    V.Filter(L"db !timeout");
    EXPECT_EQ(V.Rows(), 3) << Width;
    V.Filter(L"");
  }
}

}  // namespace
