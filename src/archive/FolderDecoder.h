#pragma once
// Turns a folder's coder graph into one pull stream of its unpacked bytes.
#include <functional>
#include <memory>

#include "archive/AesCoder.h"
#include "archive/ArchiveHeader.h"
#include "archive/ByteSource.h"

namespace quarrix::archive {

struct FolderContext {
  ArchiveInput& input;
  const StreamsInfo& streams;
  // A decryptor for the coder's parameters; throws when no usable password is available.
  std::function<std::unique_ptr<AesCbcDecryptor>(const AesParameters&)> openDecryptor;
};

// Throws with the unsupported code when a coder is not one the reader knows.
void CheckFolderSupported(const Folder& folder);
bool FolderIsEncrypted(const Folder& folder);
// False when every coder only copies: such a folder is all file writing, which gains nothing
// from a second thread.
bool FolderHasDecodingWork(const Folder& folder);
// The dictionary windows decoding the folder holds at most, together.
uint64_t FolderWindowBytes(const Folder& folder);
// The decryption parameters of each of the folder's AES coders.
std::vector<AesParameters> FolderAesParameters(const Folder& folder);
std::unique_ptr<ByteSource> OpenFolder(const Folder& folder, const FolderContext& context);

}  // namespace quarrix::archive
