#pragma once
// The one place the Win32 backend's .cpp files get <windows.h> from. Never include this from a
// header: portable code must not see the Windows macros.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace quarrix::platform::win32 {

// A function exported by an already loaded module, or nullptr. GetProcAddress answers with a
// generic pointer type; the detour through void(*)() keeps the cast well-defined and quiet.
template <typename Function>
Function LookUpProcedure(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  FARPROC found = GetProcAddress(module, name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

}  // namespace quarrix::platform::win32
