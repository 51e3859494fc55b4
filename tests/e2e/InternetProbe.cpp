// Calls the engine's win32 internet backend directly, as a second client beside the engine, for
// what a script reaches only through interactive forms (a proxy) or cannot observe (the pieces):
//   internet-probe REPORT head URL [PROXY PORT USER PASSWORD]
//   internet-probe REPORT get URL OUT FROM [PROXY PORT USER PASSWORD]   (FROM > 0: ranged)
//   internet-probe REPORT cancel URL OUT                                 (stops after the first piece)
//   internet-probe REPORT system URL OUT                                 (the system downloader)
// The report holds "status N", "transferred 0|1", "bytes N", "aborted 0|1" and for head the
// headers' "content-length" line; for system "result 0|1" and the status codes seen.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/win32/Win32Internet.h"

using namespace quarrix::platform;

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  std::ofstream report(argv[1], std::ios::binary);
  const std::string operation = argv[2];
  win32::Win32Internet internet;
  HttpRequest request;
  request.url = argv[3];
  request.waitTimeoutMs = 5000;
  const int proxyAt = operation == "head" ? 4 : 6;
  if (argc >= proxyAt + 4) request.proxy = {argv[proxyAt], argv[proxyAt + 1], argv[proxyAt + 2], argv[proxyAt + 3]};
  const KeepGoing keepGoing = [] { return true; };
  if (operation == "system") {
    std::string codes;
    const SystemDownloadResult result =
        internet.SystemDownload(request.url, {}, {}, [&](uint32_t code, uint64_t, uint64_t, const std::string& text) {
          codes += " " + std::to_string(code);
          if (code == 14) report << "cache " << text << "\n";
          return true;
        });
    report << "result " << result.succeeded << "\ncodes" << codes << "\n";
    return 0;
  }
  HttpResponse response;
  if (operation == "head") {
    response = internet.Head(request, keepGoing);
  } else {
    std::ofstream out(argv[4], std::ios::binary);
    const long from = argc > 5 ? std::atol(argv[5]) : 0;
    request.ranged = from > 0;
    request.rangeFrom = static_cast<uint64_t>(from);
    const bool stopEarly = operation == "cancel";
    int startStatus = 0;
    response = internet.Get(
        request, [&](int status, const std::string&) { startStatus = status; return true; },
        [&](const char* data, size_t size) {
          out.write(data, static_cast<std::streamsize>(size));
          return !stopEarly;
        },
        keepGoing);
    report << "start " << startStatus << "\n";
  }
  report << "status " << response.status << "\ntransferred " << response.transferred << "\nbytes "
         << response.bodyBytes << "\naborted " << response.aborted << "\n";
  const size_t length = response.headers.find("Content-Length:");
  if (length != std::string::npos)
    report << "content-length " << std::atol(response.headers.c_str() + length + 15) << "\n";
  return 0;
}
