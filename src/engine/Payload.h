#pragma once
// The compiled script payload: the 25 fields the authoring side appends to the engine, in the
// order they are written. Nothing in the text names a field; writer and reader agree by position.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/AnsiText.h"
#include "common/HashedStringList.h"

namespace quarrix {

struct ScriptPayload {
  HashedStringList commandNames;       //  1 list
  HashedStringList lineGuids;          //  2 list
  HashedStringList parameterList;      //  3 list (escapes already replaced after reading)
  HashedStringList commentFlags;       //  4 list
  std::string productCode;             //  5 single
  std::string title;                   //  6 single
  StringList pluginCommands;           //  7 list
  std::string publisher;               //  8 single
  std::string contact;                 //  9 single
  std::string helpLink;                // 10 single
  std::string urlUpdateInfo;           // 11 single
  std::string comments;                // 12 single
  std::string displayVersion;          // 13 single
  StringList webMediaPasswords;        // 14 list
  HashedStringList lineMedia;          // 15 list
  int32_t buildMode = 1;               // 16 integer
  StringList componentSizes;           // 17 list
  std::string revisionCode;            // 18 single
  StringList mediaFileMap;             // 19 list
  std::string askLanguage;             // 20 single, as read ("TRUE" asks)
  std::string defaultLanguage;         // 21 single
  StringList commandHeaders;           // 22 list
  StringList buildConstants;           // 23 list
  int32_t codePage = 1252;             // 24 integer
  StringList sourceLocations;          // 25 list

  bool AsksLanguage() const { return askLanguage == "TRUE"; }
  size_t LineCount() const { return commandNames.Count(); }

  bool operator==(const ScriptPayload&) const = default;
};

// The parameter lists every command reads from; start-up moves the payload's parameterList into
// it, so after reading it holds exactly one list.
using ParameterLists = std::vector<HashedStringList>;

// Parameter n of the line whose GUID is given: n = 0 is the GUID itself. Empty when no list holds
// the GUID or the GUID is empty; a position past the end of the list throws std::out_of_range
// (a runtime error).
std::string GetLineParameter(const ParameterLists& lists, std::string_view lineGuid, size_t n);

// Where one line's parameters start, found once for reading several of them: each read of
// GetLineParameter is a hashed lookup of the GUID.
class LineParameters {
 public:
  LineParameters(const ParameterLists& lists, std::string_view lineGuid);
  LineParameters() = default;  // a line that no list holds
  LineParameters(const HashedStringList& list, size_t start) : list_(&list), start_(start) {}
  // As GetLineParameter of the same line.
  std::string Get(size_t n) const;

 private:
  const HashedStringList* list_ = nullptr;  // null: no list holds the line
  size_t start_ = 0;
};

// LineParameters of every line at once, the lookups batched: as the one-line constructor for
// each GUID, in order.
std::vector<LineParameters> FindEachLine(const ParameterLists& lists, std::span<const std::string_view> lineGuids);
std::vector<LineParameters> FindEachLine(const ParameterLists& lists, const std::vector<std::string>& lineGuids);

}  // namespace quarrix
