#pragma once
// Western European ANSI code page, the default of the native tools and tests.
#include "archive/ArchiveIo.h"

namespace quarrix::archive {

class Cp1252CodePage : public CodePage {
 public:
  std::string FromWide(const std::u16string& text) const override;
  std::u16string ToWide(const std::string& text) const override;
};

}  // namespace quarrix::archive
