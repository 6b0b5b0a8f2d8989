#include "viewer/uHostWindow.h"

#include <cstdint>

namespace {

struct TClassSearchCtx {
  const wchar_t* ClassName;
  HWND Found = nullptr;
  int32_t Visited = 0;
  int32_t WantedOrdinal = 0;  // 0: the first match ends the search
  int32_t Matches = 0;
};

BOOL CALLBACK FindByClass(HWND Window, LPARAM Param) {
  auto& Ctx = *reinterpret_cast<TClassSearchCtx*>(Param);
  ++Ctx.Visited;
  wchar_t Name[128];
  if (GetClassNameW(Window, Name, 128) && lstrcmpiW(Name, Ctx.ClassName) == 0) {
    ++Ctx.Matches;
    if (Ctx.WantedOrdinal == 0 || Ctx.Matches == Ctx.WantedOrdinal) {
      Ctx.Found = Window;
      return FALSE;
    }
  }
  return TRUE;
}

int WindowHeight(HWND Window) {
  RECT R{};
  GetWindowRect(Window, &R);
  return R.bottom - R.top;
}

}  // namespace

bool IsListerWindow(HWND Parent, int ShowFlags) {
  if (ShowFlags & lcp_forceshow) return true;
  if (Parent && GetAncestor(Parent, GA_ROOT) == Parent) return true;
  return Parent && (GetWindowLongPtrW(Parent, GWL_STYLE) & WS_POPUP) != 0;
}

HWND HostRootWindow(HWND Parent) {
  if (!Parent) return nullptr;
  const HWND Root = GetAncestor(Parent, GA_ROOT);
  return Root ? Root : Parent;
}

int FindHostStatusBar(HWND& Found) {
  Found = nullptr;
  const HWND Main = FindWindowW(L"TTOTAL_CMD", nullptr);
  if (!Main) return 0;
  TClassSearchCtx Ctx{L"msctls_statusbar32"};
  EnumChildWindows(Main, FindByClass, reinterpret_cast<LPARAM>(&Ctx));
  if (Ctx.Found) {
    const int H = WindowHeight(Ctx.Found);
    if (H >= 8 && H <= 128) {
      Found = Ctx.Found;
      return H;
    }
  }
  TClassSearchCtx Nth{L"Window"};
  Nth.WantedOrdinal = 8;
  EnumChildWindows(Main, FindByClass, reinterpret_cast<LPARAM>(&Nth));
  if (!Nth.Found) return 0;
  RECT Client{};
  GetClientRect(Nth.Found, &Client);
  int H = Client.bottom - Client.top;
  if (H < 1) H = WindowHeight(Nth.Found);
  if (H < 8 || H > 128) return 0;
  Found = Nth.Found;
  return H;
}
