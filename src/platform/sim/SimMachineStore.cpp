#include "platform/sim/SimMachineStore.h"

#include <cstdio>
#include <iterator>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/AnsiText.h"
#include "platform/sim/SimSystemStore.h"
#include "platform/sim/SimProcessStore.h"

namespace fs = std::filesystem;

namespace quarrix::platform::sim {
namespace {

constexpr const char* kSharedRegistryFile = "registry.reg";
constexpr const char* kWow32RegistryFile = "registry-wow32.reg";
constexpr const char* kProductsFile = "products.txt";
constexpr const char* kInstallerMessagesFile = "installer-messages.txt";
constexpr const char* kInstallerCallsFile = "installer-calls.txt";
constexpr const char* kEnvironmentFile = "environment.txt";
constexpr const char* kSystemFile = "system.txt";
constexpr const char* kAttributesFile = "file-marks.txt";

constexpr const char* kMessageTypeNames[] = {
    "fatalexit", "error", "warning", "user", "info", "filesinuse", "resolvesource", "outofdiskspace",
    "actionstart", "actiondata", "progress", "commondata", "initialize", "terminate", "showdialog",
};

constexpr const char* kUserCancelName = "usercancel";

struct RootSpelling {
  RegistryRoot root;
  const char* name;
};
constexpr RootSpelling kRoots[] = {
    {RegistryRoot::ClassesRoot, "HKEY_CLASSES_ROOT"}, {RegistryRoot::CurrentUser, "HKEY_CURRENT_USER"},
    {RegistryRoot::LocalMachine, "HKEY_LOCAL_MACHINE"}, {RegistryRoot::Users, "HKEY_USERS"},
    {RegistryRoot::CurrentConfig, "HKEY_CURRENT_CONFIG"},
};

const char* RootName(RegistryRoot root) {
  for (const auto& spelling : kRoots)
    if (spelling.root == root) return spelling.name;
  return "";
}

// Quotes, backslashes and control bytes are escaped; every other byte stands as it is.
std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw std::runtime_error("bad hexadecimal digit");
}

// Reads a quoted, escaped text starting at pos (the opening quote); pos ends after the closing one.
std::string ReadQuoted(std::string_view line, size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') throw std::runtime_error("expected a quoted text");
  std::string out;
  for (++pos; pos < line.size(); ++pos) {
    const char c = line[pos];
    if (c == '"') {
      ++pos;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++pos >= line.size()) break;
    if (line[pos] == 'x') {
      if (pos + 2 >= line.size()) break;
      out += static_cast<char>(HexDigit(line[pos + 1]) * 16 + HexDigit(line[pos + 2]));
      pos += 2;
    } else {
      out += line[pos];
    }
  }
  throw std::runtime_error("unterminated quoted text");
}

std::string ValueText(const RegistryValue& value) {
  if (value.type == RegistryType::String) return "\"" + Escape(value.data) + "\"";
  char buffer[16];
  if (value.type == RegistryType::Dword && value.data.size() == 4) {
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value.data[i]);
    std::snprintf(buffer, sizeof buffer, "dword:%08X", number);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "hex(%X):", static_cast<unsigned>(value.type));
  std::string text = buffer;
  for (size_t i = 0; i < value.data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, i == 0 ? "%02X" : ",%02X", static_cast<unsigned char>(value.data[i]));
    text += buffer;
  }
  return text;
}

RegistryValue ParseValue(std::string_view text) {
  if (!text.empty() && text[0] == '"') {
    size_t pos = 0;
    RegistryValue value = RegistryValue::Text(ReadQuoted(text, pos));
    if (pos != text.size()) throw std::runtime_error("text after a string value");
    return value;
  }
  if (StartsWith(text, "dword:")) {
    const std::string digits(text.substr(6));
    if (digits.size() != 8) throw std::runtime_error("a dword takes eight hexadecimal digits");
    uint32_t number = 0;
    for (char c : digits) number = number * 16 + static_cast<uint32_t>(HexDigit(c));
    return RegistryValue::Number(number);
  }
  if (StartsWith(text, "hex(")) {
    const size_t close = text.find("):");
    if (close == std::string_view::npos) throw std::runtime_error("expected hex(TYPE):");
    uint32_t type = 0;
    for (char c : text.substr(4, close - 4)) type = type * 16 + static_cast<uint32_t>(HexDigit(c));
    RegistryValue value{static_cast<RegistryType>(type), {}};
    std::string_view bytes = text.substr(close + 2);
    for (size_t i = 0; i < bytes.size(); i += 3) {
      if (i + 1 >= bytes.size() || (i + 2 < bytes.size() && bytes[i + 2] != ','))
        throw std::runtime_error("bytes are two hexadecimal digits separated by commas");
      value.data += static_cast<char>(HexDigit(bytes[i]) * 16 + HexDigit(bytes[i + 1]));
    }
    return value;
  }
  throw std::runtime_error("unknown value form");
}

bool WriteHostFile(const fs::path& path, const std::string& text, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) error = path.string() + ": cannot write";
  return static_cast<bool>(out);
}

// Nothing when the file does not exist.
std::optional<std::string> ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

StringList Lines(const std::string& text) {
  StringList lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string RegistryText(const std::vector<SimRegistry::KeyRecord>& keys, bool wow32View) {
  std::string text = wow32View ? "; 32-bit view of HKEY_LOCAL_MACHINE\\SOFTWARE\n"
                               : "; every key but the 32-bit view of HKEY_LOCAL_MACHINE\\SOFTWARE\n";
  for (const auto& key : keys) {
    if (key.wow32View != wow32View) continue;
    text += "\n[" + std::string(RootName(key.root)) + "\\" + key.path + "]\n";
    for (const auto& [name, value] : key.values)
      text += (name.empty() ? std::string("@") : "\"" + Escape(name) + "\"") + "=" + ValueText(value) + "\n";
  }
  return text;
}

SimRegistry::KeyRecord KeyHeader(const std::string& line, bool wow32View) {
  if (line.back() != ']') throw std::runtime_error("a key line ends with ]");
  const std::string inner = line.substr(1, line.size() - 2);
  const size_t slash = inner.find('\\');
  const std::string rootName = inner.substr(0, slash);
  SimRegistry::KeyRecord key;
  key.wow32View = wow32View;
  key.path = slash == std::string::npos ? std::string() : inner.substr(slash + 1);
  bool known = false;
  for (const auto& spelling : kRoots)
    if (EqualsIgnoreCase(rootName, spelling.name)) {
      key.root = spelling.root;
      known = true;
    }
  if (!known) throw std::runtime_error("unknown root " + rootName);
  return key;
}

void LoadRegistryText(SimRegistry& registry, const std::string& text, bool wow32View) {
  std::optional<SimRegistry::KeyRecord> key;
  auto flush = [&] {
    if (key) registry.Restore(*key);
  };
  for (const std::string& line : Lines(text)) {
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      flush();
      key = KeyHeader(line, wow32View);
      continue;
    }
    if (!key) throw std::runtime_error("a value before any key");
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else {
      name = ReadQuoted(line, pos);
    }
    if (pos >= line.size() || line[pos] != '=') throw std::runtime_error("expected = after the value name");
    key->values.emplace_back(name, ParseValue(std::string_view(line).substr(pos + 1)));
  }
  flush();
}

std::string ProductsText(const SimInstaller& installer) {
  std::string text = "; product code, state, then property=value, separated by tabs\n";
  for (const auto& [code, product] : installer.products) {
    text += Escape(code) + "\t" + std::to_string(product.state);
    for (const auto& [name, value] : product.properties) text += "\t" + Escape(name) + "=" + Escape(value);
    text += "\n";
  }
  return text;
}

std::string Unescape(const std::string& text) {
  const std::string quoted = "\"" + text + "\"";
  size_t pos = 0;
  return ReadQuoted(quoted, pos);
}

void LoadProductsText(SimInstaller& installer, const std::string& text) {
  installer.products.clear();
  for (const std::string& line : Lines(text)) {
    if (line.empty() || line[0] == ';') continue;
    StringList fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    if (fields.size() < 2) throw std::runtime_error("a product needs its code and state");
    SimProduct& product = installer.products[ToUpperAscii(Unescape(fields[0]))];
    product.state = std::stoi(fields[1]);
    for (size_t i = 2; i < fields.size(); ++i) {
      const size_t equals = fields[i].find('=');
      if (equals == std::string::npos) throw std::runtime_error("a property is name=value");
      product.properties[Unescape(fields[i].substr(0, equals))] = Unescape(fields[i].substr(equals + 1));
    }
  }
}

// The type by name, "+0x" and the style flags when there are any, a tab, the quoted text.
std::string MessagesText(const SimInstaller& installer) {
  std::string text =
      "; what the installer does at every run: \"result\" and its result code, \"busy\" and the number of\n"
      "; runs still refused with 1618 (another installation in progress), then the messages it sends\n"
      "; in order: type (fatalexit, error, ..., showdialog, or a hexadecimal code) with \"+0x\" and the\n"
      "; style flags when there are any, a tab, the quoted text; \"usercancel\" is the user pressing Cancel\n";
  text += "result\t" + std::to_string(installer.result) + "\n";
  if (installer.busyRuns != 0) text += "busy\t" + std::to_string(installer.busyRuns) + "\n";
  char buffer[32];
  for (const SimInstallerMessage& message : installer.messages) {
    const uint32_t type = message.code >> 24;
    const uint32_t flags = message.code & kInstallMessageFlagsMask;
    if (message.code == kSimUserCancel) {
      text += kUserCancelName;
    } else if (type < std::size(kMessageTypeNames)) {
      text += kMessageTypeNames[type];
      if (flags != 0) {
        std::snprintf(buffer, sizeof buffer, "+0x%X", flags);
        text += buffer;
      }
    } else {
      std::snprintf(buffer, sizeof buffer, "0x%08X", message.code);
      text += buffer;
    }
    text += "\t\"" + Escape(message.text) + "\"\n";
  }
  return text;
}

uint32_t ParseHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) throw std::runtime_error("expected up to eight hexadecimal digits");
  uint32_t number = 0;
  for (char c : digits) number = number * 16 + static_cast<uint32_t>(HexDigit(c));
  return number;
}

uint32_t ParseMessageCode(const std::string& field) {
  const size_t plus = field.find('+');
  const std::string type = field.substr(0, plus);
  uint32_t flags = 0;
  if (plus != std::string::npos) {
    if (!StartsWith(std::string_view(field).substr(plus + 1), "0x")) throw std::runtime_error("flags are +0x...");
    flags = ParseHex(std::string_view(field).substr(plus + 3));
    if (flags > kInstallMessageFlagsMask) throw std::runtime_error("style flags take the low 24 bits");
  }
  for (uint32_t i = 0; i < std::size(kMessageTypeNames); ++i)
    if (EqualsIgnoreCase(type, kMessageTypeNames[i])) return (i << 24) | flags;
  if (EqualsIgnoreCase(type, kUserCancelName) && plus == std::string::npos) return kSimUserCancel;
  if (StartsWith(type, "0x") && plus == std::string::npos) return ParseHex(std::string_view(type).substr(2));
  throw std::runtime_error("unknown message type " + type);
}

void LoadMessagesText(SimInstaller& installer, const std::string& text) {
  installer.messages.clear();
  installer.result = kInstallerSuccess;
  installer.busyRuns = 0;
  for (const std::string& line : Lines(text)) {
    if (line.empty() || line[0] == ';') continue;
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) throw std::runtime_error("a type, a tab, then the text");
    const std::string head = line.substr(0, tab);
    if (head == "result") {
      installer.result = static_cast<unsigned>(std::stoul(line.substr(tab + 1)));
      continue;
    }
    if (head == "busy") {
      installer.busyRuns = static_cast<unsigned>(std::stoul(line.substr(tab + 1)));
      continue;
    }
    size_t pos = tab + 1;
    std::string message = ReadQuoted(line, pos);
    if (pos != line.size()) throw std::runtime_error("text after the message");
    installer.messages.push_back({ParseMessageCode(head), std::move(message)});
  }
}

std::string CallsText(const SimInstaller& installer) {
  std::string text = "; installer calls in the order they were made: operation, then its quoted arguments, tab-separated\n";
  for (const SimInstallerCall& call : installer.calls) {
    text += call.operation;
    for (const std::string& argument : call.arguments) text += "\t\"" + Escape(argument) + "\"";
    text += "\n";
  }
  return text;
}

void LoadCallsText(SimInstaller& installer, const std::string& text) {
  installer.calls.clear();
  for (const std::string& line : Lines(text)) {
    if (line.empty() || line[0] == ';') continue;
    SimInstallerCall call;
    size_t pos = line.find('\t');
    call.operation = line.substr(0, pos);
    while (pos != std::string::npos && pos < line.size()) {
      if (line[pos] != '\t') throw std::runtime_error("arguments are separated by tabs");
      ++pos;
      call.arguments.push_back(ReadQuoted(line, pos));
    }
    installer.calls.push_back(std::move(call));
  }
}

std::string EnvironmentText(const SimEnvironment& environment) {
  std::string text = "; the process environment in block order, one quoted NAME=value entry a line\n";
  for (const std::string& entry : environment.entries) text += "\"" + Escape(entry) + "\"\n";
  return text;
}

void LoadEnvironmentText(SimEnvironment& environment, const std::string& text) {
  environment.entries.clear();
  for (const std::string& line : Lines(text)) {
    if (line.empty() || line[0] == ';') continue;
    size_t pos = 0;
    environment.entries.push_back(ReadQuoted(line, pos));
    if (pos != line.size()) throw std::runtime_error("text after an environment entry");
  }
}

// What the drives folder cannot hold itself: hidden and compression marks, and the deletions
// waiting for the next start.
std::string FileMarksText(const SimFileSystem& files) {
  std::string text = "; hidden, compressed, uncompressed or delete-at-restart, a tab, then the path\n";
  for (const std::string& path : files.HiddenPaths()) text += "hidden\t" + Escape(path) + "\n";
  for (const auto& [path, compressed] : files.CompressionMarks())
    text += std::string(compressed ? "compressed" : "uncompressed") + "\t" + Escape(path) + "\n";
  for (const std::string& path : files.PendingRestartDeletes()) text += "delete-at-restart\t" + Escape(path) + "\n";
  return text;
}

void LoadFileMarksText(SimFileSystem& files, const std::string& text) {
  for (const std::string& line : Lines(text)) {
    if (line.empty() || line[0] == ';') continue;
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) throw std::runtime_error("a mark is its kind, a tab and a path");
    const std::string kind = line.substr(0, tab);
    const std::string path = Unescape(line.substr(tab + 1));
    // A mark of a path that is gone by now is dropped, as the file system drops it.
    if (kind == "hidden")
      files.SetHidden(path);
    else if (kind == "compressed" || kind == "uncompressed")
      files.SetCompression(path, kind == "compressed");
    else if (kind == "delete-at-restart")
      files.DeleteAtRestart(path);
    else
      throw std::runtime_error("unknown file mark: " + kind);
  }
}

}  // namespace

bool SimMachineStore::Load(SimMachine& machine, std::string& error) const {
  const fs::path shared = folder_ / kSharedRegistryFile;
  const fs::path wow32 = folder_ / kWow32RegistryFile;
  const fs::path products = folder_ / kProductsFile;
  fs::path current;
  try {
    auto sharedText = ReadHostFile(shared);
    auto wow32Text = ReadHostFile(wow32);
    if (sharedText || wow32Text) {
      machine.registry.Clear();
      current = shared;
      if (sharedText) LoadRegistryText(machine.registry, *sharedText, false);
      current = wow32;
      if (wow32Text) LoadRegistryText(machine.registry, *wow32Text, true);
    }
    current = products;
    if (auto productsText = ReadHostFile(products)) LoadProductsText(machine.installer, *productsText);
    current = folder_ / kInstallerMessagesFile;
    if (auto messagesText = ReadHostFile(current)) LoadMessagesText(machine.installer, *messagesText);
    current = folder_ / kInstallerCallsFile;
    if (auto callsText = ReadHostFile(current)) LoadCallsText(machine.installer, *callsText);
    current = folder_ / kEnvironmentFile;
    if (auto environmentText = ReadHostFile(current)) LoadEnvironmentText(machine.environment, *environmentText);
    current = folder_ / kSystemFile;
    if (auto systemText = ReadHostFile(current)) LoadSystemText(machine.system, *systemText);
    current = folder_ / kAttributesFile;
    if (auto marksText = ReadHostFile(current)) LoadFileMarksText(machine.files, *marksText);
    LoadProcessTables(machine, [&](const std::string& name) {
      current = folder_ / name;
      return ReadHostFile(current);
    });
  } catch (const std::exception& failure) {
    error = current.string() + ": " + failure.what();
    return false;
  }
  return true;
}

bool SimMachineStore::Save(SimMachine& machine, std::string& error) const {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  const auto keys = machine.registry.Keys();
  for (const auto& [name, text] : ProcessTablesText(machine))
    if (!WriteHostFile(folder_ / name, text, error)) return false;
  return WriteHostFile(folder_ / kSharedRegistryFile, RegistryText(keys, false), error) &&
         WriteHostFile(folder_ / kWow32RegistryFile, RegistryText(keys, true), error) &&
         WriteHostFile(folder_ / kProductsFile, ProductsText(machine.installer), error) &&
         WriteHostFile(folder_ / kInstallerMessagesFile, MessagesText(machine.installer), error) &&
         WriteHostFile(folder_ / kInstallerCallsFile, CallsText(machine.installer), error) &&
         WriteHostFile(folder_ / kEnvironmentFile, EnvironmentText(machine.environment), error) &&
         WriteHostFile(folder_ / kSystemFile, SystemText(machine.system), error) &&
         WriteHostFile(folder_ / kAttributesFile, FileMarksText(machine.files), error);
}

}  // namespace quarrix::platform::sim
