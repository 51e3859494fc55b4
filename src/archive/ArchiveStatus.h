#pragma once
// Result codes of the reader. 1001 to 1003 are the codes the engine tells apart; every other
// value is a general failure to it, but says more in a log.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace quarrix::archive {

enum class ArchiveStatus : uint32_t {
  kOk = 0,
  kNotFound = 1001,
  kIllegalSelection = 1002,          // a selected path that names no entry
  kUnsupportedOrWrongPassword = 1003,
  kCorrupt = 1004,                   // malformed header, bad data, CRC mismatch, truncation
  kUnsafeEntryPath = 1005,           // an entry would land outside the destination
  kWriteFailed = 1006,
  kCancelled = 1007,
};

inline uint32_t ErrorCode(ArchiveStatus status) { return static_cast<uint32_t>(status); }

// Thrown inside the reader and turned into a status at its public surface.
class ArchiveError : public std::runtime_error {
 public:
  ArchiveError(ArchiveStatus status, const std::string& what) : std::runtime_error(what), status_(status) {}
  ArchiveStatus Status() const { return status_; }

 private:
  ArchiveStatus status_;
};

[[noreturn]] inline void ThrowCorrupt(const std::string& what) { throw ArchiveError(ArchiveStatus::kCorrupt, what); }
[[noreturn]] inline void ThrowUnsupported(const std::string& what) {
  throw ArchiveError(ArchiveStatus::kUnsupportedOrWrongPassword, what);
}

}  // namespace quarrix::archive
