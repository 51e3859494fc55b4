#include "engine/VariableManager.h"

#include <cstdint>

#include "common/CommaText.h"

namespace quarrix {

TVariableManager::TVariableManager(bool caseSensitive, bool lockReads)
    : lockReads_(lockReads), table_(caseSensitive) {}

std::unique_lock<std::mutex> TVariableManager::ReadLock() const {
  return lockReads_ ? std::unique_lock<std::mutex>(lock_) : std::unique_lock<std::mutex>();
}

void TVariableManager::StoreVariable(std::string_view name, std::string_view value) {
  if (name.empty()) return;
  std::lock_guard<std::mutex> guard(lock_);
  // A name already there keeps the spelling of its first assignment.
  table_.FindOrAdd(name).first.assign(value);
}

void TVariableManager::ClearVariables() {
  std::lock_guard<std::mutex> guard(lock_);
  table_.Clear();
}

bool TVariableManager::VariableExists(std::string_view name) const {
  if (name.empty()) return false;
  auto guard = ReadLock();
  return table_.Find(name) != nullptr;
}

std::string TVariableManager::GetVariable(std::string_view name) const {
  return LookupVariable(name).value_or(std::string());
}

std::optional<std::string> TVariableManager::LookupVariable(std::string_view name) const {
  if (name.empty()) return std::nullopt;
  auto guard = ReadLock();
  const std::string* value = table_.Find(name);
  if (value == nullptr) return std::nullopt;
  return *value;
}

std::string TVariableManager::ExportVariables() const {
  StringList items;
  {
    // One lock for the whole snapshot: a worker assigning meanwhile waits instead of
    // invalidating the iteration.
    std::lock_guard<std::mutex> guard(lock_);
    items.reserve(table_.Size() * 2);
    for (const auto& [name, value] : table_.Entries()) {
      items.push_back(name);
      items.push_back(value);
    }
  }
  return ToCommaText(items);
}

void TVariableManager::ImportVariables(std::string_view commaText) {
  ClearVariables();
  StringList items = FromCommaText(commaText);
  for (size_t i = 0; i + 1 < items.size(); i += 2) StoreVariable(items[i], items[i + 1]);
}

std::string TVariableManager::ExpandVariables(std::string_view text) const { return Expand(text, false); }

std::string TVariableManager::ExpandVariablesQuoted(std::string_view text) const { return Expand(text, true); }

void TVariableManager::SetCommandLineAssignments(const StringList& assignments) {
  std::lock_guard<std::mutex> guard(lock_);
  commandLineNames_.clear();
  for (size_t i = 0; i < assignments.size(); i += 2) commandLineNames_.insert(ToUpperAscii(assignments[i]));
}

bool TVariableManager::IsProtected(std::string_view name, std::string_view context) const {
  if (!silent_ || context == kInjectOverrideContext) return false;
  std::string upper = ToUpperAscii(name);
  std::lock_guard<std::mutex> guard(lock_);
  return commandLineNames_.count(upper) > 0;
}

void TVariableManager::SetVariable(std::string_view name, std::string_view value, std::string_view context) {
  if (name.empty()) return;
  // The protection test first: outside silent runs it needs no lookup at all.
  if (IsProtected(name, context) && VariableExists(name)) return;
  StoreVariable(name, value);
}

void TVariableManager::DeclareVariable(std::string_view name, std::string_view context) {
  if (name.empty() || VariableExists(name)) return;
  SetVariable(ToUpperAscii(name), "", context);
}

bool IsTrue(std::string_view text) { return text == "-1" || EqualsIgnoreCase(text, "TRUE"); }

std::string BoolText(bool value) { return value ? "TRUE" : "FALSE"; }

std::string StripReference(std::string_view text) {
  if (text.size() < 2 || text.front() != '$') return std::string();
  if (text.find('$', 1) != text.size() - 1) return std::string();
  return std::string(text.substr(1, text.size() - 2));
}

namespace {

std::optional<std::string> ResolveName(const TVariableManager& vars, std::string_view text) {
  std::string name = StripReference(text);
  if (name.empty()) name.assign(text);
  std::optional<std::string> value = vars.LookupVariable(name);
  if (!value) return std::nullopt;
  return vars.ExpandVariables(*value);
}

}  // namespace

std::string ResolveVariable(const TVariableManager& vars, std::string_view text) {
  return ResolveName(vars, text).value_or(std::string());
}

std::string ResolveVariableOrMarker(const TVariableManager& vars, std::string_view text) {
  return ResolveName(vars, text).value_or(std::string("$VELDNX$"));
}

}  // namespace quarrix
