#pragma once
// Lists and extracts archives in the 7z format: LZMA, LZMA2, Copy, the x86 branch filters,
// AES-256 encryption of data and headers, solid and non-solid folders. Nothing outside the
// destination folder is ever written, and no file is left behind with content that failed
// its CRC check.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "archive/AesCoder.h"
#include "archive/ArchiveHeader.h"
#include "archive/ArchiveIo.h"
#include "archive/ArchiveStatus.h"
#include "archive/Crypto.h"
#include "archive/DecodeWorkers.h"

namespace quarrix::archive {

struct ArchiveEntry {
  std::string path;  // ANSI, "\" between folders
  uint64_t size = 0;
  bool isDirectory = false;
  std::optional<uint64_t> created;  // FILETIME ticks
  std::optional<uint64_t> accessed;
  std::optional<uint64_t> modified;
  std::optional<uint32_t> attributes;
  std::optional<uint32_t> crc;
};

// Fills the password; false when there is none. Asked at most once per reader.
using PasswordProvider = std::function<bool(std::string& password)>;
// false cancels the extraction.
using ProgressCallback = std::function<bool(const std::string& entryPath, uint64_t done, uint64_t total)>;
// Asked for a file that already exists: kOverwriteReplace replaces it, anything else skips it.
using OverwriteCallback = std::function<int32_t(const std::string& path)>;
inline constexpr int32_t kOverwriteSkip = 1;
inline constexpr int32_t kOverwriteReplace = 4;

// The callbacks are called on the thread that calls Extract, also when folders decode on
// several threads; the overwrite question for every file is asked before any folder decodes.
struct ExtractOptions {
  std::vector<std::string> selection;  // entry paths (folders select their contents); empty = all
  OverwriteCallback overwrite;         // unset replaces
  ProgressCallback progress;           // unset goes on
  DecodeResources resources;           // the default decodes one folder after another
};

class ArchiveReader {
 public:
  // crypto may be null: encrypted archives then fail as unsupported.
  ArchiveReader(const CodePage& codePage, const Crypto* crypto) : codePage_(codePage), crypto_(crypto) {}

  // A null input is an archive that was not found.
  ArchiveStatus Open(ArchiveInput* input, PasswordProvider passwordProvider = {});
  const std::vector<ArchiveEntry>& Entries() const { return entries_; }
  ArchiveStatus Extract(ArchiveOutput& output, const std::string& destination, const ExtractOptions& options = {});

  ArchiveStatus LastError() const { return lastError_; }
  const std::string& LastMessage() const { return lastMessage_; }

 private:
  struct Placement {
    size_t file = 0;        // index into header_.files
    size_t substream = 0;   // global substream index, for files with data
  };
  class Extraction;

  void OpenArchive(ArchiveInput& input);
  std::vector<uint8_t> DecodeHeaderFolder(const StreamsInfo& streams);
  void BuildEntries();
  std::unique_ptr<AesCbcDecryptor> OpenDecryptor(const AesParameters& parameters);
  // Asks for the password (once) and derives the key; only on the caller's thread.
  void PrepareKey(const AesParameters& parameters);
  // Only keys prepared before: safe on any thread.
  std::unique_ptr<AesCbcDecryptor> OpenPreparedDecryptor(const AesParameters& parameters) const;
  ArchiveStatus Fail(const ArchiveError& error);

  const CodePage& codePage_;
  const Crypto* crypto_;
  ArchiveInput* input_ = nullptr;
  PasswordProvider passwordProvider_;
  bool passwordAsked_ = false;
  std::optional<std::u16string> password_;
  std::map<std::pair<unsigned, std::vector<uint8_t>>, AesKey> keys_;
  ArchiveHeader header_;
  std::vector<ArchiveEntry> entries_;
  std::vector<Placement> placements_;  // parallel to entries_
  ArchiveStatus lastError_ = ArchiveStatus::kOk;
  std::string lastMessage_;
};

}  // namespace quarrix::archive
