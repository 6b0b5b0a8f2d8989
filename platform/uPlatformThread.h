#pragma once
// A worker thread. A plug-in's worker may outlive the call that started it (a load is let go
// when its viewer closes and ends on its own); while it runs it keeps the module that holds its
// code loaded, so that a host unloading the plug-in meanwhile does not take the code from under
// it.

#include <functional>

#ifndef _WIN32
#include <thread>
#endif

class TPlatformThread {
 public:
  TPlatformThread() = default;
  TPlatformThread(const TPlatformThread&) = delete;
  TPlatformThread& operator=(const TPlatformThread&) = delete;
  // A thread that still runs is let go: it ends on its own.
  ~TPlatformThread() { Detach(); }

  // Runs Work on a new thread (an exception out of it ends the thread quietly); false when no
  // thread can be started, and Work has then not run.
  bool Start(std::function<void()> Work);
  // Waits until Work has returned; nothing when no thread was started or it was let go.
  void Join();
  void Detach();

 private:
#ifdef _WIN32
  void* Handle = nullptr;
#else
  std::thread Thread;
#endif
};
