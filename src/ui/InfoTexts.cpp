#include "ui/InfoTexts.h"

#include <optional>

#include "common/WindowsPath.h"
#include "engine/VariableManager.h"

namespace quarrix::ui {
namespace {

constexpr int kSlotBytes = 6;
constexpr int kSlotKilobytes = 7;
constexpr int kSlotMegabytes = 8;
constexpr int64_t kMegabyte = 1048576;
constexpr int64_t kGigabyte = 1073741824;

enum InfoTag { kDescription = 2, kComponentSize = 3, kTotalSize = 4, kFreeSpace = 5, kSpaceLeft = 6 };

std::string GroupDigits(uint64_t value) {
  std::string digits = std::to_string(value);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
  return digits;
}

std::optional<int64_t> FreeSpace(const DialogScope& scope) {
  const std::string target = scope.session.variables.GetVariable("TARGETDIR");
  if (target.empty()) return -1;
  const std::optional<platform::DiskSpace> space = scope.session.platform.files.SpaceOnDisk(DriveOf(target) + "\\");
  if (!space) return std::nullopt;
  return static_cast<int64_t>(space->freeToCaller);
}

std::optional<std::string> InfoText(const DialogScope& scope, int tag) {
  const ComponentTable& components = scope.session.run.components;
  const MessageTable& messages = scope.session.messages;
  const std::string& selected = scope.dialog.selectedComponent;
  switch (tag) {
    case kDescription: return NewlineToCrLf(components.ComponentDescription(selected));
    case kComponentSize: return FormatSize(components.ComponentSize(selected), messages);
    case kTotalSize: return FormatSize(components.TotalToInstall(), messages);
    case kFreeSpace: {
      const std::optional<int64_t> free = FreeSpace(scope);
      if (!free) return std::nullopt;
      return FormatSize(*free, messages);
    }
    case kSpaceLeft: {
      const std::optional<int64_t> free = FreeSpace(scope);
      if (!free) return std::nullopt;
      return FormatSize(*free - components.TotalToInstall(), messages);
    }
    default: return std::nullopt;
  }
}

}  // namespace

std::string FormatSize(int64_t bytes, const MessageTable& messages) {
  int64_t shown = bytes;
  int unit = kSlotBytes;
  if (bytes >= kGigabyte) {
    shown = bytes / kMegabyte;
    unit = kSlotMegabytes;
  } else if (bytes >= kMegabyte) {
    shown = bytes / 1024;
    unit = kSlotKilobytes;
  }
  const uint64_t magnitude = shown < 0 ? 0 - static_cast<uint64_t>(shown) : static_cast<uint64_t>(shown);
  return (shown < 0 ? "-" : "") + GroupDigits(magnitude) + " " + messages.Text(unit);
}

void RefreshInfoTexts(const DialogScope& scope) {
  for (const platform::ComponentInfo& info : scope.toolkit.Components(scope.dialog.form)) {
    if (!EqualsIgnoreCase(info.className, "TStaticText")) continue;
    const int tag = scope.Tag(info.name);
    if (tag < kDescription || tag > kSpaceLeft) continue;
    std::optional<std::string> text;
    try {
      text = InfoText(scope, tag);
    } catch (const std::exception&) {
      text.reset();
    }
    scope.Set(info.name, "Caption", text.value_or(""));
  }
}

}  // namespace quarrix::ui
