#pragma once
// What the web media driver keeps for one run: the block "Web Media Block" named last, the
// download options the retry forms change, and what earlier fetches of the run learnt.
#include <string>

#include "common/AnsiText.h"

namespace quarrix {

struct Session;

struct WebMediaBlock {
  std::string addresses;    // one web address per line, in order of preference
  std::string archivePath;  // data folder + block name + ".7zip"
  std::string password;     // unscrambled
};

struct DownloadOptions {
  bool resume = true;
  std::string proxyServer;
  std::string proxyPort;
  std::string proxyUser;
  std::string proxyPassword;
};

// The answers to the driver's questions after a failed download or extraction.
enum class DownloadRetry { Resume, NewCopy, Cancel };
enum class ExtractRetry { FreshCopy, ExtractAgain, Cancel };

struct WebMediaState {
  WebMediaBlock block;
  DownloadOptions options;
  // Local block copies whose extraction failed and that the user chose to replace, upper-cased.
  StringList failedLocalCopies;
  // Cleared for the rest of the run once the system download service cannot be loaded.
  bool systemDownloader = true;
  std::string lastCacheFile;  // the system downloader's, deleted before a download that does not resume
  std::string previousDataFolder;
};

}  // namespace quarrix
