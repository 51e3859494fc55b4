// Substitution of "$NAME$" references and "#NAME#" constants, and the path and newline texts
// built on it.
#include <optional>
#include <vector>

#include "engine/VariableManager.h"

namespace quarrix {
namespace {

// A value that refers to itself, directly or through other variables, would be rescanned for
// ever, and one like A = "$A$$A$" also grows without end. Legitimate texts nest references a few
// levels deep and hold a few dozen of them, so 10,000 substitutions is far beyond any real
// script while still costing well under a millisecond. The byte bound keeps a self-referencing
// long value from filling memory before the count is reached; it is checked after each
// substitution, so one large value (a file read into a variable) is always inserted whole.
// When either bound is reached the rest of the text stays as it stands.
constexpr size_t kMaxSubstitutionsPerCall = 10'000;
constexpr size_t kMaxInsertedBytesPerCall = 16u << 20;

// Build-time constants get the same treatment: passes repeat only while they change the text,
// and a constant whose value keeps producing constant references stops after these bounds.
// Constants are short words chosen at build time, so 1 MiB of growth is far beyond real use.
constexpr int kMaxConstantPasses = 100;
constexpr size_t kMaxConstantGrowthBytes = 1u << 20;

}  // namespace

std::string TVariableManager::Expand(std::string_view text, bool quoted) const {
  if (text.find('$') == std::string_view::npos) return std::string(text);

  // Everything before the scan position is final and moves to `done`. The unscanned rest is a
  // stack of pieces (the top is its front): an inserted value becomes a new top instead of
  // being spliced into one growing string, so a call costs time in proportion to the bytes
  // inserted. A reference may span pieces: a value's dollar can pair with the text after it.
  struct Piece {
    std::string text;
    size_t pos;
  };
  std::vector<Piece> pending;
  pending.push_back({std::string(text), 0});
  std::string done;
  done.reserve(text.size());
  size_t substitutions = 0;
  size_t insertedBytes = 0;

  while (!pending.empty() && substitutions < kMaxSubstitutionsPerCall && insertedBytes <= kMaxInsertedBytesPerCall) {
    Piece& top = pending.back();
    size_t opening = top.text.find('$', top.pos);
    if (opening == std::string::npos) {
      done.append(top.text, top.pos);
      pending.pop_back();
      continue;
    }
    done.append(top.text, top.pos, opening - top.pos);
    top.pos = opening;

    std::string name;
    size_t piece = pending.size() - 1;
    size_t from = opening + 1;
    size_t closing = std::string::npos;
    while (true) {
      closing = pending[piece].text.find('$', from);
      if (closing != std::string::npos) {
        name.append(pending[piece].text, from, closing - from);
        break;
      }
      name.append(pending[piece].text, from);
      if (piece == 0) break;
      --piece;
      from = pending[piece].pos;
    }
    if (closing == std::string::npos) break;  // a last dollar without partner stays

    std::optional<std::string> value = LookupVariable(name);
    pending.resize(piece + 1);
    if (!value) {
      // Unknown: keep "$NAME" and rescan from the closing dollar, which may open the next reference.
      done.push_back('$');
      done.append(name);
      pending.back().pos = closing;
      continue;
    }
    pending.back().pos = closing + 1;
    ++substitutions;
    insertedBytes += value->size();
    pending.push_back({quoted ? "\"" + *value + "\"" : std::move(*value), 0});
  }
  for (auto piece = pending.rbegin(); piece != pending.rend(); ++piece) done.append(piece->text, piece->pos);
  return done;
}

std::string NewlineToCrLf(std::string_view text) {
  constexpr std::string_view kMarker = "$NEWLINE$";
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    if (text.size() - pos >= kMarker.size() && EqualsIgnoreCase(text.substr(pos, kMarker.size()), kMarker)) {
      out.append("\r\n");
      pos += kMarker.size();
    } else {
      out.push_back(text[pos++]);
    }
  }
  return out;
}

std::string CrLfToNewline(std::string_view text) { return ReplaceAll(text, "\r\n", "$NEWLINE$"); }

std::string NormalizePathNoExpand(std::string_view text) {
  std::string collapsed = ReplaceAll(text, "\\\\", "\\");
  if (StartsWith(text, "\\\\")) collapsed.insert(collapsed.begin(), '\\');
  return collapsed;
}

std::string NormalizePath(const TVariableManager& vars, std::string_view text) {
  return NormalizePathNoExpand(vars.ExpandVariables(text));
}

namespace {

// Every "#name#", ignoring case, replaced left to right; false when the output would pass the
// byte bound, in which case the rest of the text is copied unchanged.
bool ReplaceConstant(std::string_view text, std::string_view name, std::string_view value, size_t maxBytes,
                     std::string& out) {
  std::string pattern = "#" + std::string(name) + "#";
  out.clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t hit = pos;
    while (hit + pattern.size() <= text.size() && !EqualsIgnoreCase(text.substr(hit, pattern.size()), pattern)) {
      hit = text.find('#', hit + 1);
      if (hit == std::string_view::npos) hit = text.size();
    }
    if (hit + pattern.size() > text.size()) break;
    if (out.size() + (hit - pos) + value.size() > maxBytes) {
      out.append(text.substr(pos));
      return false;
    }
    out.append(text.substr(pos, hit - pos));
    out.append(value);
    pos = hit + pattern.size();
  }
  out.append(text.substr(pos));
  return true;
}

}  // namespace

// Intermediate passes are not shown in a box captioned "result": such a box only serves debugging
// and would stop a silent run.
std::string ExpandConstants(std::string_view text, const StringList& buildConstants) {
  if (text.find('#') == std::string_view::npos) return std::string(text);
  const size_t maxBytes = text.size() + kMaxConstantGrowthBytes;
  std::string current(text);
  std::string next;
  for (int pass = 0; pass < kMaxConstantPasses; ++pass) {
    std::string input = current;
    bool withinBound = true;
    for (size_t i = 0; i + 1 < buildConstants.size() && withinBound; i += 2) {
      withinBound = ReplaceConstant(current, buildConstants[i], buildConstants[i + 1], maxBytes, next);
      current.swap(next);
    }
    if (!withinBound || current == input || current.find('#') == std::string::npos) break;
  }
  return current;
}

}  // namespace quarrix
