#pragma once
// The archive's header as data, and its parser. Every count and size is checked against the
// bytes that remain before anything is allocated for it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quarrix::archive {

inline constexpr size_t kSignatureHeaderSize = 32;

struct Coder {
  uint64_t method = 0;
  uint32_t inStreams = 1;
  uint32_t outStreams = 1;
  std::vector<uint8_t> properties;
};

struct BindPair {
  uint32_t inStream = 0;   // a coder input fed by ...
  uint32_t outStream = 0;  // ... this coder output
};

// One independently decodable unit: a graph of coders from packed streams to one output.
struct Folder {
  std::vector<Coder> coders;
  std::vector<BindPair> bindPairs;
  std::vector<uint32_t> packedInStreams;  // coder inputs read from packed streams, in pack order
  std::vector<uint64_t> unpackSizes;      // one per coder output
  std::optional<uint32_t> crc;
  size_t firstPackStream = 0;
  uint32_t mainOutStream = 0;

  uint64_t UnpackSize() const { return unpackSizes.at(mainOutStream); }
};

struct StreamsInfo {
  std::vector<uint64_t> packOffsets;  // absolute offsets in the archive file
  std::vector<uint64_t> packSizes;
  std::vector<Folder> folders;
  std::vector<uint64_t> substreamCounts;  // per folder
  std::vector<uint64_t> substreamSizes;   // all folders' substreams in order
  std::vector<std::optional<uint32_t>> substreamCrcs;
};

struct FileRecord {
  std::u16string name;
  bool hasStream = true;
  bool isDirectory = false;
  bool isAnti = false;
  std::optional<uint64_t> created;
  std::optional<uint64_t> accessed;
  std::optional<uint64_t> modified;
  std::optional<uint32_t> attributes;
};

struct ArchiveHeader {
  StreamsInfo streams;
  std::vector<FileRecord> files;
};

struct SignatureHeader {
  uint64_t nextHeaderOffset = 0;  // absolute
  uint64_t nextHeaderSize = 0;
  uint32_t nextHeaderCrc = 0;
};

// The first 32 bytes of the archive; throws when they are not a valid signature header.
SignatureHeader ParseSignatureHeader(std::span<const uint8_t> bytes, uint64_t archiveSize);

// Either a plain header or the description of the packed header that replaces it.
struct ParsedHeader {
  std::optional<ArchiveHeader> header;
  std::optional<StreamsInfo> encodedHeader;
};
ParsedHeader ParseHeaderBlock(std::span<const uint8_t> bytes, uint64_t archiveSize);

}  // namespace quarrix::archive
