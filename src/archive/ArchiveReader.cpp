#include "archive/ArchiveReader.h"

#include <algorithm>
#include <new>

#include "archive/ByteSource.h"
#include "archive/Crc32.h"
#include "archive/EntryPath.h"
#include "archive/FolderDecoder.h"

namespace quarrix::archive {
namespace {

// Headers are read whole; anything larger is not a header a real archive writes.
constexpr uint64_t kMaxHeaderSize = uint64_t{256} << 20;
constexpr int kMaxHeaderNesting = 4;
constexpr size_t kHeaderChunk = size_t{1} << 20;

}  // namespace

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
      bytes.resize(at + static_cast<size_t>(std::min<uint64_t>(kHeaderChunk, size - at)));
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
  PrepareKey(parameters);
  return OpenPreparedDecryptor(parameters);
}

void ArchiveReader::PrepareKey(const AesParameters& parameters) {
  if (!crypto_) ThrowUnsupported("encryption is not available");
  if (!passwordAsked_) {
    passwordAsked_ = true;
    std::string password;
    if (passwordProvider_ && passwordProvider_(password)) password_ = codePage_.ToWide(password);
  }
  if (!password_) ThrowUnsupported("the archive needs a password");
  const auto id = std::make_pair(parameters.cyclesPower, parameters.salt);
  if (!keys_.contains(id)) keys_.emplace(id, DeriveAesKey(*crypto_, parameters, *password_));
}

std::unique_ptr<AesCbcDecryptor> ArchiveReader::OpenPreparedDecryptor(const AesParameters& parameters) const {
  const auto found = keys_.find(std::make_pair(parameters.cyclesPower, parameters.salt));
  if (!crypto_ || found == keys_.end()) ThrowUnsupported("the archive needs a password");
  auto decryptor = crypto_->NewAes256CbcDecryptor(found->second, parameters.iv);
  if (!decryptor) ThrowUnsupported("encryption is not available");
  return decryptor;
}

}  // namespace quarrix::archive
