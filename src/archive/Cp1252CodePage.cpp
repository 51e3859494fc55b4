#include "archive/Cp1252CodePage.h"

#include "common/Cp1252Text.h"

namespace quarrix::archive {

std::string Cp1252CodePage::FromWide(const std::u16string& text) const { return WideToCp1252(text); }

std::u16string Cp1252CodePage::ToWide(const std::string& text) const { return Cp1252ToWide(text); }

}  // namespace quarrix::archive
