#include "archive/native/OpenSslCrypto.h"

#include <openssl/evp.h>

#include <climits>

namespace quarrix::archive {
namespace {

class OpenSslSha256 : public Sha256 {
 public:
  OpenSslSha256() : context_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(context_, EVP_sha256(), nullptr); }
  ~OpenSslSha256() override { EVP_MD_CTX_free(context_); }
  OpenSslSha256(const OpenSslSha256&) = delete;
  OpenSslSha256& operator=(const OpenSslSha256&) = delete;

  void Update(const void* data, size_t size) override { EVP_DigestUpdate(context_, data, size); }
  Sha256Digest Finish() override {
    Sha256Digest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_, digest.data(), &length);
    return digest;
  }

 private:
  EVP_MD_CTX* context_;
};

class OpenSslAesCbc : public AesCbcDecryptor {
 public:
  OpenSslAesCbc(const AesKey& key, const AesIv& iv) : context_(EVP_CIPHER_CTX_new()) {
    ready_ = context_ && EVP_DecryptInit_ex(context_, EVP_aes_256_cbc(), nullptr, key.data(), iv.data()) == 1 &&
             EVP_CIPHER_CTX_set_padding(context_, 0) == 1;
  }
  ~OpenSslAesCbc() override { EVP_CIPHER_CTX_free(context_); }
  OpenSslAesCbc(const OpenSslAesCbc&) = delete;
  OpenSslAesCbc& operator=(const OpenSslAesCbc&) = delete;

  bool Decrypt(uint8_t* data, size_t size) override {
    if (!ready_ || size % 16 != 0) return false;
    while (size > 0) {
      const int piece = static_cast<int>(size > (INT_MAX & ~15) ? (INT_MAX & ~15) : size);
      int written = 0;
      if (EVP_DecryptUpdate(context_, data, &written, data, piece) != 1 || written != piece) return false;
      data += piece;
      size -= static_cast<size_t>(piece);
    }
    return true;
  }

 private:
  EVP_CIPHER_CTX* context_;
  bool ready_ = false;
};

}  // namespace

std::unique_ptr<Sha256> OpenSslCrypto::NewSha256() const { return std::make_unique<OpenSslSha256>(); }

std::unique_ptr<AesCbcDecryptor> OpenSslCrypto::NewAes256CbcDecryptor(const AesKey& key, const AesIv& iv) const {
  return std::make_unique<OpenSslAesCbc>(key, iv);
}

}  // namespace quarrix::archive
