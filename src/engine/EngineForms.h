#pragma once
// The engine's own modal forms, shown over the wizard: the language dialog and the questions of
// the web media driver. The user interface layer builds them; none is shown in a silent run.
#include <cstddef>
#include <optional>

#include "common/AnsiText.h"
#include "engine/WebMediaState.h"

namespace quarrix {

class EngineForms {
 public:
  virtual ~EngineForms() = default;

  // The language dialog offering languages with one preselected: the index chosen, nothing
  // when the user cancelled.
  virtual std::optional<size_t> ChooseLanguage(const StringList& languages, size_t preselected) = 0;
  // After a failed system download.
  virtual DownloadRetry RetrySystemDownload() = 0;
  // After a failed download by the HTTP client: true tries again with the proxy fields as the
  // user left them, written into options.
  virtual bool RetryHttpDownload(DownloadOptions& options) = 0;
  // After a failed extraction of a downloaded block.
  virtual ExtractRetry RetryExtraction() = 0;
};

}  // namespace quarrix
