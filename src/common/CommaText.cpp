#include "common/CommaText.h"

namespace quarrix {
namespace {

bool IsBlankOrControl(char c) {
  auto byte = static_cast<unsigned char>(c);
  return byte >= 1 && byte <= 32;
}

bool NeedsQuotes(std::string_view item) {
  for (char c : item)
    if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == ',') return true;
  return false;
}

void AppendQuoted(std::string& out, std::string_view item) {
  out.push_back('"');
  for (char c : item) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

// Reads from the opening quote at pos to its closing quote; an unterminated item runs to the end.
std::string ReadQuotedItem(std::string_view text, size_t& pos) {
  std::string item;
  ++pos;
  while (pos < text.size()) {
    if (text[pos] == '"') {
      if (pos + 1 < text.size() && text[pos + 1] == '"') {
        item.push_back('"');
        pos += 2;
        continue;
      }
      ++pos;
      return item;
    }
    item.push_back(text[pos++]);
  }
  return item;
}

}  // namespace

std::string ToCommaText(const StringList& items) {
  if (items.size() == 1 && items[0].empty()) return "\"\"";
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.push_back(',');
    if (NeedsQuotes(items[i]))
      AppendQuoted(out, items[i]);
    else
      out.append(items[i]);
  }
  return out;
}

StringList FromCommaText(std::string_view text) {
  // A NUL outside quotes ends the text: plug-ins hand the text over NUL-terminated, and
  // treating it as data would leave the reader stuck on a byte that neither ends nor starts
  // an item.
  auto atEnd = [&](size_t pos) { return pos >= text.size() || text[pos] == '\0'; };
  StringList items;
  size_t pos = 0;
  while (!atEnd(pos) && IsBlankOrControl(text[pos])) ++pos;
  while (!atEnd(pos)) {
    if (text[pos] == '"') {
      items.push_back(ReadQuotedItem(text, pos));
    } else {
      size_t start = pos;
      while (pos < text.size() && static_cast<unsigned char>(text[pos]) > 32 && text[pos] != ',') ++pos;
      items.emplace_back(text.substr(start, pos - start));
    }
    while (!atEnd(pos) && IsBlankOrControl(text[pos])) ++pos;
    if (!atEnd(pos) && text[pos] == ',') {
      ++pos;
      if (atEnd(pos)) items.emplace_back();
      while (!atEnd(pos) && IsBlankOrControl(text[pos])) ++pos;
    }
  }
  return items;
}

}  // namespace quarrix
