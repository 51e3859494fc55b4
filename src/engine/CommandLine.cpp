#include "engine/CommandLine.h"

#include <cstddef>
#include <initializer_list>

namespace quarrix {
namespace {

// The target ANSI code page is single-byte, so stepping byte by byte steps over whole
// characters; a double-byte code page would need the platform's lead-byte test here.
bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= 32; }

// The text Windows hands over ends at its first NUL; nothing after it is visible.
std::string_view VisiblePart(std::string_view commandLine) {
  return commandLine.substr(0, commandLine.find('\0'));
}

// Reads one argument from position `at`, returning it and advancing `at` past it.
std::string NextArgument(std::string_view line, size_t& at) {
  for (;;) {
    while (at < line.size() && IsSeparator(line[at])) ++at;
    if (at + 1 < line.size() && line[at] == '"' && line[at + 1] == '"')
      at += 2;
    else
      break;
  }
  std::string argument;
  while (at < line.size() && !IsSeparator(line[at])) {
    if (line[at] != '"') {
      argument += line[at++];
      continue;
    }
    ++at;  // an opening quote without its partner runs to the end of the line
    while (at < line.size() && line[at] != '"') argument += line[at++];
    if (at < line.size()) ++at;
  }
  return argument;
}

StringList SplitArguments(std::string_view line) {
  size_t at = 0;
  NextArgument(line, at);  // the program name
  StringList arguments;
  for (;;) {
    std::string argument = NextArgument(line, at);
    if (argument.empty()) break;
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::string RawArguments(std::string_view line) {
  if (!line.empty() && line.front() == '"') {
    size_t closing = line.find('"', 1);
    // Without a closing quote the whole line is the program name.
    if (closing == std::string_view::npos || closing + 2 >= line.size()) return {};
    // The character after the closing quote goes too, even when it is not a blank.
    return std::string(line.substr(closing + 2));
  }
  size_t blank = line.find(' ');
  if (blank == std::string_view::npos) return {};
  return std::string(line.substr(blank + 1));
}

// The first argument whose lower-cased text holds one of the keys anywhere, cut by position:
// an argument holding the key in its middle still loses just its first three characters.
std::string KeyedValue(const StringList& arguments, std::initializer_list<std::string_view> keys) {
  for (const auto& argument : arguments) {
    std::string lowered = ToLowerAscii(argument);
    for (auto key : keys)
      if (lowered.find(key) != std::string::npos) return lowered.substr(3);
  }
  return {};
}

// Names fold A to Z only, matching how the variable store compares them.
StringList Assignments(const StringList& arguments) {
  StringList pairs;
  for (const auto& argument : arguments) {
    if (argument.front() == '/' || argument.front() == '-') continue;
    size_t equals = argument.find('=');
    if (equals == std::string::npos) continue;
    pairs.push_back(ToUpperAscii(std::string_view(argument).substr(0, equals)));
    pairs.push_back(argument.substr(equals + 1));
  }
  return pairs;
}

}  // namespace

bool CommandLineValues::HasSwitch(std::string_view name) const {
  for (const auto& argument : arguments) {
    if (argument.front() != '/' && argument.front() != '-') continue;
    if (EqualsIgnoreCase(std::string_view(argument).substr(1), name)) return true;
  }
  return false;
}

CommandLineValues ParseCommandLine(std::string_view commandLine) {
  std::string_view line = VisiblePart(commandLine);
  CommandLineValues values;
  values.arguments = SplitArguments(line);
  values.rawArguments = RawArguments(line);
  values.silent = values.HasSwitch("s") || values.HasSwitch("qn");
  values.policyPath = KeyedValue(values.arguments, {"/g="});
  values.wrapperPath = KeyedValue(values.arguments, {"/m="});
  values.logPath = KeyedValue(values.arguments, {"/l=", "-l="});
  values.sourcePath = KeyedValue(values.arguments, {"/p=", "-p="});
  values.assignments = Assignments(values.arguments);
  return values;
}

}  // namespace quarrix
