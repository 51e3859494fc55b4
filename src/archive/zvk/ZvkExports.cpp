// The four exports of the archive library. The engine's calls carry no context, so the last
// error lives here, once per calling thread: two extractions on two threads each read their
// own. Nothing else is shared.
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "archive/ArchiveReader.h"
#include "archive/zvk/CryptoApiCrypto.h"
#include "archive/zvk/Win32ArchiveFiles.h"
#include "archive/ArchiveLibraryAbi.h"

using namespace quarrix::archive;
using namespace quarrix::archive::abi;

namespace {

// Failures outside the reader's own codes: a general failure to the engine.
constexpr int32_t kInternalFailure = 1000;

thread_local int32_t lastError = 0;

int32_t Fail(int32_t code) {
  lastError = code;
  return 0;
}

const zvk::AnsiCodePage& CodePageOfSystem() {
  static const zvk::AnsiCodePage codePage;
  return codePage;
}

const zvk::CryptoApiCrypto& CryptoOfSystem() {
  static const zvk::CryptoApiCrypto crypto;
  return crypto;
}

// The engine's callback answers once with its password; the password argument stands in when
// there is no callback or it has none to give.
PasswordProvider AskForPassword(ArchivePasswordCallback callback, const char* password) {
  std::string given = password != nullptr ? password : "";
  return [callback, given](std::string& out) {
    if (callback != nullptr) {
      char buffer[kArchivePasswordBufferSize] = {};
      if (callback(buffer) != 0) {
        buffer[kArchivePasswordBufferSize - 1] = '\0';
        out = buffer;
        return true;
      }
    }
    if (given.empty()) return false;
    out = given;
    return true;
  };
}

// One open listing: the reader keeps the entry paths the records point at alive.
struct Listing {
  std::unique_ptr<ArchiveInput> input;
  ArchiveReader reader{CodePageOfSystem(), &CryptoOfSystem()};
  std::vector<ArchiveEntryRecord> records;
};

void FillRecord(ArchiveEntryRecord& record, const ArchiveEntry& entry) {
  std::memset(&record, 0, sizeof record);
  record.path = entry.path.c_str();
  // The rest is the library's own: size and a folder mark, for a reader of the records.
  std::memcpy(record.libraryData, &entry.size, sizeof entry.size);
  record.libraryData[sizeof entry.size] = entry.isDirectory ? 1 : 0;
}

int32_t OpenReader(ArchiveReader& reader, std::unique_ptr<ArchiveInput>& input, const char* archivePath,
                   ArchivePasswordCallback passwordCallback, const char* password) {
  if (archivePath == nullptr) return Fail(ErrorCode(ArchiveStatus::kNotFound));
  input = zvk::OpenWin32Archive(archivePath);
  const ArchiveStatus status = reader.Open(input.get(), AskForPassword(passwordCallback, password));
  if (status != ArchiveStatus::kOk) return Fail(static_cast<int32_t>(ErrorCode(status)));
  return 1;
}

std::vector<std::string> TargetsOf(const TSZW_TARGETFILES* targets) {
  std::vector<std::string> paths;
  if (targets == nullptr || targets->paths == nullptr || targets->count <= 0) return paths;
  paths.reserve(static_cast<size_t>(targets->count));
  for (int32_t i = 0; i < targets->count; ++i) {
    if (targets->paths[i] != nullptr) paths.emplace_back(targets->paths[i]);
  }
  return paths;
}

}  // namespace

extern "C" {

intptr_t QUARRIX_ARCHIVE_CALL OpenListArchive(const char* archivePath, intptr_t, ArchivePasswordCallback passwordCallback,
                                              intptr_t, intptr_t, intptr_t, const char* password,
                                              ArchiveEntryRecord** firstEntry, int32_t* entryCount) {
  try {
    if (firstEntry != nullptr) *firstEntry = nullptr;
    if (entryCount != nullptr) *entryCount = 0;
    auto listing = std::make_unique<Listing>();
    if (!OpenReader(listing->reader, listing->input, archivePath, passwordCallback, password)) return 0;
    const auto& entries = listing->reader.Entries();
    listing->records.resize(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) FillRecord(listing->records[i], entries[i]);
    if (firstEntry != nullptr) *firstEntry = listing->records.empty() ? nullptr : listing->records.data();
    if (entryCount != nullptr) *entryCount = static_cast<int32_t>(listing->records.size());
    lastError = 0;
    return reinterpret_cast<intptr_t>(listing.release());
  } catch (...) {
    return Fail(kInternalFailure);
  }
}

void QUARRIX_ARCHIVE_CALL CloseListArchive(intptr_t handle) {
  delete reinterpret_cast<Listing*>(handle);
}

// The constant second argument and the mode flag change nothing here: entries always keep
// their folders below the destination. The two-argument callback has no question to answer.
int32_t QUARRIX_ARCHIVE_CALL ExtractArchive(const char* archivePath, int32_t, const char* destination,
                                            TSZW_TARGETFILES* targets, int32_t, const char* password,
                                            ArchivePasswordCallback passwordCallback,
                                            ArchiveProgressCallback progressCallback, ArchiveTwoArgumentCallback,
                                            ArchiveOverwriteCallback overwriteCallback) {
  try {
    ArchiveReader reader(CodePageOfSystem(), &CryptoOfSystem());
    std::unique_ptr<ArchiveInput> input;
    if (!OpenReader(reader, input, archivePath, passwordCallback, password)) return 0;

    ExtractOptions options;
    options.selection = TargetsOf(targets);
    options.resources = zvk::SystemDecodeResources();
    if (progressCallback != nullptr) {
      options.progress = [progressCallback](const std::string& path, uint64_t done, uint64_t total) {
        return progressCallback(path.c_str(), static_cast<uint32_t>(done), static_cast<uint32_t>(done >> 32),
                                static_cast<uint32_t>(total), static_cast<uint32_t>(total >> 32)) != 0;
      };
    }
    // Without a callback an existing file is kept, the cautious answer.
    options.overwrite = [overwriteCallback](const std::string& path) {
      if (overwriteCallback == nullptr) return kOverwriteSkip;
      return overwriteCallback(reinterpret_cast<intptr_t>(path.c_str()), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    };

    zvk::Win32ArchiveOutput output;
    const ArchiveStatus status = reader.Extract(output, destination != nullptr ? destination : "", options);
    if (status != ArchiveStatus::kOk) return Fail(static_cast<int32_t>(ErrorCode(status)));
    lastError = 0;
    return 1;
  } catch (...) {
    return Fail(kInternalFailure);
  }
}

int32_t QUARRIX_ARCHIVE_CALL GetLastArchiveError() { return lastError; }

}  // extern "C"
