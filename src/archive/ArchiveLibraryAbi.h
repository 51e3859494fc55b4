#pragma once
// The binary interface of the archive library "zvk.lib": its four exports, the records they
// exchange and the callbacks the engine hands in. Both the engine's binding and the library
// build against this one description, so the layouts cannot drift apart. No <windows.h>.
#include <cstdint>

#ifdef _WIN32
#define QUARRIX_ARCHIVE_CALL __stdcall
#else
#define QUARRIX_ARCHIVE_CALL
#endif

namespace quarrix::archive::abi {

// One listed entry. Records follow each other every 48 bytes and the engine reads only the
// path pointer at their start. The i686 library's pointer takes 4 bytes, an x86_64 pointer 8;
// the stride stays 48 on both, the rest is the library's own.
struct ArchiveEntryRecord {
  const char* path;  // "\"-separated, zero-terminated ANSI; valid until CloseListArchive
  unsigned char libraryData[48 - sizeof(const char*)];
};
static_assert(sizeof(ArchiveEntryRecord) == 48, "entry records are 48 bytes apart");

// The entries ExtractArchive is to extract; a count of 0 extracts the whole archive.
// The engine owns the strings and the array and frees them after the call.
struct TSZW_TARGETFILES {
  const char** paths;
  int32_t count;
};

// The library can hand the password buffer no larger than this; the engine never writes more,
// terminator included.
constexpr uint32_t kArchivePasswordBufferSize = 256;

// Results and booleans are 32-bit integers; argument slots the engine fills with 0 are
// pointer-sized so that both architectures agree on the stack layout.
using ArchivePasswordCallback = int32_t(QUARRIX_ARCHIVE_CALL*)(char* passwordBuffer);
using ArchiveProgressCallback = int32_t(QUARRIX_ARCHIVE_CALL*)(const char* entryPath, uint32_t doneLow,
                                                               uint32_t doneHigh, uint32_t totalLow,
                                                               uint32_t totalHigh);
using ArchiveTwoArgumentCallback = int32_t(QUARRIX_ARCHIVE_CALL*)(intptr_t first, intptr_t second);
using ArchiveOverwriteCallback = int32_t(QUARRIX_ARCHIVE_CALL*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                                                                intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);

// Non-zero handle on success.
using OpenListArchiveFunction = intptr_t(QUARRIX_ARCHIVE_CALL*)(const char* archivePath, intptr_t zero1,
                                                                ArchivePasswordCallback passwordCallback,
                                                                intptr_t zero2, intptr_t zero3, intptr_t zero4,
                                                                const char* password,
                                                                ArchiveEntryRecord** firstEntry,
                                                                int32_t* entryCount);
using CloseListArchiveFunction = void(QUARRIX_ARCHIVE_CALL*)(intptr_t handle);
// Non-zero on success; alwaysOne is 1.
using ExtractArchiveFunction = int32_t(QUARRIX_ARCHIVE_CALL*)(const char* archivePath, int32_t alwaysOne,
                                                              const char* destination, TSZW_TARGETFILES* targets,
                                                              int32_t modeFlag, const char* password,
                                                              ArchivePasswordCallback passwordCallback,
                                                              ArchiveProgressCallback progressCallback,
                                                              ArchiveTwoArgumentCallback twoArgumentCallback,
                                                              ArchiveOverwriteCallback overwriteCallback);
// 1001 not found, 1002 illegal wildcard path, 1003 unsupported or wrong password, else general.
using GetLastArchiveErrorFunction = int32_t(QUARRIX_ARCHIVE_CALL*)();

// Exported under these plain names; an i686 build needs a .def file to drop the stdcall decoration.
inline constexpr const char* kOpenListArchiveExport = "OpenListArchive";
inline constexpr const char* kCloseListArchiveExport = "CloseListArchive";
inline constexpr const char* kExtractArchiveExport = "ExtractArchive";
inline constexpr const char* kGetLastArchiveErrorExport = "GetLastArchiveError";

}  // namespace quarrix::archive::abi
