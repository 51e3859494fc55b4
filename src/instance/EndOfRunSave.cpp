#include "instance/EndOfRunSave.h"

#include "instance/CacheRoot.h"
#include "instance/InstanceData.h"
#include "engine/FolderCleanup.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

// Web-based builds that do not cache their sources keep only the offline block.
void CleanUpSourceCache(Session& session, const std::string& instanceFolder) {
  const bool keepsSources = !EqualsIgnoreCase(ExpandConstants("#CACHESOURCES#", session.payload.buildConstants), "FALSE");
  if (keepsSources || session.payload.buildMode != 2) return;
  platform::FileSystem& files = session.platform.files;
  for (const auto& entry : files.ListDirectory(instanceFolder))
    if (entry.isDirectory && !EqualsIgnoreCase(entry.name, "OFFLINE"))
      RemoveFolderTree(files, instanceFolder + entry.name);
}

}  // namespace

void SaveInstanceAtEndOfRun(Session& session) {
  const std::string& packagePath = session.instance.packagePath;
  CleanUpSourceCache(session, InstanceFolder(session, packagePath));
  if (session.instance.noSave) return;
  const std::string folder = InstanceFolder(session, packagePath);
  platform::FileSystem& files = session.platform.files;
  const bool compress = IsTrue(session.variables.GetVariable("VELD_COMPRESS_INSTALLER_CACHE"));
  files.SetHidden(folder);
  files.SetCompression(folder, compress);
  if (session.persistedVariables.empty() || !files.CreateDirectories(folder)) return;
  files.SetCompression(folder, compress);
  SaveInstanceData(session, folder + session.executableName + ".dat", /*emptyDataLine=*/false,
                   session.instance.fullSave);
}

}  // namespace quarrix
