// Downloads one address into a file with the engine's HTTP client on the simulated machine's
// real internet, for web_download.sh: web_fetch URL HOST-FOLDER [--no-resume].
// The file lands in HOST-FOLDER as C:\block.7zip; what is already there is resumed.
#include <cstdio>
#include <string>

#include "localisation/MessageTable.h"
#include "media/WebDownload.h"
#include "platform/sim/SimMachine.h"

int main(int argc, char** argv) {
  using namespace quarrix;
  if (argc < 3) {
    std::fprintf(stderr, "usage: web_fetch URL HOST-FOLDER [--no-resume]\n");
    return 2;
  }
  platform::sim::SimMachine machine(argv[2]);
  MessageTable messages;
  const DownloadTexts texts = DownloadTexts::From(messages);
  DownloadServices services{machine.internet, machine.files, machine.registry, texts,
                            [](const std::string&, int) { return true; }, [] { return true; }};
  DownloadOptions options;
  options.resume = !(argc > 3 && std::string(argv[3]) == "--no-resume");
  const bool ok = HttpDownloadFile(services, argv[1], "C:\\block.7zip", options);
  return ok ? 0 : 1;
}
