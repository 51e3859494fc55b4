#include "authoring/ScriptCompiler.h"

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "authoring/SourceFields.h"
#include "common/AnsiText.h"

namespace quarrix {
namespace {

using namespace authoring;

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
    if (lineNumber == 1 && StartsWith(line, kScriptSourceVersionPrefix) && line != kScriptSourceMarker)
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

}  // namespace

ScriptPayload CompileScriptSource(std::string_view source, std::string_view sourceName) {
  return Compiler(sourceName).Compile(source);
}

}  // namespace quarrix
