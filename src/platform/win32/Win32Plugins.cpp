#include "platform/win32/Win32Plugins.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/Win32Api.h"

namespace quarrix::platform::win32 {
namespace {

constexpr const char* kEntryPoint = "RunTimeExecute";

using ProgressFunction = uint8_t(WINAPI*)(int32_t percent, const char* text);
using RunTimeExecuteFunction = int32_t(WINAPI*)(HWND owner, const char* variables, const char* pluginData,
                                                ProgressFunction progress, int32_t* reserved, char* output);

// The plug-in's progress callback has no context argument; the call runs on one thread, which
// finds its callback here.
thread_local const PluginProgressCallback* activeProgress = nullptr;

uint8_t WINAPI ProgressCallback(int32_t percent, const char* text) {
  try {
    if (activeProgress == nullptr || !*activeProgress) return 1;
    return (*activeProgress)(percent, text != nullptr ? text : "") ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

// A plug-in that raises and does not handle its own exception would end the process. While a
// call is in progress, the last-chance filter jumps back to the call instead; the plug-in's
// frames are abandoned, as its exception already abandoned them.
struct Recovery {
  void* jump[5];  // __builtin_setjmp's buffer
#if defined(__i386__)
  void* exceptionList;  // the frame-based handler chain as it stood before the call
#endif
};
thread_local Recovery* activeRecovery = nullptr;

#if defined(__i386__)
// The head of the chain is the first field of the thread information block at FS:0.
void* ReadExceptionList() {
  void* head = nullptr;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}
void WriteExceptionList(void* head) { __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }
#endif
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

LONG WINAPI LastChanceFilter(EXCEPTION_POINTERS* exception) {
  if (activeRecovery != nullptr) __builtin_longjmp(activeRecovery->jump, 1);
  return previousFilter != nullptr ? previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

void InstallFilterOnce() {
  static std::once_flag installed;
  std::call_once(installed, [] { previousFilter = SetUnhandledExceptionFilter(&LastChanceFilter); });
}

enum class CallEnd { Returned, Raised };

// What the compiler's own exception handling catches of the plug-in's exceptions.
__attribute__((noinline)) CallEnd CallEntry(RunTimeExecuteFunction entry, HWND owner, const char* variables,
                                            const char* data, int32_t* reserved, char* output, int32_t& result) {
  try {
    result = entry(owner, variables, data, &ProgressCallback, reserved, output);
    return CallEnd::Returned;
  } catch (...) {
    return CallEnd::Raised;
  }
}

// Kept apart from the function that catches, and out of line, so that the jump buffer's frame
// is this call's own.
__attribute__((noinline)) CallEnd GuardedCall(RunTimeExecuteFunction entry, HWND owner, const char* variables,
                                              const char* data, int32_t* reserved, char* output, int32_t& result) {
  Recovery recovery{};
#if defined(__i386__)
  recovery.exceptionList = ReadExceptionList();
#endif
  if (__builtin_setjmp(recovery.jump) != 0) {
    activeRecovery = nullptr;
#if defined(__i386__)
    WriteExceptionList(recovery.exceptionList);
#endif
    return CallEnd::Raised;
  }
  activeRecovery = &recovery;
  const CallEnd end = CallEntry(entry, owner, variables, data, reserved, output, result);
  activeRecovery = nullptr;
  return end;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

class LoadedLibrary {
 public:
  explicit LoadedLibrary(const std::string& path) {
    // A library whose own dependencies are missing fails quietly instead of with a system box.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module_ = LoadLibraryW(Wide(path).c_str());
    SetErrorMode(previousMode);
  }
  ~LoadedLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  HMODULE Module() const { return module_; }

 private:
  HMODULE module_ = nullptr;
};

}  // namespace

PluginCallResult Win32Plugins::CallRunTimeExecute(const PluginCall& call, const PluginProgressCallback& progress) {
  PluginCallResult result;
  LoadedLibrary library(call.libraryPath);
  if (library.Module() == nullptr) return result;
  const auto entry = LookUpProcedure<RunTimeExecuteFunction>(library.Module(), kEntryPoint);
  if (entry == nullptr) {
    result.outcome = PluginOutcome::NoEntryPoint;
    return result;
  }
  InstallFilterOnce();
  const PluginProgressCallback* previousProgress = activeProgress;
  activeProgress = &progress;
  HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(call.ownerWindow));
  int32_t reserved = 0;
  int32_t length = -1;
  if (GuardedCall(entry, owner, call.variablesText.c_str(), call.pluginData.c_str(), &reserved, nullptr, length) ==
      CallEnd::Raised) {
    result.outcome = PluginOutcome::Raised;
  } else if (length < 0) {
    result.outcome = PluginOutcome::Failed;
  } else {
    // The plug-in copies its text with the terminating zero; the byte past it guards a plug-in
    // that writes one more than it announced.
    std::vector<char> buffer(static_cast<size_t>(length) + 2, '\0');
    int32_t copied = 0;
    reserved = 0;
    if (GuardedCall(entry, owner, call.variablesText.c_str(), call.pluginData.c_str(), &reserved, buffer.data(),
                    copied) == CallEnd::Raised) {
      result.outcome = PluginOutcome::OutputLost;
    } else {
      result.outcome = PluginOutcome::Returned;
      buffer[static_cast<size_t>(length)] = '\0';
      result.output.assign(buffer.data());
    }
  }
  activeProgress = previousProgress;
  return result;
}

}  // namespace quarrix::platform::win32
