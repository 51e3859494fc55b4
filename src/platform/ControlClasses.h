#pragma once
// The control classes dialog files may use. The outermost object of a dialog file is the dialog
// window itself, whatever class it names; every object inside it must be one of these.
#include <array>
#include <string_view>

#include "common/AnsiText.h"

namespace quarrix::platform {

inline constexpr std::array<std::string_view, 39> kControlClasses = {
    "TLabel",        "TEdit",           "TMemo",           "TButton",        "TRzCheckBox",
    "TRzRadioButton", "TListBox",       "TComboBox",       "TGroupBox",      "TPanel",
    "TBitBtn",       "TSpeedButton",    "TMaskEdit",       "TImage",         "TShape",
    "TBevel",        "TStaticText",     "TGauge",          "TPageControl",   "TTabSheet",
    "TRichEdit",     "TTrackBar",       "TProgressBar",    "TUpDown",        "TAnimate",
    "TCheckListBox", "TTreeView",       "THTMLViewer",     "TFileListBox",   "TDirectoryListBox",
    "TDriveComboBox", "TFilterComboBox", "TPTShellTree",   "TPTShellList",   "TPTShellCombo",
    "TFlashFrame",   "TRzFormShape",    "TRzBmpButton",    "TVistaGlass",
};

// The designer's own component: loaded with the form, never bound or shown.
inline constexpr std::string_view kFormDesignerName = "cmpFormDesigner";

// Class names compare without regard to letter case, as the form loader finds classes.
inline bool IsControlClass(std::string_view className) {
  for (std::string_view known : kControlClasses)
    if (EqualsIgnoreCase(known, className)) return true;
  return false;
}

}  // namespace quarrix::platform
