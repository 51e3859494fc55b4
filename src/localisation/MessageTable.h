#pragma once
// The engine's own texts: 115 numbered slots with English defaults, replaced from language files.
#include <array>
#include <string>

namespace quarrix {

class MessageTable {
 public:
  static constexpr int kSlotCount = 115;

  MessageTable();  // the English defaults

  // slot 1 to 115; any other number gives the empty text.
  const std::string& Text(int slot) const;
  void Set(int slot, std::string text);

 private:
  std::array<std::string, kSlotCount + 1> slots_;  // index 0 unused
};

}  // namespace quarrix
