#include "commands/FileOperations.h"

#include "common/WindowsPath.h"

namespace quarrix {
namespace {

StringList ListFolder(platform::FileSystem& files, const std::string& folder, const std::string& mask, bool recurse,
                      bool withFolders, const ListFilesObserver* observer, bool& stopped) {
  StringList found;
  if (observer != nullptr && observer->enteringFolder) observer->enteringFolder();
  auto stop = [&] {
    if (observer != nullptr && observer->stopRequested && observer->stopRequested()) stopped = true;
    return stopped;
  };
  for (const platform::DirectoryEntry& entry : files.FindMatching(folder + "*.*")) {
    if (!entry.isDirectory) continue;
    if (recurse) {
      StringList inner = ListFolder(files, folder + entry.name + "\\", mask, true, withFolders, observer, stopped);
      found.insert(found.end(), inner.begin(), inner.end());
    }
    if (withFolders) found.push_back(folder + entry.name);
    if (stopped || stop()) return found;
  }
  for (const platform::DirectoryEntry& entry : files.FindMatching(folder + mask)) {
    if (entry.isDirectory) continue;
    found.push_back(folder + entry.name);
    if (observer != nullptr && observer->foundFile) observer->foundFile(found.back());
    if (stop()) return found;
  }
  return found;
}

// The one key of a section of an INI text set, the rest of the text kept as it stands.
std::string WithIniValue(const std::string& text, const std::string& section, const std::string& key,
                         const std::string& value) {
  StringList lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  const std::string entry = key + "=" + value;
  auto trimmed = [](const std::string& line) {
    const size_t first = line.find_first_not_of(" \t");
    const size_t last = line.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
  };
  size_t sectionLine = lines.size();
  for (size_t i = 0; i < lines.size(); ++i)
    if (EqualsIgnoreCase(trimmed(lines[i]), "[" + section + "]")) sectionLine = i;
  if (sectionLine == lines.size()) {
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
  } else {
    size_t i = sectionLine + 1;
    bool replaced = false;
    for (; i < lines.size() && !StartsWith(trimmed(lines[i]), "["); ++i) {
      const std::string line = trimmed(lines[i]);
      const size_t equals = line.find('=');
      if (equals != std::string::npos && EqualsIgnoreCase(trimmed(line.substr(0, equals)), key)) {
        lines[i] = entry;
        replaced = true;
        break;
      }
    }
    if (!replaced) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), entry);
  }
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

}  // namespace

StringList ListFiles(platform::FileSystem& files, const std::string& pattern, bool recurse, bool withFolders,
                     const ListFilesObserver* observer) {
  bool stopped = false;
  return ListFolder(files, FolderUpToBackslash(pattern), FileNameAfterBackslash(pattern), recurse, withFolders,
                    observer, stopped);
}

void EmptyFolder(platform::FileSystem& files, const std::string& folder, bool recursive) {
  const std::string root = WithTrailingBackslash(folder);
  if (recursive) {
    for (const platform::DirectoryEntry& entry : files.ListDirectory(root)) {
      if (!entry.isDirectory) continue;
      EmptyFolder(files, root + entry.name, true);
      files.RemoveEmptyDirectory(root + entry.name);
    }
  }
  for (const platform::DirectoryEntry& entry : files.ListDirectory(root)) {
    if (entry.isDirectory) continue;
    files.SetAttributesNormal(root + entry.name);
    files.RemoveFile(root + entry.name);
  }
}

bool DeleteOnReboot(const platform::Platform& platform, const std::string& path) {
  if (platform.system.Version().ntFamily) return platform.files.DeleteAtRestart(path);
  const std::string shortPath = platform.files.ShortPathName(path).value_or(path);
  const auto windows = platform.system.FolderPath(platform::SpecialFolder::Windows);
  if (!windows) return false;
  const std::string ini = WithTrailingBackslash(*windows) + "wininit.ini";
  return platform.files.WriteFile(ini, WithIniValue(platform.files.ReadFile(ini).value_or(""), "Rename", "NUL",
                                                    shortPath));
}

}  // namespace quarrix
