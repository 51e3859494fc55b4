#include "authoring/ScriptDumper.h"

#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "authoring/ScriptSource.h"
#include "authoring/SourceFields.h"
#include "common/AnsiText.h"

namespace quarrix {
namespace {

using namespace authoring;

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

  const std::string& Guid(size_t line) const { return p_.lineGuids.Entries()[line]; }

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
      const std::string& command = p_.commandNames.Entries()[i];
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
    const std::string& flag = p_.commentFlags.Entries()[i];
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

}  // namespace

std::string DumpScriptSource(const ScriptPayload& payload) { return Dumper(payload).Dump(); }

}  // namespace quarrix
