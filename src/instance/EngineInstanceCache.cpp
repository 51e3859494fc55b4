#include "instance/EngineInstanceCache.h"

#include "instance/CacheRoot.h"
#include "instance/EndOfRunSave.h"
#include "instance/InstanceBootstrap.h"

namespace quarrix {

void EngineInstanceCache::Bootstrap(Session& session, const std::string& packagePath) {
  RunBootstrap(session, packagePath);
}

void EngineInstanceCache::LoadPatchTarget(Session& session, const std::string& packagePath) {
  quarrix::LoadPatchTarget(session, packagePath);
}

void EngineInstanceCache::RefreshCacheOverride(Session& session) { quarrix::RefreshCacheOverride(session); }

std::string EngineInstanceCache::CacheRoot(Session& session, bool perMachine) {
  return GetCacheRoot(session, perMachine);
}

std::string EngineInstanceCache::InstanceFolder(Session& session, const std::string& packagePath) {
  return quarrix::InstanceFolder(session, packagePath);
}

void EngineInstanceCache::SaveAtEndOfRun(Session& session) { SaveInstanceAtEndOfRun(session); }

}  // namespace quarrix
