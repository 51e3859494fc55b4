// The command table and the file and argument handling the subcommands share.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "QxCommands.h"
#include "authoring/ScriptCompiler.h"
#include "commands/EngineCommands.h"
#include "common/AnsiText.h"
#include "startup/PayloadReader.h"
#include "engine/StubSize.h"

namespace quarrix::qx {

std::span<const Subcommand> Subcommands() {
  static const Subcommand kTable[] = {
      {"compile", "SOURCE -o PAYLOAD", "compile a script source into a payload file", "", RunCompile},
      {"dump", "PAYLOAD|SETUP.EXE [-o SOURCE]", "write a payload (or a setup's payload) back as script source",
       "A file starting with \"MZ\" is a setup executable: its payload follows the engine stub.", RunDump},
      {"check", "PAYLOAD|SETUP.EXE|SOURCE", "run the preparation pass over a script",
       "Prints the result number (-1 when accepted, else the offending line or 2147483644) and the message.\n"
       "A file whose first line is \"#quarrix-script 1\" is a source; any other file must be a payload.\n"
       "Exit code 0 accepted, 1 rejected, 2 bad input.",
       RunCheck},
      {"eval", "EXPRESSION [NAME=VALUE ...]", "evaluate an Evaluate Expression text with the given variables",
       "References $NAME$ are replaced by quoted values first; prints TRUE, FALSE or ERROR.", RunEval},
      {"expand", "TEXT [NAME=VALUE ...]", "replace the variable references $NAME$ of a text", "", RunExpand},
      {"cond", "NAME CODE OPERAND NEGATE [NAME=VALUE ...]", "evaluate an If condition; prints TRUE or FALSE",
       "CODE is the comparison code 0 to 6; NEGATE is read as a truth value. A failing version\n"
       "comparison prints the error and exits with 1.",
       RunCond},
      {"attach", "ENGINE.EXE PAYLOAD -o SETUP.EXE", "build a setup executable: the engine stub followed by a payload",
       "", RunAttach},
      {"run",
       "PAYLOAD|SETUP.EXE|SOURCE [--machine DIR] [--support DIR] [--answers NEXT,BACK,CANCEL,NAME=VALUE,...]"
       " [--package FILE] [-- ENGINE ARGS]",
       "run a setup's start-up and script on the simulated machine; prints the final variables",
       "Prints NAME=value per variable, sorted by name, with CR and LF written as \\r and \\n, then the\n"
       "installer calls the run made (package, command line), the instance registration it left and\n"
       "the plug-in calls it made (library, plug-in data, outcome), if any. Plug-in libraries are\n"
       "described by the machine folder's plugins.txt (see docs/script-format.md).\n"
       "The exit code is the run's. Message boxes, and the runtime error of a silent run, go to stderr.\n"
       "The package beside the engine is --package FILE (.msi or .msp), else the project's\n"
       "package.msi or package.msp beside SOURCE, else its package.wxs built as qx build does,\n"
       "else an empty file. The simulated installer answers as the machine folder's\n"
       "installer-messages.txt says (result code, busy runs, messages, the user's cancel).\n"
       "--machine DIR loads the machine from DIR and saves it back (registry files, drives\n"
       "folder, installed products), so that a first run and a maintenance run can follow each\n"
       "other. --answers lists the results of the modal dialogs in order (NEXT once used up);\n"
       "BOX:BUTTON answers the next message box instead (BOX:YES, BOX:NO, BOX:CANCEL, BOX:OK,\n"
       "BOX:RETRY, BOX:ABORT, BOX:IGNORE; its default button once they are used up).\n"
       "--support DIR gives the support folder's files (dialog files, rules, texts) as the support\n"
       "archive would; a SETUP.EXE uses the .res beside it. With either, every \"Display Dialog\"\n"
       "line gets its dialog file (a missing one fails start-up), the answers act on the dialogs'\n"
       "controls (NEXT, BACK and CANCEL press the button with tag 1, 2 or 3; a control's name\n"
       "clicks it; NAME=VALUE sets a control as the user would, before the next button; OK\n"
       "presses a form's default button, WAIT lets time pass until a form's timer closes it), and a\n"
       "\"--- dialogs\" section lists each dialog shown, its bound controls and what it wrote.\n"
       "Without them the dialogs are answered headless, with a warning. A \"--- tray and taskbar\"\n"
       "section lists the tray icon, balloons and taskbar button states the run showed, if any;\n"
       "a multi-language setup adds a \"--- language\" section (the language chosen, the tables loaded).\n"
       "ENGINE ARGS form the engine's command line (for example /s NAME=VALUE).",
       RunRun},
      {"list", "ARCHIVE [--password P]", "print the entry paths of a 7z archive, one a line",
       "Exit code 1 with the engine's error text when the archive cannot be opened.", RunList},
      {"extract", "ARCHIVE DEST [--password P]", "extract a 7z archive into a folder with the engine's reader",
       "Exit code 1 with the engine's error text (\"#\" and the code when extraction fails).", RunExtract},
      {"build",
       "PROJECT -o OUTDIR [--name NAME] [--engine ENGINE.EXE] [--library ZVK.LIB] [--package FILE]"
       " [--layout archive|folder]",
       "build a complete setup folder from a project folder",
       "Writes NAME.exe (engine and payload), NAME.res (the support folder packed with 7z), zvk.lib\n"
       "data\\{PRODUCT-CODE} (the marker by which maintenance runs find these sources)\n"
       "and the project's package (or --package FILE) as NAME.msi. NAME defaults to the project folder's\n"
       "name; the engine and library default to the win64 build beside qx's build folder.\n"
       "A project with package.wxs (and no package.msi) gets its package built with wixl and msibuild,\n"
       "and the package's files laid out uncompressed: inside NAME.res (--layout archive, the default)\n"
       "or beside NAME.msi (--layout folder).\n"
       "The project layout is described in docs/projects.md.",
       RunBuild},
      {"msi",
       "PACKAGE [--platform Win32|x64|ia64] [--property NAME=VALUE ...]"
       " [--script PAYLOAD|SETUP.EXE|SOURCE [--answers ...] [-- ENGINE ARGS]]",
       "print what the engine would change in a package, leaving the package as it is",
       "Runs the engine's package edits on a temporary copy, in the engine's order: the queued\n"
       "properties into the Property table (quotes written as $QUOTE$), the platform (the summary's\n"
       "Template and, when it changes, every component's 64-bit bit) and Word Count 8. Then prints\n"
       "each difference between the package and the copy as \"WHAT: before -> after\", texts in\n"
       "double quotes and (none) for what is not there, or \"no differences\". The package is only read.\n"
       "--platform is the run's platform mode; a run starts with Win32.\n"
       "--property queues a property; given again, in order, so the last of a name wins.\n"
       "--script runs the script on a throw-away simulated machine as 'qx run' does, with the package\n"
       "beside its engine, and takes the properties still queued when the run ends (an instance\n"
       "transform included) and its platform mode; --property queues behind them and --platform\n"
       "overrides the mode. --answers and ENGINE ARGS are those of 'qx run'.\n"
       "Not shown: the properties Apply Changes queues itself (MSINTEMP, ProductLanguage) and the\n"
       "localised Shortcut and ProgId rows of a run with a language. A patch (.msp) gets no properties.\n"
       "Exit code 2 for a file that is missing or not an installer package.",
       RunMsi},
      {"dialog", "FILE.dfm [--script PAYLOAD|SETUP.EXE|SOURCE]", "check a dialog file as start-up loads it",
       "Reports, each as \"FILE line N: what\": a file that is not well formed, a control class the\n"
       "engine does not know (the outermost object, the window itself, may name any class; a component\n"
       "named cmpFormDesigner is the designer's and is never checked), and, with --script, a hint that\n"
       "names a variable the script neither names in any line nor gets from the engine (a warning).\n"
       "Then one line with the window's class and name and how many controls are bound.\n"
       "Exit code 0 when the file loads, 1 when it does not, 2 for bad input.",
       RunDialog},
  };
  return kTable;
}

ParsedArguments ParseArguments(std::string_view subcommand, Arguments arguments, bool takesOutput) {
  ParsedArguments parsed;
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      parsed.positional.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "-o" && takesOutput) {
      if (i + 1 == arguments.size()) throw InputError(std::string(subcommand) + ": -o needs a file name");
      if (!parsed.output.empty()) throw InputError(std::string(subcommand) + ": -o given twice");
      parsed.output = arguments[++i];
    } else {
      throw InputError(std::string(subcommand) + ": unknown option " + argument);
    }
  }
  return parsed;
}

void ExpectPositionalCount(std::string_view subcommand, const ParsedArguments& parsed, size_t count) {
  if (parsed.positional.size() < count)
    throw InputError(std::string(subcommand) + ": missing argument (see 'qx help " + std::string(subcommand) + "')");
  if (parsed.positional.size() > count)
    throw InputError(std::string(subcommand) + ": unexpected argument " + parsed.positional[count]);
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in || std::filesystem::is_directory(path)) throw InputError(path + ": cannot open file");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) throw InputError(path + ": cannot read file");
  return bytes.str();
}

void WriteHostFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw InputError(path + ": cannot write file");
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    throw InputError(path + ": cannot write file");
  }
}

void WriteStdout(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

std::string PayloadBytesOf(const std::string& path, const std::string& fileBytes) {
  if (!StartsWith(fileBytes, "MZ")) return fileBytes;
  std::optional<uint32_t> stubSize = GetStubSize(fileBytes);
  if (!stubSize) throw InputError(path + ": not a PE image that can be measured");
  if (*stubSize >= fileBytes.size()) throw InputError(path + ": the executable carries no payload");
  return fileBytes.substr(*stubSize);
}

namespace {

ScriptPayload ParsePayloadFile(const std::string& path, const std::string& fileBytes) {
  std::string bytes = PayloadBytesOf(path, fileBytes);
  try {
    return ParsePayload(bytes);
  } catch (const PayloadError& error) {
    throw InputError(path + ": " + error.what());
  }
}

}  // namespace

ScriptPayload LoadPayload(const std::string& path) { return ParsePayloadFile(path, ReadHostFile(path)); }

ScriptPayload CompileSourceFile(const std::string& path, const std::string& text) {
  // Without the marker the text may as well be a payload: compiling it would give a script of
  // whatever its lines happen to say.
  if (!IsScriptSource(text))
    throw InputError(path + ": not a script source (the first line must be \"" + std::string(kScriptSourceMarker) +
                     "\")");
  try {
    return CompileScriptSource(text, path);
  } catch (const SourceError& error) {
    throw InputError(path + ":" + std::to_string(error.Line()) + ": " + error.what());
  }
}

// The marker alone decides: a damaged payload must be reported as one, never read as a source.
ScriptPayload LoadPayloadOrSource(const std::string& path) {
  std::string bytes = ReadHostFile(path);
  if (IsScriptSource(bytes)) return CompileSourceFile(path, bytes);
  return ParsePayloadFile(path, bytes);
}

std::string SetupExecutable(const std::string& enginePath, const std::string& payload) {
  std::string engine = ReadHostFile(enginePath);
  std::optional<uint32_t> stubSize = GetStubSize(engine);
  if (!stubSize) throw InputError(enginePath + ": not a PE image that can be measured");
  if (*stubSize > engine.size()) throw InputError(enginePath + ": the file is shorter than its own image");
  engine.resize(*stubSize);
  return engine + payload;
}

void WarnCommandsNotCarriedOut(const ScriptPayload& payload) {
  for (const std::string& name : EngineCommands().CommandsNotCarriedOut(payload.commandNames.Entries(), payload.pluginCommands)) {
    const std::string line = "qx: warning: \"" + name + "\" is not carried out by this build\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
  std::fflush(stderr);
}

void StoreAssignments(TVariableManager& variables, Arguments assignments) {
  for (const std::string& assignment : assignments) {
    size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0)
      throw InputError("expected NAME=VALUE, got " + assignment);
    variables.StoreVariable(std::string_view(assignment).substr(0, equals),
                            std::string_view(assignment).substr(equals + 1));
  }
}

}  // namespace quarrix::qx
