#include "platform/win32/Win32Threads.h"

#include <pthread.h>

#include "platform/win32/Win32Api.h"

namespace quarrix::platform::win32 {

Win32Threads::Win32Threads() : mainThreadId_(GetCurrentThreadId()) {}

bool Win32Threads::ProcessOneMessage(uint32_t maxWaitMs) {
  MSG message{};
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, maxWaitMs, QS_ALLINPUT);
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return true;
}

void Win32Threads::ProcessPendingMessages() {
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void Win32Threads::PostWakeUp() { PostThreadMessageA(mainThreadId_, WM_NULL, 0, 0); }

void Win32Threads::ForceTerminate(std::thread& thread) {
  if (!thread.joinable()) return;
  // The posix thread model of the toolchain keeps the Windows handle behind the pthread.
  HANDLE handle = pthread_gethandle(thread.native_handle());
  if (handle != nullptr) TerminateThread(handle, 0);
  thread.detach();
}

}  // namespace quarrix::platform::win32
