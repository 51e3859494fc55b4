#include "engine/WizardCaption.h"

namespace quarrix {
namespace {
constexpr std::string_view kProductName = "Quarrix";
constexpr std::string_view kWizardWord = " Wizard";  // localisable, unlike the product name
}  // namespace

std::string WizardCaption(std::string_view title, bool logoFree) {
  if (logoFree) return std::string(title);
  std::string caption;
  if (!title.empty()) {
    caption.append(title);
    caption.append(" - ");
  }
  caption.append(kProductName);
  caption.append(kWizardWord);
  return caption;
}

}  // namespace quarrix
