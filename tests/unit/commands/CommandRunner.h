#pragma once
// A session on a fresh simulated machine whose script comes from source text, and a runner that
// carries out its lines through the command catalogue, one after the other, without flow control.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "authoring/ScriptCompiler.h"
#include "commands/EngineCommands.h"
#include "engine/CommandContext.h"
#include "engine/RunState.h"
#include "engine/Session.h"
#include "support/TempMachine.h"

namespace quarrix::testing {

class CommandRunner {
 public:
  explicit CommandRunner(std::string_view source) : session(platform_) { Load(source); }

  void Load(std::string_view source) {
    session.payload = CompileScriptSource(source, "test");
    session.parameterLists.clear();
    session.parameterLists.push_back(std::move(session.payload.parameterList));
    session.payload.parameterList.Clear();
    session.run.skipMarks.assign(session.payload.LineCount(), "");
    session.run.components.StartRun(session.payload.componentSizes);
  }

  // Carries out one line (0-based); the handler's exceptions reach the caller.
  void RunLine(size_t line) {
    const CommandRow* row = EngineCommands().Find(session.payload.commandNames.At(line));
    ASSERT_NE(row, nullptr) << "not a command: " << session.payload.commandNames.At(line);
    ASSERT_NE(row->handler, nullptr) << "not carried out: " << row->name;
    CommandContext context(session, run, line, *row);
    row->handler(context);
  }

  void RunAll() {
    for (size_t line = 0; line < session.payload.LineCount(); ++line) RunLine(line);
  }

  std::string Var(std::string_view name) const { return session.variables.GetVariable(name); }
  bool Exists(std::string_view name) const { return session.variables.VariableExists(name); }

  TempMachine temp;
  platform::Platform platform_ = temp.machine.AsPlatform();
  Session session;
  RunState run;
};

}  // namespace quarrix::testing
