#pragma once
// The caption of every message box the engine shows.
#include <string>
#include <string_view>

namespace quarrix {

// logoFree (VELDLOGO "TRUE"): the title alone, even when empty. Otherwise the title followed by
// " - Quarrix Wizard", or "Quarrix Wizard" while no title is known.
std::string WizardCaption(std::string_view title, bool logoFree);

}  // namespace quarrix
