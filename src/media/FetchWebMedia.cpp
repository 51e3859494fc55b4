#include "media/FetchWebMedia.h"

#include "media/CopyMedia.h"

#include <stdexcept>

#include "common/WindowsPath.h"
#include "engine/FolderCleanup.h"
#include "engine/InstanceCache.h"
#include "engine/ProgressModeScope.h"
#include "engine/Session.h"
#include "engine/WizardCaption.h"
#include "engine/Worker.h"
#include "media/CopyMedia.h"
#include "media/ExtractMedia.h"
#include "media/GrabMedia.h"
#include "media/MergeFolder.h"
#include "media/RetryForms.h"

namespace quarrix {
namespace {

constexpr int kWebMediaBuild = 2;
constexpr int kSlotDownloading = 13;
constexpr int kSlotDownloadFailed = 14;
constexpr int kSlotExtracting = 15;
constexpr int kSlotExtractFailed = 16;
constexpr int kUnsupportedRetries = 10;
constexpr const char* kOfflineEntry = "OFFLINE\\";

[[noreturn]] void Raise(Session& session, int slot) { throw std::runtime_error(session.messages.Text(slot)); }

bool Compressed(Session& session) { return IsTrue(session.variables.GetVariable("VELD_COMPRESS_INSTALLER_CACHE")); }

void CreateCompressedFolder(Session& session, const std::string& folder) {
  session.platform.files.CreateDirectories(folder);
  session.platform.files.SetCompression(WithoutTrailingBackslash(folder), Compressed(session));
}

// A media entry is one folder name below the data folder: nothing that climbs out of it.
bool SafeEntry(const std::string& entry) {
  const std::string name = WithoutTrailingBackslash(entry);
  return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

bool InsideFolder(const std::string& path, const std::string& folder) {
  const std::string root = WithTrailingBackslash(folder);
  return path.size() > root.size() && EqualsIgnoreCase(path.substr(0, root.size()), root) &&
         path.find("..", root.size()) == std::string::npos;
}

std::string BlockFolder(Session& session, const std::string& entry) {
  return WithTrailingBackslash(session.dataFolder) + entry;
}

std::string Marker(Session& session, const std::string& entry) {
  return BlockFolder(session, entry) + session.payload.revisionCode;
}

void FinishBlock(Session& session, const std::string& entry) {
  CreateCompressedFolder(session, BlockFolder(session, entry));
  session.platform.files.WriteFile(Marker(session, entry), "");
}

// ALLUSERS may have changed since the last fetch: what is already fetched moves along.
void SettleDataFolder(Session& session) {
  if (session.payload.buildMode != kWebMediaBuild || session.run.instanceCache == nullptr) return;
  const bool perMachine = IsTrue(session.variables.GetVariable("ALLUSERS"));
  const std::string dataFolder =
      WithTrailingBackslash(session.run.instanceCache->CacheRoot(session, perMachine)) + session.payload.revisionCode +
      "\\";
  WebMediaState& state = session.run.webMedia;
  if (!state.previousDataFolder.empty() && !EqualsIgnoreCase(state.previousDataFolder, dataFolder)) {
    CreateCompressedFolder(session, dataFolder);
    std::vector<platform::DirectoryEntry> entries = session.platform.files.ListDirectory(state.previousDataFolder);
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
      if (entry->isDirectory)
        MergeFolder(session.platform.files, state.previousDataFolder + entry->name, dataFolder + entry->name, true);
  }
  state.previousDataFolder = dataFolder;
  session.dataFolder = dataFolder;
}

std::string LocalCopy(Session& session) {
  std::string folder = session.variables.GetVariable("SFXPATH");
  if (folder.empty()) folder = session.variables.GetVariable("EXEDIR");
  if (folder.empty()) return {};
  const std::string copy = WithTrailingBackslash(folder) + FileNameAfterBackslash(session.run.webMedia.block.archivePath);
  for (const std::string& failed : session.run.webMedia.failedLocalCopies)
    if (failed == ToUpperAscii(copy)) return {};
  return session.platform.files.FileExists(copy) ? copy : std::string();
}

void Download(Session& session, const std::string& entry) {
  WebMediaState& state = session.run.webMedia;
  for (;;) {
    GrabMediaRequest request;
    request.addresses = state.block.addresses;
    request.target = state.block.archivePath;
    request.options = state.options;
    request.progressPrefix = session.messages.Text(kSlotDownloading) + WithoutTrailingBackslash(entry);
    request.downloader = {state.systemDownloader, state.lastCacheFile};
    WorkerOf<TGrabMedia> worker(session, std::move(request));
    WaitOptions options;
    options.cancelContext = "Cancel at Web Media Time";
    const WaitOutcome outcome = WaitForWorker(session, *worker, options);
    const bool usedSystemDownloader = worker->Downloader().systemDownloader;
    state.systemDownloader = usedSystemDownloader;
    state.lastCacheFile = worker->Downloader().lastCacheFile;
    if (worker->Succeeded() && !outcome.cancelled) return;
    if (outcome.cancelled) Raise(session, kSlotDownloadFailed);
    if (usedSystemDownloader) {
      const DownloadRetry answer = AskRetrySystemDownload(session);
      if (answer == DownloadRetry::Cancel) Raise(session, kSlotDownloadFailed);
      state.options.resume = answer == DownloadRetry::Resume;
    } else if (!AskRetryHttpDownload(session, state.options)) {
      Raise(session, kSlotDownloadFailed);
    }
  }
}

struct Extraction {
  bool succeeded = false;
  bool listingUnsupported = false;
};

Extraction Extract(Session& session, const std::string& entry, const std::string& archive, bool keepArchive) {
  ExtractMediaRequest request;
  request.archivePath = archive;
  request.destinationRoot = session.dataFolder;
  request.password = session.run.webMedia.block.password;
  request.keepArchive = keepArchive;
  request.codePage = static_cast<uint32_t>(session.payload.codePage);
  request.progressPrefix = session.messages.Text(kSlotExtracting) + WithoutTrailingBackslash(entry);
  WorkerOf<TExtractMedia> worker(session, std::move(request));
  WaitOptions options;
  options.cancelContext = "Cancel at Web Media Time";
  WaitForWorker(session, *worker, options);
  return {worker->Succeeded(), worker->ListingUnsupported()};
}

bool Cancelled(Session& session) { return IsTrue(session.variables.GetVariable("VELD_IsCancelled")); }

// Extracts the archive until it succeeds or the user stops; a fresh copy starts the fetch over.
bool ExtractBlock(Session& session, const std::string& entry, const std::string& archive, bool localCopy) {
  platform::FileSystem& files = session.platform.files;
  WebMediaState& state = session.run.webMedia;
  CreateCompressedFolder(session, BlockFolder(session, entry));
  CreateCompressedFolder(session, WithTrailingBackslash(session.tempFolder) + "veld\\");
  int unsupported = 0;
  for (;;) {
    const Extraction extraction = Extract(session, entry, archive, localCopy);
    if (extraction.succeeded && !Cancelled(session)) {
      FinishBlock(session, entry);
      return true;
    }
    RemoveFolderTree(files, WithoutTrailingBackslash(BlockFolder(session, entry)));
    if (!Cancelled(session) && extraction.listingUnsupported && ++unsupported < kUnsupportedRetries) continue;
    // A download that failed its checks is never the start of a resumed one.
    const auto dropDownload = [&] {
      if (!localCopy) files.RemoveFile(archive);
    };
    if (Cancelled(session)) {
      dropDownload();
      Raise(session, kSlotExtractFailed);
    }
    const ExtractRetry answer = AskRetryExtraction(session);
    if (answer == ExtractRetry::Cancel) {
      session.variables.SetVariable("VELD_IsCancelled", "TRUE", "GrabMediaEx Extract Failure Cancel Trickle");
      dropDownload();
      Raise(session, kSlotExtractFailed);
    }
    if (answer == ExtractRetry::FreshCopy) {
      if (localCopy) state.failedLocalCopies.push_back(ToUpperAscii(archive));
      else files.RemoveFile(archive);
      state.options.resume = false;
      return FetchWebMedia(session, entry);
    }
  }
}

bool RunDriver(Session& session, const std::string& entry) {
  platform::FileSystem& files = session.platform.files;
  if (IsTrue(session.variables.GetVariable("REMOVE"))) return true;
  if (!SafeEntry(entry)) throw std::runtime_error("Illegal web media block folder: " + entry);
  const std::string blockFolder = BlockFolder(session, entry);
  if (files.DirectoryExists(WithoutTrailingBackslash(blockFolder))) {
    if (files.FileExists(Marker(session, entry))) return true;
    for (int pass = 0; pass < 3; ++pass) EmptyFolder(files, WithoutTrailingBackslash(blockFolder));
  }
  WebMediaState& state = session.run.webMedia;
  if (EqualsIgnoreCase(entry, kOfflineEntry)) {
    CopyOfflineMedia(session);  // writes the block's marker itself
    return true;
  }
  // The archive goes into the data folder in use now, which ALLUSERS may have moved since the
  // "Web Media Block" line.
  if (!state.block.archivePath.empty())
    state.block.archivePath =
        WithTrailingBackslash(session.dataFolder) + FileNameAfterBackslash(state.block.archivePath);
  std::string archive = LocalCopy(session);
  const bool localCopy = !archive.empty();
  if (!localCopy) {
    archive = state.block.archivePath;
    if (!archive.empty() && !InsideFolder(archive, session.dataFolder))
      throw std::runtime_error("The web media block " + archive + " lies outside the data folder.");
    Download(session, entry);
  }
  return ExtractBlock(session, entry, archive, localCopy);
}

}  // namespace

bool BlockComplete(Session& session, const std::string& mediaEntry) {
  return session.platform.files.FileExists(Marker(session, mediaEntry));
}

bool FetchWebMedia(Session& session, const std::string& mediaEntry) {
  SettleDataFolder(session);
  return RunDriver(session, mediaEntry);
}

bool FetchLineMedia(Session& session, size_t lineIndex) {
  if (session.payload.buildMode != kWebMediaBuild || lineIndex >= session.payload.lineMedia.Count()) return false;
  const std::string entry(session.payload.lineMedia[lineIndex]);
  if (entry.empty() || IsTrue(session.variables.GetVariable("ABORTEDONERROR"))) return false;
  try {
    FetchWebMedia(session, entry);
    return false;
  } catch (const std::runtime_error& error) {
    {
      ProgressModeScope inError(session, true);
      session.platform.ui.ShowMessage(error.what(), WizardCaption(session.captionTitle, session.logoFree),
                                      platform::MessageButtons::Ok, platform::MessageIcon::Error, true);
    }
    if (IsTrue(session.variables.GetVariable("ABORTONERROR"))) return true;
    session.variables.SetVariable("ABORTEDONERROR", "TRUE", "Weblock Abort");
    return false;
  }
}

}  // namespace quarrix
