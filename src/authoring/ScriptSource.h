#pragma once
// The hand-written script source: one script line per text line, setup values as key = value
// lines, and a raw section that keeps payloads the line form cannot describe. The format is
// described in docs/script-format.md.
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/Payload.h"

namespace quarrix {

// The marker a source file starts with; qx tells sources from payloads by it.
inline constexpr std::string_view kScriptSourceMarker = "#quarrix-script 1";

class SourceError : public std::runtime_error {
 public:
  SourceError(size_t line, const std::string& message)
      : std::runtime_error(message), line_(line) {}
  // 1-based line of the source text.
  size_t Line() const { return line_; }

 private:
  size_t line_;
};

// sourceName names the source in generated GUIDs and source locations unless the source sets
// its own "source-name". Throws SourceError.
ScriptPayload CompileScriptSource(std::string_view source, std::string_view sourceName);

// A source that compiles back to a payload equal to this one, field for field.
std::string DumpScriptSource(const ScriptPayload& payload);

// The GUID given to script line lineIndex when the source names none: derived from the source
// name and the index, upper-case hexadecimal in braces. attempt > 0 draws an alternative when
// the first one is already taken.
std::string GenerateLineGuid(std::string_view sourceName, size_t lineIndex, unsigned attempt = 0);

}  // namespace quarrix
