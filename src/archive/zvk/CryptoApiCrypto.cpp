#include "archive/zvk/CryptoApiCrypto.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

#include "archive/ArchiveStatus.h"

namespace quarrix::archive::zvk {
namespace {

// A verify-only context of the AES provider: no key container, nothing persisted.
class Provider {
 public:
  Provider() {
    if (!CryptAcquireContextA(&handle_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
      handle_ = 0;
      ThrowUnsupported("the system offers no AES provider");
    }
  }
  ~Provider() { CryptReleaseContext(handle_, 0); }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  HCRYPTPROV Handle() const { return handle_; }

 private:
  HCRYPTPROV handle_ = 0;
};

class CryptoApiSha256 : public Sha256 {
 public:
  CryptoApiSha256() {
    if (!CryptCreateHash(provider_.Handle(), CALG_SHA_256, 0, 0, &hash_)) ThrowUnsupported("the system offers no SHA-256");
  }
  ~CryptoApiSha256() override { CryptDestroyHash(hash_); }
  CryptoApiSha256(const CryptoApiSha256&) = delete;
  CryptoApiSha256& operator=(const CryptoApiSha256&) = delete;

  void Update(const void* data, size_t size) override {
    const auto* bytes = static_cast<const BYTE*>(data);
    while (size > 0) {
      const DWORD piece = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      if (!CryptHashData(hash_, bytes, piece, 0)) ThrowCorrupt("hashing failed");
      bytes += piece;
      size -= piece;
    }
  }
  Sha256Digest Finish() override {
    Sha256Digest digest{};
    DWORD length = static_cast<DWORD>(digest.size());
    if (!CryptGetHashParam(hash_, HP_HASHVAL, digest.data(), &length, 0) || length != digest.size())
      ThrowCorrupt("hashing failed");
    return digest;
  }

 private:
  Provider provider_;
  HCRYPTHASH hash_ = 0;
};

struct AesKeyBlob {
  BLOBHEADER header;
  DWORD keySize;
  BYTE key[32];
};

class CryptoApiAesCbc : public AesCbcDecryptor {
 public:
  CryptoApiAesCbc(const AesKey& aesKey, const AesIv& iv) {
    AesKeyBlob blob{};
    blob.header.bType = PLAINTEXTKEYBLOB;
    blob.header.bVersion = CUR_BLOB_VERSION;
    blob.header.aiKeyAlg = CALG_AES_256;
    blob.keySize = static_cast<DWORD>(aesKey.size());
    std::memcpy(blob.key, aesKey.data(), aesKey.size());
    const bool imported =
        CryptImportKey(provider_.Handle(), reinterpret_cast<const BYTE*>(&blob), sizeof blob, 0, 0, &key_) != 0;
    SecureZeroMemory(&blob, sizeof blob);
    if (!imported) ThrowUnsupported("the system cannot use AES-256 keys");
    DWORD mode = CRYPT_MODE_CBC;
    if (!CryptSetKeyParam(key_, KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0) ||
        !CryptSetKeyParam(key_, KP_IV, iv.data(), 0)) {
      CryptDestroyKey(key_);
      ThrowUnsupported("the system cannot set up AES-CBC");
    }
  }
  ~CryptoApiAesCbc() override { CryptDestroyKey(key_); }
  CryptoApiAesCbc(const CryptoApiAesCbc&) = delete;
  CryptoApiAesCbc& operator=(const CryptoApiAesCbc&) = delete;

  // Never final: the archive's blocks carry no padding, and the chaining value must carry on.
  bool Decrypt(uint8_t* data, size_t size) override {
    if (size % 16 != 0) return false;
    while (size > 0) {
      DWORD piece = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      const DWORD asked = piece;
      if (!CryptDecrypt(key_, 0, FALSE, 0, data, &piece) || piece != asked) return false;
      data += asked;
      size -= asked;
    }
    return true;
  }

 private:
  Provider provider_;
  HCRYPTKEY key_ = 0;
};

}  // namespace

std::unique_ptr<Sha256> CryptoApiCrypto::NewSha256() const { return std::make_unique<CryptoApiSha256>(); }

std::unique_ptr<AesCbcDecryptor> CryptoApiCrypto::NewAes256CbcDecryptor(const AesKey& key, const AesIv& iv) const {
  return std::make_unique<CryptoApiAesCbc>(key, iv);
}

}  // namespace quarrix::archive::zvk
