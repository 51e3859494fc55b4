#pragma once
// The report of a failure no command handled: a box naming the script's source file and line.
#include <cstddef>
#include <string>
#include <string_view>

namespace quarrix {

struct Session;

// heading (message 20), two CRs, "Source File: " and the base name of the file without its
// extension, a CR, "Line Number: " and the 1-based line, two CRs, the error's own message.
// sourceLocation is the line's "file*line" entry, line 0-based.
std::string RuntimeErrorText(std::string_view heading, std::string_view sourceLocation, std::string_view error);

// Shows the box unless the run is silent.
void ReportRuntimeError(Session& session, size_t lineIndex, std::string_view error);

}  // namespace quarrix
