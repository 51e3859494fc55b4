// qx build: a whole setup folder from a project folder (layout in docs/projects.md).
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "QxCommands.h"
#include "startup/PayloadWriter.h"

namespace quarrix::qx {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSourceName = "setup.qxs";
constexpr const char* kSupportFolderName = "support";

// The win64 build beside the build folder qx runs from (build/<preset>/bin/qx).
fs::path DefaultEngine() {
  std::error_code error;
  const fs::path self = fs::canonical("/proc/self/exe", error);
  if (error) return "quarrix-setup.exe";
  return self.parent_path().parent_path().parent_path() / "win64" / "bin" / "quarrix-setup.exe";
}

// 7z in the support folder, so entry paths are relative to it. The archive is made under a
// temporary name: "7z a" would add to an archive left by an earlier build.
void PackSupportArchive(const fs::path& supportFolder, const fs::path& archive) {
  const fs::path temporary = archive.string() + ".tmp";
  std::error_code ignored;
  fs::remove(temporary, ignored);
  const std::string target = fs::absolute(temporary).string();
  const pid_t child = fork();
  if (child < 0) throw InputError("build: cannot start 7z");
  if (child == 0) {
    if (chdir(supportFolder.c_str()) != 0) _exit(126);
    execlp("7z", "7z", "a", "-t7z", "-bd", "-bso0", "-bsp0", "-y", target.c_str(), ".", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fs::remove(temporary, ignored);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    throw InputError("build: 7z could not pack " + supportFolder.string() +
                     (code == 127 ? " (is 7z installed?)" : " (exit code " + std::to_string(code) + ")"));
  }
  fs::rename(temporary, archive);
}

void CopyInto(const fs::path& source, const fs::path& target) {
  WriteHostFileAtomically(target.string(), ReadHostFile(source.string()));
}

}  // namespace

int RunBuild(Arguments arguments) {
  std::vector<std::string> rest(arguments.begin(), arguments.end());
  const std::optional<std::string> name = TakeOption(rest, "--name");
  const std::optional<std::string> engineOption = TakeOption(rest, "--engine");
  const std::optional<std::string> libraryOption = TakeOption(rest, "--library");
  const std::optional<std::string> packageOption = TakeOption(rest, "--package");
  ParsedArguments parsed = ParseArguments("build", rest, true);
  ExpectPositionalCount("build", parsed, 1);
  if (parsed.output.empty()) throw InputError("build: missing -o OUTDIR");

  const fs::path project = parsed.positional[0];
  const fs::path source = project / kSourceName;
  const fs::path support = project / kSupportFolderName;
  if (!fs::is_regular_file(source)) throw InputError("build: " + source.string() + " not found");
  if (!fs::is_directory(support)) throw InputError("build: " + support.string() + " is not a folder");
  fs::path projectFolder = fs::absolute(project).lexically_normal();
  if (projectFolder.filename().empty()) projectFolder = projectFolder.parent_path();  // "examples/welcome/"
  const std::string projectName = name ? *name : projectFolder.filename().string();
  if (projectName.empty() || projectName.find_first_of("/\\") != std::string::npos)
    throw InputError("build: not a usable setup name: " + projectName);
  const fs::path engine = engineOption ? fs::path(*engineOption) : DefaultEngine();
  const fs::path library = libraryOption ? fs::path(*libraryOption) : engine.parent_path() / "zvk.lib";
  if (!fs::is_regular_file(engine)) throw InputError("build: engine " + engine.string() + " not found (--engine)");
  if (!fs::is_regular_file(library)) throw InputError("build: archive library " + library.string() + " not found (--library)");
  if (packageOption && !fs::is_regular_file(*packageOption)) throw InputError("build: package " + *packageOption + " not found");

  ScriptPayload payload = CompileSourceFile(source.string(), ReadHostFile(source.string()));
  std::string payloadBytes;
  try {
    payloadBytes = WritePayload(payload);
  } catch (const std::invalid_argument& error) {
    throw InputError(source.string() + ": " + error.what());
  }

  const fs::path out = parsed.output;
  std::error_code error;
  fs::create_directories(out, error);
  if (!fs::is_directory(out)) throw InputError("build: cannot create " + out.string());
  WriteHostFileAtomically((out / (projectName + ".exe")).string(), SetupExecutable(engine.string(), payloadBytes));
  PackSupportArchive(support, out / (projectName + ".res"));
  CopyInto(library, out / "zvk.lib");
  if (packageOption) {
    const std::string extension = fs::path(*packageOption).extension() == ".msp" ? ".msp" : ".msi";
    CopyInto(*packageOption, out / (projectName + extension));
  } else {
    for (const char* extension : {".msi", ".msp"}) {
      const fs::path package = project / (std::string("package") + extension);
      if (fs::is_regular_file(package)) CopyInto(package, out / (projectName + extension));
    }
  }
  return kExitOk;
}

}  // namespace quarrix::qx
