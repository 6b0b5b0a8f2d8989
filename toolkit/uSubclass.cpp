#include "toolkit/uSubclass.h"

#include <algorithm>

namespace {

LONG_PTR SetProcedure(HWND Window, bool Unicode, LONG_PTR Procedure) {
  return Unicode ? SetWindowLongPtrW(Window, GWLP_WNDPROC, Procedure)
                 : SetWindowLongPtrA(Window, GWLP_WNDPROC, Procedure);
}

void RemoveProps(HWND Window, const TSubclassProps& Props) {
  for (const wchar_t* Name : {Props.Record, Props.Previous, Props.Unicode})
    if (Name) RemovePropW(Window, Name);
}

}  // namespace

LRESULT TPreviousProc::Call(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) const {
  if (!Proc) return Unicode ? DefWindowProcW(Window, Msg, WParam, LParam) : DefWindowProcA(Window, Msg, WParam, LParam);
  return Unicode ? CallWindowProcW(Proc, Window, Msg, WParam, LParam)
                 : CallWindowProcA(Proc, Window, Msg, WParam, LParam);
}

void* PublishedRecord(HWND Window, const TSubclassProps& Props) { return GetPropW(Window, Props.Record); }

TPreviousProc PublishedPrevious(HWND Window, const TSubclassProps& Props) {
  TPreviousProc Previous;
  if (Props.Previous) Previous.Proc = reinterpret_cast<WNDPROC>(GetPropW(Window, Props.Previous));
  if (Props.Unicode) Previous.Unicode = GetPropW(Window, Props.Unicode) != nullptr;
  return Previous;
}

bool TSubclassStack::Install(HWND Window, WNDPROC Procedure, TCallPath Path, void* Record,
                             const TSubclassProps* Props) {
  if (!Window || !IsWindow(Window)) return false;
  if (Props && Props->Previous && GetPropW(Window, Props->Previous)) return false;
  const bool Unicode = Path == TCallPath::Unicode;
  // The properties come first, so the procedure never runs without its record.
  if (Props) SetPropW(Window, Props->Record, static_cast<HANDLE>(Record));
  const auto Replaced = reinterpret_cast<WNDPROC>(SetProcedure(Window, Unicode, reinterpret_cast<LONG_PTR>(Procedure)));
  if (!Replaced) {
    if (Props) RemoveProps(Window, *Props);
    return false;
  }
  if (Props && Props->Previous) SetPropW(Window, Props->Previous, reinterpret_cast<HANDLE>(Replaced));
  if (Props && Props->Unicode)
    SetPropW(Window, Props->Unicode, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(Unicode ? 1 : 0)));
  Entries.push_back({Window, Procedure, {Replaced, Unicode}, Props});
  return true;
}

TPreviousProc TSubclassStack::Previous(HWND Window, WNDPROC Procedure) const {
  for (auto It = Entries.rbegin(); It != Entries.rend(); ++It)
    if (It->Window == Window && It->Procedure == Procedure) return It->Replaced;
  return {};
}

void TSubclassStack::Undo(const TEntry& Entry) {
  if (!IsWindow(Entry.Window)) return;
  SetProcedure(Entry.Window, Entry.Replaced.Unicode, reinterpret_cast<LONG_PTR>(Entry.Replaced.Proc));
  if (Entry.Props) RemoveProps(Entry.Window, *Entry.Props);
}

void TSubclassStack::Remove(HWND Window) {
  for (auto It = Entries.rbegin(); It != Entries.rend(); ++It)
    if (It->Window == Window) Undo(*It);
  Entries.erase(std::remove_if(Entries.begin(), Entries.end(), [&](const TEntry& E) { return E.Window == Window; }),
                Entries.end());
}

void TSubclassStack::RemoveAll() {
  for (auto It = Entries.rbegin(); It != Entries.rend(); ++It) Undo(*It);
  Entries.clear();
}
