// Extracts a whole archive with the reader, for timing against the 7z tool.
// Usage: archive_extract [--threads N] ARCHIVE DEST [PASSWORD]
// --threads caps the folders decoded at once (default: what the host's threads and memory allow).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "archive/ArchiveReader.h"
#include "archive/Cp1252CodePage.h"
#include "archive/native/HostFiles.h"
#include "archive/native/HostResources.h"
#include "archive/native/OpenSslCrypto.h"

int main(int argc, char** argv) {
  using namespace quarrix::archive;
  unsigned threadCap = 0;
  if (argc > 2 && std::string(argv[1]) == "--threads") {
    threadCap = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    argc -= 2;
    argv += 2;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: archive_extract [--threads N] ARCHIVE DEST [PASSWORD]\n");
    return 2;
  }
  Cp1252CodePage codePage;
  OpenSslCrypto crypto;
  ArchiveReader reader(codePage, &crypto);
  const std::string password = argc > 3 ? argv[3] : "";
  auto input = OpenHostArchive(argv[1]);
  ArchiveStatus status = reader.Open(input.get(), [&](std::string& out) {
    out = password;
    return argc > 3;
  });
  HostArchiveOutput output(codePage);
  ExtractOptions options;
  options.resources = HostDecodeResources();
  if (threadCap > 0) options.resources.threads = std::min(options.resources.threads, threadCap);
  if (status == ArchiveStatus::kOk) status = reader.Extract(output, argv[2], options);
  if (status != ArchiveStatus::kOk) {
    std::fprintf(stderr, "error %u: %s\n", ErrorCode(status), reader.LastMessage().c_str());
    return 1;
  }
  return 0;
}
