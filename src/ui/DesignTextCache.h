#pragma once
// The texts controls had when they were first bound, keyed by dialog name "." control name: every
// later binding starts from these, not from what a control shows now.
#include <string>
#include <unordered_map>

namespace quarrix::ui {

class DesignTextCache {
 public:
  const std::string* Find(const std::string& dialog, const std::string& control) const;
  // Keeps the first text stored under the key; returns what the cache holds.
  const std::string& Store(const std::string& dialog, const std::string& control, const std::string& text);
  void Clear() { texts_.clear(); }

 private:
  static std::string Key(const std::string& dialog, const std::string& control);
  std::unordered_map<std::string, std::string> texts_;
};

}  // namespace quarrix::ui
