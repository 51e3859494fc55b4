// The registry, INI and environment commands carried out at once: they read into a variable or,
// for "Delete Registry", delete silently. Writing is installer-backed (InstallerBackedCommands).
#include <optional>
#include <string>
#include <vector>

#include "commands/CommandFamilies.h"
#include "common/IntegerSyntax.h"
#include "engine/PlatformMode.h"
#include "engine/Wow64Switches.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

using platform::RegistryRead;
using platform::RegistryReadStatus;
using platform::RegistryRoot;
using platform::RegistryType;
using platform::RegistryView;

constexpr const char* kNoKey = "NO$KEY";
constexpr const char* kNoValue = "NO$VALUE";
constexpr const char* kUnknownType = "UNKNOWN$TYPE";
constexpr const char* kReadError = "READ$ERROR";
constexpr const char* kBinaryValue = "BINARY$VALUE";
constexpr const char* kNewline = "$NEWLINE$";

constexpr size_t kIniBufferSize = 26000;
constexpr size_t kEnvironmentBufferSize = 0x41000;

// The compiled script writes 0 to 4; any other number, or no number, names no root: reads find
// no key and deletions delete nothing.
std::optional<RegistryRoot> RootOf(const std::string& text) {
  constexpr RegistryRoot kRoots[] = {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser, RegistryRoot::LocalMachine,
                                     RegistryRoot::Users, RegistryRoot::CurrentConfig};
  const std::optional<int32_t> number = ParseScriptInteger(text);
  if (!number || *number < 0 || *number > 4) return std::nullopt;
  return kRoots[*number];
}

const std::string& PlatformMode(const CommandContext& context) { return context.session.run.platformMode; }

std::string HexText(const std::string& bytes) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

// Strings up to the first empty one, after the one terminator that ends the list.
std::string MultiStringText(std::string data) {
  if (!data.empty() && data.back() == '\0') data.pop_back();
  std::string text;
  for (size_t pos = 0; pos < data.size();) {
    size_t end = data.find('\0', pos);
    if (end == std::string::npos) end = data.size();
    if (end == pos) break;
    if (!text.empty()) text += kNewline;
    text.append(data, pos, end - pos);
    pos = end + 1;
  }
  return text;
}

// Multi-string and binary data are read a second time through a path made of the key and the
// value name, split again at its last "\": a value name holding "\" is looked for in a sub-key.
RegistryRead ReadDirectly(platform::Registry& registry, RegistryRoot root, std::string key, const std::string& name,
                          RegistryView view) {
  if (key.empty() || key.back() != '\\') key += '\\';
  key += name;
  const size_t split = key.rfind('\\');
  return registry.QueryValue(root, key.substr(0, split), key.substr(split + 1), view);
}

std::string RegistryText(platform::Registry& registry, std::optional<RegistryRoot> root, const std::string& key,
                         const std::string& name, RegistryView view) {
  if (!root) return kNoKey;
  const RegistryRead read = registry.QueryValue(*root, key, name, view);
  switch (read.status) {
    case RegistryReadStatus::NoKey: return kNoKey;
    case RegistryReadStatus::NoValue: return kNoValue;
    case RegistryReadStatus::Failed: return kReadError;
    case RegistryReadStatus::Found: break;
  }
  const std::string& data = read.value.data;
  switch (read.value.type) {
    case RegistryType::String:
    case RegistryType::ExpandString: return data.substr(0, data.find('\0'));
    case RegistryType::Dword: {
      if (data.size() != 4) return kReadError;
      uint32_t number = 0;
      for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(data[i]);
      return std::to_string(static_cast<int32_t>(number));
    }
    case RegistryType::MultiString: {
      const RegistryRead direct = ReadDirectly(registry, *root, key, name, view);
      if (direct.status != RegistryReadStatus::Found || direct.value.type != RegistryType::MultiString)
        return kUnknownType;
      return MultiStringText(direct.value.data);
    }
    case RegistryType::Binary: {
      // A value that vanished or changed type since the first read failed to be read.
      const RegistryRead direct = ReadDirectly(registry, *root, key, name, view);
      if (direct.status != RegistryReadStatus::Found || direct.value.type != RegistryType::Binary) return kReadError;
      return HexText(direct.value.data);
    }
    default: return kUnknownType;
  }
}

bool IsReadMarker(const std::string& text) {
  for (const char* marker : {kNoKey, kNoValue, kUnknownType, kReadError, kBinaryValue})
    if (text == marker) return true;
  return false;
}

void ReadRegistryValue(CommandContext& context, bool markers) {
  const RegistryViewScope viewOfMode(context.session);
  context.DeclareResult(1);
  std::string text = RegistryText(context.session.platform.registry, RootOf(context.Param(2)), context.Path(3),
                                  context.Path(4), CurrentRegistryView(context.session));
  if (!markers && IsReadMarker(text)) text.clear();
  context.SetDeclaredResult(1, text);
}

void ReadRegistryCommand(CommandContext& context) { ReadRegistryValue(context, false); }
void CheckRegistryCommand(CommandContext& context) { ReadRegistryValue(context, true); }

// Depth first, sub-keys from the last one down, as the system enumerates them.
void DeleteKeyTree(platform::Registry& registry, RegistryRoot root, const std::string& key, RegistryView view) {
  if (auto subKeys = registry.ListSubKeyNames(root, key, view)) {
    for (auto name = subKeys->rbegin(); name != subKeys->rend(); ++name)
      DeleteKeyTree(registry, root, key + "\\" + *name, view);
  }
  registry.DeleteKey(root, key, view);
}

void DeleteRegistryCommand(CommandContext& context) {
  const std::optional<RegistryRoot> root = RootOf(context.Param(1));
  if (!root) return;
  platform::Registry& registry = context.session.platform.registry;
  const std::string key = context.Path(2);
  const RegistryViewScope viewOfMode(context.session);
  const RegistryView view = CurrentRegistryView(context.session);
  if (!context.Truth(4)) {
    if (registry.KeyExists(*root, key, view)) registry.DeleteValue(*root, key, context.Path(3), view);
    return;
  }
  // A trailing "\" still names the key. No key at all would name the root: the whole tree below
  // it is never deleted.
  const std::string named = key.substr(0, key.find_last_not_of('\\') + 1);
  if (named.empty()) return;
  if (IsWin32Mode(PlatformMode(context))) {
    DeleteKeyTree(registry, *root, named, view);
    return;
  }
  // In the 64-bit registry only a key without sub-keys goes, and only one below a parent.
  if (named.find('\\') == std::string::npos) return;
  registry.DeleteKey(*root, named, view);
}

void GetIniFileSettingsCommand(CommandContext& context) {
  context.DeclareResult(1);
  const std::string file = context.Path(2);
  const std::string section = context.Path(3);
  const std::string key = context.Path(4);
  std::string value;
  if (!section.empty() && !key.empty()) {
    const Wow64Bracket redirection(context.session, false, Wow64Bracket::Registry::Untouched);
    value = context.session.platform.ini.ReadEntry(file, section, key, kIniBufferSize);
  }
  context.SetDeclaredResult(1, value);
}

void GetEnvironmentCommand(CommandContext& context) {
  const std::string name = context.Expanded(1);
  platform::Environment& environment = context.session.platform.environment;
  std::string value;
  if (!name.empty()) {
    value = environment.ExpandReferences("%" + name + "%", kEnvironmentBufferSize);
  } else {
    for (const std::string& entry : environment.Entries()) {
      if (!value.empty()) value += kNewline;
      value += entry;
    }
  }
  context.SetReferencedResult(2, value);
}

constexpr CommandRow kRows[] = {
    {"Read Registry", ReadRegistryCommand, DeclareOnly<1>},
    {"Check Registry", CheckRegistryCommand, DeclareOnly<1>},
    {"Delete Registry", DeleteRegistryCommand},
    {"Get INI File Settings", GetIniFileSettingsCommand, DeclareOnly<1>},
    {"Get Environment", GetEnvironmentCommand, DeclareOnly<2>},
};

}  // namespace

std::span<const CommandRow> RegistryCommandRows() { return kRows; }

}  // namespace quarrix
