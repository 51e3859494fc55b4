#pragma once
// The two primitives the encrypted archives need, supplied by the platform's own crypto
// library; the reader never carries cipher code of its own.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace quarrix::archive {

using Sha256Digest = std::array<uint8_t, 32>;
using AesKey = std::array<uint8_t, 32>;
using AesIv = std::array<uint8_t, 16>;

class Sha256 {
 public:
  virtual ~Sha256() = default;
  virtual void Update(const void* data, size_t size) = 0;
  virtual Sha256Digest Finish() = 0;
};

// AES-256-CBC without padding; the chaining value carries over from one call to the next.
class AesCbcDecryptor {
 public:
  virtual ~AesCbcDecryptor() = default;
  // size is a multiple of 16; decrypts in place.
  virtual bool Decrypt(uint8_t* data, size_t size) = 0;
};

class Crypto {
 public:
  virtual ~Crypto() = default;
  virtual std::unique_ptr<Sha256> NewSha256() const = 0;
  virtual std::unique_ptr<AesCbcDecryptor> NewAes256CbcDecryptor(const AesKey& key, const AesIv& iv) const = 0;
};

}  // namespace quarrix::archive
