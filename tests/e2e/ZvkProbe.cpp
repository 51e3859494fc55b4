// Drives the archive library through its four exports the way any caller must: bound at run
// time by name, records read at 48-byte steps, callbacks answered on the calling thread.
//   zvk-probe REPORT LIBRARY list ARCHIVE [PASSWORD]             reports "entry PATH" lines
//   zvk-probe REPORT LIBRARY extract ARCHIVE DEST [PASSWORD] [OVERWRITE] [CANCEL-AFTER]
//   zvk-probe REPORT LIBRARY threads FAILING GOOD   lists FAILING, then GOOD on a second thread,
//                                                   and reports "error CODE" of the first thread
//                                                   and "other CODE" of the second
// The report is a file: output of a program under Wine is not piped back reliably.
// The password goes through the password callback only (the argument stays empty); the
// overwrite answer (1 or 4) is what the overwrite callback returns; CANCEL-AFTER > 0 makes the
// progress callback cancel at that call. Reports "error CODE" and exits 1 on failure.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "archive/ArchiveLibraryAbi.h"
#include "platform/win32/Win32Api.h"

using namespace quarrix::archive::abi;
using quarrix::platform::win32::LookUpProcedure;

namespace {

std::string password;
int passwordCalls = 0;
int progressCalls = 0;
int cancelAfter = 0;
int32_t overwriteAnswer = 4;
int overwriteCalls = 0;

int32_t QUARRIX_ARCHIVE_CALL OnPassword(char* buffer) {
  ++passwordCalls;
  if (password.empty() || passwordCalls > 1) return 0;
  std::strncpy(buffer, password.c_str(), kArchivePasswordBufferSize - 1);
  return 1;
}

int32_t QUARRIX_ARCHIVE_CALL OnProgress(const char*, uint32_t, uint32_t, uint32_t, uint32_t) {
  ++progressCalls;
  return cancelAfter > 0 && progressCalls >= cancelAfter ? 0 : 1;
}

int32_t QUARRIX_ARCHIVE_CALL OnTwoArguments(intptr_t, intptr_t) { return 1; }

int32_t QUARRIX_ARCHIVE_CALL OnOverwrite(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                                         intptr_t, intptr_t, intptr_t) {
  ++overwriteCalls;
  return overwriteAnswer;
}

int Usage() {
  std::fprintf(stderr, "usage: zvk-probe REPORT LIBRARY list ARCHIVE [PASSWORD] | extract ARCHIVE DEST [PASSWORD] [OVERWRITE] [CANCEL-AFTER] | threads FAILING GOOD\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return Usage();
  std::FILE* report = std::fopen(argv[1], "w");
  if (report == nullptr) return 3;
  ++argv;
  --argc;
  HMODULE library = LoadLibraryA(argv[1]);
  if (library == nullptr) {
    std::fprintf(report, "not loaded\n");
    return 3;
  }
  auto openList = LookUpProcedure<OpenListArchiveFunction>(library, kOpenListArchiveExport);
  auto closeList = LookUpProcedure<CloseListArchiveFunction>(library, kCloseListArchiveExport);
  auto extract = LookUpProcedure<ExtractArchiveFunction>(library, kExtractArchiveExport);
  auto lastError = LookUpProcedure<GetLastArchiveErrorFunction>(library, kGetLastArchiveErrorExport);
  if (!openList || !closeList || !extract || !lastError) {
    std::fprintf(report, "exports missing\n");
    return 3;
  }
  const std::string mode = argv[2];
  int result = 0;
  if (mode == "list") {
    if (argc > 4) password = argv[4];
    ArchiveEntryRecord* first = nullptr;
    int32_t count = -1;
    intptr_t handle = openList(argv[3], 0, &OnPassword, 0, 0, 0, "", &first, &count);
    if (handle == 0) {
      std::fprintf(report, "error %d\n", static_cast<int>(lastError()));
      result = 1;
    } else {
      for (int32_t i = 0; i < count; ++i) std::fprintf(report, "entry %s\n", first[i].path);
      closeList(handle);
    }
  } else if (mode == "extract" && argc >= 5) {
    if (argc > 5) password = argv[5];
    if (argc > 6) overwriteAnswer = std::atoi(argv[6]);
    if (argc > 7) cancelAfter = std::atoi(argv[7]);
    TSZW_TARGETFILES targets{nullptr, 0};
    if (extract(argv[3], 1, argv[4], &targets, 0, "", &OnPassword, &OnProgress, &OnTwoArguments, &OnOverwrite) == 0) {
      std::fprintf(report, "error %d\n", static_cast<int>(lastError()));
      result = 1;
    }
    std::fprintf(report, "progress %d\noverwrite %d\n", progressCalls, overwriteCalls);
  } else if (mode == "threads" && argc >= 5) {
    ArchiveEntryRecord* first = nullptr;
    int32_t count = -1;
    const intptr_t failed = openList(argv[3], 0, &OnPassword, 0, 0, 0, "", &first, &count);
    int32_t otherError = -1;
    std::thread other([&] {
      ArchiveEntryRecord* otherFirst = nullptr;
      int32_t otherCount = -1;
      const intptr_t handle = openList(argv[4], 0, &OnPassword, 0, 0, 0, "", &otherFirst, &otherCount);
      otherError = lastError();
      if (handle != 0) closeList(handle);
    });
    other.join();
    std::fprintf(report, "error %d\nother %d\n", static_cast<int>(lastError()), static_cast<int>(otherError));
    if (failed != 0) closeList(failed);
  } else {
    return Usage();
  }
  std::fprintf(report, "password %d\n", passwordCalls);
  FreeLibrary(library);
  std::fclose(report);
  return result;
}
