#pragma once
// One wizard dialog window: the form the toolkit built from its dialog file, and what the dialog
// engine keeps beside it.
#include <map>
#include <string>

#include "common/AnsiText.h"
#include "platform/Toolkit.h"

namespace quarrix::ui {

inline constexpr int kResultUndecided = -1;
inline constexpr int kDialogTimerId = 1;      // the one-second progress timer
inline constexpr int kMetaRefreshTimerId = 2;
inline constexpr uint32_t kDialogTimerMs = 1000;

// The events a control's handlers were wired for while its dialog is bound, as a bit set over
// platform::EventKind.
using WiredEvents = unsigned;
inline constexpr WiredEvents Wire(platform::EventKind kind) { return 1u << static_cast<unsigned>(kind); }

struct PoolTemplate {
  std::string key;                       // upper-cased dialog key
  platform::FormId form = platform::kNoForm;
  std::string name;                      // the dialog file's name: "Welcome.dfm"
  StringList rules;                      // lines of the rules file
  int resultCode = kResultUndecided;
  std::string customText;
  bool modal = false;
  bool hiddenByEngine = false;
  bool bound = false;
  std::string readToEndMemo;             // the first read-only memo, while bound
  std::string readToEndRichEdit;
  std::string selectedComponent;         // for the component information texts
  std::map<std::string, WiredEvents> wired;  // upper-cased component name -> events handled
  std::map<std::string, std::string> classes;  // upper-cased component name -> class

  bool Handles(const std::string& component, platform::EventKind kind) const {
    auto found = wired.find(ToUpperAscii(component));
    return found != wired.end() && (found->second & Wire(kind)) != 0;
  }
};

}  // namespace quarrix::ui
