#pragma once
// The instance cache as the run entry uses it: bootstrap, patch target, cache override, cache
// root, the instance folder and the end-of-run save.
#include "engine/InstanceCache.h"

namespace quarrix {

class EngineInstanceCache final : public InstanceCache {
 public:
  void Bootstrap(Session& session, const std::string& packagePath) override;
  void LoadPatchTarget(Session& session, const std::string& packagePath) override;
  void RefreshCacheOverride(Session& session) override;
  std::string CacheRoot(Session& session, bool perMachine) override;
  std::string InstanceFolder(Session& session, const std::string& packagePath) override;
  void SaveAtEndOfRun(Session& session) override;
};

}  // namespace quarrix
