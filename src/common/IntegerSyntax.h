#pragma once
// Integers as the engine reads them from script text: optional leading blanks, optional sign,
// then decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X"; nothing may
// follow, and the value must fit a signed 32-bit integer.
#include <cstdint>
#include <optional>
#include <string_view>

namespace quarrix {

std::optional<int32_t> ParseScriptInteger(std::string_view text);
// Where a command requires an integer: a text that is none throws std::runtime_error, which the
// interpreter reports as the script's runtime error.
int32_t RequireScriptInteger(std::string_view text);
// The same syntax for a signed 64-bit integer (hexadecimal as a 64-bit pattern).
std::optional<int64_t> ParseScriptInteger64(std::string_view text);

}  // namespace quarrix
