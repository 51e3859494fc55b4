#include "platform/sim/SimFileSystem.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "common/AnsiText.h"
#include "common/WindowsPath.h"
#include "platform/sim/PeVersionResource.h"

namespace fs = std::filesystem;

namespace quarrix::platform::sim {
namespace {

StringList SplitComponents(std::string_view path) {
  StringList parts;
  std::string current;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// The existing entry of dir whose name equals name ignoring case, else dir / name.
fs::path ResolveComponent(const fs::path& dir, const std::string& name) {
  fs::path exact = dir / name;
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (EqualsIgnoreCase(it->path().filename().string(), name)) return it->path();
  return exact;
}

bool GlobMatches(std::string_view mask, std::string_view name) {
  if (mask.empty()) return name.empty();
  if (mask[0] == '*') {
    for (size_t skip = 0; skip <= name.size(); ++skip)
      if (GlobMatches(mask.substr(1), name.substr(skip))) return true;
    return false;
  }
  if (name.empty()) return false;
  if (mask[0] != '?' && ToUpperAscii(mask[0]) != ToUpperAscii(name[0])) return false;
  return GlobMatches(mask.substr(1), name.substr(1));
}

// The system's long-name rules: a trailing ".*" also matches a name without an extension, a
// trailing "." only such names.
bool MaskMatches(std::string_view mask, std::string_view name) {
  if (mask == "*" || mask == "*.*") return true;
  if (mask.size() > 1 && mask.back() == '.' && mask[mask.size() - 2] != '.')
    return name.find('.') == std::string_view::npos && GlobMatches(mask.substr(0, mask.size() - 1), name);
  if (GlobMatches(mask, name)) return true;
  return mask.size() > 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos &&
         GlobMatches(mask.substr(0, mask.size() - 2), name);
}

}  // namespace

SimFileSystem::SimFileSystem(fs::path hostRoot) : hostRoot_(std::move(hostRoot)) {
  std::error_code ec;
  fs::create_directories(hostRoot_ / "C", ec);
}

std::optional<fs::path> SimFileSystem::HostPath(const std::string& windowsPath) const {
  fs::path host = hostRoot_;
  std::string_view rest = windowsPath;
  if (rest.size() >= 2 && rest[1] == ':' && ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'))) {
    host /= std::string(1, ToUpperAscii(rest[0]));
    rest.remove_prefix(2);
    if (rest.empty() || (rest[0] != '\\' && rest[0] != '/')) return std::nullopt;
  } else if (StartsWith(rest, "\\\\")) {
    host /= "UNC";
  } else {
    return std::nullopt;
  }
  StringList parts;
  for (std::string& part : SplitComponents(rest)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();  // never above the drive
      continue;
    }
    parts.push_back(std::move(part));
  }
  for (const std::string& part : parts) host = ResolveComponent(host, part);
  return host;
}

std::string SimFileSystem::HostName(const std::u16string& wide) {
  std::string utf8;
  for (size_t i = 0; i < wide.size(); ++i) {
    uint32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (c >> 12));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (c >> 18));
      utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

bool SimFileSystem::FileExists(const std::string& path) {
  auto host = HostPath(path);
  std::error_code ec;
  return host && fs::is_regular_file(*host, ec);
}

bool SimFileSystem::DirectoryExists(const std::string& path) {
  auto host = HostPath(path);
  std::error_code ec;
  return host && fs::is_directory(*host, ec);
}

std::optional<uint64_t> SimFileSystem::FileSize(const std::string& path) {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::is_regular_file(*host, ec)) return std::nullopt;
  auto size = fs::file_size(*host, ec);
  if (ec) return std::nullopt;
  return size;
}

std::optional<std::string> SimFileSystem::ReadFile(const std::string& path, uint64_t offset, uint64_t length) {
  auto size = FileSize(path);
  if (!size) return std::nullopt;
  std::ifstream in(*HostPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  if (offset >= *size) return std::string();
  uint64_t count = std::min<uint64_t>(length, *size - offset);
  std::string data(count, '\0');
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(data.data(), static_cast<std::streamsize>(count));
  if (static_cast<uint64_t>(in.gcount()) != count) return std::nullopt;
  return data;
}

bool SimFileSystem::WriteFile(const std::string& path, const std::string& data) {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec) || fs::is_directory(*host, ec)) return false;
  std::ofstream out(*host, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

bool SimFileSystem::AppendFile(const std::string& path, const std::string& data) {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec) || fs::is_directory(*host, ec)) return false;
  std::ofstream out(*host, std::ios::binary | std::ios::app);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

bool SimFileSystem::TruncateFile(const std::string& path, uint64_t size) {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec) || fs::is_directory(*host, ec)) return false;
  if (!fs::exists(*host, ec)) std::ofstream(*host, std::ios::binary);
  const uint64_t held = fs::file_size(*host, ec);
  if (ec) return false;
  if (held > size) fs::resize_file(*host, size, ec);
  return !ec;
}

bool SimFileSystem::RemoveFile(const std::string& path) {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::is_regular_file(*host, ec) || IsInUse(path)) return false;
  return fs::remove(*host, ec);
}

void SimFileSystem::SetInUse(const std::string& path, bool inUse) {
  auto key = AttributeKey(path);
  if (!key) return;
  if (inUse)
    inUse_.insert(*key);
  else
    inUse_.erase(*key);
}

bool SimFileSystem::IsInUse(const std::string& path) const {
  auto key = AttributeKey(path);
  return key && inUse_.count(*key) != 0;
}

bool SimFileSystem::DeleteAtRestart(const std::string& path) {
  // Windows only records the request; whether the path exists is seen at the next start.
  if (!HostPath(path)) return false;
  pendingRestartDeletes_.push_back(path);
  return true;
}

void SimFileSystem::Restart() {
  inUse_.clear();
  std::vector<std::string> pending;
  pending.swap(pendingRestartDeletes_);
  for (const std::string& path : pending) {
    if (FileExists(path))
      RemoveFile(path);
    else
      RemoveEmptyDirectory(path);
  }
}

bool SimFileSystem::Copy(const std::string& source, const std::string& target, bool overwrite) {
  auto from = HostPath(source);
  auto to = HostPath(target);
  std::error_code ec;
  if (!from || !to || !fs::is_regular_file(*from, ec) || !fs::is_directory(to->parent_path(), ec)) return false;
  if (fs::is_directory(*to, ec) || IsInUse(target)) return false;
  if (fs::exists(*to, ec) && !overwrite) return false;
  return fs::copy_file(*from, *to, fs::copy_options::overwrite_existing, ec);
}

bool SimFileSystem::Move(const std::string& source, const std::string& target) {
  auto from = HostPath(source);
  auto to = HostPath(target);
  std::error_code ec;
  if (!from || !to || !fs::exists(*from, ec) || fs::exists(*to, ec) || !fs::is_directory(to->parent_path(), ec))
    return false;
  const std::string fromKey = from->lexically_normal().string();
  fs::rename(*from, *to, ec);
  if (ec) return false;
  // In-use marks follow the file, or every file below a renamed folder.
  const std::string toKey = to->lexically_normal().string();
  std::set<std::string> moved;
  for (auto it = inUse_.begin(); it != inUse_.end();) {
    if (*it == fromKey || StartsWith(*it, fromKey + "/")) {
      moved.insert(toKey + it->substr(fromKey.size()));
      it = inUse_.erase(it);
    } else {
      ++it;
    }
  }
  inUse_.insert(moved.begin(), moved.end());
  return true;
}

bool SimFileSystem::SetAttributesNormal(const std::string& path) {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::exists(*host, ec)) return false;
  fs::permissions(*host, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  if (ec) return false;
  if (auto key = AttributeKey(path)) hidden_.erase(*key);
  return true;
}

std::optional<std::string> SimFileSystem::AttributeKey(const std::string& path) const {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::exists(*host, ec)) return std::nullopt;
  std::string key = host->lexically_normal().string();
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

bool SimFileSystem::SetHidden(const std::string& path) {
  auto key = AttributeKey(path);
  if (key) hidden_.insert(*key);
  return key.has_value();
}

bool SimFileSystem::SetCompression(const std::string& path, bool compressed) {
  auto key = AttributeKey(path);
  if (key) compression_[*key] = compressed;
  return key.has_value();
}

bool SimFileSystem::IsOnFixedDrive(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return false;
  const char letter = (path[0] >= 'a' && path[0] <= 'z') ? static_cast<char>(path[0] - 'a' + 'A') : path[0];
  if (letter < 'A' || letter > 'Z') return false;
  return removableDrives.find(letter) == std::string::npos;
}

std::optional<std::string> SimFileSystem::ShortPathName(const std::string& path) {
  if (!AttributeKey(path)) return std::nullopt;
  return path;
}

bool SimFileSystem::IsHidden(const std::string& path) const {
  auto key = AttributeKey(path);
  return key && hidden_.count(*key) != 0;
}

std::optional<bool> SimFileSystem::Compression(const std::string& path) const {
  auto key = AttributeKey(path);
  if (!key) return std::nullopt;
  auto it = compression_.find(*key);
  if (it == compression_.end()) return std::nullopt;
  return it->second;
}

bool SimFileSystem::ChangeCurrentDirectory(const std::string& path) {
  if (!DirectoryExists(path)) return false;
  currentDirectory_ = path;
  return true;
}

bool SimFileSystem::CreateDirectories(const std::string& path) {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host) return false;
  fs::create_directories(*host, ec);
  return fs::is_directory(*host, ec);
}

bool SimFileSystem::RemoveEmptyDirectory(const std::string& path) {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(*host, ec) || !fs::is_empty(*host, ec)) return false;
  return fs::remove(*host, ec);
}

std::vector<DirectoryEntry> SimFileSystem::ListDirectory(const std::string& path) {
  std::vector<DirectoryEntry> entries;
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(*host, ec)) return entries;
  for (fs::directory_iterator it(*host, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back({it->path().filename().string(), it->is_directory(ec)});
  return entries;
}

std::vector<DirectoryEntry> SimFileSystem::FindMatching(const std::string& pattern) {
  const size_t separator = pattern.find_last_of("\\/");
  if (separator == std::string::npos) return {};
  const std::string mask = pattern.substr(separator + 1);
  std::vector<DirectoryEntry> found;
  if (mask.empty()) return found;
  for (DirectoryEntry& entry : ListDirectory(pattern.substr(0, separator + 1)))
    if (MaskMatches(mask, entry.name)) found.push_back(std::move(entry));
  // NTFS returns a folder's names in the order of their upper-case forms.
  std::sort(found.begin(), found.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    return ToUpperAscii(a.name) < ToUpperAscii(b.name);
  });
  return found;
}

std::optional<FileVersion> SimFileSystem::VersionOfFile(const std::string& path) {
  auto image = ReadFile(path);
  if (!image) return std::nullopt;
  return ReadPeFileVersion(*image);
}

std::optional<DiskSpace> SimFileSystem::SpaceOnDisk(const std::string& folder) {
  if (!DirectoryExists(folder)) return std::nullopt;
  if (folder.size() >= 2 && folder[1] == ':') {
    auto listed = diskSpace.find(ToUpperAscii(folder[0]));
    if (listed != diskSpace.end()) return listed->second;
  }
  std::error_code ec;
  const fs::space_info space = fs::space(*HostPath(folder), ec);
  if (ec) return std::nullopt;
  return DiskSpace{space.available, space.capacity};
}

std::optional<std::string> SimFileSystem::CreateTempFile(const std::string& folder, const std::string& prefix) {
  if (!DirectoryExists(folder)) return std::nullopt;
  const std::string start = WithTrailingBackslash(folder) + prefix.substr(0, 3);
  // Counts up past names already taken, as the system does from its own starting number.
  for (uint32_t attempt = 0; attempt < 0x10000; ++attempt) {
    tempFileCounter_ = (tempFileCounter_ % 0xFFFF) + 1;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(tempFileCounter_));
    const std::string path = start + digits + ".tmp";
    auto host = HostPath(path);
    std::error_code ec;
    if (!host || fs::exists(*host, ec)) continue;
    if (!WriteFile(path, "")) return std::nullopt;
    return path;
  }
  return std::nullopt;
}

bool SimFileSystem::IsCdDrive(char letter) { return cdDrives.find(ToUpperAscii(letter)) != std::string::npos; }

namespace {

// A resolved host path below the root as the Windows path that names it.
std::optional<std::string> WindowsPathOf(const fs::path& root, const std::string& key) {
  const fs::path relative = fs::path(key).lexically_relative(root.lexically_normal());
  auto part = relative.begin();
  if (relative.empty() || part == relative.end()) return std::nullopt;
  const std::string drive = part->string();
  std::string windows;
  if (drive == "UNC")
    windows = "\\\\";
  else if (drive.size() == 1)
    windows = drive + ":";
  else
    return std::nullopt;
  bool first = drive != "UNC";
  for (++part; part != relative.end(); ++part) {
    if (part->empty()) continue;
    if (first || windows.size() > 2) windows += "\\";
    windows += part->string();
    first = false;
  }
  if (windows.size() == 2 && windows[1] == ':') windows += "\\";
  return windows;
}

}  // namespace

std::vector<std::string> SimFileSystem::HiddenPaths() const {
  std::vector<std::string> paths;
  for (const std::string& key : hidden_)
    if (auto path = WindowsPathOf(hostRoot_, key)) paths.push_back(*path);
  return paths;
}

std::vector<std::pair<std::string, bool>> SimFileSystem::CompressionMarks() const {
  std::vector<std::pair<std::string, bool>> marks;
  for (const auto& [key, compressed] : compression_)
    if (auto path = WindowsPathOf(hostRoot_, key)) marks.emplace_back(*path, compressed);
  return marks;
}

}  // namespace quarrix::platform::sim
