#pragma once
// The process environment through ExpandEnvironmentStringsA and GetEnvironmentStringsA.
#include "platform/Environment.h"

namespace quarrix::platform::win32 {

class Win32Environment : public Environment {
 public:
  std::string ExpandReferences(const std::string& text, size_t capacity) override;
  std::vector<std::string> Entries() override;
};

}  // namespace quarrix::platform::win32
