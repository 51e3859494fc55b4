#pragma once
// The environment variables of the engine's process.
#include <cstddef>
#include <string>
#include <vector>

namespace quarrix::platform {

class Environment {
 public:
  virtual ~Environment() = default;

  // Every %NAME% of text that names a variable replaced by its value (names compare without
  // regard to case); any other "%" stays as written. Empty when the result needs more than
  // capacity bytes with its terminator.
  virtual std::string ExpandReferences(const std::string& text, size_t capacity) = 0;
  // The process's environment block: every entry ("NAME=value", the hidden per-drive entries
  // beginning with "=" included) in block order.
  virtual std::vector<std::string> Entries() = 0;
};

}  // namespace quarrix::platform
