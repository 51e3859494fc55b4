#pragma once
// What a run asks of the instance cache at its fixed points. The instance cache lives beside the
// engine and uses it; the run entry knows it only through this interface.
#include <string>

namespace quarrix {

struct Session;

class InstanceCache {
 public:
  virtual ~InstanceCache() = default;

  // Which product and revision the run is about and whether it is installed; packagePath is the
  // run's package in the support folder.
  virtual void Bootstrap(Session& session, const std::string& packagePath) = 0;
  // A patch run: the saved state of the installed instance the patch targets.
  virtual void LoadPatchTarget(Session& session, const std::string& packagePath) = 0;
  // Before every line: follows a changed OVERRIDECACHE.
  virtual void RefreshCacheOverride(Session& session) = 0;
  // The cache root that ENGINECACHE and UNINSTALLLINK are made from.
  virtual std::string CacheRoot(Session& session, bool perMachine) = 0;
  // The folder of the instance this run maintains or patches, with trailing backslash.
  virtual std::string InstanceFolder(Session& session, const std::string& packagePath) = 0;
  // The end-of-run save of the instance's variables and files.
  virtual void SaveAtEndOfRun(Session& session) = 0;
};

}  // namespace quarrix
