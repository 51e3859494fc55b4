#pragma once
// The field table of the script source, shared by the compiler and the dumper so that the two
// spell every key the same way, and the small text rules both directions agree on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Payload.h"

namespace quarrix::authoring {

using Entries = std::vector<std::string>;

struct SingleField {
  std::string_view key;
  std::string ScriptPayload::*member;
};

inline constexpr SingleField kSingleFields[] = {
    {"product-code", &ScriptPayload::productCode},
    {"title", &ScriptPayload::title},
    {"publisher", &ScriptPayload::publisher},
    {"contact", &ScriptPayload::contact},
    {"help-link", &ScriptPayload::helpLink},
    {"url-update-info", &ScriptPayload::urlUpdateInfo},
    {"comments", &ScriptPayload::comments},
    {"display-version", &ScriptPayload::displayVersion},
    {"revision-code", &ScriptPayload::revisionCode},
    {"ask-language", &ScriptPayload::askLanguage},
    {"default-language", &ScriptPayload::defaultLanguage},
};

struct IntegerField {
  std::string_view key;
  int32_t ScriptPayload::*member;
};

inline constexpr IntegerField kIntegerFields[] = {
    {"build-mode", &ScriptPayload::buildMode},
    {"code-page", &ScriptPayload::codePage},
};

enum class ListId {
  CommandNames,
  LineGuids,
  ParameterList,
  CommentFlags,
  LineMedia,
  SourceLocations,
  CommandHeaders,
  PluginCommands,
  WebMediaPasswords,
  ComponentSizes,
  MediaFileMap,
  BuildConstants,
};

struct ListField {
  ListId id;
  std::string_view rawKey;    // [raw]: any number of entries
  std::string_view tupleKey;  // [setup]: one group of `arity` entries; empty when none
  size_t arity;
  std::string_view tupleShape;
};

inline constexpr ListField kListFields[] = {
    {ListId::CommandNames, "command-names", "", 0, ""},
    {ListId::LineGuids, "line-guids", "", 0, ""},
    {ListId::ParameterList, "parameter-list", "", 0, ""},
    {ListId::CommentFlags, "comment-flags", "", 0, ""},
    {ListId::LineMedia, "line-media", "", 0, ""},
    {ListId::SourceLocations, "source-locations", "", 0, ""},
    {ListId::CommandHeaders, "command-headers", "command-header", 2, "header, line index"},
    {ListId::PluginCommands, "plugin-commands", "plugin-command", 1, "command name"},
    {ListId::WebMediaPasswords, "web-media-passwords", "web-media-password", 2, "block, scrambled password"},
    {ListId::ComponentSizes, "component-sizes", "component-size", 2, "component, size"},
    {ListId::MediaFileMap, "media-file-map", "media-file", 3, "block, archive path, destination"},
    {ListId::BuildConstants, "build-constants", "build-constant", 2, "name, value"},
};

// The lists that hold one entry per script line.
inline constexpr ListId kPerLineLists[] = {ListId::CommandNames, ListId::LineGuids, ListId::CommentFlags,
                                           ListId::LineMedia, ListId::SourceLocations};

inline constexpr std::string_view kSourceNameKey = "source-name";
inline constexpr std::string_view kCommentedFlag = "C";

const Entries& ListEntries(const ScriptPayload& p, ListId id);
void SetListEntries(ScriptPayload& p, ListId id, Entries entries);

// Small text predicates both directions agree on.
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
inline bool IsPrintableAscii(char c) { return c >= 0x20 && c <= 0x7E; }

bool AllDigits(std::string_view text);
bool IsCommandHeader(std::string_view text);
// "{8-4-4-4-12}" in hexadecimal digits of either case.
bool IsGuidShape(std::string_view text);
bool IsCanonicalIndex(std::string_view text);
// Two upper-case hexadecimal digits.
std::string HexByte(unsigned char byte);

}  // namespace quarrix::authoring
