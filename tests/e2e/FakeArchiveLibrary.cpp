// A stand-in for the archive library, built only for the end-to-end tests. Its "archive" is a
// text file: "entry PATH" lines name the entries, a line "fail CODE" makes listing fail with
// that error code, a line "content PATH TEXT" gives an entry what it holds ("\n" in TEXT is a
// line break). Extraction writes each target as a file holding that text or its own path, and a report
// of what the engine passed in and how its callbacks answered: the binary interface seen from
// the library's side.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archive/ArchiveLibraryAbi.h"

using namespace quarrix::archive::abi;

namespace {

struct ListedArchive {
  std::vector<std::string> paths;
  std::vector<ArchiveEntryRecord> records;
};

int32_t lastError = 0;

std::vector<std::string> ReadArchiveLines(const char* archivePath, int32_t& failure) {
  failure = 0;
  std::vector<std::string> entries;
  std::ifstream archive(archivePath, std::ios::binary);
  if (!archive) {
    failure = 1001;
    return entries;
  }
  std::string line;
  while (std::getline(archive, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("entry ", 0) == 0) entries.push_back(line.substr(6));
    if (line.rfind("fail ", 0) == 0) failure = std::stoi(line.substr(5));
  }
  return entries;
}

// What the "content PATH TEXT" lines give their entries.
std::string ContentOf(const char* archivePath, const std::string& entry) {
  std::ifstream archive(archivePath, std::ios::binary);
  std::string line;
  const std::string prefix = "content " + entry + " ";
  while (std::getline(archive, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(prefix, 0) != 0) continue;
    std::string text;
    for (size_t i = prefix.size(); i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'n') {
        text += "\r\n";
        ++i;
      } else {
        text += line[i];
      }
    }
    return text;
  }
  return entry;
}

std::filesystem::path HostPath(const std::string& folder, const std::string& entry) {
  std::string path = folder;
  if (!path.empty() && path.back() != '\\') path += '\\';
  return std::filesystem::path(path + entry);
}

}  // namespace

extern "C" {

__declspec(dllexport) intptr_t QUARRIX_ARCHIVE_CALL OpenListArchive(const char* archivePath, intptr_t zero1,
                                                                    ArchivePasswordCallback, intptr_t zero2,
                                                                    intptr_t zero3, intptr_t zero4,
                                                                    const char* password,
                                                                    ArchiveEntryRecord** firstEntry,
                                                                    int32_t* entryCount) {
  int32_t failure = 0;
  std::vector<std::string> paths = ReadArchiveLines(archivePath, failure);
  if (failure != 0 || zero1 != 0 || zero2 != 0 || zero3 != 0 || zero4 != 0 || password == nullptr) {
    lastError = failure != 0 ? failure : 1;
    return 0;
  }
  auto* listed = new ListedArchive{std::move(paths), {}};
  listed->records.resize(listed->paths.size());
  for (size_t index = 0; index < listed->paths.size(); ++index) {
    std::memset(&listed->records[index], 0xA5, sizeof(ArchiveEntryRecord));  // the engine must not read it
    listed->records[index].path = listed->paths[index].c_str();
  }
  *firstEntry = listed->records.empty() ? nullptr : listed->records.data();
  *entryCount = static_cast<int32_t>(listed->records.size());
  return reinterpret_cast<intptr_t>(listed);
}

__declspec(dllexport) void QUARRIX_ARCHIVE_CALL CloseListArchive(intptr_t handle) {
  delete reinterpret_cast<ListedArchive*>(handle);
}

__declspec(dllexport) int32_t QUARRIX_ARCHIVE_CALL ExtractArchive(
    const char* archivePath, int32_t alwaysOne, const char* destination, TSZW_TARGETFILES* targets,
    int32_t modeFlag, const char* password, ArchivePasswordCallback passwordCallback,
    ArchiveProgressCallback progressCallback, ArchiveTwoArgumentCallback twoArgumentCallback,
    ArchiveOverwriteCallback overwriteCallback) {
  int32_t failure = 0;
  ReadArchiveLines(archivePath, failure);
  if (failure != 0) {
    lastError = failure;
    return 0;
  }
  std::ostringstream report;
  report << "alwaysOne=" << alwaysOne << "\nmode=" << modeFlag << "\npassword=" << password << "\ntargets=";
  for (int32_t index = 0; index < targets->count; ++index) report << (index ? "," : "") << targets->paths[index];

  char buffer[kArchivePasswordBufferSize];
  std::memset(buffer, 'x', sizeof(buffer));
  int32_t firstAnswer = passwordCallback(buffer);
  report << "\npasswordCalls=" << firstAnswer << ":" << (std::memchr(buffer, '\0', sizeof(buffer)) ? "terminated" : "open")
         << "," << passwordCallback(buffer);
  // 5 GiB done of 6 GiB: both halves of each count are used.
  report << "\nprogress=" << progressCallback("sub\\b.txt", 1, 1, 2, 1);
  report << "\ntwoArgument=" << twoArgumentCallback(7, 8);
  report << "\noverwrite=" << overwriteCallback(1, 2, 3, 4, 5, 6, 7, 8, 9, 10) << "\n";

  for (int32_t index = 0; index < targets->count; ++index) {
    std::filesystem::path file = HostPath(destination, targets->paths[index]);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << ContentOf(archivePath, targets->paths[index]);
  }
  std::ofstream(HostPath(destination, "abi-report.txt"), std::ios::binary) << report.str();
  return 1;
}

__declspec(dllexport) int32_t QUARRIX_ARCHIVE_CALL GetLastArchiveError() { return lastError; }

}  // extern "C"
