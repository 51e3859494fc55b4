#include "common/WindowsPath.h"

namespace quarrix {
namespace {

constexpr std::string_view kBackslash = "\\";
constexpr std::string_view kBackslashOrColon = "\\:";
constexpr std::string_view kSlashOrBackslash = "\\/";
constexpr std::string_view kAnySeparator = "\\/:";

std::string After(std::string_view path, std::string_view separators) {
  const size_t at = path.find_last_of(separators);
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string UpTo(std::string_view path, std::string_view separators) {
  const size_t at = path.find_last_of(separators);
  return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

}  // namespace

std::string WithTrailingBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

std::string WithTrailingBackslashUnlessEmpty(std::string path) {
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

std::string WithoutTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

std::string WithoutTrailingBackslashes(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

std::string WithoutTrailingBackslashesNeverEmpty(std::string path) {
  while (path.size() > 1 && path.back() == '\\') path.pop_back();
  return path;
}

std::string WithoutTrailingSeparatorsNeverEmpty(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

std::string FileNameAfterBackslash(std::string_view path) { return After(path, kBackslash); }
std::string FileNameAfterBackslashOrColon(std::string_view path) { return After(path, kBackslashOrColon); }
std::string FileNameAfterSlashOrBackslash(std::string_view path) { return After(path, kSlashOrBackslash); }
std::string FileNameAfterAnySeparator(std::string_view path) { return After(path, kAnySeparator); }

std::string FolderUpToBackslash(std::string_view path) { return UpTo(path, kBackslash); }
std::string FolderUpToBackslashOrColon(std::string_view path) { return UpTo(path, kBackslashOrColon); }

std::string FolderBeforeBackslash(std::string_view path) {
  const size_t at = path.rfind('\\');
  return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at));
}

std::string FolderWithoutTrailingBackslash(std::string_view path) {
  const size_t at = path.find_last_of(kBackslashOrColon);
  if (at == std::string_view::npos) return std::string();
  const bool dropBackslash = at > 0 && path[at] == '\\' && path[at - 1] != '\\' && path[at - 1] != ':';
  return std::string(path.substr(0, dropBackslash ? at : at + 1));
}

std::string FileNameWithoutExtension(std::string_view fileName) {
  return std::string(fileName.substr(0, fileName.rfind('.')));
}

std::string ExtensionOf(std::string_view path) {
  const std::string name = FileNameAfterBackslashOrColon(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string DriveOf(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    const size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string_view::npos) return std::string(path);
    const size_t shareEnd = path.find('\\', serverEnd + 1);
    return std::string(shareEnd == std::string_view::npos ? path : path.substr(0, shareEnd));
  }
  return std::string();
}

std::string JoinPath(std::string_view folder, std::string_view relative) {
  std::string joined(folder);
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') joined += '\\';
  joined += relative;
  return joined;
}

}  // namespace quarrix
