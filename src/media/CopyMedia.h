#pragma once
// The offline media of a web-based setup: the "offline\" and "mergemod\" trees beside the setup
// brought into the instance folder once per revision, on a worker of their own.
#include <string>
#include <vector>

#include "engine/Worker.h"

namespace quarrix {

struct CopyMediaInputs {
  std::string sourceFolder;       // the "data\" folder beside the setup, trailing backslash
  std::string destinationFolder;  // the data folder (the instance folder), trailing backslash
  bool compress = false;          // NTFS-compress every copied file
  bool keepSources = false;       // copy, leaving the source tree intact; otherwise move
  std::string completeText;       // "% complete" of the message table
  // The setup executable is also copied to this folder when it is not there at the same size.
  std::string setupCopyFolder;    // COPYWEBLOCK; empty: no copy
  std::string setupPath;          // SFXPATH + SFXFILE
};

// Made as WorkerOf<TCopyMedia>.
class TCopyMedia final : public Worker {
 public:
  TCopyMedia(WorkerKey key, Session& session, CopyMediaInputs inputs);

  // Read after Finished(): every file reached its destination (or was there already).
  bool Succeeded() const { return succeeded_; }

 protected:
  void Execute() override;

 private:
  struct Entry {
    std::string path;  // full path of the source file
    bool mergeTree = false;
  };

  std::string ChooseSourceFolder();
  void ListTree(const std::string& folder, bool mergeTree, std::vector<Entry>& entries);
  bool Place(const Entry& entry, const std::string& sourceFolder, int percent);
  void CopySetup();

  Session& session_;
  CopyMediaInputs inputs_;
  bool succeeded_ = false;
};

// The media driver's step for the block "OFFLINE\": copies the offline media and marks the
// block complete for this revision. Throws "Unable to copy installation data to local folders"
// (removing what was copied) when a file did not arrive or the user cancelled.
void CopyOfflineMedia(Session& session);

}  // namespace quarrix
