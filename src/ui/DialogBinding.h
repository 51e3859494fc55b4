#pragma once
// Binding: every control of a dialog filled from its design text and the variable its hint
// names, by control kind, with its event handlers wired.
#include "ui/DialogScope.h"

namespace quarrix::ui {

// RefreshDialog without its silent-mode check: the dialog is bound and its handlers wired.
void BindDialog(const DialogScope& scope);
// The reverse: handlers detached, so a hidden dialog writes nothing any more.
void UnbindDialog(const DialogScope& scope);

}  // namespace quarrix::ui
