#include "engine/CommandCatalogue.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace quarrix {

CommandCatalogue::CommandCatalogue(std::span<const std::string_view> names,
                                   std::initializer_list<std::span<const CommandRow>> families,
                                   const CommandRow* pluginCall)
    : pluginCall_(pluginCall) {
  for (std::string_view name : names) rows_[name] = CommandRow{name};
  std::unordered_map<std::string_view, bool> described;
  for (std::span<const CommandRow> family : families)
    for (const CommandRow& row : family) {
      auto it = rows_.find(row.name);
      // A typo must not add a command, and one command has one description.
      if (it == rows_.end()) throw std::logic_error("not a command of the engine: " + std::string(row.name));
      if (!described.emplace(row.name, true).second)
        throw std::logic_error("command described twice: " + std::string(row.name));
      it->second = row;
    }
}

const CommandRow* CommandCatalogue::Find(std::string_view name) const {
  auto it = rows_.find(name);
  return it == rows_.end() ? nullptr : &it->second;
}

StringList CommandCatalogue::CommandsNotCarriedOut(const StringList& commandNames,
                                                   const StringList& pluginCommands) const {
  StringList missing;
  for (const std::string& name : commandNames) {
    // A plug-in line is a plug-in call whatever built-in it is named after.
    const bool plugin = std::find(pluginCommands.begin(), pluginCommands.end(), name) != pluginCommands.end();
    if (plugin) {
      if (pluginCall_ != nullptr && pluginCall_->handler) continue;
    } else if (const CommandRow* row = Find(name); !row || row->flowControl || row->handler) {
      continue;
    }
    if (std::find(missing.begin(), missing.end(), name) == missing.end()) missing.push_back(name);
  }
  return missing;
}

}  // namespace quarrix
