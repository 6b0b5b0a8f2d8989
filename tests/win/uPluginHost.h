#pragma once
// Loads the built plug-in that lies beside the test program, as the file manager does.

#include <windows.h>

#include <string>

// Skerrin.wlx64 in the 64-bit build, Skerrin.wlx in the 32-bit one.
std::wstring PluginPath();

// Owns one LoadLibrary reference to the plug-in.
class TPluginLibrary {
 public:
  TPluginLibrary() : Module(LoadLibraryW(PluginPath().c_str())) {}
  ~TPluginLibrary() {
    if (Module) FreeLibrary(Module);
  }
  TPluginLibrary(const TPluginLibrary&) = delete;
  TPluginLibrary& operator=(const TPluginLibrary&) = delete;

  HMODULE Handle() const { return Module; }
  template <typename F>
  F Export(const char* Name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Module, Name)));
  }

 private:
  HMODULE Module;
};
