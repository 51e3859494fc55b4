#include "archive/ArchiveReader.h"

#include <algorithm>
#include <limits>
#include <new>

#include "archive/ByteSource.h"
#include "archive/Crc32.h"
#include "archive/EntryPath.h"
#include "archive/FolderDecoder.h"
#include "common/AnsiText.h"
#include "common/WindowsPath.h"

namespace quarrix::archive {
namespace {

// Headers are read whole; anything larger is not a header a real archive writes.
constexpr uint64_t kMaxHeaderSize = uint64_t{256} << 20;
constexpr int kMaxHeaderNesting = 4;
constexpr size_t kChunk = size_t{1} << 20;
constexpr size_t kNoEntry = std::numeric_limits<size_t>::max();
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

}  // namespace

// One call of Extract: the selection, the running byte count and the output.
class ArchiveReader::Extraction {
 public:
  Extraction(ArchiveReader& reader, ArchiveOutput& output, const std::string& destination, const ExtractOptions& options)
      : reader_(reader), output_(output), destination_(destination), options_(options) {}

  void Run() {
    Select();
    for (size_t i = 0; i < Entries().size(); ++i) {
      if (selected_[i] && !IsSafeEntryPath(Entries()[i].path)) {
        throw ArchiveError(ArchiveStatus::kUnsafeEntryPath, "the entry would leave the destination: " + Entries()[i].path);
      }
    }
    if (!destination_.empty()) MakeFolders(destination_);
    for (size_t i = 0; i < Entries().size(); ++i) {
      if (!selected_[i]) continue;
      if (Entries()[i].isDirectory) {
        MakeFolders(JoinPath(destination_, Entries()[i].path));
      } else if (!Header().files[reader_.placements_[i].file].hasStream) {
        EmptyStreamSource empty;
        WriteFile(i, empty);
      }
    }
    ExtractFolders();
  }

 private:
  class EmptyStreamSource : public ByteSource {
   public:
    size_t Read(uint8_t*, size_t) override { return 0; }
  };

  const std::vector<ArchiveEntry>& Entries() const { return reader_.entries_; }
  const ArchiveHeader& Header() const { return reader_.header_; }

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

  void MakeFolders(const std::string& path) {
    if (!path.empty() && !output_.CreateFolders(path)) {
      throw ArchiveError(ArchiveStatus::kWriteFailed, "cannot create the folder " + path);
    }
  }

  // Files of one folder tend to follow each other: the folder is made once for all of them.
  void MakeParentFolders(const std::string& path) {
    std::string parent = FolderBeforeBackslash(path);
    if (parent == lastParent_ && !parent.empty()) return;
    MakeFolders(parent);
    lastParent_ = std::move(parent);
  }

  void ExtractFolders() {
    const StreamsInfo& streams = Header().streams;
    std::vector<size_t> entryOfSubstream(streams.substreamSizes.size(), kNoEntry);
    for (size_t i = 0; i < Entries().size(); ++i) {
      if (selected_[i] && Header().files[reader_.placements_[i].file].hasStream) entryOfSubstream[reader_.placements_[i].substream] = i;
    }
    size_t first = 0;
    for (size_t f = 0; f < streams.folders.size(); ++f) {
      const size_t count = static_cast<size_t>(streams.substreamCounts[f]);
      size_t end = first + count;
      while (end > first && entryOfSubstream[end - 1] == kNoEntry) --end;  // nothing wanted past here
      if (end > first) ExtractFolder(streams.folders[f], first, end, entryOfSubstream);
      first += count;
    }
  }

  void ExtractFolder(const Folder& folder, size_t first, size_t end, const std::vector<size_t>& entryOfSubstream) {
    const bool encrypted = FolderIsEncrypted(folder);
    try {
      FolderContext context{*reader_.input_, Header().streams,
                            [this](const AesParameters& p) { return reader_.OpenDecryptor(p); }};
      auto source = OpenFolder(folder, context);
      for (size_t s = first; s < end; ++s) {
        if (entryOfSubstream[s] == kNoEntry) {
          Discard(*source, Header().streams.substreamSizes[s]);
        } else {
          WriteFile(entryOfSubstream[s], *source);
        }
      }
    } catch (const ArchiveError& error) {
      // Data that decrypt to garbage look damaged; the caller needs to hear "wrong password".
      if (encrypted && error.Status() == ArchiveStatus::kCorrupt) {
        throw ArchiveError(ArchiveStatus::kUnsupportedOrWrongPassword, "wrong password or damaged data: " + std::string(error.what()));
      }
      throw;
    }
  }

  void Discard(ByteSource& source, uint64_t size) {
    while (size > 0) {
      const size_t count = source.ReadInPlace(static_cast<size_t>(std::min<uint64_t>(size, kChunk))).size();
      if (count == 0) ThrowCorrupt("the data end early");
      size -= count;
    }
  }

  void WriteFile(size_t index, ByteSource& source) {
    const ArchiveEntry& entry = Entries()[index];
    const std::string path = JoinPath(destination_, entry.path);
    MakeParentFolders(path);
    if (output_.Exists(path)) {
      const int32_t answer = options_.overwrite ? options_.overwrite(path) : kOverwriteReplace;
      if (answer != kOverwriteReplace) {
        Discard(source, entry.size);
        return;
      }
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
      done_ += count;
      ReportProgress(entry.path);
    }
    if (entry.size == 0) ReportProgress(entry.path);
    if (entry.crc && *entry.crc != crc) ThrowCorrupt("CRC mismatch in " + entry.path);
    file.Commit(StampOf(entry));
  }

  void ReportProgress(const std::string& path) {
    if (options_.progress && !options_.progress(path, done_, total_)) {
      throw ArchiveError(ArchiveStatus::kCancelled, "cancelled");
    }
  }

  ArchiveReader& reader_;
  ArchiveOutput& output_;
  const std::string& destination_;
  const ExtractOptions& options_;
  std::vector<bool> selected_;
  std::string lastParent_;
  uint64_t total_ = 0;
  uint64_t done_ = 0;
};

ArchiveStatus ArchiveReader::Fail(const ArchiveError& error) {
  lastError_ = error.Status();
  lastMessage_ = error.what();
  return lastError_;
}

ArchiveStatus ArchiveReader::Open(ArchiveInput* input, PasswordProvider passwordProvider) {
  input_ = input;
  passwordProvider_ = std::move(passwordProvider);
  passwordAsked_ = false;
  password_.reset();
  keys_.clear();
  header_ = {};
  entries_.clear();
  placements_.clear();
  lastError_ = ArchiveStatus::kOk;
  lastMessage_.clear();
  try {
    if (!input) throw ArchiveError(ArchiveStatus::kNotFound, "the archive file was not found");
    OpenArchive(*input);
    BuildEntries();
    return ArchiveStatus::kOk;
  } catch (const ArchiveError& error) {
    header_ = {};
    entries_.clear();
    placements_.clear();
    input_ = nullptr;
    return Fail(error);
  } catch (const std::bad_alloc&) {
    input_ = nullptr;
    return Fail(ArchiveError(ArchiveStatus::kCorrupt, "out of memory reading the header"));
  } catch (const std::exception& error) {
    input_ = nullptr;
    return Fail(ArchiveError(ArchiveStatus::kCorrupt, error.what()));
  }
}

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

void ArchiveReader::OpenArchive(ArchiveInput& input) {
  const uint64_t size = input.Size();
  uint8_t start[kSignatureHeaderSize];
  if (size < kSignatureHeaderSize || !input.Read(0, start, sizeof start)) ThrowUnsupported("not an archive of this kind");
  const SignatureHeader signature = ParseSignatureHeader(start, size);
  if (signature.nextHeaderSize == 0) return;  // an empty archive
  if (signature.nextHeaderSize > kMaxHeaderSize) ThrowUnsupported("the header is too large");
  std::vector<uint8_t> bytes(static_cast<size_t>(signature.nextHeaderSize));
  if (!input.Read(signature.nextHeaderOffset, bytes.data(), bytes.size())) ThrowCorrupt("the header is truncated");
  if (Crc32(bytes.data(), bytes.size()) != signature.nextHeaderCrc) ThrowCorrupt("the header is damaged");
  for (int level = 0; level < kMaxHeaderNesting; ++level) {
    ParsedHeader parsed = ParseHeaderBlock(bytes, size);
    if (parsed.header) {
      header_ = std::move(*parsed.header);
      return;
    }
    bytes = DecodeHeaderFolder(*parsed.encodedHeader);
  }
  ThrowCorrupt("the header is packed too deeply");
}

std::vector<uint8_t> ArchiveReader::DecodeHeaderFolder(const StreamsInfo& streams) {
  if (streams.folders.empty()) ThrowCorrupt("the packed header has no data");
  const Folder& folder = streams.folders[0];
  const uint64_t size = folder.UnpackSize();
  if (size > kMaxHeaderSize) ThrowUnsupported("the header is too large");
  const bool encrypted = FolderIsEncrypted(folder);
  try {
    FolderContext context{*input_, streams, [this](const AesParameters& p) { return OpenDecryptor(p); }};
    auto source = OpenFolder(folder, context);
    // Grows with the bytes actually decoded, not with the size the header claims.
    std::vector<uint8_t> bytes;
    while (bytes.size() < size) {
      const size_t at = bytes.size();
      bytes.resize(at + static_cast<size_t>(std::min<uint64_t>(kChunk, size - at)));
      ReadExactly(*source, bytes.data() + at, bytes.size() - at);
    }
    if (folder.crc && Crc32(bytes.data(), bytes.size()) != *folder.crc) ThrowCorrupt("the packed header is damaged");
    return bytes;
  } catch (const ArchiveError& error) {
    if (encrypted && error.Status() == ArchiveStatus::kCorrupt) {
      throw ArchiveError(ArchiveStatus::kUnsupportedOrWrongPassword, "wrong password or damaged header");
    }
    throw;
  }
}

void ArchiveReader::BuildEntries() {
  size_t substream = 0;
  for (size_t i = 0; i < header_.files.size(); ++i) {
    const FileRecord& file = header_.files[i];
    const size_t own = file.hasStream ? substream++ : 0;
    if (file.isAnti) continue;
    ArchiveEntry entry;
    entry.path = ToEntryPath(file.name, codePage_);
    entry.isDirectory = file.isDirectory;
    if (file.hasStream) {
      entry.size = header_.streams.substreamSizes[own];
      entry.crc = header_.streams.substreamCrcs[own];
    }
    entry.created = file.created;
    entry.accessed = file.accessed;
    entry.modified = file.modified;
    entry.attributes = file.attributes;
    entries_.push_back(std::move(entry));
    placements_.push_back({i, own});
  }
}

std::unique_ptr<AesCbcDecryptor> ArchiveReader::OpenDecryptor(const AesParameters& parameters) {
  if (!crypto_) ThrowUnsupported("encryption is not available");
  if (!passwordAsked_) {
    passwordAsked_ = true;
    std::string password;
    if (passwordProvider_ && passwordProvider_(password)) password_ = codePage_.ToWide(password);
  }
  if (!password_) ThrowUnsupported("the archive needs a password");
  const auto id = std::make_pair(parameters.cyclesPower, parameters.salt);
  auto found = keys_.find(id);
  if (found == keys_.end()) found = keys_.emplace(id, DeriveAesKey(*crypto_, parameters, *password_)).first;
  auto decryptor = crypto_->NewAes256CbcDecryptor(found->second, parameters.iv);
  if (!decryptor) ThrowUnsupported("encryption is not available");
  return decryptor;
}

}  // namespace quarrix::archive
