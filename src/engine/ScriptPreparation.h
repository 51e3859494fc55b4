#pragma once
// The pass over the whole script before it runs: block structure, labels, required parameters,
// and declarations of every variable the script can assign.
#include <cstdint>
#include <string>

#include "common/AnsiText.h"
#include "common/HashedStringList.h"
#include "engine/VariableManager.h"
#include "engine/Payload.h"

namespace quarrix {

inline constexpr int32_t kScriptAccepted = -1;
inline constexpr int32_t kUnbalancedBlocks = 2147483644;

struct PreparationResult {
  int32_t result = kScriptAccepted;  // or the 0-based index of the offending line, or kUnbalancedBlocks
  std::string message;
  bool Accepted() const { return result == kScriptAccepted; }
};

// commentFlags may be null (no flag list). skipMarks is rebuilt: one entry per line.
class CommandCatalogue;

// commands decides what each line's command declares and requires.
PreparationResult PrepareScript(TVariableManager& variables, const CommandCatalogue& commands,
                                const HashedStringList& commandNames,
                                const HashedStringList& lineGuids, const HashedStringList* commentFlags,
                                const ParameterLists& parameterLists, StringList& skipMarks);

}  // namespace quarrix
