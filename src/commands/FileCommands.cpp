// The file and folder commands that act at once: existence tests, searches, text files,
// versions, free space and the system's special folders.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>

#include "commands/CommandFamilies.h"
#include "commands/FileOperations.h"
#include "common/IntegerSyntax.h"
#include "common/WindowsPath.h"
#include "engine/Session.h"
#include "engine/Wow64Switches.h"
#include "engine/Worker.h"

namespace quarrix {

using platform::FileVersion;
using platform::RegistryRoot;
using platform::RegistryView;
using platform::SpecialFolder;

namespace {

constexpr const char* kTrue = "TRUE";
constexpr const char* kFalse = "FALSE";
constexpr std::string_view kReadAllPrefix = "#READALL\\";

// Read in the view the platform mode asks for: the 32-bit one in "Win32" mode.
std::string RegistryText(Session& session, RegistryRoot root, const std::string& key, const std::string& name) {
  const RegistryView view = RegistryViewForPlatformMode(session.run.platformMode, IsWow64(session));
  auto value = session.platform.registry.ReadValue(root, key, name, view);
  if (!value || (value->type != platform::RegistryType::String && value->type != platform::RegistryType::ExpandString))
    return {};
  return value->data;
}

// Parameters: 1 result, 2 path, 3 test for a file.
void DoesFileOrFolderExist(CommandContext& context) {
  context.DeclareResult(1);
  const std::string path = context.Path(2);
  auto& files = context.session.platform.files;
  const bool exists = context.Truth(3) ? files.FileExists(path) : files.DirectoryExists(path);
  context.SetDeclaredResult(1, exists ? kTrue : kFalse);
}

// Parameters: 1 folder and mask.
void DeleteFilesRecursive(CommandContext& context) {
  const std::string pattern = context.Path(1);
  auto& files = context.session.platform.files;
  StringList entries = ListFiles(files, pattern, true, true);
  // Each pass removes what the last one could not while a pass still changes the listing.
  for (;;) {
    const size_t count = entries.size();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
      files.SetAttributesNormal(*it);
      files.RemoveFile(*it);
    }
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) files.RemoveEmptyDirectory(*it);
    entries = ListFiles(files, pattern, true, true);
    if (entries.size() == count) return;
  }
}

// The search of "Find All Files" on its own thread.
class TFindAllFilesThread final : public Worker {
 public:
  TFindAllFilesThread(WorkerKey key, Session& session, std::string pattern, bool recurse, bool withFolders)
      : Worker(key, session),
        files_(session.platform.files),
        pattern_(std::move(pattern)),
        recurse_(recurse),
        withFolders_(withFolders) {}

  const StringList& Found() const { return found_; }

 protected:
  void Execute() override {
    int counter = 0;
    ListFilesObserver observer;
    observer.enteringFolder = [&] {
      counter = (counter + 1) % 101;
      ReportProgress(kKeepProgressText, 0, 100, counter);
    };
    observer.foundFile = [&](const std::string& path) { ReportProgress(path, 0, 100, -1); };
    observer.stopRequested = [&] { return TerminateRequested(); };
    StringList found = ListFiles(files_, pattern_, recurse_, withFolders_, &observer);
    PublishResult([&] { found_ = std::move(found); });
  }

 private:
  platform::FileSystem& files_;
  std::string pattern_;
  bool recurse_;
  bool withFolders_;
  StringList found_;
};

// Entries joined by "|"; one holding a blank, a control character, a quote or "|" is quoted with
// inner quotes doubled. A list of one empty entry reads as two quotes, no entries as nothing.
std::string JoinFoundPaths(const StringList& entries) {
  if (entries.size() == 1 && entries[0].empty()) return "\"\"";
  std::string joined;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0) joined += '|';
    const std::string& entry = entries[i];
    bool quote = false;
    for (char c : entry)
      if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == '|') quote = true;
    if (!quote) {
      joined += entry;
      continue;
    }
    joined += '"';
    for (char c : entry) {
      if (c == '"') joined += '"';
      joined += c;
    }
    joined += '"';
  }
  return joined;
}

// Parameters: 1 folder and mask, 2 search subfolders, 3 list folders too, 4 result.
void FindAllFiles(CommandContext& context) {
  const std::string result = context.ReferencedResultName(4);
  context.session.variables.DeclareVariable(result, context.ActionContext());
  WorkerOf<TFindAllFilesThread> worker(context.session, context.Path(1), context.Truth(2), context.Truth(3));
  WaitOptions options;
  options.cancelContext = "Cancel at Find-Files Time";
  const WaitOutcome outcome = WaitForWorker(context.session, *worker, options);
  if (outcome.endScript) context.EndScript();
  context.session.variables.SetVariable(result, JoinFoundPaths(worker->Found()), context.ActionContext());
}

// Parameters: 1 result.
void GetTemporaryFile(CommandContext& context) {
  const std::string folder = context.session.variables.GetVariable("TEMPDIR");
  auto path = context.session.platform.files.CreateTempFile(folder, "zvk");
  context.SetReferencedResult(1, path.value_or(""));
}

// Parameters: 1 result, 2 path, 3 free space rather than the disk's size.
void CheckDiskSpace(CommandContext& context) {
  const std::string result = context.ReferencedResultName(1);
  context.session.variables.DeclareVariable(result, context.ActionContext());
  auto space = context.session.platform.files.SpaceOnDisk(context.Path(2));
  const uint64_t bytes = !space ? 0 : context.Truth(3) ? space->freeToCaller : space->total;
  context.session.variables.SetVariable(result, std::to_string(bytes), context.ActionContext());
}

FileVersion VersionOf(CommandContext& context, const std::string& path) {
  return context.session.platform.files.VersionOfFile(path).value_or(FileVersion{});
}

// Parameters: 1 file, 2 result.
void GetFileVersion(CommandContext& context) {
  const FileVersion version = VersionOf(context, context.Path(1));
  context.SetReferencedResult(2, std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                                     std::to_string(version.release) + "." + std::to_string(version.build));
}

// Up to four numbers, each up to the next "."; missing ones are 0, and so is a last one that is
// not a number. One before a "." must be a number.
std::tuple<uint32_t, uint32_t, uint32_t, uint32_t> ParseVersionText(std::string text) {
  uint32_t numbers[4] = {0, 0, 0, 0};
  for (uint32_t& number : numbers) {
    if (text.empty()) break;
    const size_t dot = text.find('.');
    if (dot == std::string::npos) {
      number = static_cast<uint32_t>(ParseScriptInteger(text).value_or(0));
      break;
    }
    const std::string part = text.substr(0, dot);
    auto value = ParseScriptInteger(part);
    if (!value) throw std::runtime_error("'" + part + "' is not a valid integer value");
    number = static_cast<uint32_t>(*value);
    text.erase(0, dot + 1);
  }
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

// Parameters: 1 result, 2 file, 3 compare with a file, 4 other file, 5 version text.
void CheckFileVersion(CommandContext& context) {
  context.DeclareResult(1);
  const FileVersion version = VersionOf(context, context.Path(2));
  std::tuple<uint32_t, uint32_t, uint32_t, uint32_t> reference;
  if (context.Truth(3)) {
    const FileVersion other = VersionOf(context, context.Path(4));
    reference = {other.major, other.minor, other.release, other.build};
  } else {
    reference = ParseVersionText(context.Expanded(5));
  }
  const std::tuple<uint32_t, uint32_t, uint32_t, uint32_t> own{version.major, version.minor, version.release,
                                                               version.build};
  context.SetDeclaredResult(1, own > reference ? kTrue : kFalse);
}

// The line starting at offset, without its line feed and a carriage return before it, and where
// the next one starts; read in pieces, so that reading a long file line by line stays linear.
std::optional<std::pair<std::string, uint64_t>> ReadLineAt(platform::FileSystem& files, const std::string& path,
                                                          uint64_t offset) {
  constexpr uint64_t kPiece = 4096;
  std::string line;
  for (;;) {
    auto piece = files.ReadFile(path, offset, kPiece);
    if (!piece) return std::nullopt;
    const size_t lineFeed = piece->find('\n');
    if (lineFeed == std::string::npos) {
      line += *piece;
      offset += piece->size();
      if (piece->size() < kPiece) return std::make_pair(line, offset);
      continue;
    }
    line.append(*piece, 0, lineFeed);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return std::make_pair(line, offset + lineFeed + 1);
  }
}

// Parameters: 1 file (optionally after "#READALL\"), 2 result, 3 end-of-file result (optional).
void ReadFromTextFile(CommandContext& context) {
  std::string path = context.Path(1);
  const bool readAll = StartsWith(path, kReadAllPrefix);
  if (readAll) path.erase(0, kReadAllPrefix.size());
  context.DeclareResult(2);
  const bool wantsEnd = !context.Param(3).empty();
  if (wantsEnd) context.DeclareResult(3);

  Run& run = context.session.run;
  auto& files = context.session.platform.files;
  if (run.textReaderPath.empty() || !EqualsIgnoreCase(run.textReaderPath, path)) {
    run.textReaderPath.clear();
    if (!files.ReadFile(path, 0, 0)) {
      if (wantsEnd) context.SetDeclaredResult(3, kTrue);
      return;
    }
    run.textReaderPath = path;
    run.textReaderOffset = 0;
  }

  const uint64_t size = files.FileSize(run.textReaderPath).value_or(0);
  if (run.textReaderOffset < size) {
    std::string text;
    do {
      auto line = ReadLineAt(files, run.textReaderPath, run.textReaderOffset);
      if (!line) {
        run.textReaderOffset = size;  // the file went away: nothing more to read
        break;
      }
      text += line->first;
      run.textReaderOffset = line->second;
      if (readAll && run.textReaderOffset < size) text += "$NEWLINE$";
    } while (readAll && run.textReaderOffset < size);
    context.SetDeclaredResult(2, text);
  }

  const bool atEnd = run.textReaderOffset >= size;
  if (atEnd) run.textReaderPath.clear();
  if (wantsEnd) context.SetDeclaredResult(3, atEnd ? kTrue : kFalse);
}

// The lines of a text as a string list reads them: CR, LF and CR LF each end a line, and a final
// line break adds no empty line.
StringList TextLines(const std::string& text) {
  StringList lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end;
    if (at < text.size() && text[at] == '\r') ++at;
    if (at < text.size() && text[at] == '\n' && (at == end || at == end + 1)) ++at;
  }
  return lines;
}

// The text is what saving its own lines gives back: every line ended by CR LF, no lone CR or LF.
bool InSavedForm(const std::string& text) {
  if (!text.empty() && !EndsWith(text, "\r\n")) return false;
  for (size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n')) return false;
    if (text[at] == '\n' && (at == 0 || text[at - 1] != '\r')) return false;
  }
  return true;
}

// Parameters: 1 file, 2 text, 3 insert at the top.
void WriteToTextFile(CommandContext& context) {
  const std::string path = context.Path(1);
  const std::string text = context.Expanded(2);
  const bool atTop = IsTrue(context.Expanded(3));
  Run& run = context.session.run;
  if (!run.textReaderPath.empty() && EqualsIgnoreCase(run.textReaderPath, path)) run.textReaderPath.clear();

  auto& files = context.session.platform.files;
  const std::optional<std::string> existing = files.ReadFile(path);
  files.SetAttributesNormal(path);
  // A line added at the end of a file already in saved form gives the same bytes as saving the
  // whole list again, without rewriting the file every time a script logs a line.
  if (!atTop && existing && InSavedForm(*existing)) {
    files.AppendFile(path, text + "\r\n");
    return;
  }
  StringList lines = TextLines(existing.value_or(""));
  if (atTop)
    lines.insert(lines.begin(), text);
  else
    lines.push_back(text);
  std::string saved;
  for (const std::string& line : lines) saved += line + "\r\n";
  files.WriteFile(path, saved);
}

struct FolderChoice {
  int number;
  SpecialFolder perUser;
  SpecialFolder allUsers;
};

constexpr FolderChoice kShellFolders[] = {
    {0, SpecialFolder::InternetCache, SpecialFolder::InternetCache},
    {1, SpecialFolder::Cookies, SpecialFolder::Cookies},
    {2, SpecialFolder::Documents, SpecialFolder::CommonDocuments},
    {3, SpecialFolder::Favorites, SpecialFolder::CommonFavorites},
    {4, SpecialFolder::Music, SpecialFolder::CommonMusic},
    {5, SpecialFolder::Pictures, SpecialFolder::CommonPictures},
    {6, SpecialFolder::Videos, SpecialFolder::CommonVideos},
    {7, SpecialFolder::NetHood, SpecialFolder::NetHood},
    {8, SpecialFolder::PrintHood, SpecialFolder::PrintHood},
    {11, SpecialFolder::AdminTools, SpecialFolder::CommonAdminTools},
    {12, SpecialFolder::StartMenu, SpecialFolder::CommonStartMenu},
    {13, SpecialFolder::Startup, SpecialFolder::CommonStartup},
    {14, SpecialFolder::Programs, SpecialFolder::CommonPrograms},
    {15, SpecialFolder::RoamingAppData, SpecialFolder::CommonAppData},
    {16, SpecialFolder::CdBurnArea, SpecialFolder::CdBurnArea},
    {17, SpecialFolder::DesktopRoot, SpecialFolder::CommonDesktop},
    {18, SpecialFolder::Fonts, SpecialFolder::Fonts},
    {19, SpecialFolder::Profile, SpecialFolder::Profiles},
    {21, SpecialFolder::Recent, SpecialFolder::Recent},
    {22, SpecialFolder::SendTo, SpecialFolder::SendTo},
    {24, SpecialFolder::Templates, SpecialFolder::Templates},
};

constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr size_t kExpandCapacity = 32768;  // the most ExpandEnvironmentStrings writes

std::string CutBeforeComma(std::string text) { return text.substr(0, text.find(',')); }

std::string WebRoot(Session& session) {
  std::string root = RegistryText(session, RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\InetStp", "PathWWWRoot");
  root = session.platform.environment.ExpandReferences(root, kExpandCapacity);
  if (!root.empty()) return root;
  const std::string virtualRoots = "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots\\";
  root = CutBeforeComma(RegistryText(session, RegistryRoot::LocalMachine, virtualRoots, "/"));
  if (!root.empty()) return root;
  return CutBeforeComma(RegistryText(session, RegistryRoot::LocalMachine, virtualRoots, "/,"));
}

std::string FolderLocation(Session& session, int number, bool allUsers) {
  auto& system = session.platform.system;
  for (const FolderChoice& choice : kShellFolders)
    if (choice.number == number) return system.FolderPath(allUsers ? choice.allUsers : choice.perUser).value_or("");
  switch (number) {
    case 9:
      return RegistryText(session, RegistryRoot::LocalMachine, std::string(kCurrentVersionKey) + "\\Setup", "BootDir");
    case 10:
      for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (session.platform.files.IsCdDrive(letter)) return std::string(1, letter) + ":\\";
      return {};
    case 20:
      // From the registry in the mode's view, so that "x64" mode names the 64-bit folders.
      return RegistryText(session, RegistryRoot::LocalMachine, kCurrentVersionKey,
                          allUsers ? "CommonFilesDir" : "ProgramFilesDir");
    case 23:
      if (session.run.platformMode == "Win32")
        if (auto wow64 = system.FolderPath(SpecialFolder::SystemWow64)) return *wow64;
      return system.FolderPath(SpecialFolder::System).value_or("");
    case 25:
      return system.FolderPath(SpecialFolder::Windows).value_or("");
    case 26: {
      const std::string appData =
          RegistryText(session, RegistryRoot::CurrentUser,
                       std::string(kCurrentVersionKey) + "\\Explorer\\Shell Folders\\", "AppData");
      if (appData.empty()) return {};
      return WithTrailingBackslash(appData) + "Microsoft\\Internet Explorer\\Quick Launch\\";
    }
    case 27:
      return WebRoot(session);
    default:
      return {};  // the compiled script asks for no other number
  }
}

// Parameters: 1 result, 2 folder number, 3 all-users variant.
void GetFolderLocation(CommandContext& context) {
  context.DeclareResult(1);
  const auto number = ParseScriptInteger(context.Param(2));
  std::string folder = number ? FolderLocation(context.session, *number, context.Truth(3)) : std::string();
  context.SetDeclaredResult(1, WithTrailingBackslashUnlessEmpty(folder));
}

// Every one but the folder lookup reads or changes the file system.
constexpr CommandRow FileRow(std::string_view name, CommandHandler handler, PreparationRule prepare = nullptr) {
  return CommandRow{.name = name, .handler = handler, .prepare = prepare, .touchesFiles = true};
}

constexpr CommandRow kRows[] = {
    FileRow("Does File/Folder Exist", DoesFileOrFolderExist, DeclareOnly<1>),
    FileRow("Delete Files Recursive", DeleteFilesRecursive),
    FileRow("Find All Files", FindAllFiles, RequireAndDeclare<4>),
    FileRow("Get Temporary File", GetTemporaryFile, DeclareOnly<1>),
    FileRow("Check Disk Space", CheckDiskSpace, RequireAndDeclare<1>),
    FileRow("Get File Version", GetFileVersion, DeclareOnly<2>),
    FileRow("Check File Version", CheckFileVersion, DeclareOnly<1>),
    FileRow("Read from Text File", ReadFromTextFile, DeclareOnly<2, 3>),
    FileRow("Write to Text File", WriteToTextFile),
    {"Get Folder Location", GetFolderLocation, DeclareOnly<1>},
};

}  // namespace

std::span<const CommandRow> FileCommandRows() { return kRows; }

}  // namespace quarrix
