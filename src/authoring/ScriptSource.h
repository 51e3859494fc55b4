#pragma once
// The hand-written script source: one script line per text line, setup values as key = value
// lines, and a raw section that keeps payloads the line form cannot describe. The format is
// described in docs/script-format.md; ScriptCompiler.h and ScriptDumper.h hold its two directions.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quarrix {

// The marker a source file starts with; qx tells sources from payloads by it.
inline constexpr std::string_view kScriptSourceMarker = "#quarrix-script 1";
// What a marker of any version starts with: such a first line makes the file a source, of a
// version the compiler may then refuse.
inline constexpr std::string_view kScriptSourceVersionPrefix = "#quarrix-script";

// True when the first line of text is a source marker (of this version or another).
bool IsScriptSource(std::string_view text);

class SourceError : public std::runtime_error {
 public:
  SourceError(size_t line, const std::string& message)
      : std::runtime_error(message), line_(line) {}
  // 1-based line of the source text.
  size_t Line() const { return line_; }

 private:
  size_t line_;
};

// The GUID given to script line lineIndex when the source names none: derived from the source
// name and the index, upper-case hexadecimal in braces. attempt > 0 draws an alternative when
// the first one is already taken.
std::string GenerateLineGuid(std::string_view sourceName, size_t lineIndex, unsigned attempt = 0);

}  // namespace quarrix
