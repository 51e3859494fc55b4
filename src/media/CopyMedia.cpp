#include "media/CopyMedia.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "common/AnsiText.h"
#include "common/WindowsPath.h"
#include "engine/FolderCleanup.h"
#include "engine/Session.h"
#include "engine/VariableManager.h"
#include "engine/WorkerHandshake.h"

namespace quarrix {
namespace {

constexpr int kCopyFailedSlot = 12;  // "Unable to copy installation data to local folders"
constexpr int kCompleteSlot = 21;    // "% complete"
constexpr int kWebBuild = 2;
constexpr const char* kOfflineTree = "offline\\";
constexpr const char* kMergeTree = "mergemod\\";
constexpr const char* kOfflineBlock = "OFFLINE\\";

}  // namespace

TCopyMedia::TCopyMedia(WorkerKey key, Session& session, CopyMediaInputs inputs)
    : Worker(key, session), session_(session), inputs_(std::move(inputs)) {}

void TCopyMedia::Execute() {
  ReportProgress(kKeepProgressText, 0, 100, 0);
  const std::string source = ChooseSourceFolder();
  std::vector<Entry> entries;
  ListTree(source + kOfflineTree, false, entries);
  ListTree(source + kMergeTree, true, entries);

  bool succeeded = true;
  const size_t count = entries.size();
  for (size_t i = 0; i < count && succeeded; ++i) {
    const int percent = static_cast<int>(std::min<size_t>(i * 100 / count + 1, 100));
    ReportProgress(kKeepProgressText, 0, 100, percent);
    succeeded = !TerminateRequested() && Place(entries[i], source, percent);
    session_.platform.threads.PostWakeUp();
  }
  if (succeeded) CopySetup();
  PublishResult([&] { succeeded_ = succeeded; });
}

// The trees may also lie beside the setup itself instead of in its "data\" folder.
std::string TCopyMedia::ChooseSourceFolder() {
  platform::FileSystem& files = session_.platform.files;
  const std::string& source = inputs_.sourceFolder;
  if (files.DirectoryExists(source + kOfflineTree) || files.DirectoryExists(source + kMergeTree)) return source;
  return FolderUpToBackslash(source.substr(0, source.size() - 1));
}

// Each folder's sub-folders first, depth-first, then its own files.
void TCopyMedia::ListTree(const std::string& folder, bool mergeTree, std::vector<Entry>& entries) {
  const std::vector<platform::DirectoryEntry> listed = session_.platform.files.ListDirectory(folder);
  for (const auto& entry : listed)
    if (entry.isDirectory) ListTree(folder + entry.name + "\\", mergeTree, entries);
  for (const auto& entry : listed)
    if (!entry.isDirectory) entries.push_back({folder + entry.name, mergeTree});
}

bool TCopyMedia::Place(const Entry& entry, const std::string& sourceFolder, int percent) {
  platform::FileSystem& files = session_.platform.files;
  const std::string treeRoot = sourceFolder + (entry.mergeTree ? kMergeTree : kOfflineTree);
  // The merge tree is laid over the root of the data folder.
  const std::string base = inputs_.destinationFolder + (entry.mergeTree ? "" : kOfflineTree);
  const std::string relative = FolderUpToBackslash(entry.path.substr(treeRoot.size()));
  const std::string name = FileNameAfterBackslash(entry.path);
  files.CreateDirectories(base + relative);
  ReportProgress(name + ", " + std::to_string(percent) + inputs_.completeText, 0, 100, percent);

  const std::string target = base + relative + name;
  // What an earlier, interrupted copy left is kept: a repeated copy only fills the gaps.
  if (!files.FileExists(target)) {
    const bool placed = !inputs_.keepSources && files.Move(entry.path, target);
    if (!placed) files.Copy(entry.path, target, /*overwrite=*/false);
    if (inputs_.compress) files.SetCompression(target, true);
  }
  return files.FileExists(target);
}

// A cache of the setup itself, refreshed only when its size differs; failures change nothing.
void TCopyMedia::CopySetup() {
  if (inputs_.setupCopyFolder.empty()) return;
  platform::FileSystem& files = session_.platform.files;
  const std::string folder = WithTrailingBackslash(inputs_.setupCopyFolder);
  const std::string target = folder + FileNameAfterBackslash(inputs_.setupPath);
  if (DriveOf(target).size() != 2) return;
  if (files.FileSize(target).value_or(0) == files.FileSize(inputs_.setupPath).value_or(0)) return;
  files.CreateDirectories(folder);
  files.SetCompression(folder, inputs_.compress);
  if (files.DirectoryExists(folder)) files.Copy(inputs_.setupPath, target, /*overwrite=*/true);
}

void CopyOfflineMedia(Session& session) {
  platform::FileSystem& files = session.platform.files;
  TVariableManager& variables = session.variables;
  const bool compress = IsTrue(variables.GetVariable("VELD_COMPRESS_INSTALLER_CACHE"));
  const std::string blockFolder = session.dataFolder + kOfflineBlock;
  files.CreateDirectories(blockFolder);
  files.SetCompression(blockFolder, compress);

  CopyMediaInputs inputs;
  // Only a web-based setup's bootstrap moves the data folder away from beside the setup.
  const std::string& source = session.instance.sourceDataFolder;
  inputs.sourceFolder = source.empty() ? session.executableFolder + "data\\" : WithTrailingBackslash(source);
  inputs.destinationFolder = session.dataFolder;
  inputs.compress = compress;
  const std::string cacheSources = ExpandConstants("#CACHESOURCES#", session.payload.buildConstants);
  inputs.keepSources = session.payload.buildMode == kWebBuild && EqualsIgnoreCase(cacheSources, "TRUE");
  inputs.completeText = session.messages.Text(kCompleteSlot);
  inputs.setupCopyFolder = variables.GetVariable("COPYWEBLOCK");
  inputs.setupPath = WithTrailingBackslash(variables.GetVariable("SFXPATH")) + variables.GetVariable("SFXFILE");

  WorkerOf<TCopyMedia> worker(session, std::move(inputs));
  WaitOptions options;
  options.reportsCancellation = false;  // the failure below is the report
  WaitForWorker(session, *worker, options);
  if (!worker->Succeeded() || IsTrue(variables.GetVariable(kIsCancelled))) {
    RemoveFolderTree(files, blockFolder);
    throw std::runtime_error(session.messages.Text(kCopyFailedSlot));
  }
  files.CreateDirectories(blockFolder);
  files.SetCompression(blockFolder, compress);
  files.WriteFile(blockFolder + session.payload.revisionCode, "");
}

}  // namespace quarrix
