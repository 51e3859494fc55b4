#pragma once
// SHA-256 and AES-256-CBC from the Windows CryptoAPI (the enhanced AES provider).
#include "archive/Crypto.h"

namespace quarrix::archive::zvk {

class CryptoApiCrypto : public Crypto {
 public:
  std::unique_ptr<Sha256> NewSha256() const override;
  std::unique_ptr<AesCbcDecryptor> NewAes256CbcDecryptor(const AesKey& key, const AesIv& iv) const override;
};

}  // namespace quarrix::archive::zvk
