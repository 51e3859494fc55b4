#include "archive/FolderDecoder.h"

#include <algorithm>

#include "archive/ArchiveStatus.h"
#include "archive/BranchFilters.h"
#include "archive/LzmaDecoder.h"

namespace quarrix::archive {
namespace {

enum Method : uint64_t {
  kCopy = 0x00,
  kBcjShort = 0x04,
  kLzma2 = 0x21,
  kLzma = 0x030101,
  kBcj = 0x03030103,
  kBcj2 = 0x0303011B,
  kAes = 0x06F10701,
};

uint32_t ExpectedInputs(uint64_t method) {
  switch (method) {
    case kCopy:
    case kBcjShort:
    case kLzma2:
    case kLzma:
    case kBcj:
    case kAes:
      return 1;
    case kBcj2:
      return 4;
    default:
      return 0;
  }
}

class GraphBuilder {
 public:
  GraphBuilder(const Folder& folder, const FolderContext& context) : folder_(folder), context_(context) {
    uint32_t in = 0;
    uint32_t out = 0;
    for (const auto& coder : folder.coders) {
      inBase_.push_back(in);
      outBase_.push_back(out);
      in += coder.inStreams;
      out += coder.outStreams;
    }
    outOpened_.assign(out, false);
  }

  std::unique_ptr<ByteSource> OpenOut(uint32_t outStream, size_t depth) {
    if (depth > folder_.coders.size() || outStream >= outOpened_.size() || outOpened_[outStream]) {
      ThrowCorrupt("a folder's coder graph is malformed");
    }
    outOpened_[outStream] = true;
    const size_t index = static_cast<size_t>(std::upper_bound(outBase_.begin(), outBase_.end(), outStream) - outBase_.begin()) - 1;
    const Coder& coder = folder_.coders[index];
    const uint64_t size = folder_.unpackSizes[outStream];
    std::vector<std::unique_ptr<ByteSource>> inputs;
    for (uint32_t j = 0; j < coder.inStreams; ++j) inputs.push_back(OpenIn(inBase_[index] + j, depth));
    switch (coder.method) {
      case kCopy:
        return NewCopySource(std::move(inputs[0]), size);
      case kLzma:
        return NewLzmaSource(std::move(inputs[0]), coder.properties, size);
      case kLzma2:
        return NewLzma2Source(std::move(inputs[0]), coder.properties, size);
      case kBcj:
      case kBcjShort:
        return NewCopySource(NewBcjSource(std::move(inputs[0])), size);
      case kBcj2:
        return NewBcj2Source({std::move(inputs[0]), std::move(inputs[1]), std::move(inputs[2]), std::move(inputs[3])}, size);
      case kAes: {
        auto decryptor = context_.openDecryptor(ParseAesProperties(coder.properties));
        return NewAesSource(std::move(inputs[0]), std::move(decryptor), size);
      }
      default:
        ThrowUnsupported("the compression method is not supported");
    }
  }

 private:
  std::unique_ptr<ByteSource> OpenIn(uint32_t inStream, size_t depth) {
    for (const auto& pair : folder_.bindPairs) {
      if (pair.inStream == inStream) return OpenOut(pair.outStream, depth + 1);
    }
    const auto packed = std::find(folder_.packedInStreams.begin(), folder_.packedInStreams.end(), inStream);
    if (packed == folder_.packedInStreams.end()) ThrowCorrupt("a coder input is not connected");
    const size_t pack = folder_.firstPackStream + static_cast<size_t>(packed - folder_.packedInStreams.begin());
    return NewPackedSource(context_.input, context_.streams.packOffsets.at(pack), context_.streams.packSizes.at(pack));
  }

  const Folder& folder_;
  const FolderContext& context_;
  std::vector<uint32_t> inBase_;
  std::vector<uint32_t> outBase_;
  std::vector<bool> outOpened_;
};

}  // namespace

void CheckFolderSupported(const Folder& folder) {
  for (const auto& coder : folder.coders) {
    const uint32_t inputs = ExpectedInputs(coder.method);
    if (inputs == 0) ThrowUnsupported("the compression method is not supported");
    if (coder.inStreams != inputs || coder.outStreams != 1) ThrowCorrupt("a coder has the wrong number of streams");
  }
}

bool FolderIsEncrypted(const Folder& folder) {
  return std::any_of(folder.coders.begin(), folder.coders.end(), [](const Coder& c) { return c.method == kAes; });
}

bool FolderHasDecodingWork(const Folder& folder) {
  return std::any_of(folder.coders.begin(), folder.coders.end(), [](const Coder& c) { return c.method != kCopy; });
}

uint64_t FolderWindowBytes(const Folder& folder) {
  uint64_t total = 0;
  size_t out = 0;
  for (const auto& coder : folder.coders) {
    const uint64_t size = out < folder.unpackSizes.size() ? folder.unpackSizes[out] : 0;
    if (coder.method == kLzma) total += LzmaWindowSize(coder.properties, size);
    if (coder.method == kLzma2) total += Lzma2WindowSize(coder.properties, size);
    out += coder.outStreams;
  }
  return total;
}

std::vector<AesParameters> FolderAesParameters(const Folder& folder) {
  std::vector<AesParameters> parameters;
  for (const auto& coder : folder.coders) {
    if (coder.method == kAes) parameters.push_back(ParseAesProperties(coder.properties));
  }
  return parameters;
}

std::unique_ptr<ByteSource> OpenFolder(const Folder& folder, const FolderContext& context) {
  CheckFolderSupported(folder);
  GraphBuilder builder(folder, context);
  return builder.OpenOut(folder.mainOutStream, 0);
}

}  // namespace quarrix::archive
