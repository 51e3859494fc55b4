// ArchiveReader::Extract: what the selection needs is decided on the calling thread (folders,
// overwrite answers, keys), then the folders decode as jobs, on several threads when the
// archive and the host allow it.
#include <algorithm>
#include <limits>
#include <new>
#include <set>

#include "archive/ArchiveReader.h"
#include "archive/ByteSource.h"
#include "archive/Crc32.h"
#include "archive/EntryPath.h"
#include "archive/FolderDecoder.h"
#include "archive/FolderJobs.h"
#include "common/AnsiText.h"
#include "common/WindowsPath.h"

namespace quarrix::archive {
namespace {

constexpr size_t kChunk = size_t{1} << 20;
constexpr size_t kNoEntry = std::numeric_limits<size_t>::max();
constexpr size_t kNoFolder = std::numeric_limits<size_t>::max();
constexpr uint32_t kDirectoryAttribute = 0x10;
constexpr uint32_t kUnixExtensionAttribute = 0x8000;

bool IsInside(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path[folder.size()] == '\\' &&
         EqualsIgnoreCase(std::string_view(path).substr(0, folder.size()), folder);
}

std::string NormalizedSelection(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return WithoutTrailingBackslashes(std::move(path));
}

// A file being written, discarded unless it was completed and checked.
class PartialFile {
 public:
  PartialFile(std::string path, std::unique_ptr<OutputFile> file) : path_(std::move(path)), file_(std::move(file)) {}
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  OutputFile& File() { return *file_; }
  void Commit(const FileStamp& stamp) {
    const bool closed = file_->Close(stamp);
    if (!closed) throw ArchiveError(ArchiveStatus::kWriteFailed, "cannot complete " + path_);
    file_.reset();
  }

 private:
  std::string path_;
  std::unique_ptr<OutputFile> file_;
};

FileStamp StampOf(const ArchiveEntry& entry) {
  FileStamp stamp{entry.modified, entry.created, entry.accessed, std::nullopt};
  if (entry.attributes) stamp.attributes = *entry.attributes & (kUnixExtensionAttribute - 1) & ~kDirectoryAttribute;
  return stamp;
}

class EmptyStreamSource : public ByteSource {
 public:
  size_t Read(uint8_t*, size_t) override { return 0; }
};

// One job: a folder's substreams from first up to the last wanted one, or (without a folder)
// the selected files that have no data.
struct JobPlan {
  size_t folder = kNoFolder;
  size_t first = 0;
  size_t end = 0;
};

// Data that decrypt to garbage look damaged; the caller needs to hear "wrong password".
template <typename Work>
void AsFolderWork(const Folder& folder, Work&& work) {
  try {
    work();
  } catch (const ArchiveError& error) {
    if (FolderIsEncrypted(folder) && error.Status() == ArchiveStatus::kCorrupt) {
      throw ArchiveError(ArchiveStatus::kUnsupportedOrWrongPassword, "wrong password or damaged data: " + std::string(error.what()));
    }
    throw;
  }
}

}  // namespace

class ArchiveReader::Extraction {
 public:
  Extraction(ArchiveReader& reader, ArchiveOutput& output, const std::string& destination, const ExtractOptions& options)
      : reader_(reader), input_(*reader.input_), output_(output), destination_(destination), options_(options) {}

  void Run() {
    Select();
    CheckPaths();
    if (!destination_.empty()) MakeFolders(destination_);
    MakeSelectedFolders();
    DecideOverwrites();
    PlanJobs();
    PrepareKeys();
    const unsigned workers = WorkerCount();
    if (workers > 1) LargestFirst();
    RunFolderJobs(
        jobs_.size(), workers, [this](size_t job, JobProgress& progress) { RunJob(jobs_[job], progress); },
        [this](const std::string& path, uint64_t done) { return !options_.progress || options_.progress(path, done, total_); });
  }

 private:
  const std::vector<ArchiveEntry>& Entries() const { return reader_.entries_; }
  const ArchiveHeader& Header() const { return reader_.header_; }
  bool HasData(size_t entry) const { return Header().files[reader_.placements_[entry].file].hasStream; }

  void Select() {
    selected_.assign(Entries().size(), options_.selection.empty());
    for (const auto& raw : options_.selection) {
      const std::string wanted = NormalizedSelection(raw);
      bool matched = false;
      for (size_t i = 0; i < Entries().size(); ++i) {
        if (!wanted.empty() && (EqualsIgnoreCase(Entries()[i].path, wanted) || IsInside(Entries()[i].path, wanted))) {
          selected_[i] = true;
          matched = true;
        }
      }
      if (!matched) throw ArchiveError(ArchiveStatus::kIllegalSelection, "no entry matches " + raw);
    }
    for (size_t i = 0; i < Entries().size(); ++i) {
      if (selected_[i]) total_ += Entries()[i].size;
    }
  }

  void CheckPaths() const {
    for (size_t i = 0; i < Entries().size(); ++i) {
      if (selected_[i] && !IsSafeEntryPath(Entries()[i].path)) {
        throw ArchiveError(ArchiveStatus::kUnsafeEntryPath, "the entry would leave the destination: " + Entries()[i].path);
      }
    }
  }

  // Every folder, the parents of files included, is made here: the workers only write files.
  // Files of one folder tend to follow each other, so each parent is made once for all of them.
  void MakeSelectedFolders() {
    std::string lastParent;
    for (size_t i = 0; i < Entries().size(); ++i) {
      if (!selected_[i]) continue;
      const std::string path = JoinPath(destination_, Entries()[i].path);
      if (Entries()[i].isDirectory) {
        MakeFolders(path);
        continue;
      }
      std::string parent = FolderBeforeBackslash(path);
      if (parent == lastParent) continue;
      MakeFolders(parent);
      lastParent = std::move(parent);
    }
  }

  // Asked here, on the caller's thread, in entry order. A path that comes twice finds its first
  // copy there by the time the second is written, so it is asked about too.
  void DecideOverwrites() {
    replace_.assign(Entries().size(), true);
    std::set<std::string> seen;
    for (size_t i = 0; i < Entries().size(); ++i) {
      if (!selected_[i] || Entries()[i].isDirectory) continue;
      const std::string path = JoinPath(destination_, Entries()[i].path);
      const bool repeated = !seen.insert(ToUpperAscii(Entries()[i].path)).second;
      repeatedPaths_ = repeatedPaths_ || repeated;
      if (repeated || output_.Exists(path)) {
        replace_[i] = (options_.overwrite ? options_.overwrite(path) : kOverwriteReplace) == kOverwriteReplace;
      }
    }
  }

  void PlanJobs() {
    const StreamsInfo& streams = Header().streams;
    entryOfSubstream_.assign(streams.substreamSizes.size(), kNoEntry);
    bool withoutData = false;
    for (size_t i = 0; i < Entries().size(); ++i) {
      if (!selected_[i] || Entries()[i].isDirectory) continue;
      if (HasData(i)) {
        entryOfSubstream_[reader_.placements_[i].substream] = i;
      } else {
        withoutData = true;
      }
    }
    if (withoutData) jobs_.push_back({});
    size_t first = 0;
    for (size_t f = 0; f < streams.folders.size(); ++f) {
      const size_t count = static_cast<size_t>(streams.substreamCounts[f]);
      size_t end = first + count;
      while (end > first && entryOfSubstream_[end - 1] == kNoEntry) --end;  // nothing wanted past here
      if (end > first) jobs_.push_back({f, first, end});
      first += count;
    }
  }

  // The password is asked for and the keys derived before any worker starts.
  void PrepareKeys() {
    for (const JobPlan& job : jobs_) {
      if (job.folder == kNoFolder) continue;
      const Folder& folder = Header().streams.folders[job.folder];
      AsFolderWork(folder, [&] {
        for (const AesParameters& parameters : FolderAesParameters(folder)) reader_.PrepareKey(parameters);
      });
    }
  }

  // Two entries writing one path must not overlap: such an archive decodes in order.
  unsigned WorkerCount() const {
    if (repeatedPaths_) return 1;
    std::vector<const Folder*> folders;
    for (const JobPlan& job : jobs_) {
      if (job.folder != kNoFolder) folders.push_back(&Header().streams.folders[job.folder]);
    }
    return DecodeWorkerCount(options_.resources, folders);
  }

  // A large folder taken last would keep one worker busy long after the others ran out of work.
  void LargestFirst() {
    const auto size = [this](const JobPlan& job) {
      return job.folder == kNoFolder ? 0 : Header().streams.folders[job.folder].UnpackSize();
    };
    std::stable_sort(jobs_.begin(), jobs_.end(), [&](const JobPlan& a, const JobPlan& b) { return size(a) > size(b); });
  }

  void RunJob(const JobPlan& plan, JobProgress& progress) {
    if (plan.folder != kNoFolder) {
      ExtractFolder(plan, progress);
      return;
    }
    for (size_t i = 0; i < Entries().size(); ++i) {
      if (!selected_[i] || Entries()[i].isDirectory || HasData(i)) continue;
      EmptyStreamSource empty;
      WriteFile(i, empty, progress);
    }
  }

  void MakeFolders(const std::string& path) {
    if (!path.empty() && !output_.CreateFolders(path)) {
      throw ArchiveError(ArchiveStatus::kWriteFailed, "cannot create the folder " + path);
    }
  }

  void ExtractFolder(const JobPlan& plan, JobProgress& progress) {
    const Folder& folder = Header().streams.folders[plan.folder];
    AsFolderWork(folder, [&] {
      FolderContext context{input_, Header().streams,
                            [this](const AesParameters& p) { return reader_.OpenPreparedDecryptor(p); }};
      auto source = OpenFolder(folder, context);
      for (size_t s = plan.first; s < plan.end; ++s) {
        if (entryOfSubstream_[s] == kNoEntry) {
          Discard(*source, Header().streams.substreamSizes[s], progress, nullptr);
        } else {
          WriteFile(entryOfSubstream_[s], *source, progress);
        }
      }
    });
  }

  // The bytes of a skipped file count as done; those of an entry outside the selection do not.
  void Discard(ByteSource& source, uint64_t size, JobProgress& progress, const std::string* countedAs) {
    while (size > 0) {
      progress.CheckStop();
      const size_t count = source.ReadInPlace(static_cast<size_t>(std::min<uint64_t>(size, kChunk))).size();
      if (count == 0) ThrowCorrupt("the data end early");
      size -= count;
      if (countedAs) progress.Advance(*countedAs, count);
    }
  }

  void WriteFile(size_t index, ByteSource& source, JobProgress& progress) {
    const ArchiveEntry& entry = Entries()[index];
    const std::string path = JoinPath(destination_, entry.path);
    if (!replace_[index]) {
      Discard(source, entry.size, progress, &entry.path);
      return;
    }
    auto created = output_.CreateFile(path);
    if (!created) throw ArchiveError(ArchiveStatus::kWriteFailed, "cannot create " + path);
    PartialFile file(path, std::move(created));
    uint32_t crc = 0;
    // Straight from the decoder's window to the file: no copy of the bytes in between.
    for (uint64_t remaining = entry.size; remaining > 0;) {
      const auto bytes = source.ReadInPlace(static_cast<size_t>(std::min<uint64_t>(remaining, kChunk)));
      const size_t count = bytes.size();
      if (count == 0) ThrowCorrupt("the data of " + entry.path + " end early");
      if (!file.File().Write(bytes.data(), count)) throw ArchiveError(ArchiveStatus::kWriteFailed, "cannot write " + path);
      crc = UpdateCrc32(crc, bytes.data(), count);
      remaining -= count;
      progress.Advance(entry.path, count);
    }
    if (entry.size == 0) progress.Advance(entry.path, 0);
    if (entry.crc && *entry.crc != crc) ThrowCorrupt("CRC mismatch in " + entry.path);
    file.Commit(StampOf(entry));
  }

  ArchiveReader& reader_;
  ArchiveInput& input_;
  ArchiveOutput& output_;
  const std::string& destination_;
  const ExtractOptions& options_;
  std::vector<bool> selected_;
  std::vector<bool> replace_;
  bool repeatedPaths_ = false;
  std::vector<size_t> entryOfSubstream_;
  std::vector<JobPlan> jobs_;
  uint64_t total_ = 0;
};

ArchiveStatus ArchiveReader::Extract(ArchiveOutput& output, const std::string& destination, const ExtractOptions& options) {
  lastError_ = ArchiveStatus::kOk;
  lastMessage_.clear();
  if (!input_) return Fail(ArchiveError(ArchiveStatus::kNotFound, "no archive is open"));
  try {
    Extraction(*this, output, destination, options).Run();
    return ArchiveStatus::kOk;
  } catch (const ArchiveError& error) {
    return Fail(error);
  } catch (const std::bad_alloc&) {
    return Fail(ArchiveError(ArchiveStatus::kCorrupt, "out of memory"));
  } catch (const std::exception& error) {
    return Fail(ArchiveError(ArchiveStatus::kCorrupt, error.what()));
  }
}

}  // namespace quarrix::archive
