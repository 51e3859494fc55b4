#include "authoring/ScriptSource.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/AnsiText.h"

namespace quarrix {
namespace {

using Entries = std::vector<std::string>;

// ---------------------------------------------------------------------------------------------
// Field tables shared by the compiler and the dumper, so the two spell every key the same way.

struct SingleField {
  std::string_view key;
  std::string ScriptPayload::*member;
};

constexpr SingleField kSingleFields[] = {
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

constexpr IntegerField kIntegerFields[] = {
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

constexpr ListField kListFields[] = {
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

constexpr ListId kPerLineLists[] = {ListId::CommandNames, ListId::LineGuids, ListId::CommentFlags, ListId::LineMedia,
                                    ListId::SourceLocations};

constexpr std::string_view kSourceNameKey = "source-name";
constexpr std::string_view kCommentedFlag = "C";

// ---------------------------------------------------------------------------------------------
// Small text predicates.

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsPrintableAscii(char c) { return c >= 0x20 && c <= 0x7E; }

bool AllDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit); }

bool IsCommandHeader(std::string_view text) {
  return text.size() == 8 && std::all_of(text.begin(), text.end(), IsHexDigit);
}

// "{8-4-4-4-12}" in hexadecimal digits of either case.
bool IsGuidShape(std::string_view text) {
  static constexpr std::string_view kPattern = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
  if (text.size() != kPattern.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (kPattern[i] == 'X' ? !IsHexDigit(text[i]) : text[i] != kPattern[i]) return false;
  }
  return true;
}

bool IsCanonicalIndex(std::string_view text) { return AllDigits(text) && (text.size() == 1 || text[0] != '0'); }

// ---------------------------------------------------------------------------------------------
// Reading one source line.

class LineReader {
 public:
  LineReader(std::string_view text, size_t lineNumber) : text_(text), line_(lineNumber) {}

  void SkipBlanks() {
    while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
  }
  bool AtEnd() const { return at_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
  void Advance() { ++at_; }
  size_t Line() const { return line_; }

  [[noreturn]] void Fail(const std::string& message) const { throw SourceError(line_, message); }

  // Characters up to (not including) any of stops, or the end of the line.
  std::string_view TakeUntil(std::string_view stops) {
    size_t end = text_.find_first_of(stops, at_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view taken = text_.substr(at_, end - at_);
    at_ = end;
    return taken;
  }

  bool StartsValue() const { return !AtEnd() && Peek() != '@'; }

  // A value: a bare word, or quoted pieces and escapes written together without blanks.
  // followers: characters besides blanks that may end a quoted value (":" after a command name).
  std::string ReadValue(std::string_view followers = "") {
    if (Peek() == '"' || Peek() == '\\') return ReadComposite(followers);
    std::string_view word = TakeUntil(" \t");
    if (word.find('"') != std::string_view::npos)
      Fail("a double quote inside an unquoted value (quote the whole value): " + std::string(word));
    return std::string(word);
  }

 private:
  std::string ReadComposite(std::string_view followers) {
    std::string value;
    while (!AtEnd() && (Peek() == '"' || Peek() == '\\')) {
      if (Peek() == '"') ReadQuoted(value);
      else ReadEscape(value);
    }
    if (!AtEnd() && !IsBlank(Peek()) && followers.find(Peek()) == std::string_view::npos)
      Fail(std::string("unexpected '") + Peek() + "' right after a quoted value");
    return value;
  }

  void ReadQuoted(std::string& value) {
    Advance();
    for (;;) {
      if (AtEnd()) Fail("unterminated quote");
      char c = text_[at_++];
      if (c != '"') {
        value.push_back(c);
        continue;
      }
      if (Peek() != '"') return;
      value.push_back('"');
      Advance();
    }
  }

  void ReadEscape(std::string& value) {
    Advance();
    char kind = AtEnd() ? '\0' : text_[at_++];
    switch (kind) {
      case 't': value.push_back('\t'); return;
      case 'r': value.push_back('\r'); return;
      case 'n': value.push_back('\n'); return;
      case 'x':
        if (at_ + 2 <= text_.size() && IsHexDigit(text_[at_]) && IsHexDigit(text_[at_ + 1])) {
          value.push_back(static_cast<char>(std::stoi(std::string(text_.substr(at_, 2)), nullptr, 16)));
          at_ += 2;
          return;
        }
        Fail("\\x needs two hexadecimal digits");
      default:
        Fail(std::string("unknown escape \\") + (kind == '\0' ? std::string() : std::string(1, kind)) +
             " (write backslashes inside a quoted value)");
    }
  }

  std::string_view text_;
  size_t line_;
  size_t at_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Compiling.

struct ScriptLine {
  size_t sourceLine = 0;  // 1-based
  std::string command;
  Entries values;
  std::optional<std::string> guid;
  bool guidIsRaw = false;
  std::optional<std::string> location;      // @source, as written
  std::optional<std::string> locationLine;  // @line digits
  std::optional<std::string> flag;
  std::string media;
  Entries headers;
};

class Compiler {
 public:
  explicit Compiler(std::string_view sourceName) : sourceName_(sourceName) {}

  ScriptPayload Compile(std::string_view source) {
    size_t lineNumber = 0;
    size_t start = 0;
    while (start <= source.size()) {
      size_t end = source.find('\n', start);
      if (end == std::string_view::npos) end = source.size();
      std::string_view line = source.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++lineNumber;
      CompileLine(line, lineNumber);
      if (end == source.size()) break;
      start = end + 1;
    }
    return Finish();
  }

 private:
  enum class Section { Setup, Script, Raw };

  void CompileLine(std::string_view line, size_t lineNumber) {
    if (lineNumber == 1 && StartsWith(line, "#quarrix-script") && line != kScriptSourceMarker)
      throw SourceError(lineNumber, "unsupported source format: " + std::string(line));
    LineReader reader(line, lineNumber);
    reader.SkipBlanks();
    if (reader.AtEnd() || reader.Peek() == '#') return;
    if (reader.Peek() == '[') return ChangeSection(reader);
    switch (section_) {
      case Section::Setup: return CompileSetting(reader);
      case Section::Raw: return CompileRaw(reader);
      case Section::Script: return CompileScriptLine(reader);
    }
  }

  void ChangeSection(LineReader& reader) {
    reader.Advance();
    std::string name(reader.TakeUntil("]"));
    if (reader.AtEnd()) reader.Fail("unterminated section header");
    reader.Advance();
    reader.SkipBlanks();
    if (!reader.AtEnd()) reader.Fail("unexpected text after the section header");
    if (name == "setup") section_ = Section::Setup;
    else if (name == "script") section_ = Section::Script;
    else if (name == "raw") section_ = Section::Raw;
    else reader.Fail("unknown section [" + name + "]");
  }

  // key = value ...
  std::pair<std::string, Entries> ReadDirective(LineReader& reader) {
    std::string key = ToLowerAscii(reader.TakeUntil(" \t="));
    reader.SkipBlanks();
    if (reader.Peek() != '=') reader.Fail("expected '=' after " + key);
    reader.Advance();
    Entries values;
    for (reader.SkipBlanks(); !reader.AtEnd(); reader.SkipBlanks()) {
      if (reader.Peek() == '@') reader.Fail("a value starting with '@' must be quoted");
      values.push_back(reader.ReadValue());
    }
    return {key, values};
  }

  void CompileSetting(LineReader& reader) {
    auto [key, values] = ReadDirective(reader);
    if (key == kSourceNameKey) {
      sourceNameOverride_ = OneValue(reader, key, values);
      return;
    }
    for (const SingleField& field : kSingleFields) {
      if (key == field.key) {
        payload_.*field.member = OneValue(reader, key, values);
        return;
      }
    }
    for (const IntegerField& field : kIntegerFields) {
      if (key == field.key) {
        payload_.*field.member = ParseInteger(reader, key, OneValue(reader, key, values));
        return;
      }
    }
    for (const ListField& field : kListFields) {
      if (!field.tupleKey.empty() && key == field.tupleKey) {
        if (values.size() != field.arity)
          reader.Fail(key + " takes " + std::to_string(field.arity) + " value(s) (" + std::string(field.tupleShape) +
                      "), got " + std::to_string(values.size()));
        Append(field.id, values);
        return;
      }
    }
    reader.Fail("unknown directive " + key + " in [setup]");
  }

  void CompileRaw(LineReader& reader) {
    auto [key, values] = ReadDirective(reader);
    for (const ListField& field : kListFields) {
      if (key == field.rawKey) {
        Append(field.id, values);
        return;
      }
    }
    reader.Fail("unknown directive " + key + " in [raw]");
  }

  std::string OneValue(const LineReader& reader, const std::string& key, Entries& values) {
    if (values.size() != 1) reader.Fail(key + " takes exactly one value, got " + std::to_string(values.size()));
    auto [it, inserted] = singlesSeen_.emplace(key, reader.Line());
    if (!inserted) reader.Fail("duplicate directive " + key + " (first on line " + std::to_string(it->second) + ")");
    return std::move(values.front());
  }

  static int32_t ParseInteger(const LineReader& reader, const std::string& key, const std::string& text) {
    std::string_view digits = text;
    bool negative = !digits.empty() && digits.front() == '-';
    if (negative) digits.remove_prefix(1);
    if (!AllDigits(digits) || digits.size() > 10) reader.Fail("bad integer for " + key + ": " + text);
    int64_t value = std::stoll(std::string(digits));
    if (negative) value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
      reader.Fail("integer out of range for " + key + ": " + text);
    return static_cast<int32_t>(value);
  }

  void Append(ListId id, const Entries& values) {
    Entries& target = appended_[id];
    target.insert(target.end(), values.begin(), values.end());
  }

  void CompileScriptLine(LineReader& reader) {
    ScriptLine line;
    line.sourceLine = reader.Line();
    line.command = ReadCommandName(reader);
    reader.SkipBlanks();
    if (reader.Peek() == ':') {
      reader.Advance();
      for (reader.SkipBlanks(); reader.StartsValue(); reader.SkipBlanks()) line.values.push_back(reader.ReadValue());
    }
    for (reader.SkipBlanks(); !reader.AtEnd(); reader.SkipBlanks()) {
      if (reader.Peek() != '@') reader.Fail("expected ':' before the values, or an @attribute");
      ReadAttribute(reader, line);
    }
    lines_.push_back(std::move(line));
  }

  static std::string ReadCommandName(LineReader& reader) {
    if (reader.Peek() == '"' || reader.Peek() == '\\') return reader.ReadValue(":");
    std::string_view name = reader.TakeUntil(":@");
    while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
    if (name.empty()) reader.Fail("missing command name");
    return std::string(name);
  }

  static void ReadAttribute(LineReader& reader, ScriptLine& line) {
    reader.Advance();
    std::string name = ToLowerAscii(reader.TakeUntil(" \t="));
    std::optional<std::string> value;
    if (reader.Peek() == '=') {
      reader.Advance();
      if (reader.AtEnd() || IsBlank(reader.Peek())) reader.Fail("@" + name + "= needs a value");
      value = reader.ReadValue();
    }
    auto required = [&]() -> std::string {
      if (!value) reader.Fail("@" + name + " needs a value (@" + name + "=...)");
      return *value;
    };
    auto once = [&](bool alreadySet, std::string_view what) {
      if (alreadySet) reader.Fail("the line already has " + std::string(what));
    };
    if (name == "guid" || name == "raw-guid") {
      once(line.guid.has_value(), "a GUID");
      std::string guid = required();
      line.guidIsRaw = name == "raw-guid";
      if (!line.guidIsRaw) {
        if (!IsGuidShape(guid)) reader.Fail("malformed GUID " + guid + " (expected {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX})");
        guid = ToUpperAscii(guid);
      }
      line.guid = std::move(guid);
    } else if (name == "commented" || name == "flag") {
      once(line.flag.has_value(), "a comment flag");
      if (name == "commented" && value) reader.Fail("@commented takes no value");
      line.flag = name == "commented" ? std::string(kCommentedFlag) : required();
    } else if (name == "media") {
      once(!line.media.empty(), "a media entry");
      line.media = required();
    } else if (name == "line" || name == "source") {
      once(line.location || line.locationLine, "a source location");
      std::string location = required();
      if (name == "line" && !AllDigits(location)) reader.Fail("@line needs a line number, got " + location);
      (name == "line" ? line.locationLine : line.location) = std::move(location);
    } else if (name == "header") {
      std::string header = required();
      if (!IsCommandHeader(header)) reader.Fail("a command header is eight hexadecimal digits, got " + header);
      line.headers.push_back(std::move(header));
    } else {
      reader.Fail("unknown attribute @" + name);
    }
  }

  ScriptPayload Finish() {
    const std::string name = sourceNameOverride_.value_or(sourceName_);
    Entries guids = AssignGuids(name);
    Entries commands, flags, media, locations, parameters, headers;
    for (size_t i = 0; i < lines_.size(); ++i) {
      const ScriptLine& line = lines_[i];
      commands.push_back(line.command);
      flags.push_back(line.flag.value_or(""));
      media.push_back(line.media);
      if (line.location) locations.push_back(*line.location);
      else locations.push_back(name + "*" + line.locationLine.value_or(std::to_string(line.sourceLine - 1)));
      if (!line.values.empty()) {
        parameters.push_back(guids[i]);
        parameters.insert(parameters.end(), line.values.begin(), line.values.end());
      }
      for (const std::string& header : line.headers) {
        headers.push_back(header);
        headers.push_back(std::to_string(i));
      }
    }
    std::map<ListId, Entries> derived{
        {ListId::CommandNames, std::move(commands)},     {ListId::LineGuids, std::move(guids)},
        {ListId::CommentFlags, std::move(flags)},        {ListId::LineMedia, std::move(media)},
        {ListId::SourceLocations, std::move(locations)}, {ListId::ParameterList, std::move(parameters)},
        {ListId::CommandHeaders, std::move(headers)},
    };
    for (const ListField& field : kListFields) {
      Entries entries = std::move(derived[field.id]);
      Entries& extra = appended_[field.id];
      entries.insert(entries.end(), extra.begin(), extra.end());
      SetListEntries(payload_, field.id, std::move(entries));
    }
    return std::move(payload_);
  }

  // Explicit GUIDs first (checked for duplicates unless raw), then generated ones that avoid
  // every GUID already present.
  Entries AssignGuids(const std::string& name) {
    std::unordered_map<std::string, size_t> taken;  // upper-cased GUID -> source line
    for (const std::string& raw : appended_[ListId::LineGuids]) taken.emplace(ToUpperAscii(raw), 0);
    for (const ScriptLine& line : lines_) {
      if (!line.guid || !line.guidIsRaw) continue;
      taken.emplace(ToUpperAscii(*line.guid), line.sourceLine);
    }
    std::unordered_map<std::string, size_t> checked;
    for (const ScriptLine& line : lines_) {
      if (!line.guid || line.guidIsRaw) continue;
      auto [it, inserted] = checked.emplace(*line.guid, line.sourceLine);
      if (!inserted)
        throw SourceError(line.sourceLine,
                          "duplicate GUID " + *line.guid + " (also on line " + std::to_string(it->second) + ")");
      taken.emplace(*line.guid, line.sourceLine);
    }
    Entries guids;
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].guid) {
        guids.push_back(*lines_[i].guid);
        continue;
      }
      std::string guid;
      for (unsigned attempt = 0;; ++attempt) {
        guid = GenerateLineGuid(name, i, attempt);
        if (taken.emplace(guid, lines_[i].sourceLine).second) break;
      }
      guids.push_back(std::move(guid));
    }
    return guids;
  }

  std::string sourceName_;
  std::optional<std::string> sourceNameOverride_;
  Section section_ = Section::Script;
  ScriptPayload payload_;
  std::vector<ScriptLine> lines_;
  std::map<ListId, Entries> appended_;
  std::unordered_map<std::string, size_t> singlesSeen_;
};

// ---------------------------------------------------------------------------------------------
// Dumping.

std::string HexByte(unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

bool IsBareValueChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) ||
         std::string_view("_.$#{}:\\/+%-").find(c) != std::string_view::npos;
}

// Quoted runs of printable ASCII joined with escapes for every other byte: the output stays
// plain ASCII whatever code page the values are in.
std::string QuoteValue(std::string_view value) {
  if (value.empty()) return "\"\"";
  std::string out;
  bool inQuote = false;
  for (char c : value) {
    if (IsPrintableAscii(c)) {
      if (!inQuote) out.push_back('"');
      inQuote = true;
      out.push_back(c);
      if (c == '"') out.push_back('"');
      continue;
    }
    if (inQuote) out.push_back('"');
    inQuote = false;
    if (c == '\t') out += "\\t";
    else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += "\\x" + HexByte(static_cast<unsigned char>(c));
  }
  if (inQuote) out.push_back('"');
  return out;
}

std::string FormatValue(std::string_view value) {
  bool bare = !value.empty() && value.front() != '\\' && std::all_of(value.begin(), value.end(), IsBareValueChar);
  return bare ? std::string(value) : QuoteValue(value);
}

std::string FormatCommandName(std::string_view name) {
  bool bare = !name.empty() && std::all_of(name.begin(), name.end(), IsPrintableAscii) &&
              std::string_view("\"\\#[ ").find(name.front()) == std::string_view::npos && name.back() != ' ' &&
              name.find_first_of(":@") == std::string_view::npos;
  return bare ? std::string(name) : QuoteValue(name);
}

std::string FormatValues(const Entries& values, size_t from, size_t count) {
  std::string out;
  for (size_t i = from; i < from + count && i < values.size(); ++i) {
    if (!out.empty()) out.push_back(' ');
    out += FormatValue(values[i]);
  }
  return out;
}

struct DumpLine {
  Entries values;
  Entries headers;
};

class Dumper {
 public:
  explicit Dumper(const ScriptPayload& payload) : p_(payload) {
    lineCount_ = std::numeric_limits<size_t>::max();
    for (ListId id : kPerLineLists) lineCount_ = std::min(lineCount_, ListEntries(p_, id).size());
    lines_.resize(lineCount_);
  }

  std::string Dump() {
    const bool parametersFit = AssignParameters();
    const size_t headersTaken = AssignHeaders();
    sourceName_ = InferSourceName();

    out_ = std::string(kScriptSourceMarker) + "\n";
    out_ += "[setup]\n";
    Directive(kSourceNameKey, FormatValue(sourceName_));
    for (const SingleField& field : kSingleFields) Directive(field.key, FormatValue(p_.*field.member));
    for (const IntegerField& field : kIntegerFields) Directive(field.key, std::to_string(p_.*field.member));

    for (const ListField& field : kListFields) {
      if (field.tupleKey.empty()) continue;
      const Entries& entries = ListEntries(p_, field.id);
      size_t from = field.id == ListId::CommandHeaders ? headersTaken : 0;
      for (; from + field.arity <= entries.size(); from += field.arity)
        Directive(field.tupleKey, FormatValues(entries, from, field.arity));
      raw_[field.id].assign(entries.begin() + static_cast<std::ptrdiff_t>(from), entries.end());
    }

    out_ += "\n[script]\n";
    WriteScriptLines();

    for (ListId id : kPerLineLists) {
      const Entries& entries = ListEntries(p_, id);
      raw_[id].assign(entries.begin() + static_cast<std::ptrdiff_t>(lineCount_), entries.end());
    }
    if (!parametersFit) raw_[ListId::ParameterList] = p_.parameterList.Entries();
    WriteRaw();
    return out_;
  }

 private:
  void Directive(std::string_view key, const std::string& values) {
    out_ += std::string(key) + " =";
    if (!values.empty()) out_ += " " + values;
    out_ += "\n";
  }

  const std::string& Guid(size_t line) const { return p_.lineGuids[line]; }

  // Hands each line the values that follow its GUID, as the compiler lays them out. False when
  // the list cannot be rebuilt that way; the whole list then goes to [raw].
  bool AssignParameters() {
    const Entries& list = p_.parameterList.Entries();
    std::unordered_map<std::string, size_t> lastLineOf;
    for (size_t i = 0; i < lineCount_; ++i) lastLineOf[Guid(i)] = i;
    size_t at = 0;
    for (size_t i = 0; i < lineCount_ && at < list.size(); ++i) {
      if (list[at] != Guid(i)) continue;
      size_t end = at + 1;
      for (; end < list.size(); ++end) {
        auto later = lastLineOf.find(list[end]);
        if (later != lastLineOf.end() && later->second > i) break;
      }
      if (end == at + 1) return ClearParameters();
      lines_[i].values.assign(list.begin() + static_cast<std::ptrdiff_t>(at + 1),
                              list.begin() + static_cast<std::ptrdiff_t>(end));
      at = end;
    }
    return at == list.size() || ClearParameters();
  }

  bool ClearParameters() {
    for (DumpLine& line : lines_) line.values.clear();
    return false;
  }

  // The leading pairs that @header attributes reproduce; the rest stays a table.
  size_t AssignHeaders() {
    const Entries& headers = p_.commandHeaders;
    size_t taken = 0;
    size_t previous = 0;
    for (; taken + 2 <= headers.size(); taken += 2) {
      const std::string& index = headers[taken + 1];
      if (!IsCommandHeader(headers[taken]) || !IsCanonicalIndex(index) || index.size() > 9) break;
      size_t line = std::stoul(index);
      if (line >= lineCount_ || line < previous) break;
      lines_[line].headers.push_back(headers[taken]);
      previous = line;
    }
    return taken;
  }

  std::string InferSourceName() const {
    for (size_t i = 0; i < lineCount_; ++i) {
      const std::string& location = p_.sourceLocations[i];
      size_t star = location.rfind('*');
      if (star != std::string::npos && AllDigits(std::string_view(location).substr(star + 1)))
        return location.substr(0, star);
    }
    return "";
  }

  void WriteScriptLines() {
    std::unordered_map<std::string, size_t> guidUses;
    for (const std::string& guid : p_.lineGuids.Entries()) ++guidUses[ToUpperAscii(guid)];
    std::set<std::string> checkedGuids;
    int depth = 0;
    for (size_t i = 0; i < lineCount_; ++i) {
      const std::string& command = p_.commandNames[i];
      const bool commented = p_.commentFlags[i] == kCommentedFlag;
      if (!commented && (command == "End" || command == "Else" || command == "Else If")) depth = std::max(0, depth - 1);
      std::string text(static_cast<size_t>(depth) * 2, ' ');
      text += FormatCommandName(command);
      if (!lines_[i].values.empty()) text += ": " + FormatValues(lines_[i].values, 0, lines_[i].values.size());
      std::string attributes = Attributes(i, guidUses, checkedGuids);
      if (!attributes.empty()) text += "  " + attributes;
      out_ += text + "\n";
      if (!commented && (command == "If" || command == "Wizard Loop" || command == "Else" || command == "Else If"))
        ++depth;
    }
  }

  std::string Attributes(size_t i, const std::unordered_map<std::string, size_t>& guidUses,
                         std::set<std::string>& checkedGuids) const {
    StringList attributes;
    const std::string& guid = Guid(i);
    const bool unique = guidUses.at(ToUpperAscii(guid)) == 1;
    if (!(unique && guid == GenerateLineGuid(sourceName_, i))) {
      const bool checkable = IsGuidShape(guid) && guid == ToUpperAscii(guid) && checkedGuids.insert(guid).second;
      attributes.push_back((checkable ? "@guid=" : "@raw-guid=") + FormatValue(guid));
    }
    const std::string& flag = p_.commentFlags[i];
    if (flag == kCommentedFlag) attributes.push_back("@commented");
    else if (!flag.empty()) attributes.push_back("@flag=" + FormatValue(flag));
    if (!p_.lineMedia[i].empty()) attributes.push_back("@media=" + FormatValue(p_.lineMedia[i]));
    for (const std::string& header : lines_[i].headers) attributes.push_back("@header=" + header);
    const std::string& location = p_.sourceLocations[i];
    const std::string prefix = sourceName_ + "*";
    if (StartsWith(location, prefix) && AllDigits(std::string_view(location).substr(prefix.size())))
      attributes.push_back("@line=" + location.substr(prefix.size()));
    else
      attributes.push_back("@source=" + FormatValue(location));
    std::string joined;
    for (const std::string& attribute : attributes) joined += (joined.empty() ? "" : " ") + attribute;
    return joined;
  }

  void WriteRaw() {
    bool any = false;
    for (const ListField& field : kListFields) any = any || !raw_[field.id].empty();
    if (!any) return;
    out_ += "\n[raw]\n";
    for (const ListField& field : kListFields) {
      const Entries& entries = raw_[field.id];
      if (field.id != ListId::ParameterList) {
        for (const std::string& entry : entries) Directive(field.rawKey, FormatValue(entry));
        continue;
      }
      // One directive per line GUID keeps a raw parameter list readable.
      std::set<std::string> guids(p_.lineGuids.Entries().begin(), p_.lineGuids.Entries().end());
      std::string group;
      for (const std::string& entry : entries) {
        if (!group.empty() && guids.count(entry) != 0) {
          Directive(field.rawKey, group);
          group.clear();
        }
        group += (group.empty() ? "" : " ") + FormatValue(entry);
      }
      if (!group.empty()) Directive(field.rawKey, group);
    }
  }

  const ScriptPayload& p_;
  size_t lineCount_ = 0;
  std::vector<DumpLine> lines_;
  std::string sourceName_;
  std::map<ListId, Entries> raw_;
  std::string out_;
};

// FNV-1a, 64 bits, from a chosen starting value.
uint64_t Fnv1a(std::string_view data, uint64_t state) {
  for (unsigned char c : data) {
    state ^= c;
    state *= 0x100000001B3ull;
  }
  return state;
}

}  // namespace

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
  for (int shift = 56; shift >= 0; shift -= 8) hex += HexByte(static_cast<unsigned char>(high >> shift));
  for (int shift = 56; shift >= 0; shift -= 8) hex += HexByte(static_cast<unsigned char>(low >> shift));
  return "{" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
         hex.substr(20, 12) + "}";
}

ScriptPayload CompileScriptSource(std::string_view source, std::string_view sourceName) {
  return Compiler(sourceName).Compile(source);
}

std::string DumpScriptSource(const ScriptPayload& payload) { return Dumper(payload).Dump(); }

}  // namespace quarrix
