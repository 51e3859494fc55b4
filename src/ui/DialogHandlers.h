#pragma once
// What the controls of a bound dialog do when the user acts: value handlers write the control's
// value into the variable its hint names, click handlers turn tags into navigation results, and
// every handler ends with the dialog's rules.
#include <string>

#include "platform/Toolkit.h"
#include "ui/DialogScope.h"

namespace quarrix::ui {

// Control tags of the click handlers.
inline constexpr int kTagNext = 1;
inline constexpr int kTagBack = 2;
inline constexpr int kTagCancel = 3;
inline constexpr int kTagBrowseDestination = 4;
inline constexpr int kTagCustomResult = 5;
inline constexpr int kTagBrowseFolder = 6;

// The events RefreshDialog wires for a control of this class (tag and binding decide a few).
WiredEvents EventsOfClass(const std::string& className, int tag, bool bound);

// Runs the handler of a wired control event.
void HandleControlEvent(const DialogScope& scope, const platform::ToolkitEvent& event, const std::string& className);

void Edit1Change(const DialogScope& scope, const std::string& component);
void TreeView1Change(const DialogScope& scope, const std::string& component);
void CheckListBox1Click(const DialogScope& scope, const std::string& component);
void CheckListBox1ClickCheck(const DialogScope& scope, const std::string& component);

}  // namespace quarrix::ui
