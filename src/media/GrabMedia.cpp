#include "media/GrabMedia.h"

#include "common/WindowsPath.h"
#include "engine/Session.h"

namespace quarrix {

StringList AddressLines(const std::string& addresses) {
  StringList lines;
  std::string line;
  for (char c : addresses + "\n") {
    if (c != '\r' && c != '\n') {
      line += c;
      continue;
    }
    const size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos) lines.push_back(line.substr(first, line.find_last_not_of(" \t") - first + 1));
    line.clear();
  }
  return lines;
}

TGrabMedia::TGrabMedia(WorkerKey key, Session& session, GrabMediaRequest request)
    : Worker(key, session),
      session_(session),
      request_(std::move(request)),
      texts_(DownloadTexts::From(session.messages)),
      downloaderAfter_(request_.downloader) {}

void TGrabMedia::Execute() {
  bool succeeded = false;
  DownloaderState downloader = request_.downloader;
  if (!request_.target.empty()) {
    platform::Platform& machine = session_.platform;
    machine.files.CreateDirectories(FolderBeforeBackslash(request_.target));
    DownloadServices services{machine.internet, machine.files, machine.registry, texts_,
                              [this](const std::string& text, int percent) { return OnProgress(text, percent); },
                              [this] { return !TerminateRequested(); }};
    for (const std::string& address : AddressLines(request_.addresses)) {
      if (TerminateRequested()) break;
      if (DownloadFile(services, downloader, address, request_.target, request_.options)) {
        succeeded = true;
        break;
      }
    }
  }
  PublishResult([&] {
    succeeded_ = succeeded;
    downloaderAfter_ = downloader;
  });
}

bool TGrabMedia::OnProgress(const std::string& text, int percent) {
  ReportProgress(request_.progressPrefix + "\r" + text, 0, 100, percent);
  session_.platform.threads.PostWakeUp();
  return !TerminateRequested();
}

}  // namespace quarrix
