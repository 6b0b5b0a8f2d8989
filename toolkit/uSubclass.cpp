#include "toolkit/uSubclass.h"

#include <algorithm>

namespace {

LONG_PTR SetProcedure(HWND Window, bool Unicode, LONG_PTR Procedure) {
  return Unicode ? SetWindowLongPtrW(Window, GWLP_WNDPROC, Procedure)
                 : SetWindowLongPtrA(Window, GWLP_WNDPROC, Procedure);
}

// Read on the path it was set on: the other path may answer with a handle for the call instead.
WNDPROC CurrentProcedure(HWND Window, bool Unicode) {
  return reinterpret_cast<WNDPROC>(Unicode ? GetWindowLongPtrW(Window, GWLP_WNDPROC)
                                           : GetWindowLongPtrA(Window, GWLP_WNDPROC));
}

struct TStub {
  HWND Window;
  WNDPROC Procedure;
  TPreviousProc Replaced;
};

std::vector<TStub>& Stubs() {
  static std::vector<TStub> List;
  return List;
}

std::vector<TStub>::iterator FindStub(HWND Window, WNDPROC Procedure) {
  return std::find_if(Stubs().begin(), Stubs().end(),
                      [&](const TStub& Stub) { return Stub.Window == Window && Stub.Procedure == Procedure; });
}

// A stub is code of this library in someone else's chain: the library must stay loaded while
// the process lives, or that chain would call into nothing once the host unloads it.
void KeepLibraryLoaded() {
  static bool Kept = false;
  HMODULE Module = nullptr;
  if (!Kept)
    Kept = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                              reinterpret_cast<LPCWSTR>(&KeepLibraryLoaded), &Module) != FALSE;
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

LRESULT PassOnFromStub(HWND Window, WNDPROC Procedure, UINT Msg, WPARAM WParam, LPARAM LParam) {
  const auto Stub = FindStub(Window, Procedure);
  if (Stub == Stubs().end())
    return IsWindowUnicode(Window) ? DefWindowProcW(Window, Msg, WParam, LParam)
                                   : DefWindowProcA(Window, Msg, WParam, LParam);
  const TPreviousProc Replaced = Stub->Replaced;
  if (Msg == WM_NCDESTROY) Stubs().erase(Stub);
  return Replaced.Call(Window, Msg, WParam, LParam);
}

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
  // Twice in one chain, the procedure would find itself as what it replaced.
  if (Previous(Window, Procedure).Proc) return false;
  // The properties come first, so the procedure never runs without its record.
  if (Props) SetPropW(Window, Props->Record, static_cast<HANDLE>(Record));
  TPreviousProc Replaced;
  if (const auto Stub = FindStub(Window, Procedure); Stub != Stubs().end()) {
    Replaced = Stub->Replaced;
    Stubs().erase(Stub);
  } else {
    Replaced.Unicode = Path == TCallPath::Unicode;
    Replaced.Proc =
        reinterpret_cast<WNDPROC>(SetProcedure(Window, Replaced.Unicode, reinterpret_cast<LONG_PTR>(Procedure)));
  }
  if (!Replaced.Proc) {
    if (Props) RemoveProps(Window, *Props);
    return false;
  }
  if (Props && Props->Previous) SetPropW(Window, Props->Previous, reinterpret_cast<HANDLE>(Replaced.Proc));
  if (Props && Props->Unicode)
    SetPropW(Window, Props->Unicode, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(Replaced.Unicode ? 1 : 0)));
  Entries.push_back({Window, Procedure, Replaced, Props});
  return true;
}

TPreviousProc TSubclassStack::Previous(HWND Window, WNDPROC Procedure) const {
  for (auto It = Entries.rbegin(); It != Entries.rend(); ++It)
    if (It->Window == Window && It->Procedure == Procedure) return It->Replaced;
  return {};
}

void TSubclassStack::Undo(const TEntry& Entry) {
  if (!IsWindow(Entry.Window)) return;
  if (CurrentProcedure(Entry.Window, Entry.Replaced.Unicode) == Entry.Procedure) {
    SetProcedure(Entry.Window, Entry.Replaced.Unicode, reinterpret_cast<LONG_PTR>(Entry.Replaced.Proc));
  } else {
    // Stubs of windows that went without a last message through them are dropped first.
    std::erase_if(Stubs(), [](const TStub& Stub) { return !IsWindow(Stub.Window); });
    Stubs().push_back({Entry.Window, Entry.Procedure, Entry.Replaced});
    KeepLibraryLoaded();
  }
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
