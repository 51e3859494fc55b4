#include "archive/ArchiveHeader.h"

#include <algorithm>
#include <cstring>

#include "archive/ArchiveStatus.h"
#include "archive/Crc32.h"

namespace quarrix::archive {
namespace {

enum PropertyId : uint64_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreamsInfo = 0x03,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEmptyStream = 0x0E,
  kEmptyFile = 0x0F,
  kAnti = 0x10,
  kName = 0x11,
  kCTime = 0x12,
  kATime = 0x13,
  kMTime = 0x14,
  kWinAttributes = 0x15,
  kEncodedHeader = 0x17,
};

constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr uint32_t kMaxCoders = 64;
constexpr uint32_t kMaxCoderStreams = 64;

uint32_t LoadLittle32(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24; }
uint64_t LoadLittle64(const uint8_t* p) { return LoadLittle32(p) | uint64_t{LoadLittle32(p + 4)} << 32; }

class HeaderReader {
 public:
  explicit HeaderReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t Remaining() const { return bytes_.size() - position_; }
  bool AtEnd() const { return position_ == bytes_.size(); }

  uint8_t ReadByte() {
    Need(1);
    return bytes_[position_++];
  }
  uint32_t ReadUInt32() {
    Need(4);
    position_ += 4;
    return LoadLittle32(bytes_.data() + position_ - 4);
  }
  uint64_t ReadUInt64() {
    Need(8);
    position_ += 8;
    return LoadLittle64(bytes_.data() + position_ - 8);
  }
  uint64_t ReadNumber() {
    const uint8_t first = ReadByte();
    uint8_t mask = 0x80;
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
      if ((first & mask) == 0) return value | (uint64_t{static_cast<uint8_t>(first & (mask - 1u))} << (8 * i));
      value |= uint64_t{ReadByte()} << (8 * i);
      mask >>= 1;
    }
    return value;
  }
  // A count that must not exceed limit (usually what the remaining bytes could describe).
  size_t ReadCount(uint64_t limit) {
    const uint64_t value = ReadNumber();
    if (value > limit) ThrowCorrupt("a header count is out of range");
    return static_cast<size_t>(value);
  }
  void Expect(uint64_t id) {
    if (ReadNumber() != id) ThrowCorrupt("the header is malformed");
  }
  std::span<const uint8_t> Take(size_t size) {
    Need(size);
    position_ += size;
    return bytes_.subspan(position_ - size, size);
  }
  HeaderReader Sub(size_t size) { return HeaderReader(Take(size)); }

  std::vector<bool> ReadBits(size_t count) {
    if (count > Remaining() * 8) ThrowCorrupt("a header bit field is truncated");
    std::vector<bool> bits(count);
    uint8_t current = 0;
    for (size_t i = 0; i < count; ++i) {
      if (i % 8 == 0) current = ReadByte();
      bits[i] = (current & (0x80 >> (i % 8))) != 0;
    }
    return bits;
  }
  // The "all defined" byte, then a bit field when it is zero. Every defined item is followed
  // by at least one byte of value, which bounds a count that claims all of them.
  std::vector<bool> ReadDefinedBits(size_t count) {
    if (ReadByte() != 0) {
      if (count > Remaining()) ThrowCorrupt("a header count is out of range");
      return std::vector<bool>(count, true);
    }
    return ReadBits(count);
  }

 private:
  void Need(size_t size) const {
    if (size > Remaining()) ThrowCorrupt("the header is truncated");
  }

  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
};

size_t CountSet(const std::vector<bool>& bits) { return static_cast<size_t>(std::count(bits.begin(), bits.end(), true)); }

std::vector<std::optional<uint32_t>> ReadDigests(HeaderReader& reader, size_t count) {
  const std::vector<bool> defined = reader.ReadDefinedBits(count);
  if (CountSet(defined) > reader.Remaining() / 4) ThrowCorrupt("the header is truncated");
  std::vector<std::optional<uint32_t>> digests(count);
  for (size_t i = 0; i < count; ++i) {
    if (defined[i]) digests[i] = reader.ReadUInt32();
  }
  return digests;
}

void ReadPackInfo(HeaderReader& reader, uint64_t archiveSize, StreamsInfo& streams) {
  const uint64_t packPosition = reader.ReadNumber();
  const size_t count = reader.ReadCount(reader.Remaining());
  bool haveSizes = false;
  for (uint64_t id = reader.ReadNumber(); id != kEnd; id = reader.ReadNumber()) {
    if (id == kSize) {
      streams.packSizes.resize(count);
      for (auto& size : streams.packSizes) size = reader.ReadNumber();
      haveSizes = true;
    } else if (id == kCrc) {
      ReadDigests(reader, count);
    } else {
      ThrowCorrupt("the pack information is malformed");
    }
  }
  if (!haveSizes && count > 0) ThrowCorrupt("the pack sizes are missing");
  if (packPosition > archiveSize) ThrowCorrupt("packed data lie beyond the archive");
  uint64_t offset = kSignatureHeaderSize + packPosition;
  for (uint64_t size : streams.packSizes) {
    if (offset > archiveSize || size > archiveSize - offset) ThrowCorrupt("packed data lie beyond the archive");
    streams.packOffsets.push_back(offset);
    offset += size;
  }
}

uint32_t ReadStreamIndex(HeaderReader& reader, uint32_t limit) {
  const uint64_t value = reader.ReadNumber();
  if (value >= limit) ThrowCorrupt("a coder stream index is out of range");
  return static_cast<uint32_t>(value);
}

Coder ReadCoder(HeaderReader& reader) {
  const uint8_t flags = reader.ReadByte();
  const size_t idSize = flags & 0x0F;
  if (idSize > 8 || (flags & 0xC0) != 0) ThrowUnsupported("a coder record is not supported");
  Coder coder;
  for (uint8_t byte : reader.Take(idSize)) coder.method = (coder.method << 8) | byte;
  if (flags & 0x10) {
    coder.inStreams = static_cast<uint32_t>(reader.ReadCount(kMaxCoderStreams));
    coder.outStreams = static_cast<uint32_t>(reader.ReadCount(kMaxCoderStreams));
  }
  if (flags & 0x20) {
    const auto properties = reader.Take(reader.ReadCount(reader.Remaining()));
    coder.properties.assign(properties.begin(), properties.end());
  }
  return coder;
}

Folder ReadFolder(HeaderReader& reader) {
  Folder folder;
  const size_t coderCount = reader.ReadCount(kMaxCoders);
  if (coderCount == 0) ThrowCorrupt("a folder has no coders");
  uint32_t totalIn = 0;
  uint32_t totalOut = 0;
  for (size_t i = 0; i < coderCount; ++i) {
    folder.coders.push_back(ReadCoder(reader));
    totalIn += folder.coders.back().inStreams;
    totalOut += folder.coders.back().outStreams;
  }
  if (totalOut == 0 || totalIn > kMaxCoderStreams || totalOut > kMaxCoderStreams || totalIn < totalOut - 1) {
    ThrowCorrupt("a folder's coder streams do not fit together");
  }
  std::vector<bool> inBound(totalIn);
  std::vector<bool> outBound(totalOut);
  for (uint32_t i = 0; i + 1 < totalOut; ++i) {
    BindPair pair{ReadStreamIndex(reader, totalIn), ReadStreamIndex(reader, totalOut)};
    if (inBound[pair.inStream] || outBound[pair.outStream]) ThrowCorrupt("a folder binds a stream twice");
    inBound[pair.inStream] = outBound[pair.outStream] = true;
    folder.bindPairs.push_back(pair);
  }
  const uint32_t packedCount = totalIn - (totalOut - 1);
  if (packedCount == 1) {
    folder.packedInStreams.push_back(static_cast<uint32_t>(std::find(inBound.begin(), inBound.end(), false) - inBound.begin()));
  } else {
    for (uint32_t i = 0; i < packedCount; ++i) {
      const uint32_t index = ReadStreamIndex(reader, totalIn);
      if (inBound[index]) ThrowCorrupt("a folder binds a stream twice");
      inBound[index] = true;
      folder.packedInStreams.push_back(index);
    }
  }
  folder.mainOutStream = static_cast<uint32_t>(std::find(outBound.begin(), outBound.end(), false) - outBound.begin());
  return folder;
}

void ReadUnpackInfo(HeaderReader& reader, StreamsInfo& streams) {
  reader.Expect(kFolder);
  const size_t count = reader.ReadCount(reader.Remaining() / 2);
  if (reader.ReadByte() != 0) ThrowUnsupported("external folder records are not supported");
  streams.folders.reserve(count);
  for (size_t i = 0; i < count; ++i) streams.folders.push_back(ReadFolder(reader));
  reader.Expect(kCodersUnpackSize);
  for (auto& folder : streams.folders) {
    uint32_t outputs = 0;
    for (const auto& coder : folder.coders) outputs += coder.outStreams;
    folder.unpackSizes.resize(outputs);
    for (auto& size : folder.unpackSizes) size = reader.ReadNumber();
  }
  for (uint64_t id = reader.ReadNumber(); id != kEnd; id = reader.ReadNumber()) {
    if (id != kCrc) ThrowCorrupt("the coder information is malformed");
    const auto digests = ReadDigests(reader, count);
    for (size_t i = 0; i < count; ++i) streams.folders[i].crc = digests[i];
  }
}

void ReadSubStreamsInfo(HeaderReader& reader, StreamsInfo& streams) {
  auto& counts = streams.substreamCounts;
  counts.assign(streams.folders.size(), 1);
  uint64_t id = reader.ReadNumber();
  if (id == kNumUnpackStream) {
    for (auto& count : counts) count = reader.ReadCount(reader.Remaining() + 1);
    id = reader.ReadNumber();
  }
  const bool haveSizes = id == kSize;
  for (size_t f = 0; f < counts.size(); ++f) {
    if (counts[f] == 0) continue;
    const uint64_t folderSize = streams.folders[f].UnpackSize();
    if (!haveSizes && counts[f] > 1) ThrowCorrupt("substream sizes are missing");
    uint64_t sum = 0;
    for (uint64_t j = 0; haveSizes && j + 1 < counts[f]; ++j) {
      const uint64_t size = reader.ReadNumber();
      if (size > folderSize - sum) ThrowCorrupt("substreams exceed their folder");
      sum += size;
      streams.substreamSizes.push_back(size);
    }
    streams.substreamSizes.push_back(folderSize - sum);
  }
  if (haveSizes) id = reader.ReadNumber();

  size_t unknown = 0;
  for (size_t f = 0; f < counts.size(); ++f) {
    if (!(counts[f] == 1 && streams.folders[f].crc)) unknown += counts[f];
  }
  std::vector<std::optional<uint32_t>> digests(unknown);
  for (; id != kEnd; id = reader.ReadNumber()) {
    if (id != kCrc) ThrowCorrupt("the substream information is malformed");
    digests = ReadDigests(reader, unknown);
  }
  size_t next = 0;
  for (size_t f = 0; f < counts.size(); ++f) {
    if (counts[f] == 1 && streams.folders[f].crc) {
      streams.substreamCrcs.push_back(streams.folders[f].crc);
      continue;
    }
    for (uint64_t j = 0; j < counts[f]; ++j) streams.substreamCrcs.push_back(digests[next++]);
  }
}

StreamsInfo ReadStreamsInfo(HeaderReader& reader, uint64_t archiveSize) {
  StreamsInfo streams;
  bool haveSubStreams = false;
  for (uint64_t id = reader.ReadNumber(); id != kEnd; id = reader.ReadNumber()) {
    if (id == kPackInfo && streams.packSizes.empty()) {
      ReadPackInfo(reader, archiveSize, streams);
    } else if (id == kUnpackInfo && streams.folders.empty()) {
      ReadUnpackInfo(reader, streams);
    } else if (id == kSubStreamsInfo && !haveSubStreams) {
      ReadSubStreamsInfo(reader, streams);
      haveSubStreams = true;
    } else {
      ThrowCorrupt("the streams information is malformed");
    }
  }
  if (!haveSubStreams) {
    streams.substreamCounts.assign(streams.folders.size(), 1);
    for (const auto& folder : streams.folders) {
      streams.substreamSizes.push_back(folder.UnpackSize());
      streams.substreamCrcs.push_back(folder.crc);
    }
  }
  size_t packStream = 0;
  for (auto& folder : streams.folders) {
    folder.firstPackStream = packStream;
    packStream += folder.packedInStreams.size();
  }
  if (packStream > streams.packSizes.size()) ThrowCorrupt("folders use more packed streams than there are");
  return streams;
}

std::vector<std::u16string> ReadNames(HeaderReader& reader, size_t count) {
  if (reader.ReadByte() != 0) ThrowUnsupported("external names are not supported");
  std::vector<std::u16string> names;
  names.reserve(count);
  std::u16string current;
  while (!reader.AtEnd()) {
    const uint8_t low = reader.ReadByte();
    const char16_t c = static_cast<char16_t>(low | (reader.ReadByte() << 8));
    if (c != 0) {
      current.push_back(c);
      continue;
    }
    if (names.size() == count) ThrowCorrupt("there are more names than files");
    names.push_back(std::move(current));
    current.clear();
  }
  if (names.size() != count || !current.empty()) ThrowCorrupt("names and files do not match");
  return names;
}

template <typename Value, typename Load>
std::vector<std::optional<Value>> ReadDefinedValues(HeaderReader& reader, size_t count, Load load) {
  const std::vector<bool> defined = reader.ReadDefinedBits(count);
  if (reader.ReadByte() != 0) ThrowUnsupported("external file properties are not supported");
  if (CountSet(defined) > reader.Remaining() / sizeof(Value)) ThrowCorrupt("file properties are truncated");
  std::vector<std::optional<Value>> values(count);
  for (size_t i = 0; i < count; ++i) {
    if (defined[i]) values[i] = load(reader);
  }
  return values;
}

std::vector<FileRecord> ReadFilesInfo(HeaderReader& reader) {
  // Every file carries a name of at least its terminator, so the count is bounded up front.
  const size_t count = reader.ReadCount(reader.Remaining() / 2);
  std::vector<bool> emptyStream(count);
  std::vector<bool> emptyFile;
  std::vector<bool> anti;
  std::vector<std::u16string> names;
  std::vector<std::optional<uint64_t>> created(count), accessed(count), modified(count);
  std::vector<std::optional<uint32_t>> attributes(count);
  size_t emptyCount = 0;
  auto loadTime = [](HeaderReader& r) { return r.ReadUInt64(); };
  for (uint64_t type = reader.ReadNumber(); type != kEnd; type = reader.ReadNumber()) {
    HeaderReader property = reader.Sub(reader.ReadCount(reader.Remaining()));
    switch (type) {
      case kEmptyStream:
        emptyStream = property.ReadBits(count);
        emptyCount = CountSet(emptyStream);
        emptyFile.assign(emptyCount, false);
        anti.assign(emptyCount, false);
        break;
      case kEmptyFile:
        emptyFile = property.ReadBits(emptyCount);
        break;
      case kAnti:
        anti = property.ReadBits(emptyCount);
        break;
      case kName:
        names = ReadNames(property, count);
        break;
      case kCTime:
        created = ReadDefinedValues<uint64_t>(property, count, loadTime);
        break;
      case kATime:
        accessed = ReadDefinedValues<uint64_t>(property, count, loadTime);
        break;
      case kMTime:
        modified = ReadDefinedValues<uint64_t>(property, count, loadTime);
        break;
      case kWinAttributes:
        attributes = ReadDefinedValues<uint32_t>(property, count, [](HeaderReader& r) { return r.ReadUInt32(); });
        break;
      default:
        break;  // padding, start positions, comments: nothing the reader needs
    }
  }
  if (names.size() != count) ThrowCorrupt("files have no names");
  std::vector<FileRecord> files(count);
  size_t emptyIndex = 0;
  for (size_t i = 0; i < count; ++i) {
    FileRecord& file = files[i];
    file.name = std::move(names[i]);
    file.hasStream = !emptyStream[i];
    if (!file.hasStream) {
      file.isDirectory = !emptyFile[emptyIndex];
      file.isAnti = anti[emptyIndex];
      ++emptyIndex;
    }
    file.created = created[i];
    file.accessed = accessed[i];
    file.modified = modified[i];
    file.attributes = attributes[i];
  }
  return files;
}

ArchiveHeader ReadHeader(HeaderReader& reader, uint64_t archiveSize) {
  ArchiveHeader header;
  uint64_t id = reader.ReadNumber();
  if (id == kArchiveProperties) {
    for (uint64_t type = reader.ReadNumber(); type != kEnd; type = reader.ReadNumber()) {
      reader.Take(reader.ReadCount(reader.Remaining()));
    }
    id = reader.ReadNumber();
  }
  if (id == kAdditionalStreamsInfo) {
    ReadStreamsInfo(reader, archiveSize);
    id = reader.ReadNumber();
  }
  if (id == kMainStreamsInfo) {
    header.streams = ReadStreamsInfo(reader, archiveSize);
    id = reader.ReadNumber();
  }
  if (id == kFilesInfo) {
    header.files = ReadFilesInfo(reader);
    id = reader.ReadNumber();
  }
  if (id != kEnd) ThrowCorrupt("the header is malformed");
  const size_t withStream = static_cast<size_t>(
      std::count_if(header.files.begin(), header.files.end(), [](const FileRecord& f) { return f.hasStream; }));
  if (withStream != header.streams.substreamSizes.size()) ThrowCorrupt("files and data streams do not match");
  return header;
}

}  // namespace

SignatureHeader ParseSignatureHeader(std::span<const uint8_t> bytes, uint64_t archiveSize) {
  if (bytes.size() < kSignatureHeaderSize || std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0) {
    ThrowUnsupported("not an archive of this kind");
  }
  if (bytes[6] != 0) ThrowUnsupported("the archive version is not supported");
  if (Crc32(bytes.data() + 12, 20) != LoadLittle32(bytes.data() + 8)) ThrowCorrupt("the start header is damaged");
  SignatureHeader header;
  const uint64_t offset = LoadLittle64(bytes.data() + 12);
  header.nextHeaderSize = LoadLittle64(bytes.data() + 20);
  header.nextHeaderCrc = LoadLittle32(bytes.data() + 28);
  const uint64_t room = archiveSize - kSignatureHeaderSize;
  if (offset > room || header.nextHeaderSize > room - offset) ThrowCorrupt("the header lies beyond the archive");
  header.nextHeaderOffset = kSignatureHeaderSize + offset;
  return header;
}

ParsedHeader ParseHeaderBlock(std::span<const uint8_t> bytes, uint64_t archiveSize) {
  HeaderReader reader(bytes);
  ParsedHeader parsed;
  const uint64_t id = reader.ReadNumber();
  if (id == kHeader) {
    parsed.header = ReadHeader(reader, archiveSize);
  } else if (id == kEncodedHeader) {
    parsed.encodedHeader = ReadStreamsInfo(reader, archiveSize);
  } else {
    ThrowCorrupt("the header is malformed");
  }
  return parsed;
}

}  // namespace quarrix::archive
