#pragma once
#include <cstddef>
#include <cstdint>

namespace quarrix::archive {

// CRC-32 (reflected, polynomial 0xEDB88320) as the archive headers and entries carry it.
// Continue a running value by passing it back in.
uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size);
inline uint32_t Crc32(const void* data, size_t size) { return UpdateCrc32(0, data, size); }

}  // namespace quarrix::archive
