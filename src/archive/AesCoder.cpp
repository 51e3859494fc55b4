#include "archive/AesCoder.h"

#include <algorithm>
#include <cstring>

#include "archive/ArchiveStatus.h"

namespace quarrix::archive {
namespace {

constexpr size_t kBlock = 16;

class AesSource : public ByteSource {
 public:
  AesSource(std::unique_ptr<ByteSource> input, std::unique_ptr<AesCbcDecryptor> decryptor, uint64_t outputSize)
      : input_(std::move(input)), decryptor_(std::move(decryptor)), buffer_(size_t{1} << 16), remaining_(outputSize) {}

  size_t Read(uint8_t* out, size_t size) override {
    const auto bytes = ReadInPlace(size);
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    return bytes.size();
  }

  std::span<const uint8_t> ReadInPlace(size_t size) override {
    if (begin_ == end_) Refill();
    const size_t count = static_cast<size_t>(std::min<uint64_t>({size, end_ - begin_, remaining_}));
    const std::span<const uint8_t> bytes(buffer_.data() + begin_, count);
    begin_ += count;
    remaining_ -= count;
    return bytes;
  }

 private:
  void Refill() {
    begin_ = 0;
    end_ = 0;
    while (end_ < buffer_.size()) {
      const size_t count = input_->Read(buffer_.data() + end_, buffer_.size() - end_);
      if (count == 0) break;
      end_ += count;
    }
    if (end_ % kBlock != 0) ThrowCorrupt("encrypted data are not whole blocks");
    if (end_ > 0 && !decryptor_->Decrypt(buffer_.data(), end_)) ThrowCorrupt("decryption failed");
  }

  std::unique_ptr<ByteSource> input_;
  std::unique_ptr<AesCbcDecryptor> decryptor_;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  uint64_t remaining_;
};

}  // namespace

AesParameters ParseAesProperties(const std::vector<uint8_t>& properties) {
  if (properties.empty()) ThrowUnsupported("AES properties are missing");
  AesParameters parameters;
  const uint8_t first = properties[0];
  parameters.cyclesPower = first & 0x3F;
  if ((first & 0xC0) == 0) {
    if (properties.size() != 1) ThrowUnsupported("AES properties are malformed");
  } else {
    if (properties.size() < 2) ThrowUnsupported("AES properties are malformed");
    const size_t saltSize = ((first >> 7) & 1u) + (properties[1] >> 4);
    const size_t ivSize = ((first >> 6) & 1u) + (properties[1] & 0x0Fu);
    if (properties.size() != 2 + saltSize + ivSize) ThrowUnsupported("AES properties are malformed");
    parameters.salt.assign(properties.begin() + 2, properties.begin() + 2 + static_cast<std::ptrdiff_t>(saltSize));
    std::copy_n(properties.begin() + 2 + static_cast<std::ptrdiff_t>(saltSize), ivSize, parameters.iv.begin());
  }
  if (parameters.cyclesPower != 0x3F && parameters.cyclesPower > kMaxAesCyclesPower) {
    ThrowUnsupported("AES key stretching is out of range");
  }
  return parameters;
}

AesKey DeriveAesKey(const Crypto& crypto, const AesParameters& parameters, const std::u16string& password) {
  std::vector<uint8_t> passwordBytes;
  for (char16_t c : password) {
    passwordBytes.push_back(static_cast<uint8_t>(c));
    passwordBytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  AesKey key{};
  if (parameters.cyclesPower == 0x3F) {
    std::vector<uint8_t> raw = parameters.salt;
    raw.insert(raw.end(), passwordBytes.begin(), passwordBytes.end());
    std::copy_n(raw.begin(), std::min(raw.size(), key.size()), key.begin());
    return key;
  }
  // One buffer per round, its trailing counter bumped in place: a single hash update each.
  std::vector<uint8_t> round = parameters.salt;
  round.insert(round.end(), passwordBytes.begin(), passwordBytes.end());
  const size_t counterAt = round.size();
  round.resize(counterAt + 8, 0);
  auto hash = crypto.NewSha256();
  const uint64_t rounds = uint64_t{1} << parameters.cyclesPower;
  for (uint64_t i = 0; i < rounds; ++i) {
    hash->Update(round.data(), round.size());
    for (size_t b = counterAt; b < round.size() && ++round[b] == 0; ++b) {
    }
  }
  const Sha256Digest digest = hash->Finish();
  std::copy(digest.begin(), digest.end(), key.begin());
  return key;
}

std::unique_ptr<ByteSource> NewAesSource(std::unique_ptr<ByteSource> input, std::unique_ptr<AesCbcDecryptor> decryptor,
                                         uint64_t outputSize) {
  return std::make_unique<AesSource>(std::move(input), std::move(decryptor), outputSize);
}

}  // namespace quarrix::archive
