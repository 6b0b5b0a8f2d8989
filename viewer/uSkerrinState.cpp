#include "viewer/uSkerrinState.h"

#include <utility>

TSkerrinState::TSkerrinState(TAppSettings& Settings) : Settings(Settings), Log(std::make_shared<TLoadedLog>()) {}

TSkerrinState::~TSkerrinState() {
  if (Window) KillTimer(Window, TailTimerId);
  if (Draw.MeasureDC && Draw.MeasureDCFontBefore) SelectObject(Draw.MeasureDC.Get(), Draw.MeasureDCFontBefore);
  Draw.MeasureDC.Reset();
  Draw.ListBrush.Reset();
  Draw.BarBrush.Reset();
  Fonts.Font.Reset();
  Fonts.UiFont = TUiFont();
  LetGoOfLog(*this);
}

void LetGoOfLog(TSkerrinState& S) {
  // A 32-bit process has room for one large log at a time, so the next one (in this viewer or
  // another) needs this one's room at once: the log is freed here, after the worker of a running
  // load has stopped, which costs the tenth of a second that freeing half a gigabyte takes. A
  // 64-bit process frees a log of gigabytes on a thread of its own: the host's thread must not
  // wait the second that takes.
  constexpr bool RoomForMoreThanOneLog = sizeof(void*) >= 8;
  if (S.Load.Running && !RoomForMoreThanOneLog) {
    S.Load.Running->Cancel();
    S.Load.Running->Wait();
  }
  S.Load.Running.reset();
  if (RoomForMoreThanOneLog) ReleaseLogInBackground(std::move(S.Log));
  S.Log.reset();
}

TSkerrinState* StateFromWindow(HWND Window) {
  if (!Window || !IsWindow(Window)) return nullptr;
  wchar_t Name[64];
  if (!GetClassNameW(Window, Name, 64) || lstrcmpW(Name, ViewerClassName) != 0) return nullptr;
  return reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
}
