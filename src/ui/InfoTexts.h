#pragma once
// The information texts of a dialog: the selected component's description and size, the total
// to install and the free space on the destination drive.
#include <cstdint>
#include <string>

#include "localisation/MessageTable.h"
#include "ui/DialogScope.h"

namespace quarrix::ui {

// "1,234 bytes", "5,120 KB", "2,048 MB": bytes below 1 MB (and every negative size), kilobytes
// below 1 GB, megabytes above; units from the message table.
std::string FormatSize(int64_t bytes, const MessageTable& messages);

void RefreshInfoTexts(const DialogScope& scope);

}  // namespace quarrix::ui
