#pragma once
// One replaced window procedure. The previous procedure is kept so that messages can be passed
// on, and put back exactly once: by Restore() in the viewer's teardown, or by the destructor as
// a last resort.

#include <windows.h>

class TWindowSubclass {
 public:
  TWindowSubclass() = default;
  ~TWindowSubclass() { Restore(); }
  TWindowSubclass(const TWindowSubclass&) = delete;
  TWindowSubclass& operator=(const TWindowSubclass&) = delete;

  // Replaces the window's procedure; Unicode selects the wide path for setting and calling.
  bool Install(HWND Window, WNDPROC Procedure, bool Unicode = true) {
    Restore();
    if (!Window || !IsWindow(Window)) return false;
    this->Unicode = Unicode;
    const LONG_PTR Old = Unicode
        ? SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure))
        : SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure));
    this->Window = Window;
    Previous = reinterpret_cast<WNDPROC>(Old);
    return Previous != nullptr;
  }

  // Puts the previous procedure back when the window is still alive.
  void Restore() {
    if (Window && Previous && IsWindow(Window)) {
      if (Unicode) SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Previous));
      else SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Previous));
    }
    Window = nullptr;
    Previous = nullptr;
  }

  WNDPROC PreviousProc() const { return Previous; }
  bool Installed() const { return Window != nullptr; }

  LRESULT CallPrevious(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) const {
    if (!Previous) return Unicode ? DefWindowProcW(Wnd, Msg, WParam, LParam) : DefWindowProcA(Wnd, Msg, WParam, LParam);
    return Unicode ? CallWindowProcW(Previous, Wnd, Msg, WParam, LParam)
                   : CallWindowProcA(Previous, Wnd, Msg, WParam, LParam);
  }

 private:
  HWND Window = nullptr;
  WNDPROC Previous = nullptr;
  bool Unicode = true;
};
