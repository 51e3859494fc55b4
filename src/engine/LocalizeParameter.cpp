#include "engine/LocalizeParameter.h"

#include "engine/VariableManager.h"

namespace quarrix {

std::string LocalizeParameter(const TranslationTables& tables, std::string_view locMode, std::string_view value,
                              std::string_view key, int slot, const StringList& buildConstants) {
  // In this mode only localisation variables are translated.
  if (EqualsIgnoreCase(locMode, "VARSONLY") &&
      !(key.find("BRIXEL$") != std::string_view::npos && key.find("$BRIXEL") != std::string_view::npos))
    return std::string(value);
  size_t found = 0;
  while (found < tables.keys.size() && !EqualsIgnoreCase(tables.keys[found], key)) ++found;
  if (found == tables.keys.size() || slot < 1) return std::string(value);
  size_t row = found + static_cast<size_t>(slot) - 1;
  if (EqualsIgnoreCase(locMode, "NEWONLY") && (row >= tables.originals.size() || tables.originals[row] != value))
    return std::string(value);
  // A table cut short has no text for the row: the value stays as it is.
  if (row >= tables.texts.size()) return std::string(value);
  return ExpandConstants(tables.texts[row], buildConstants);
}

}  // namespace quarrix
