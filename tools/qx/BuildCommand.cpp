// qx build: a whole setup folder from a project folder (layout in docs/projects.md).
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "PackageBuild.h"
#include "QxCommands.h"
#include "startup/PayloadWriter.h"

namespace quarrix::qx {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSourceName = "setup.qxs";
constexpr const char* kSupportFolderName = "support";
constexpr const char* kPackageSourceName = "package.wxs";

// A private folder for the package work, so that a failing tool leaves the setup folder alone.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "qx-build-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw InputError("build: cannot create a scratch folder");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

void CopyTree(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// The source image goes where the installer will look: beside the package copy in the support
// folder (inside the support archive), or beside NAME.msi in the setup folder.
void PlaceSourceImage(const std::vector<SourceImageFile>& files, const fs::path& root, const fs::path& reserved) {
  for (const SourceImageFile& file : files) {
    const fs::path target = root / file.relative;
    if (fs::exists(target) || target == reserved)
      throw InputError("build: the package's file " + file.relative.string() + " collides with a file of the setup");
    fs::create_directories(target.parent_path());
    fs::copy_file(file.content, target);
  }
}

// The win64 build beside the build folder qx runs from (build/<preset>/bin/qx).
fs::path DefaultEngine() {
  std::error_code error;
  const fs::path self = fs::canonical("/proc/self/exe", error);
  if (error) return "quarrix-setup.exe";
  return self.parent_path().parent_path().parent_path() / "win64" / "bin" / "quarrix-setup.exe";
}

}  // namespace

// 7z in the support folder, so entry paths are relative to it. The archive is made under a
// temporary name: "7z a" would add to an archive left by an earlier build.
void PackSupportArchive(const fs::path& supportFolder, const fs::path& archive) {
  const fs::path temporary = archive.string() + ".tmp";
  std::error_code ignored;
  fs::remove(temporary, ignored);
  const std::string target = fs::absolute(temporary).string();
  const pid_t child = fork();
  if (child < 0) throw InputError("cannot start 7z");
  if (child == 0) {
    if (chdir(supportFolder.c_str()) != 0) _exit(126);
    execlp("7z", "7z", "a", "-t7z", "-bd", "-bso0", "-bsp0", "-y", target.c_str(), ".", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fs::remove(temporary, ignored);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    throw InputError("7z could not pack " + supportFolder.string() +
                     (code == 127 ? " (is 7z installed?)" : " (exit code " + std::to_string(code) + ")"));
  }
  fs::rename(temporary, archive);
}

namespace {

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
  const std::string layout = TakeOption(rest, "--layout").value_or("archive");
  if (layout != "archive" && layout != "folder") throw InputError("build: --layout is archive or folder, not " + layout);
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

  const std::string executable = SetupExecutable(engine.string(), payloadBytes);

  // Every tool runs before the setup folder is touched.
  const ScratchFolder scratch;
  const fs::path wxs = project / kPackageSourceName;
  std::optional<BuiltPackage> built;
  if (!packageOption && !fs::exists(project / "package.msi") && !fs::exists(project / "package.msp") &&
      fs::is_regular_file(wxs))
    built = BuildPackage(wxs, scratch.Path(), payload.productCode, payload.revisionCode);
  fs::path archiveFolder = support;
  if (built && layout == "archive") {
    archiveFolder = scratch.Path() / "support";
    CopyTree(support, archiveFolder);
    PlaceSourceImage(built->files, archiveFolder, archiveFolder / (projectName + ".msi"));
  }

  const fs::path out = parsed.output;
  std::error_code error;
  fs::create_directories(out, error);
  if (!fs::is_directory(out)) throw InputError("build: cannot create " + out.string());
  PackSupportArchive(archiveFolder, out / (projectName + ".res"));
  WriteHostFileAtomically((out / (projectName + ".exe")).string(), executable);
  CopyInto(library, out / "zvk.lib");
  // The media marker: a later maintenance run of this setup finds its sources in data\ by it.
  if (!payload.productCode.empty()) {
    fs::create_directories(out / "data", error);
    WriteHostFileAtomically((out / "data" / payload.productCode).string(), "");
  }
  if (built) {
    CopyInto(built->package, out / (projectName + ".msi"));
    if (layout == "folder") {
      for (const SourceImageFile& file : built->files) {
        fs::create_directories((out / file.relative).parent_path());
        CopyInto(file.content, out / file.relative);
      }
    }
  } else if (packageOption) {
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
