#pragma once
// The reader's only contact with the outside: random access to the archive, a place to write
// the entries, and the code page the entry names are converted to. Implemented over the host
// file system (native), the simulated machine, and Win32 in the library. Folders decode on
// several threads at once: Read may be called from several threads together, and so may an
// output and its files (each file only ever from one thread).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quarrix::archive {

class ArchiveInput {
 public:
  virtual ~ArchiveInput() = default;
  virtual uint64_t Size() const = 0;
  // Exactly size bytes at offset, or false.
  virtual bool Read(uint64_t offset, void* buffer, size_t size) = 0;
};

struct FileStamp {
  std::optional<uint64_t> modified;  // FILETIME ticks (100 ns since 1601)
  std::optional<uint64_t> created;
  std::optional<uint64_t> accessed;
  std::optional<uint32_t> attributes;  // Windows attribute bits
};

// A file that is destroyed without a successful Close leaves its path as it was before: an
// existing file survives a failed extraction over it, and no partial file is left behind.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual bool Write(const void* data, size_t size) = 0;
  // Completes the file with its times and attributes.
  virtual bool Close(const FileStamp& stamp) = 0;
};

// Paths are Windows paths with "\" separators, in the ANSI code page.
class ArchiveOutput {
 public:
  virtual ~ArchiveOutput() = default;
  virtual bool CreateFolders(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Replaces an existing file once the new one is complete.
  virtual std::unique_ptr<OutputFile> CreateFile(const std::string& path) = 0;
};

class CodePage {
 public:
  virtual ~CodePage() = default;
  // Characters without an ANSI form become '?'.
  virtual std::string FromWide(const std::u16string& text) const = 0;
  virtual std::u16string ToWide(const std::string& text) const = 0;
};

}  // namespace quarrix::archive
