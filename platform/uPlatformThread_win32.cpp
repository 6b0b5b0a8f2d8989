#include "platform/uPlatformThread.h"

#include <windows.h>

#include <memory>

namespace {
struct TThreadStart {
  std::function<void()> Work;
  HMODULE Module;  // the reference this thread holds on its own module; null for a program
};

DWORD WINAPI ThreadMain(void* Parameter) {
  HMODULE Module;
  {
    const std::unique_ptr<TThreadStart> Start(static_cast<TThreadStart*>(Parameter));
    Module = Start->Module;
    try {
      Start->Work();
    } catch (...) {
    }
  }
  // The last code of this module that the thread runs: the reference is given back and the
  // thread ends in one call of the system, which may then unload the module.
  if (Module) FreeLibraryAndExitThread(Module, 0);
  return 0;
}

// A reference of its own on the module that holds this code; null when that is the program,
// which is never unloaded.
HMODULE HoldOwnModule() {
  HMODULE Module = nullptr;
  const auto Address = reinterpret_cast<LPCWSTR>(reinterpret_cast<const void*>(&ThreadMain));
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, Address, &Module)) return nullptr;
  if (Module == GetModuleHandleW(nullptr)) {
    FreeLibrary(Module);
    return nullptr;
  }
  return Module;
}
}  // namespace

bool TPlatformThread::Start(std::function<void()> Work) {
  Detach();
  auto Start = std::make_unique<TThreadStart>(TThreadStart{std::move(Work), HoldOwnModule()});
  const HANDLE Thread = CreateThread(nullptr, 0, ThreadMain, Start.get(), 0, nullptr);
  if (!Thread) {
    if (Start->Module) FreeLibrary(Start->Module);
    return false;
  }
  static_cast<void>(Start.release());  // the thread owns it now and deletes it
  Handle = Thread;
  return true;
}

void TPlatformThread::Join() {
  if (!Handle) return;
  WaitForSingleObject(static_cast<HANDLE>(Handle), INFINITE);
  Detach();
}

void TPlatformThread::Detach() {
  if (Handle) CloseHandle(static_cast<HANDLE>(Handle));
  Handle = nullptr;
}
