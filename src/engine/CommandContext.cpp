#include "engine/CommandContext.h"

#include "engine/VariableManager.h"
#include "engine/LocalizeParameter.h"
#include "engine/Session.h"

namespace quarrix {

CommandContext::CommandContext(Session& owner, RunState& state, size_t lineIndex, const CommandRow& row)
    : session(owner),
      run(state),
      lineIndex_(lineIndex),
      row_(row),
      command_(owner.payload.commandNames.At(lineIndex)),
      lineGuid_(owner.payload.lineGuids.At(lineIndex)),
      parameters_(owner.parameterLists, lineGuid_) {}

std::string CommandContext::Param(size_t n) const { return parameters_.Get(n); }

std::string CommandContext::Expanded(size_t n) const { return session.variables.ExpandVariables(Param(n)); }

std::string CommandContext::Path(size_t n) const { return NormalizePath(session.variables, Param(n)); }

std::string CommandContext::Localized(size_t n, int slot) const {
  std::string value = Param(n);
  if (!session.variables.GetVariable("LANGUAGE").empty()) {
    std::string locMode = ExpandConstants("#LOCMODE#", session.payload.buildConstants);
    value = LocalizeParameter(session.translations, locMode, value, lineGuid_, slot, session.payload.buildConstants);
  }
  return session.variables.ExpandVariables(value);
}

bool CommandContext::Truth(size_t n) const { return IsTrue(Param(n)); }

void CommandContext::DeclareResult(size_t n) const { session.variables.DeclareVariable(Param(n), ActionContext()); }

void CommandContext::SetDeclaredResult(size_t n, std::string_view value) const {
  std::string name = Param(n);
  session.variables.DeclareVariable(name, ActionContext());
  session.variables.SetVariable(name, value, ActionContext());
}

std::string CommandContext::ReferencedResultName(size_t n) const {
  std::string written = Param(n);
  std::string name = StripReference(written);
  return ToUpperAscii(name.empty() ? written : name);
}

void CommandContext::SetReferencedResult(size_t n, std::string_view value) const {
  session.variables.SetVariable(ReferencedResultName(n), value, ActionContext());
}

}  // namespace quarrix
