#include "viewer/uClipboard.h"

#include <cstring>

#include "model/uClipboardText.h"
#include "viewer/uListRows.h"
#include "viewer/uViewRows.h"

namespace {

// Owns global memory until the clipboard takes it over.
class TGlobalMemory {
 public:
  explicit TGlobalMemory(size_t Bytes) : Handle(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, Bytes)) {}
  ~TGlobalMemory() {
    if (Handle) GlobalFree(Handle);
  }
  TGlobalMemory(const TGlobalMemory&) = delete;
  TGlobalMemory& operator=(const TGlobalMemory&) = delete;
  HGLOBAL Get() const { return Handle; }
  void Release() { Handle = nullptr; }

 private:
  HGLOBAL Handle;
};

class TOpenClipboard {
 public:
  explicit TOpenClipboard(HWND Owner) : Opened(OpenClipboard(Owner) != FALSE) {}
  ~TOpenClipboard() {
    if (Opened) CloseClipboard();
  }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;
  bool IsOpen() const { return Opened; }

 private:
  bool Opened;
};

bool Copy(TSkerrinState& S, const std::u16string& Text) {
  if (Text.empty()) return false;
  return SetClipboardText(S.Window, Text);
}

}  // namespace

bool SetClipboardText(HWND Owner, std::u16string_view Text) {
  TGlobalMemory Memory((Text.size() + 1) * sizeof(char16_t));
  if (!Memory.Get()) return false;
  void* Target = GlobalLock(Memory.Get());
  if (!Target) return false;
  // The memory is zero-filled, so the terminating 0 is already there.
  std::memcpy(Target, Text.data(), Text.size() * sizeof(char16_t));
  GlobalUnlock(Memory.Get());
  TOpenClipboard Clipboard(Owner);
  if (!Clipboard.IsOpen() || !EmptyClipboard()) return false;
  if (!SetClipboardData(CF_UNICODETEXT, Memory.Get())) return false;
  Memory.Release();  // the clipboard owns it now
  return true;
}

bool CopySelection(TSkerrinState& S) {
  if (!S.Log) return false;
  return Copy(S, SelectionClipboardText(RowsOf(S), SelectedRows(S), CurrentRow(S)));
}

bool CopyAllVisible(TSkerrinState& S) {
  if (!S.Log) return false;
  return Copy(S, AllVisibleClipboardText(RowsOf(S)));
}
