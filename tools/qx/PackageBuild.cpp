// qx build's package step: package.wxs through wixl, then msibuild for what wixl leaves out,
// and the package's files as an uncompressed source image (docs/projects.md).
#include "PackageBuild.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <map>
#include <set>
#include <sstream>

#include "QxCommands.h"

namespace quarrix::qx {
namespace {

namespace fs = std::filesystem;

constexpr const char* kConditionAttribute = "qx:Condition";

// Runs a tool with stdout going to stdoutPath (or into the capture) and stderr captured; a tool
// that cannot start or fails is an input error carrying what it wrote.
std::string RunTool(const std::vector<std::string>& command, const fs::path& workingFolder,
                    const fs::path& stdoutPath = {}) {
  const fs::path capture = fs::temp_directory_path() / ("qx-tool-" + std::to_string(getpid()) + ".txt");
  const pid_t child = fork();
  if (child < 0) throw InputError("build: cannot start " + command[0]);
  if (child == 0) {
    const int errors = open(capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int out = stdoutPath.empty() ? errors : open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (errors < 0 || out < 0 || dup2(out, 1) < 0 || dup2(errors, 2) < 0) _exit(126);
    if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  const bool waited = waitpid(child, &status, 0) == child;
  std::string output;
  std::error_code ignored;
  if (fs::exists(capture)) output = ReadHostFile(capture.string());
  fs::remove(capture, ignored);
  if (waited && WIFEXITED(status) && WEXITSTATUS(status) == 0) return output;
  const int code = waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::string message = "build: " + command[0];
  if (code == 127) {
    message += " could not be started (is msitools/wixl installed?)";
  } else {
    message += " failed (exit code " + std::to_string(code) + ")";
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    if (!output.empty()) message += ": " + output.substr(output.rfind('\n') == std::string::npos ? 0 : output.rfind('\n') + 1);
  }
  throw InputError(message);
}

std::string DecodeEntities(const std::string& text) {
  static const std::pair<const char*, char> kEntities[] = {
      {"&quot;", '"'}, {"&apos;", '\''}, {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}};
  std::string decoded;
  for (size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const auto& [entity, character] : kEntities) {
      if (text.compare(i, std::char_traits<char>::length(entity), entity) == 0) {
        decoded += character;
        i += std::char_traits<char>::length(entity);
        replaced = true;
        break;
      }
    }
    if (!replaced) decoded += text[i++];
  }
  return decoded;
}

// The attributes of the start tag that begins at position (after "<NAME").
std::map<std::string, std::string> StartTagAttributes(const std::string& xml, size_t position, const fs::path& wxs) {
  std::map<std::string, std::string> attributes;
  while (position < xml.size()) {
    while (position < xml.size() && std::isspace(static_cast<unsigned char>(xml[position]))) ++position;
    if (position >= xml.size() || xml[position] == '>' || xml[position] == '/') return attributes;
    const size_t equals = xml.find('=', position);
    if (equals == std::string::npos) break;
    std::string name = xml.substr(position, equals - position);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    size_t quote = equals + 1;
    while (quote < xml.size() && std::isspace(static_cast<unsigned char>(xml[quote]))) ++quote;
    if (quote >= xml.size() || (xml[quote] != '"' && xml[quote] != '\'')) break;
    const size_t end = xml.find(xml[quote], quote + 1);
    if (end == std::string::npos) break;
    attributes[name] = DecodeEntities(xml.substr(quote + 1, end - quote - 1));
    position = end + 1;
  }
  throw InputError("build: " + wxs.string() + ": malformed Component tag");
}

// Component id -> condition, from the qx:Condition attributes (wixl ignores foreign attributes).
std::vector<std::pair<std::string, std::string>> ComponentConditions(const fs::path& wxs) {
  const std::string xml = ReadHostFile(wxs.string());
  std::vector<std::pair<std::string, std::string>> conditions;
  for (size_t at = xml.find("<Component"); at != std::string::npos; at = xml.find("<Component", at + 1)) {
    const size_t after = at + std::char_traits<char>::length("<Component");
    if (after >= xml.size() || !std::isspace(static_cast<unsigned char>(xml[after]))) continue;  // ComponentRef ...
    const auto attributes = StartTagAttributes(xml, after, wxs);
    const auto condition = attributes.find(kConditionAttribute);
    if (condition == attributes.end()) continue;
    const auto id = attributes.find("Id");
    if (id == attributes.end()) throw InputError("build: " + wxs.string() + ": a Component with a condition needs an Id");
    // The installer's SQL has no escape for a quote inside a literal.
    if (condition->second.find('\'') != std::string::npos || id->second.find('\'') != std::string::npos)
      throw InputError("build: " + wxs.string() + ": component " + id->second + ": no single quotes in a condition");
    conditions.emplace_back(id->second, condition->second);
  }
  return conditions;
}

// The rows of one table as msiinfo exports them: three header lines, then tab-separated rows.
std::vector<std::vector<std::string>> TableRows(const fs::path& package, const std::string& table) {
  const std::string text = RunTool({"msiinfo", "export", package.string(), table}, {});
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  std::string line;
  for (int index = 0; std::getline(lines, line); ++index) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (index < 3) continue;
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    rows.push_back(std::move(fields));
  }
  return rows;
}

std::string LongName(const std::string& name) {
  const size_t bar = name.find('|');
  return bar == std::string::npos ? name : name.substr(bar + 1);
}

// The source-side folder of a directory below the source root: DefaultDir "target:source", each
// "short|long"; "." adds no level; the root (no parent) is the source root whatever its name.
fs::path SourceFolder(const std::string& directory, const std::map<std::string, std::pair<std::string, std::string>>& table,
                      std::set<std::string>& visiting) {
  const auto row = table.find(directory);
  if (row == table.end()) throw InputError("build: the package names an unknown directory " + directory);
  const auto& [parent, defaultDir] = row->second;
  if (parent.empty() || parent == directory) return {};
  if (!visiting.insert(directory).second) throw InputError("build: the package's directories form a loop at " + directory);
  const size_t colon = defaultDir.find(':');
  const std::string name = LongName(colon == std::string::npos ? defaultDir : defaultDir.substr(colon + 1));
  fs::path folder = SourceFolder(parent, table, visiting);
  if (name != "." && !name.empty()) folder /= name;
  return folder;
}

fs::path CheckedRelative(const fs::path& path) {
  for (const fs::path& part : path)
    if (part == ".." || part.is_absolute()) throw InputError("build: the package names a file outside its source: " + path.string());
  return path;
}

void SetPackageIdentity(const fs::path& package, const std::string& productCode, const std::string& packageCode) {
  if (!productCode.empty())
    RunTool({"msibuild", package.string(), "-q",
             "UPDATE `Property` SET `Value` = '" + productCode + "' WHERE `Property` = 'ProductCode'"}, {});
  if (packageCode.empty()) return;
  // msibuild -s rewrites subject, author and template together with the package code.
  std::map<std::string, std::string> summary;
  std::istringstream lines(RunTool({"msiinfo", "suminfo", package.string()}, {}));
  for (std::string line; std::getline(lines, line);) {
    const size_t colon = line.find(": ");
    if (colon != std::string::npos) summary[line.substr(0, colon)] = line.substr(colon + 2);
  }
  RunTool({"msibuild", package.string(), "-s", summary["Subject"], summary["Author"], summary["Template"], packageCode}, {});
}

}  // namespace

BuiltPackage BuildPackage(const fs::path& wxs, const fs::path& scratch, const std::string& productCode,
                          const std::string& packageCode) {
  BuiltPackage built;
  built.package = scratch / "package.msi";
  const fs::path source = fs::absolute(wxs);
  const std::vector<std::pair<std::string, std::string>> conditions = ComponentConditions(source);
  RunTool({"wixl", "-o", built.package.string(), source.string()}, source.parent_path());

  std::set<std::string> components;
  for (const auto& row : TableRows(built.package, "Component"))
    if (!row.empty()) components.insert(row[0]);
  for (const auto& [component, condition] : conditions) {
    if (!components.contains(component)) throw InputError("build: " + wxs.string() + ": no component " + component + " in the package");
    RunTool({"msibuild", built.package.string(), "-q",
             "UPDATE `Component` SET `Condition` = '" + condition + "' WHERE `Component` = '" + component + "'"}, {});
  }
  SetPackageIdentity(built.package, productCode, packageCode);

  std::map<std::string, std::pair<std::string, std::string>> directories;
  for (const auto& row : TableRows(built.package, "Directory"))
    if (row.size() >= 3) directories[row[0]] = {row[1], row[2]};
  std::map<std::string, std::string> componentFolders;
  for (const auto& row : TableRows(built.package, "Component"))
    if (row.size() >= 3) componentFolders[row[0]] = row[2];

  // Every cabinet the package embeds, unpacked: its entries are named by file key.
  const fs::path unpacked = scratch / "cabinets";
  fs::create_directories(unpacked);
  for (const auto& row : TableRows(built.package, "Media")) {
    if (row.size() < 4 || row[3].empty() || row[3][0] != '#') continue;
    const fs::path cabinet = scratch / ("cabinet-" + row[0] + ".cab");
    RunTool({"msiinfo", "extract", built.package.string(), row[3].substr(1)}, {}, cabinet);
    RunTool({"7z", "x", "-y", "-bd", "-bso0", "-bsp0", "-o" + unpacked.string(), cabinet.string()}, {});
  }
  std::set<fs::path> seen;
  for (const auto& row : TableRows(built.package, "File")) {
    if (row.size() < 3) continue;
    const auto folder = componentFolders.find(row[1]);
    if (folder == componentFolders.end()) throw InputError("build: file " + row[0] + " belongs to no component");
    std::set<std::string> visiting;
    const fs::path relative = CheckedRelative(SourceFolder(folder->second, directories, visiting) / LongName(row[2]));
    const fs::path content = unpacked / row[0];
    if (!fs::is_regular_file(content)) throw InputError("build: file " + row[0] + " is in none of the package's cabinets");
    if (!seen.insert(relative).second) throw InputError("build: two files of the package at " + relative.string());
    built.files.push_back({relative, content});
  }
  return built;
}

}  // namespace quarrix::qx
