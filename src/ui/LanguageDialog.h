#pragma once
// The language dialog of a multi-language setup.
#include <cstddef>
#include <optional>

#include "common/AnsiText.h"
#include "engine/Session.h"

namespace quarrix::ui {

// Offers the languages with one preselected: the index chosen with OK, nothing for Cancel.
std::optional<size_t> RunLanguageDialog(Session& session, const StringList& languages, size_t preselected);

}  // namespace quarrix::ui
