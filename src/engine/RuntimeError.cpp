#include "engine/RuntimeError.h"

#include "common/IntegerSyntax.h"
#include "common/WindowsPath.h"
#include "engine/ProgressModeScope.h"
#include "engine/Session.h"
#include "engine/WizardCaption.h"

namespace quarrix {
namespace {

constexpr int kSlotScriptRuntimeError = 20;

// A location whose line is no number is shown as written rather than hidden.
std::string OneBasedLine(std::string_view line) {
  const std::optional<int32_t> number = ParseScriptInteger(line);
  return number ? std::to_string(static_cast<int64_t>(*number) + 1) : std::string(line);
}

}  // namespace

std::string RuntimeErrorText(std::string_view heading, std::string_view sourceLocation, std::string_view error) {
  const size_t star = sourceLocation.find('*');
  const std::string_view file = sourceLocation.substr(0, star);
  const std::string_view line = star == std::string_view::npos ? std::string_view() : sourceLocation.substr(star + 1);
  std::string text(heading);
  text += "\r\rSource File: ";
  text += FileNameWithoutExtension(FileNameAfterAnySeparator(file));
  text += "\rLine Number: ";
  text += OneBasedLine(line);
  text += "\r\r";
  text += error;
  return text;
}

void ReportRuntimeError(Session& session, size_t lineIndex, std::string_view error) {
  const StringList& locations = session.payload.sourceLocations;
  const std::string location = lineIndex < locations.size() ? locations[lineIndex] : std::string();
  session.runtimeErrorReport = RuntimeErrorText(session.messages.Text(kSlotScriptRuntimeError), location, error);
  if (session.silent) return;
  // The run ends after the box: the error state stays.
  SetProgressMode(session, true, true);
  session.platform.ui.ShowMessage(session.runtimeErrorReport, WizardCaption(session.captionTitle, session.logoFree),
                                  platform::MessageButtons::Ok, platform::MessageIcon::Error, /*ownedByWindow=*/true);
}

}  // namespace quarrix
