#pragma once
// The file through which a package's own custom actions read the script's variables while the
// installer runs: records of a name line, a value line and a "$ex" line, CR LF, in the
// temporary folder under the product code's name.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace quarrix {

class TVariableManager;

// Installer property names a script variable never overrides, in their stored order; matched
// without regard to letter case.
extern const std::array<std::string_view, 199> kReservedInstallerProperties;
bool IsReservedInstallerProperty(std::string_view name);

// The temporary folder (trailing backslash) followed by the product code, no extension.
std::string HandshakeFilePath(const std::string& tempFolder, const std::string& productCode);

struct HandshakeInputs {
  bool patch = false;
  bool install = false;  // install or advertise; false for a removal
  std::string dataFolder;
  std::string previousSourceFolder;
  std::string mediaPath;
  std::string propertiesText;  // comma text: name, value, name, value ...
  std::string variablesText;   // ExportVariables
};

struct HandshakeFile {
  std::string text;
  // What the message handler takes from the variables written: the silent flag from SILENT
  // ("TRUE" in any case), the box caption from TITLE; nothing when the variable is absent.
  std::optional<bool> silent;
  std::optional<std::string> caption;
};

// Values pass through NormalizePath of the live store. A removal replaces a property value that
// names a drive but neither an existing file nor folder by the data folder, so that the custom
// actions of the removal find something that is there.
HandshakeFile BuildHandshakeFile(const TVariableManager& variables, platform::FileSystem& files,
                                 const HandshakeInputs& inputs);

}  // namespace quarrix
