#include "localisation/LanguageFile.h"

#include "common/AnsiText.h"
#include "localisation/LanguageTable.h"

namespace quarrix {
namespace {

constexpr int kFirstDiscardedSlot = 91;
constexpr int kLastDiscardedSlot = 111;

// Reads CR LF lines; a final line without its line end still counts. Past the end every read
// gives the empty text, so a block cut short fills its remaining slots with nothing.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ >= text_.size(); }

  std::string ReadLine() {
    if (AtEnd()) return {};
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    return std::string(line);
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

void ReadBlock(LineReader& reader, MessageTable& table) {
  for (int slot = 1; slot <= MessageTable::kSlotCount; ++slot) {
    std::string line = reader.ReadLine();
    if (slot >= kFirstDiscardedSlot && slot <= kLastDiscardedSlot) continue;
    table.Set(slot, std::move(line));
  }
}

}  // namespace

bool LoadLanguageFile(MessageTable& table, platform::FileSystem& files, platform::SystemInfo& system,
                      const std::string& path) {
  auto content = files.ReadFile(path);
  // An empty file carries no block at all; reading one would blank every message.
  if (!content || content->empty()) return false;

  LineReader reader(*content);
  ReadBlock(reader, table);
  const std::string userLanguage = LanguageName(UserLanguageId(system, false), system);
  while (!reader.AtEnd()) {
    std::string header = reader.ReadLine();
    ReadBlock(reader, table);
    if (EqualsIgnoreCase(header, userLanguage)) break;
  }
  return true;
}

}  // namespace quarrix
