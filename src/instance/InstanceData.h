#pragma once
// The instance data file: component table, target folders, persisted variables and platform
// mode as CR LF lines, six "$"-ended component sections first. Also the format of the
// feature selection files the script saves and loads.
#include <string>

#include "common/AnsiText.h"
#include "platform/FileSystem.h"

namespace quarrix {

struct Session;

// The lines of a text file as a text reader sees them (ended by CR LF, LF or CR); a file that
// cannot be read has none.
StringList ReadTextLines(platform::FileSystem& files, const std::string& path);

enum class InstanceLoad {
  Live,       // components appended to the live table, sizes included
  KeepSizes,  // as Live, but this setup's component sizes stay as they are (an older revision's data)
  Merge,      // states of known components taken over; removed, hidden and fixed lists replaced
};

// full: a new file with every section. Otherwise an update of an existing file (nothing happens
// when it is missing): its components and fixed lines stay, the variables are written anew.
// emptyDataLine leaves the data folder's line empty (feature selection files).
void SaveInstanceData(Session& session, const std::string& path, bool emptyDataLine, bool full);

// Nothing happens when the file does not exist.
void LoadInstanceData(Session& session, const std::string& path, InstanceLoad mode);

}  // namespace quarrix
