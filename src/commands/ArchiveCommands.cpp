// The archive commands.
#include "commands/CommandFamilies.h"
#include "engine/Worker.h"
#include "media/DirectExtractMedia.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

constexpr const char* kSuccess = "SUCCESS";

// Parameters: 1 archive, 2 destination, 3 result (optional), 4 password, 5 overwrite, 6 mode.
void ExtractSevenZipArchive(CommandContext& context) {
  DirectExtractRequest request;
  request.archivePath = context.Path(1);
  request.destination = context.Path(2);
  request.password = context.Expanded(4);
  request.overwrite = context.Truth(5);
  request.modeSwitch = context.Truth(6);

  WorkerOf<TDirectExtractMedia> worker(context.session, std::move(request));
  WaitOptions options;
  options.cancelContext = "Cancel at Extract-7Zip Time";
  const WaitOutcome outcome = WaitForWorker(context.session, *worker, options);
  if (outcome.endScript) context.EndScript();
  if (context.Param(3).empty()) return;
  std::string result = worker->Succeeded() ? kSuccess : worker->ErrorText();
  if (!worker->Succeeded() && result.empty()) result = worker->Failure();
  context.SetDeclaredResult(3, result);
}

constexpr CommandRow kRows[] = {
    {"Extract 7Zip Archive", ExtractSevenZipArchive, DeclareOnly<3>},
};

}  // namespace

std::span<const CommandRow> ArchiveCommandRows() { return kRows; }

}  // namespace quarrix
