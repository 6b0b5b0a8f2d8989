#include "viewer/uSkerrinState.h"

TSkerrinState::TSkerrinState(TAppSettings& Settings) : Settings(Settings), Log(std::make_unique<TLoadedLog>()) {}

TSkerrinState::~TSkerrinState() {
  if (Window) KillTimer(Window, TailTimerId);
  if (Draw.MeasureDC && Draw.MeasureDCFontBefore) SelectObject(Draw.MeasureDC.Get(), Draw.MeasureDCFontBefore);
  Draw.MeasureDC.Reset();
  Draw.ListBrush.Reset();
  Draw.BarBrush.Reset();
  Fonts.Font.Reset();
  Fonts.UiFont = TUiFont();
  Log.reset();
}

TSkerrinState* StateFromWindow(HWND Window) {
  if (!Window || !IsWindow(Window)) return nullptr;
  wchar_t Name[64];
  if (!GetClassNameW(Window, Name, 64) || lstrcmpW(Name, ViewerClassName) != 0) return nullptr;
  return reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
}
