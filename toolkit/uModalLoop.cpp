#include "toolkit/uModalLoop.h"

TModalOwner::TModalOwner(HWND Owner, bool ReturnFocus)
    : Owner(Owner), WasEnabled(Owner && IsWindowEnabled(Owner)), Focus(ReturnFocus ? GetFocus() : nullptr) {
  if (WasEnabled) EnableWindow(Owner, FALSE);
}

TModalOwner::~TModalOwner() {
  if (!Owner || !IsWindow(Owner)) return;
  if (WasEnabled) EnableWindow(Owner, TRUE);
  const HWND Root = GetAncestor(Owner, GA_ROOT);
  SetActiveWindow(Root);
  if (Focus && IsWindow(Focus) && GetAncestor(Focus, GA_ROOT) == Root) SetFocus(Focus);
}

std::optional<int> RunModalLoop(HWND Dialog) {
  MSG Message;
  while (IsWindow(Dialog)) {
    const BOOL Got = GetMessageW(&Message, nullptr, 0, 0);
    if (Got == 0) return static_cast<int>(Message.wParam);
    if (Got < 0) break;
    if (IsDialogMessageW(Dialog, &Message)) continue;
    TranslateMessage(&Message);
    DispatchMessageW(&Message);
  }
  return std::nullopt;
}
