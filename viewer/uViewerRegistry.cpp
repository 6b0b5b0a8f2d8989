#include "viewer/uViewerRegistry.h"

#include <algorithm>

namespace {

// Its lock is held only to change or copy the list, never while a viewer is sent a message, so
// a viewer that handles one cannot dead-lock another.
class TViewerRegistry {
 public:
  TViewerRegistry() { InitializeCriticalSection(&Lock); }
  ~TViewerRegistry() { DeleteCriticalSection(&Lock); }
  TViewerRegistry(const TViewerRegistry&) = delete;
  TViewerRegistry& operator=(const TViewerRegistry&) = delete;

  void Register(HWND Window) {
    TLockScope Locked(Lock);
    // Order does not matter here, so a gone window is replaced by the last one.
    for (size_t i = Windows.size(); i-- > 0;) {
      if (IsWindow(Windows[i])) continue;
      Windows[i] = Windows.back();
      Windows.pop_back();
    }
    if (std::find(Windows.begin(), Windows.end(), Window) == Windows.end()) Windows.push_back(Window);
  }

  void Unregister(HWND Window) {
    TLockScope Locked(Lock);
    std::erase_if(Windows, [Window](HWND W) { return W == Window || !IsWindow(W); });
  }

  std::vector<HWND> Copy() {
    TLockScope Locked(Lock);
    return Windows;
  }

 private:
  class TLockScope {
   public:
    explicit TLockScope(CRITICAL_SECTION& Section) : Section(Section) { EnterCriticalSection(&Section); }
    ~TLockScope() { LeaveCriticalSection(&Section); }
    TLockScope(const TLockScope&) = delete;
    TLockScope& operator=(const TLockScope&) = delete;

   private:
    CRITICAL_SECTION& Section;
  };

  CRITICAL_SECTION Lock;
  std::vector<HWND> Windows;
};

// Created when the library is loaded and destroyed when it is unloaded.
TViewerRegistry Registry;

}  // namespace

void RegisterViewer(HWND Window) { Registry.Register(Window); }

void UnregisterViewer(HWND Window) { Registry.Unregister(Window); }

std::vector<HWND> RegisteredViewers() { return Registry.Copy(); }
