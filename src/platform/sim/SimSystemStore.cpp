#include "platform/sim/SimSystemStore.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "common/Cp1252Text.h"

namespace quarrix::platform::sim {
namespace {

std::string Truth(bool value) { return value ? "TRUE" : "FALSE"; }

bool ReadTruth(const std::string& value) {
  if (value == "TRUE") return true;
  if (value == "FALSE") return false;
  throw std::runtime_error("expected TRUE or FALSE");
}

std::vector<std::string> Words(const std::string& value) {
  std::istringstream in(value);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

uint64_t ReadNumber(const std::string& word) {
  size_t used = 0;
  uint64_t number = 0;
  if (word.empty() || word[0] == '-' || word[0] == '+') throw std::runtime_error("expected a number: " + word);
  try {
    number = std::stoull(word, &used, 0);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != word.size()) throw std::runtime_error("expected a number: " + word);
  return number;
}

// The screen's numbers may be -1 (no device context).
int32_t ReadSigned(const std::string& word) {
  if (!word.empty() && word[0] == '-') return -static_cast<int32_t>(ReadNumber(word.substr(1)));
  return static_cast<int32_t>(ReadNumber(word));
}

std::vector<uint64_t> ReadNumbers(const std::string& value, size_t count) {
  std::vector<std::string> words = Words(value);
  if (words.size() != count) throw std::runtime_error("expected " + std::to_string(count) + " numbers");
  std::vector<uint64_t> numbers;
  for (const std::string& word : words) numbers.push_back(ReadNumber(word));
  return numbers;
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string VersionText(const FileVersionParts& parts) {
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
         std::to_string(parts[3]);
}

FileVersionParts ReadVersion(const std::string& text) {
  FileVersionParts parts{};
  std::string rest = text;
  for (size_t i = 0; i < 4; ++i) {
    const size_t dot = rest.find('.');
    if ((dot == std::string::npos) != (i == 3)) throw std::runtime_error("expected a four-part version");
    parts[i] = static_cast<uint16_t>(ReadNumber(rest.substr(0, dot)));
    if (dot != std::string::npos) rest = rest.substr(dot + 1);
  }
  return parts;
}

}  // namespace

std::string SystemText(const SimSystemInfo& system) {
  std::ostringstream out;
  const VersionReport& version = system.versionReport;
  out << "# platform-id major minor build product-type\n";
  out << "windows = " << version.platformId << " " << version.major << " " << version.minor << " " << version.build
      << " " << version.productType << "\n";
  out << "service-pack = " << version.servicePackText << "\n";
  out << "memory = " << system.physicalMemory << "\n";
  out << "# width height colour-bits dots-per-inch\n";
  out << "screen = " << system.display.width << " " << system.display.height << " " << system.display.colourBits
      << " " << system.display.dotsPerInch << "\n";
  out << "tablet-pc = " << Truth(system.display.tabletPc) << "\n";
  out << "media-center = " << Truth(system.display.mediaCenter) << "\n";
  out << "architecture = " << (system.nativeArchitecture ? std::to_string(*system.nativeArchitecture) : "none")
      << "\n";
  out << "system-64-bit = " << Truth(system.system64Bit) << "\n";
  out << "process-wow64 = " << Truth(system.processWow64) << "\n";
  out << "redirection-switch = " << Truth(system.redirectionSwitch) << "\n";
  out << "groups =";
  for (uint32_t rid : system.builtinGroups) out << " " << Hex(rid);
  out << "\n";
  out << "administrator = " << Truth(system.administrator) << "\n";
  out << "elevated = " << Truth(system.elevated) << "\n";
  out << "account-name = " << system.account.name << "\n";
  out << "account-domain = " << system.account.domain << "\n";
  out << "logon-name = " << system.logonUserName << "\n";
  out << "computer-name = " << system.computerName << "\n";
  out << "# the language id of the user's locale\n";
  out << "user-language = " << Hex(system.UserLanguage()) << "\n";
  out << "# system-file = name version language\n";
  for (const auto& [name, file] : system.systemFiles)
    out << "system-file = " << name << " " << VersionText(file.version) << " " << Hex(file.language) << "\n";
  out << "vmware = " << Truth(system.vmwareGuest) << "\n";
  out << "virtual-pc = " << Truth(system.virtualPcGuest) << "\n";
  return out.str();
}

void LoadSystemText(SimSystemInfo& system, const std::string& text) {
  std::istringstream in(text);
  std::string line;
  size_t lineNumber = 0;
  bool filesSeen = false;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    try {
      const size_t equals = line.find(" =");
      if (equals == std::string::npos) throw std::runtime_error("expected key = value");
      const std::string key = line.substr(0, equals);
      std::string value = line.substr(equals + 2);
      if (!value.empty() && value[0] == ' ') value.erase(0, 1);
      if (key == "windows") {
        const auto n = ReadNumbers(value, 5);
        system.versionReport.platformId = static_cast<uint32_t>(n[0]);
        system.versionReport.major = static_cast<uint32_t>(n[1]);
        system.versionReport.minor = static_cast<uint32_t>(n[2]);
        system.versionReport.build = static_cast<uint32_t>(n[3]);
        system.versionReport.productType = static_cast<uint32_t>(n[4]);
        // The engine's own version check reads the same Windows.
        system.version = WindowsVersion{system.versionReport.major, system.versionReport.minor,
                                        system.versionReport.platformId == 2};
      } else if (key == "service-pack") {
        system.versionReport.servicePackText = value;
      } else if (key == "memory") {
        system.physicalMemory = ReadNumbers(value, 1)[0];
      } else if (key == "screen") {
        const std::vector<std::string> words = Words(value);
        if (words.size() != 4) throw std::runtime_error("expected width, height, colour bits and dots per inch");
        system.display.width = ReadSigned(words[0]);
        system.display.height = ReadSigned(words[1]);
        system.display.colourBits = ReadSigned(words[2]);
        system.display.dotsPerInch = ReadSigned(words[3]);
      } else if (key == "tablet-pc") {
        system.display.tabletPc = ReadTruth(value);
      } else if (key == "media-center") {
        system.display.mediaCenter = ReadTruth(value);
      } else if (key == "architecture") {
        if (value == "none") {
          system.nativeArchitecture.reset();
        } else {
          system.nativeArchitecture = static_cast<uint16_t>(ReadNumbers(value, 1)[0]);
        }
      } else if (key == "system-64-bit") {
        system.system64Bit = ReadTruth(value);
      } else if (key == "process-wow64") {
        system.processWow64 = ReadTruth(value);
      } else if (key == "redirection-switch") {
        system.redirectionSwitch = ReadTruth(value);
      } else if (key == "groups") {
        system.builtinGroups.clear();
        for (const std::string& word : Words(value)) system.builtinGroups.insert(static_cast<uint32_t>(ReadNumber(word)));
      } else if (key == "administrator") {
        system.administrator = ReadTruth(value);
      } else if (key == "elevated") {
        system.elevated = ReadTruth(value);
      } else if (key == "account-name") {
        system.account.name = value;
      } else if (key == "account-domain") {
        system.account.domain = value;
      } else if (key == "logon-name") {
        system.logonUserName = value;
      } else if (key == "computer-name") {
        system.computerName = value;
      } else if (key == "user-language") {
        system.SetUserLanguage(static_cast<uint32_t>(ReadNumbers(value, 1)[0]));
      } else if (key == "system-file") {
        const std::vector<std::string> words = Words(value);
        if (words.size() != 3) throw std::runtime_error("expected name, version and language");
        if (!filesSeen) system.systemFiles.clear();
        filesSeen = true;
        system.systemFiles[Cp1252Lower(words[0])] = {ReadVersion(words[1]), static_cast<uint16_t>(ReadNumber(words[2]))};
      } else if (key == "vmware") {
        system.vmwareGuest = ReadTruth(value);
      } else if (key == "virtual-pc") {
        system.virtualPcGuest = ReadTruth(value);
      } else {
        throw std::runtime_error("unknown key " + key);
      }
    } catch (const std::exception& failure) {
      throw std::runtime_error("line " + std::to_string(lineNumber) + ": " + failure.what());
    }
  }
}

}  // namespace quarrix::platform::sim
