#pragma once
// Code page 1252 (Western European ANSI): the simulated machine's code page and the native
// tools' default. The one table of it; the archive's code page and the simulated system use it.
#include <string>
#include <string_view>

namespace quarrix {

// Every byte has a UTF-16 unit: bytes unassigned in 1252 map to themselves.
std::u16string Cp1252ToWide(std::string_view text);
// '?' for a character 1252 lacks, and one '?' for a surrogate pair.
std::string WideToCp1252(std::u16string_view text);

// The system's ANSI case mapping in 1252: a letter changes only when its counterpart is in
// the code page too (so 'ß', 'µ' and 'ƒ' stay as they are).
char Cp1252Upper(char c);
char Cp1252Lower(char c);
std::string Cp1252Upper(std::string_view text);
std::string Cp1252Lower(std::string_view text);

}  // namespace quarrix
