#include "engine/WorkerHandshake.h"

#include <stdexcept>
#include <string>

#include "common/IntegerSyntax.h"
#include "engine/VariableManager.h"
#include "engine/Worker.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

int64_t StoredInteger(const TVariableManager& variables, std::string_view name) {
  const std::string text = variables.GetVariable(name);
  auto value = ParseScriptInteger64(text);
  if (!value) throw std::runtime_error("'" + text + "' is not a valid integer value");
  return *value;
}

}  // namespace

void StoreHandshakeVariables(TVariableManager& variables, platform::Clock& clock) {
  const std::string tick = std::to_string(clock.TickCount());
  variables.StoreVariable(kThProgress, "0");
  variables.StoreVariable(kThMax, "100");
  variables.StoreVariable(kThMin, "0");
  variables.StoreVariable(kThProgressText, "");
  variables.StoreVariable(kThFinished, "FALSE");
  variables.StoreVariable(kThCancelled, "FALSE");
  variables.StoreVariable(kIsCancelled, "FALSE");
  variables.StoreVariable(kLastDelegateTick, tick);
  variables.StoreVariable(kLastActiveTick, tick);
}

void ReportProgress(TVariableManager& variables, platform::Clock& clock, std::string_view text, int64_t minimum,
                    int64_t maximum, int64_t position) {
  variables.StoreVariable(kLastDelegateTick, std::to_string(clock.TickCount()));
  std::string republished;
  if (text == kRepublishProgress) {
    republished = variables.GetVariable(kThProgressText);
    text = republished;
    position = StoredInteger(variables, kThProgress);
    maximum = StoredInteger(variables, kThMax);
    minimum = StoredInteger(variables, kThMin);
  }
  if (position != -1) {
    variables.StoreVariable(kThMax, std::to_string(maximum));
    variables.StoreVariable(kThMin, std::to_string(minimum));
    variables.StoreVariable(kThProgress, std::to_string(position));
  }
  if (text != kKeepProgressText) variables.StoreVariable(kThProgressText, text);
}

void PumpOrWait(Session& session, Worker* worker, uint32_t maxWaitMs) {
  if (!session.silent) {
    session.platform.threads.ProcessOneMessage(maxWaitMs);
  } else if (worker != nullptr) {
    worker->WaitUntilEnded();
  }
}

void Watchdog::Enable(uint32_t now) {
  if (enabled_) return;
  enabled_ = true;
  startedAt_ = now;
}

uint32_t Watchdog::MillisecondsUntilDue(uint32_t now) const {
  if (!enabled_) return platform::kWaitForever;
  const uint32_t elapsed = now - startedAt_;  // unsigned: survives the tick count's wrap
  return elapsed >= kIntervalMs ? 0 : kIntervalMs - elapsed;
}

bool Watchdog::Poll(TVariableManager& variables, uint32_t now) {
  if (!enabled_ || now - startedAt_ < kIntervalMs) return false;
  enabled_ = false;
  if (checksHeartbeat_) {
    const std::string lastReport = variables.GetVariable(kLastDelegateTick);
    if (variables.GetVariable(kLastActiveTick) != lastReport) {
      variables.StoreVariable(kLastActiveTick, lastReport);
      Enable(now);
      return false;
    }
  }
  return true;
}

}  // namespace quarrix
