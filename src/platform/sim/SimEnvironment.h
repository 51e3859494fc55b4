#pragma once
// The simulated process environment: a table of entries the machine folder keeps.
#include <string>
#include <vector>

#include "platform/Environment.h"

namespace quarrix::platform::sim {

class SimEnvironment : public Environment {
 public:
  SimEnvironment();

  // "NAME=value" in block order, the hidden per-drive entries ("=C:=C:\") first.
  std::vector<std::string> entries;

  std::string ExpandReferences(const std::string& text, size_t capacity) override;
  std::vector<std::string> Entries() override { return entries; }
};

}  // namespace quarrix::platform::sim
