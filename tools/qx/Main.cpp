// qx: the command-line tool of setup authors. Dispatches to the subcommand table.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "QxCommands.h"

namespace quarrix::qx {
namespace {

const Subcommand* FindSubcommand(std::string_view name) {
  for (const Subcommand& command : Subcommands())
    if (command.name == name) return &command;
  return nullptr;
}

void PrintOverview() {
  std::string text = "usage: qx SUBCOMMAND [ARGUMENTS]\n\nsubcommands:\n";
  for (const Subcommand& command : Subcommands()) {
    std::string name(command.name);
    text += "  " + name + std::string(name.size() < 10 ? 10 - name.size() : 1, ' ') + std::string(command.summary) + "\n";
  }
  text += "\n'qx help SUBCOMMAND' or 'qx SUBCOMMAND --help' shows its usage.\n";
  WriteStdout(text);
}

void PrintSubcommandHelp(const Subcommand& command) {
  std::string text = "usage: qx " + std::string(command.name) + " " + std::string(command.usage) + "\n" +
                     std::string(command.summary) + "\n";
  if (!command.details.empty()) text += "\n" + std::string(command.details) + "\n";
  WriteStdout(text);
}

bool IsHelpFlag(std::string_view argument) { return argument == "--help" || argument == "-h"; }

int Dispatch(const std::vector<std::string>& arguments) {
  if (arguments.empty()) throw InputError("missing subcommand (try 'qx --help')");
  const std::string& first = arguments.front();
  if (IsHelpFlag(first)) {
    PrintOverview();
    return kExitOk;
  }
  if (first == "help") {
    if (arguments.size() == 1) {
      PrintOverview();
      return kExitOk;
    }
    const Subcommand* command = FindSubcommand(arguments[1]);
    if (!command) throw InputError("unknown subcommand: " + arguments[1]);
    PrintSubcommandHelp(*command);
    return kExitOk;
  }
  const Subcommand* command = FindSubcommand(first);
  if (!command) throw InputError("unknown subcommand: " + first + " (try 'qx --help')");
  if (arguments.size() == 2 && IsHelpFlag(arguments[1])) {
    PrintSubcommandHelp(*command);
    return kExitOk;
  }
  return command->run(Arguments(arguments).subspan(1));
}

}  // namespace
}  // namespace quarrix::qx

// libmsi keeps copies of texts it is handed and never frees them; in the sanitizer build every
// command that opens a package would otherwise end in a leak report and a failing exit code.
extern "C" const char* __lsan_default_suppressions() { return "leak:libmsi.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    return quarrix::qx::Dispatch(arguments);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "qx: %s\n", error.what());
  }
  return quarrix::qx::kExitInputError;
}
