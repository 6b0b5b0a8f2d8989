#include "platform/uPlatformThread.h"

#include <system_error>

bool TPlatformThread::Start(std::function<void()> Work) {
  Detach();
  try {
    Thread = std::thread([Work = std::move(Work)] {
      try {
        Work();
      } catch (...) {
      }
    });
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void TPlatformThread::Join() {
  if (Thread.joinable()) Thread.join();
}

void TPlatformThread::Detach() {
  if (Thread.joinable()) Thread.detach();
}
