#pragma once
// The web-media extraction worker: unpacks a downloaded media block into a work folder, keeps
// or copies the block as asked, places the files the media file map names, and merges the rest
// into the destination root.
#include <cstdint>
#include <string>

#include "common/AnsiText.h"
#include "engine/Worker.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

namespace quarrix {

struct ExtractMediaRequest {
  std::string archivePath;      // the ".7zip" block
  std::string destinationRoot;  // with or without trailing backslash
  std::string password;
  bool keepArchive = false;
  uint32_t codePage = 1252;     // the payload's code page, for the wide-character names
  std::string progressPrefix;   // shown before a CR and the progress line
};

// Places the files the map assigns to blockName: triples of block name, path inside the block,
// folder relative to the destination root. The second triple naming a path already moved gets a
// copy of the first one's target. The first failing ANSI move switches this and every later
// triple to the UTF-16 file functions, with names converted from codePage; false when a move
// fails there too.
bool RelocateMappedFiles(platform::FileSystem& files, platform::SystemInfo& system, const StringList& mediaFileMap,
                         const std::string& blockName, const std::string& blockFolder,
                         const std::string& destinationRoot, uint32_t codePage);

// Made as WorkerOf<TExtractMedia>.
class TExtractMedia final : public Worker {
 public:
  TExtractMedia(WorkerKey key, Session& session, ExtractMediaRequest request);
  TExtractMedia(const TExtractMedia&) = delete;
  TExtractMedia& operator=(const TExtractMedia&) = delete;

  // Read after Finished().
  bool Succeeded() const { return succeeded_; }
  // The listing failed with the unsupported-archive text (an extraction failure never sets it).
  bool ListingUnsupported() const { return listingUnsupported_; }

 protected:
  void Execute() override;

 private:
  bool Extract(const std::string& workFolder, bool& listingUnsupported);
  void KeepCopy();
  bool OnProgress(const std::string& entryPath, uint64_t done, uint64_t total);

  Session& session_;
  ExtractMediaRequest request_;
  // Taken on the main thread when the worker is made.
  std::string completeText_;
  std::string copyFolder_;  // COPYWEBLOCK
  bool compressCopy_ = false;
  StringList mediaFileMap_;
  bool succeeded_ = false;
  bool listingUnsupported_ = false;
};

}  // namespace quarrix
