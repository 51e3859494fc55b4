#pragma once
// The language of a run: chosen once at its start, and followed before every line as the
// script changes LANGUAGE.
#include <string>

namespace quarrix {

struct Session;

// Chooses the language of a multi-language setup: the default one, the user's choice in the
// language dialog, or the one the installed instance recorded; LANGUAGE shows it. False when
// the user cancelled the dialog, which ends the run quietly.
bool SelectLanguage(Session& session, const std::string& packagePath);

// Before a line: loads the tables of a changed LANGUAGE; a language whose files are missing
// leaves LANGUAGE empty.
void RefreshLanguage(Session& session);

}  // namespace quarrix
