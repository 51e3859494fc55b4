#pragma once
// Where a PE image's last section ends: the engine's payload and the archive library's
// language file start there.
#include <cstdint>
#include <optional>
#include <string_view>

namespace quarrix {

// image: the file's bytes from its start (at least through the section table).
// Nothing when the bytes are not a PE image that can be measured.
std::optional<uint32_t> GetStubSize(std::string_view image);

}  // namespace quarrix
