// Calls the engine's win32 registry backend directly, as a second client beside the engine, for
// what a script cannot reach by itself (the 64-bit view before the platform mode can switch).
// Each request is one argument "OPERATION|VIEW|KEY[|NAME]" (VIEW 32, 64 or default; KEY below
// HKEY_LOCAL_MACHINE; NAME for query); each answer is one line of the report file, in request order:
//   query   -> "found TYPE HEXDATA", "nokey", "novalue" or "failed"
//   subkeys -> "subkeys NAME,NAME,..." or "nokey"
//   delete  -> "deleted" or "kept"
// Exits 0 when the report could be written.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/Win32Registry.h"

using namespace quarrix::platform;

namespace {

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1)
    parts.push_back(text.substr(start, bar - start));
  parts.push_back(text.substr(start));
  return parts;
}

RegistryView ViewOf(const std::string& text) {
  if (text == "32") return RegistryView::Force32;
  if (text == "64") return RegistryView::Force64;
  return RegistryView::Default;
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char digits[4];
  for (char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(c));
    out += digits;
  }
  return out;
}

std::string Answer(win32::Win32Registry& registry, const std::vector<std::string>& request) {
  if (request.size() < 3) return "bad request";
  const RegistryView view = ViewOf(request[1]);
  const std::string& key = request[2];
  if (request[0] == "query" && request.size() == 4) {
    const RegistryRead read = registry.QueryValue(RegistryRoot::LocalMachine, key, request[3], view);
    switch (read.status) {
      case RegistryReadStatus::Found:
        return "found " + std::to_string(static_cast<unsigned>(read.value.type)) + " " + Hex(read.value.data);
      case RegistryReadStatus::NoKey: return "nokey";
      case RegistryReadStatus::NoValue: return "novalue";
      case RegistryReadStatus::Failed: return "failed";
    }
  }
  if (request[0] == "subkeys") {
    const auto names = registry.ListSubKeyNames(RegistryRoot::LocalMachine, key, view);
    if (!names) return "nokey";
    std::string text = "subkeys ";
    for (size_t i = 0; i < names->size(); ++i) text += (i ? "," : "") + (*names)[i];
    return text;
  }
  if (request[0] == "delete") return registry.DeleteKey(RegistryRoot::LocalMachine, key, view) ? "deleted" : "kept";
  return "bad request";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  std::FILE* report = std::fopen(argv[1], "wb");
  if (report == nullptr) return 1;
  win32::Win32Registry registry;
  for (int i = 2; i < argc; ++i) std::fprintf(report, "%s\n", Answer(registry, Split(argv[i])).c_str());
  return std::fclose(report) == 0 ? 0 : 1;
}
