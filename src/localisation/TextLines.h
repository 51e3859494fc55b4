#pragma once
// The lines of a text file as the engine's string lists read them: CR LF, LF or CR end a line,
// and a line end at the very end starts no further line.
#include <string_view>

#include "common/AnsiText.h"

namespace quarrix {

StringList SplitTextLines(std::string_view text);

}  // namespace quarrix
