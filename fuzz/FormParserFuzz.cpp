// Dialog files come with the setup's support files, so any bytes may reach the parser; it must
// answer with a tree or a FormParseError naming a line inside the text, never crash.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ui/FormParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    quarrix::ui::ParseForm(text, "fuzz.dfm");
  } catch (const quarrix::ui::FormParseError& error) {
    long lines = 1 + std::count(text.begin(), text.end(), '\n');
    if (error.line < 1 || error.line > lines) __builtin_trap();
  }
  return 0;
}
