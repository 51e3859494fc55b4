#pragma once
// What a command handler receives: its line's parameters with the usual treatments, the result
// conventions, the variable store, the run and the machine. Handlers never read payload lines
// themselves.
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/RunState.h"
#include "engine/Payload.h"

namespace quarrix {

struct Session;
struct CommandRow;

class CommandContext {
 public:
  // row: the catalogue's description of the line's command.
  CommandContext(Session& session, RunState& run, size_t lineIndex, const CommandRow& row);

  Session& session;
  RunState& run;

  size_t LineIndex() const { return lineIndex_; }  // 0-based
  const std::string& Command() const { return command_; }
  const std::string& LineGuid() const { return lineGuid_; }
  const CommandRow& Row() const { return row_; }
  // command name + " Action": the context of every result this command writes.
  std::string ActionContext() const { return command_ + " Action"; }

  // Parameter n (1-based) as stored. A position past the line's list throws std::out_of_range,
  // a runtime error of the script.
  std::string Param(size_t n) const;
  std::string Expanded(size_t n) const;  // ExpandVariables
  std::string Path(size_t n) const;      // NormalizePath
  // While a language is selected: LocalizeParameter with the line's GUID and the slot, then
  // expanded; otherwise only expanded.
  std::string Localized(size_t n, int slot) const;
  bool Truth(size_t n) const;  // IsTrue of the stored text

  // Declared result: parameter n names the variable as written.
  void DeclareResult(size_t n) const;
  void SetDeclaredResult(size_t n, std::string_view value) const;
  // Referenced result: parameter n may be "$NAME$"; the name is upper-cased.
  std::string ReferencedResultName(size_t n) const;
  void SetReferencedResult(size_t n, std::string_view value) const;

  // Terminating commands end the script after this line.
  void EndScript() const { run.ended = true; }

 private:
  size_t lineIndex_;
  const CommandRow& row_;
  std::string command_;
  std::string lineGuid_;
  LineParameters parameters_;
};

using CommandHandler = void (*)(CommandContext&);

}  // namespace quarrix
