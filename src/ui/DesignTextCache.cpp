#include "ui/DesignTextCache.h"

#include "common/AnsiText.h"

namespace quarrix::ui {

std::string DesignTextCache::Key(const std::string& dialog, const std::string& control) {
  return ToUpperAscii(dialog) + "." + ToUpperAscii(control);
}

const std::string* DesignTextCache::Find(const std::string& dialog, const std::string& control) const {
  auto found = texts_.find(Key(dialog, control));
  return found == texts_.end() ? nullptr : &found->second;
}

const std::string& DesignTextCache::Store(const std::string& dialog, const std::string& control,
                                          const std::string& text) {
  return texts_.try_emplace(Key(dialog, control), text).first->second;
}

}  // namespace quarrix::ui
