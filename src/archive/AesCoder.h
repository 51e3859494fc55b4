#pragma once
// The archive's AES-256 coder: key derivation from the password by iterated SHA-256 over
// salt, UTF-16LE password and a round counter; the data in CBC mode.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/ByteSource.h"
#include "archive/Crypto.h"

namespace quarrix::archive {

// Key stretching beyond 2^24 rounds would stall the reader for minutes; only hostile
// headers ask for it.
inline constexpr unsigned kMaxAesCyclesPower = 24;

struct AesParameters {
  unsigned cyclesPower = 0;
  std::vector<uint8_t> salt;
  AesIv iv{};
};

AesParameters ParseAesProperties(const std::vector<uint8_t>& properties);
AesKey DeriveAesKey(const Crypto& crypto, const AesParameters& parameters, const std::u16string& password);
std::unique_ptr<ByteSource> NewAesSource(std::unique_ptr<ByteSource> input, std::unique_ptr<AesCbcDecryptor> decryptor,
                                         uint64_t outputSize);

}  // namespace quarrix::archive
