// The command table and the file and argument handling the subcommands share.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "QxCommands.h"
#include "authoring/ScriptSource.h"
#include "common/AnsiText.h"
#include "startup/PayloadReader.h"
#include "startup/StubSize.h"

namespace quarrix::qx {

std::span<const Subcommand> Subcommands() {
  static const Subcommand kTable[] = {
      {"compile", "SOURCE -o PAYLOAD", "compile a script source into a payload file", "", RunCompile},
      {"dump", "PAYLOAD|SETUP.EXE [-o SOURCE]", "write a payload (or a setup's payload) back as script source",
       "A file starting with \"MZ\" is a setup executable: its payload follows the engine stub.", RunDump},
      {"check", "PAYLOAD|SETUP.EXE|SOURCE", "run the preparation pass over a script",
       "Prints the result number (-1 when accepted, else the offending line or 2147483644) and the message.\n"
       "A file whose first line is \"#quarrix-script 1\", or that does not read as a payload, is a source.\n"
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

ScriptPayload LoadPayload(const std::string& path) {
  std::string bytes = PayloadBytesOf(path, ReadHostFile(path));
  try {
    return ParsePayload(bytes);
  } catch (const PayloadError& error) {
    throw InputError(path + ": " + error.what());
  }
}

ScriptPayload CompileSourceFile(const std::string& path, const std::string& text) {
  try {
    return CompileScriptSource(text, path);
  } catch (const SourceError& error) {
    throw InputError(path + ":" + std::to_string(error.Line()) + ": " + error.what());
  }
}

ScriptPayload LoadPayloadOrSource(const std::string& path) {
  std::string bytes = ReadHostFile(path);
  if (StartsWith(bytes, kScriptSourceMarker)) return CompileSourceFile(path, bytes);
  if (StartsWith(bytes, "MZ")) return LoadPayload(path);
  try {
    return ParsePayload(bytes);
  } catch (const PayloadError&) {
    return CompileSourceFile(path, bytes);
  }
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
