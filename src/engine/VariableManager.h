#pragma once
// The one store of named string variables a script sees, and the engine-wide operations on it.
// Names compare ignoring the case of A to Z; a key keeps the spelling of its first assignment.
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "common/AnsiText.h"
#include "common/NameTable.h"

namespace quarrix {

// The one context label that changes behaviour: it may overwrite command-line values in silent runs.
inline constexpr std::string_view kInjectOverrideContext = "Inject Override Command Line";

class TVariableManager {
 public:
  // The engine only uses the case-insensitive, read-locking configuration.
  explicit TVariableManager(bool caseSensitive = false, bool lockReads = true);

  // Store operations: each holds the lock for its own duration only.
  void StoreVariable(std::string_view name, std::string_view value);
  void ClearVariables();
  bool VariableExists(std::string_view name) const;
  std::string GetVariable(std::string_view name) const;
  // Existence and value in one locked step, for callers that must not see them disagree.
  std::optional<std::string> LookupVariable(std::string_view name) const;
  std::string ExportVariables() const;
  void ImportVariables(std::string_view commaText);
  std::string ExpandVariables(std::string_view text) const;
  std::string ExpandVariablesQuoted(std::string_view text) const;

  // Guarded assignment: in silent runs, names given on the command line keep their values
  // unless the context is kInjectOverrideContext.
  void SetVariable(std::string_view name, std::string_view value, std::string_view context);
  // Creates the upper-cased name with an empty value when it is not defined.
  void DeclareVariable(std::string_view name, std::string_view context);

  void SetSilent(bool silent) { silent_ = silent; }
  bool Silent() const { return silent_; }
  // The flat name, value, name, value ... list of the command line's NAME=VALUE arguments.
  void SetCommandLineAssignments(const StringList& assignments);

 private:
  std::string Expand(std::string_view text, bool quoted) const;
  bool IsProtected(std::string_view name, std::string_view context) const;
  std::unique_lock<std::mutex> ReadLock() const;

  bool lockReads_;
  mutable std::mutex lock_;
  NameTable<std::string> table_;  // exported in the order names were first stored
  std::atomic<bool> silent_{false};
  std::unordered_set<std::string> commandLineNames_;  // upper-cased
};

bool IsTrue(std::string_view text);
std::string BoolText(bool value);
// The name of a single reference "$NAME$", or empty when the text is not exactly one reference.
std::string StripReference(std::string_view text);
std::string ResolveVariable(const TVariableManager& vars, std::string_view text);
// As ResolveVariable, but an undefined name gives the marker "$VELDNX$".
std::string ResolveVariableOrMarker(const TVariableManager& vars, std::string_view text);
std::string NewlineToCrLf(std::string_view text);
std::string CrLfToNewline(std::string_view text);
std::string NormalizePath(const TVariableManager& vars, std::string_view text);
std::string NormalizePathNoExpand(std::string_view text);
// Build-time constants "#NAME#" from the payload's pairs of name and value.
std::string ExpandConstants(std::string_view text, const StringList& buildConstants);

}  // namespace quarrix
