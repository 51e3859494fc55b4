#pragma once
// The comma-separated item text through which plug-ins receive and return variables.
#include <string>
#include <string_view>

#include "common/AnsiText.h"

namespace quarrix {

// Items joined by ","; an item holding a byte 0..32, '"' or ',' is quoted with inner quotes
// doubled. A list of one empty item is written as "" so that it differs from no items at all.
std::string ToCommaText(const StringList& items);
// Reads what ToCommaText writes and the looser forms other writers produce: blanks around
// items are skipped, and a comma that ends the text adds a final empty item.
StringList FromCommaText(std::string_view text);

}  // namespace quarrix
