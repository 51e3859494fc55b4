#include "media/ExtractMedia.h"

#include <map>

#include "common/WindowsPath.h"
#include "engine/VariableManager.h"
#include "media/ArchiveExtraction.h"
#include "media/ExtractionProgress.h"
#include "media/MergeFolder.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

constexpr int kSlotComplete = 21;  // "% complete"
constexpr const char* kWorkFolderName = "veld\\";

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The ANSI and the UTF-16 file functions behind one set of steps.
class Placement {
 public:
  Placement(platform::FileSystem& files, platform::SystemInfo& system, uint32_t codePage)
      : files_(files), system_(system), codePage_(codePage) {}

  void SwitchToWide() { wide_ = true; }
  bool Wide() const { return wide_; }

  void ClearTarget(const std::string& target) {
    if (wide_) {
      files_.SetAttributesNormalWide(W(target));
      files_.RemoveFileWide(W(target));
    } else {
      files_.SetAttributesNormal(target);
      files_.RemoveFile(target);
    }
  }
  bool Exists(const std::string& path) { return wide_ ? files_.FileExistsWide(W(path)) : files_.FileExists(path); }
  bool Copy(const std::string& from, const std::string& to) {
    return wide_ ? files_.CopyWide(W(from), W(to), true) : files_.Copy(from, to, true);
  }
  bool Move(const std::string& from, const std::string& to) {
    return wide_ ? files_.MoveWide(W(from), W(to)) : files_.Move(from, to);
  }

 private:
  std::u16string W(const std::string& path) { return system_.CodePageToWide(codePage_, path); }

  platform::FileSystem& files_;
  platform::SystemInfo& system_;
  uint32_t codePage_;
  bool wide_ = false;
};

}  // namespace

bool RelocateMappedFiles(platform::FileSystem& files, platform::SystemInfo& system, const StringList& mediaFileMap,
                         const std::string& blockName, const std::string& blockFolder,
                         const std::string& destinationRoot, uint32_t codePage) {
  Placement placement(files, system, codePage);
  std::map<std::string, std::string> movedTo;  // source -> first target, both lower case
  std::map<std::string, std::string> movedToAsGiven;
  for (size_t i = 0; i + 2 < mediaFileMap.size(); i += 3) {
    if (!EqualsIgnoreCase(mediaFileMap[i], blockName)) continue;
    const std::string& inside = mediaFileMap[i + 1];
    const std::string folder = WithTrailingBackslash(WithTrailingBackslash(destinationRoot) + mediaFileMap[i + 2]);
    files.CreateDirectories(folder);
    const std::string target = folder + FileNameAfterBackslash(inside);
    const std::string source = WithTrailingBackslash(blockFolder) + inside;

    for (;;) {
      placement.ClearTarget(target);
      const auto earlier = movedTo.find(LowerAscii(source));
      if (!placement.Exists(source) && earlier != movedTo.end()) {
        placement.Copy(movedToAsGiven[earlier->first], target);
        break;
      }
      if (placement.Move(source, target)) {
        movedTo[LowerAscii(source)] = LowerAscii(target);
        movedToAsGiven[LowerAscii(source)] = target;
        break;
      }
      if (placement.Wide()) return false;
      placement.SwitchToWide();  // and again, for this triple and every later one
    }
  }
  return true;
}

TExtractMedia::TExtractMedia(WorkerKey key, Session& session, ExtractMediaRequest request)
    : Worker(key, session),
      session_(session),
      request_(std::move(request)),
      completeText_(session.messages.Text(kSlotComplete)),
      copyFolder_(session.variables.GetVariable("COPYWEBLOCK")),
      compressCopy_(IsTrue(session.variables.GetVariable("VELD_COMPRESS_INSTALLER_CACHE"))),
      mediaFileMap_(session.payload.mediaFileMap) {}

void TExtractMedia::Execute() {
  platform::FileSystem& files = session_.platform.files;
  const std::string workFolder = WithTrailingBackslash(session_.tempFolder) + kWorkFolderName;
  const std::string destinationRoot = WithTrailingBackslash(request_.destinationRoot);
  files.CreateDirectories(destinationRoot);

  bool listingUnsupported = false;
  bool succeeded = Extract(workFolder, listingUnsupported);
  if (succeeded) {
    if (!copyFolder_.empty()) KeepCopy();
    if (!request_.keepArchive) files.RemoveFile(request_.archivePath);
    const std::string blockName = FileNameWithoutExtension(FileNameAfterBackslash(request_.archivePath));
    const std::string blockFolder = workFolder + blockName;
    succeeded = RelocateMappedFiles(files, session_.platform.system, mediaFileMap_, blockName, blockFolder,
                                    destinationRoot, request_.codePage) &&
                MergeFolder(files, blockFolder, destinationRoot + blockName, /*move=*/true);
  }
  files.RemoveEmptyDirectory(workFolder.substr(0, workFolder.size() - 1));
  PublishResult([&] {
    succeeded_ = succeeded;
    listingUnsupported_ = listingUnsupported;
  });
}

bool TExtractMedia::Extract(const std::string& workFolder, bool& listingUnsupported) {
  platform::ArchiveCallbacks callbacks;
  callbacks.progress = [this](const std::string& entryPath, uint64_t done, uint64_t total) {
    return OnProgress(entryPath, done, total);
  };
  std::string errorText;
  const bool extracted = ExtractArchiveFiles(session_.platform.archive, request_.archivePath, request_.password,
                                             workFolder, true, true, errorText, {}, callbacks);
  listingUnsupported = errorText == ListingErrorText(kUnsupportedArchive);
  return extracted;
}

// A cache of downloaded blocks: copied once, and again only when the size differs.
void TExtractMedia::KeepCopy() {
  platform::FileSystem& files = session_.platform.files;
  const std::string folder = WithTrailingBackslash(copyFolder_);
  const std::string copy = folder + FileNameAfterBackslash(request_.archivePath);
  if (files.FileExists(copy) && files.FileSize(copy) == files.FileSize(request_.archivePath)) return;
  files.CreateDirectories(folder);
  if (compressCopy_) files.SetCompression(folder, true);
  files.Copy(request_.archivePath, copy, /*overwrite=*/true);
}

bool TExtractMedia::OnProgress(const std::string& entryPath, uint64_t done, uint64_t total) {
  const int percent = ExtractionPercent(done, total);
  ReportProgress(ExtractionProgressText(request_.progressPrefix + "\r", entryPath, percent, completeText_), 0, 100,
                 percent);
  session_.platform.threads.PostWakeUp();
  return !TerminateRequested();
}

}  // namespace quarrix
