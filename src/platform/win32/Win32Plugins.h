#pragma once
// Plug-in libraries loaded with LoadLibraryW and called through their "RunTimeExecute" export.
#include "platform/PluginLibraries.h"

namespace quarrix::platform::win32 {

class Win32Plugins : public PluginLibraries {
 public:
  PluginCallResult CallRunTimeExecute(const PluginCall& call, const PluginProgressCallback& progress) override;
};

}  // namespace quarrix::platform::win32
