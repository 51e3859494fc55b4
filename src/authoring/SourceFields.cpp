#include "authoring/SourceFields.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "authoring/ScriptSource.h"
#include "common/AnsiText.h"

namespace quarrix {
namespace authoring {

const Entries& ListEntries(const ScriptPayload& p, ListId id) {
  switch (id) {
    case ListId::CommandNames: return p.commandNames.Entries();
    case ListId::LineGuids: return p.lineGuids.Entries();
    case ListId::ParameterList: return p.parameterList.Entries();
    case ListId::CommentFlags: return p.commentFlags.Entries();
    case ListId::LineMedia: return p.lineMedia.Entries();
    case ListId::SourceLocations: return p.sourceLocations;
    case ListId::CommandHeaders: return p.commandHeaders;
    case ListId::PluginCommands: return p.pluginCommands;
    case ListId::WebMediaPasswords: return p.webMediaPasswords;
    case ListId::ComponentSizes: return p.componentSizes;
    case ListId::MediaFileMap: return p.mediaFileMap;
    case ListId::BuildConstants: return p.buildConstants;
  }
  throw std::logic_error("unknown list field");
}

void SetListEntries(ScriptPayload& p, ListId id, Entries entries) {
  switch (id) {
    case ListId::CommandNames: p.commandNames = HashedStringList(std::move(entries)); return;
    case ListId::LineGuids: p.lineGuids = HashedStringList(std::move(entries)); return;
    case ListId::ParameterList: p.parameterList = HashedStringList(std::move(entries)); return;
    case ListId::CommentFlags: p.commentFlags = HashedStringList(std::move(entries)); return;
    case ListId::LineMedia: p.lineMedia = HashedStringList(std::move(entries)); return;
    case ListId::SourceLocations: p.sourceLocations = std::move(entries); return;
    case ListId::CommandHeaders: p.commandHeaders = std::move(entries); return;
    case ListId::PluginCommands: p.pluginCommands = std::move(entries); return;
    case ListId::WebMediaPasswords: p.webMediaPasswords = std::move(entries); return;
    case ListId::ComponentSizes: p.componentSizes = std::move(entries); return;
    case ListId::MediaFileMap: p.mediaFileMap = std::move(entries); return;
    case ListId::BuildConstants: p.buildConstants = std::move(entries); return;
  }
}

bool AllDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit); }

bool IsCommandHeader(std::string_view text) {
  return text.size() == 8 && std::all_of(text.begin(), text.end(), IsHexDigit);
}

bool IsGuidShape(std::string_view text) {
  static constexpr std::string_view kPattern = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
  if (text.size() != kPattern.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (kPattern[i] == 'X' ? !IsHexDigit(text[i]) : text[i] != kPattern[i]) return false;
  }
  return true;
}

bool IsCanonicalIndex(std::string_view text) { return AllDigits(text) && (text.size() == 1 || text[0] != '0'); }

std::string HexByte(unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

}  // namespace authoring

namespace {

// FNV-1a, 64 bits, from a chosen starting value.
uint64_t Fnv1a(std::string_view data, uint64_t state) {
  for (unsigned char c : data) {
    state ^= c;
    state *= 0x100000001B3ull;
  }
  return state;
}

}  // namespace

bool IsScriptSource(std::string_view text) {
  return StartsWith(text.substr(0, text.find('\n')), kScriptSourceVersionPrefix);
}

std::string GenerateLineGuid(std::string_view sourceName, size_t lineIndex, unsigned attempt) {
  std::string key(sourceName);
  key.push_back('\0');
  key += std::to_string(lineIndex);
  key.push_back('\0');
  key += std::to_string(attempt);
  uint64_t high = Fnv1a(key, 0xCBF29CE484222325ull);
  uint64_t low = Fnv1a(key, high ^ 0x9E3779B97F4A7C15ull);
  // Version 8 (custom) and the standard variant, so the value is a well-formed GUID.
  high = (high & ~0xF000ull) | 0x8000ull;
  low = (low & ~(0xC000ull << 48)) | (0x8000ull << 48);
  std::string hex;
  for (int shift = 56; shift >= 0; shift -= 8) hex += authoring::HexByte(static_cast<unsigned char>(high >> shift));
  for (int shift = 56; shift >= 0; shift -= 8) hex += authoring::HexByte(static_cast<unsigned char>(low >> shift));
  return "{" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
         hex.substr(20, 12) + "}";
}

}  // namespace quarrix
