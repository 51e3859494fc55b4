#pragma once
// Read-only view of the per-line lists the interpreter walks: command names and comment flags.
#include <cstddef>
#include <string_view>

#include "common/HashedStringList.h"

namespace quarrix {

class ScriptLines {
 public:
  // commentFlags may be null or shorter than the names: missing flags mean "not commented".
  ScriptLines(const HashedStringList& commandNames, const HashedStringList* commentFlags)
      : names_(commandNames), flags_(commentFlags) {}

  size_t Count() const { return names_.Count(); }
  // Index 0-based; out of range throws std::out_of_range, a runtime error of the script.
  std::string_view Command(size_t index) const { return names_.At(index); }
  bool Commented(size_t index) const {
    return flags_ && index < flags_->Count() && (*flags_)[index] == "C";
  }
  bool CommentedOrIgnore(size_t index) const { return Commented(index) || Command(index) == "Ignore"; }

 private:
  const HashedStringList& names_;
  const HashedStringList* flags_;
};

}  // namespace quarrix
