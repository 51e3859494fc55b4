#pragma once
// The engine's own forms on the toolkit, for the run and the web media driver to ask with. Made
// the session's forms for as long as it lives.
#include "engine/EngineForms.h"
#include "engine/Session.h"

namespace quarrix::ui {

class BuiltInForms final : public EngineForms {
 public:
  explicit BuiltInForms(Session& session);
  ~BuiltInForms() override;
  BuiltInForms(const BuiltInForms&) = delete;
  BuiltInForms& operator=(const BuiltInForms&) = delete;

  std::optional<size_t> ChooseLanguage(const StringList& languages, size_t preselected) override;
  DownloadRetry RetrySystemDownload() override;
  bool RetryHttpDownload(DownloadOptions& options) override;
  ExtractRetry RetryExtraction() override;

 private:
  Session& session_;
};

}  // namespace quarrix::ui
