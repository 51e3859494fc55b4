// Arbitrary bytes as a compiled script payload: the reader must either fail with PayloadError
// or return a payload that the writer, when it can represent it, reproduces exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "common/AnsiText.h"
#include "startup/PayloadReader.h"
#include "startup/PayloadWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  quarrix::ScriptPayload payload;
  try {
    payload = quarrix::ParsePayload(text);
  } catch (const quarrix::PayloadError&) {
    return 0;
  }
  for (const std::string& entry : payload.parameterList.Entries())
    if (quarrix::EqualsIgnoreCase(entry, "$DOLLAR$") || quarrix::EqualsIgnoreCase(entry, "$WILD_DOLLAR$")) std::abort();

  std::string written;
  try {
    written = quarrix::WritePayload(payload);
  } catch (const std::invalid_argument&) {
    return 0;  // a lone CR or LF inside a value has no written form
  }
  if (!(quarrix::ParsePayload(written) == payload)) std::abort();
  return 0;
}
