#include "startup/PayloadReader.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "common/AnsiText.h"
#include "startup/PayloadFields.h"
#include "engine/StubSize.h"
#include "engine/TraceTags.h"

namespace quarrix {
namespace {

constexpr std::string_view kListTerminator = "$";
constexpr std::string_view kEscapedDollars[] = {"$WILD_DOLLAR$", "$DOLLAR$"};
// The image headers of a linked executable lie well inside its first 64 KiB.
constexpr uint64_t kHeaderProbeBytes = 64 * 1024;
constexpr std::string_view kTempFileName = "zvk.tmp";
constexpr int kSourceLocationsField = 25;

// Lines end with CR LF. A lone CR or LF is part of the line: the writer never emits one, and
// treating it as a break could shift every later field without any error. A final line that
// lost its CR LF (or just its LF) to the end of the data is accepted.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    if (position_ >= text_.size()) return false;
    size_t search = position_;
    for (;;) {
      size_t lineFeed = text_.find('\n', search);
      if (lineFeed == std::string_view::npos) {
        line = text_.substr(position_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        position_ = text_.size();
        return true;
      }
      if (lineFeed > position_ && text_[lineFeed - 1] == '\r') {
        line = text_.substr(position_, lineFeed - 1 - position_);
        position_ = lineFeed + 1;
        return true;
      }
      search = lineFeed + 1;
    }
  }

 private:
  std::string_view text_;
  size_t position_ = 0;
};

std::string FieldLabel(int number, std::string_view name) {
  return "field " + std::to_string(number) + ", " + std::string(name);
}

[[noreturn]] void ThrowTruncated(int number, std::string_view name) {
  throw PayloadError("The setup script payload is truncated (" + FieldLabel(number, name) + ")");
}

std::string_view NextLine(LineCursor& cursor, int number, std::string_view name) {
  std::string_view line;
  if (!cursor.Next(line)) ThrowTruncated(number, name);
  return line;
}

// Entry is std::string_view for lists that point into the payload's text, std::string otherwise.
template <class Entry>
std::vector<Entry> ReadList(LineCursor& cursor, int number, std::string_view name, size_t expectedCount) {
  std::vector<Entry> entries;
  entries.reserve(expectedCount);
  for (;;) {
    std::string_view line = NextLine(cursor, number, name);
    if (line == kListTerminator) return entries;
    entries.emplace_back(line);
  }
}

// A decimal number at the start of the line (blanks and a sign allowed before it); the rest of
// the line is skipped.
int32_t ReadInteger(LineCursor& cursor, int number, std::string_view name) {
  std::string_view line = NextLine(cursor, number, name);
  size_t at = 0;
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  bool negative = false;
  if (at < line.size() && (line[at] == '+' || line[at] == '-')) negative = line[at++] == '-';
  size_t firstDigit = at;
  int64_t value = 0;
  for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
    value = value * 10 + (line[at] - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1)
      throw PayloadError("The setup script payload holds a number out of range (" + FieldLabel(number, name) + ")");
  }
  if (at == firstDigit) {
    constexpr size_t kShown = 40;
    throw PayloadError("The setup script payload holds no decimal number (" + FieldLabel(number, name) + "): \"" +
                       std::string(line.substr(0, kShown)) + (line.size() > kShown ? "...\"" : "\""));
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max())
    throw PayloadError("The setup script payload holds a number out of range (" + FieldLabel(number, name) + ")");
  return static_cast<int32_t>(value);
}

// Every entry that is one of the escape words as a whole becomes "$"; one pass gives the same
// result as looking each word up and overwriting until no entry is left.
void ReplaceEscapedDollars(std::vector<std::string_view>& entries) {
  for (std::string_view& entry : entries) {
    if (entry.size() < kEscapedDollars[1].size() || entry.size() > kEscapedDollars[0].size()) continue;
    for (std::string_view word : kEscapedDollars) {
      if (EqualsIgnoreCase(entry, word)) {
        entry = kListTerminator;
        break;
      }
    }
  }
}

// Removes the temporary copy however reading ends.
class TempFileGuard {
 public:
  TempFileGuard(platform::FileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
  ~TempFileGuard() { Remove(); }
  void Remove() {
    if (!removed_) files_.RemoveFile(path_);
    removed_ = true;
  }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;

 private:
  platform::FileSystem& files_;
  std::string path_;
  bool removed_ = false;
};

uint32_t StubSizeOf(platform::FileSystem& files, const std::string& executablePath, uint64_t fileSize) {
  auto headers = files.ReadFile(executablePath, 0, std::min(fileSize, kHeaderProbeBytes));
  if (!headers) throw std::runtime_error("Cannot read the setup executable " + executablePath);
  auto stubSize = GetStubSize(*headers);
  if (!stubSize) throw std::runtime_error("The setup executable " + executablePath + " is not a measurable PE image");
  if (*stubSize > fileSize)
    throw std::runtime_error("The setup executable " + executablePath + " is shorter than its own image");
  return *stubSize;
}

}  // namespace

ScriptPayload ParsePayload(std::string_view text) {
  ScriptPayload payload;
  // One copy of the whole text, which the hashed lists point into and share.
  const auto kept = std::make_shared<const std::string>(text);
  LineCursor cursor(*kept);
  // The per-line lists share the length of the first; a hint, never trusted.
  size_t scriptLines = 0;
  VisitPayloadFields(payload, [&](int number, std::string_view name, auto& field) {
    using Field = std::decay_t<decltype(field)>;
    if constexpr (std::is_same_v<Field, HashedStringList>) {
      // Most script lines have parameters, and a few of them each.
      const size_t expected = number == kParameterListField ? scriptLines * 4 : scriptLines;
      auto entries = ReadList<std::string_view>(cursor, number, name, expected);
      if (number == 1) scriptLines = entries.size();
      if (number == kParameterListField) ReplaceEscapedDollars(entries);
      field = HashedStringList(kept, std::move(entries));
    } else if constexpr (std::is_same_v<Field, StringList>) {
      field = ReadList<std::string>(cursor, number, name, number == kSourceLocationsField ? scriptLines : 0);
    } else if constexpr (std::is_same_v<Field, std::string>) {
      field = NextLine(cursor, number, name);
    } else {
      static_assert(std::is_same_v<Field, int32_t>);
      field = ReadInteger(cursor, number, name);
    }
  });
  return payload;
}

bool ReadPayload(platform::FileSystem& files, TraceLog& trace, const std::string& executablePath,
                 const std::string& tempFolder, ScriptPayload& payload) {
  trace.WriteTrace(kTagStubSizeOpen);
  auto fileSize = files.FileSize(executablePath);
  if (!fileSize) throw std::runtime_error("Cannot open the setup executable " + executablePath);
  uint32_t stubSize = StubSizeOf(files, executablePath, *fileSize);
  if (*fileSize == stubSize) return false;
  trace.WriteTrace(kTagStubSizeClose);

  trace.WriteTrace(kTagStubDataOpen);
  auto data = files.ReadFile(executablePath, stubSize);
  if (!data) throw std::runtime_error("Cannot read the setup executable " + executablePath);
  const std::string tempPath = tempFolder + std::string(kTempFileName);
  TempFileGuard removeTemp(files, tempPath);
  if (!files.WriteFile(tempPath, *data)) throw std::runtime_error("Cannot write " + tempPath);
  data.reset();
  trace.WriteTrace(kTagStubDataClose);

  trace.WriteTrace(kTagGlobalListsOpen);
  auto text = files.ReadFile(tempPath);
  if (!text) throw std::runtime_error("Cannot read " + tempPath);
  payload = ParsePayload(*text);
  removeTemp.Remove();
  trace.WriteTrace(kTagGlobalListsClose);
  return true;
}

}  // namespace quarrix
