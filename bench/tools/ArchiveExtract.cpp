// Extracts a whole archive with the reader, for timing against the 7z tool.
// Usage: archive_extract ARCHIVE DEST [PASSWORD]
#include <cstdio>
#include <string>

#include "archive/ArchiveReader.h"
#include "archive/Cp1252CodePage.h"
#include "archive/native/HostFiles.h"
#include "archive/native/HostResources.h"
#include "archive/native/OpenSslCrypto.h"

int main(int argc, char** argv) {
  using namespace quarrix::archive;
  if (argc < 3) {
    std::fprintf(stderr, "usage: archive_extract ARCHIVE DEST [PASSWORD]\n");
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
  if (status == ArchiveStatus::kOk) status = reader.Extract(output, argv[2], options);
  if (status != ArchiveStatus::kOk) {
    std::fprintf(stderr, "error %u: %s\n", ErrorCode(status), reader.LastMessage().c_str());
    return 1;
  }
  return 0;
}
