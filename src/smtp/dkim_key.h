// A DKIM signing key: RSA (rsa-sha256, RFC 6376) or Ed25519 (ed25519-sha256,
// RFC 8463), read from and written as a PEM private key file. The key's
// cryptography, its file format and its public form are OpenSSL's.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

typedef struct evp_pkey_st EVP_PKEY;

namespace norvane {

// A key that cannot be read, made or used; the text says which and why.
class DkimKeyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class DkimAlgorithm { kRsaSha256, kEd25519Sha256 };

class DkimKey {
 public:
  // RFC 8301 section 3.2: verifiers refuse RSA keys under 1024 bits; we make 2048.
  static constexpr int kMinRsaBits = 1024;
  static constexpr int kRsaBits = 2048;

  // A new key (RSA of 2048 bits, or Ed25519).
  static DkimKey Generate(DkimAlgorithm algorithm);
  // A PEM private key (PKCS #8 or the traditional RSA form). `source` names
  // it in errors. Throws DkimKeyError for anything but an unencrypted RSA key
  // of at least 1024 bits or an Ed25519 key.
  static DkimKey FromPem(std::string_view pem, const std::string& source);
  // The key in the file at `path` (at most 64 KB), or DkimKeyError naming it.
  static DkimKey ReadFile(const std::string& path);

  DkimAlgorithm Algorithm() const { return algorithm_; }
  // "rsa-sha256" or "ed25519-sha256", the "a=" tag of a signature.
  const char* SignatureAlgorithm() const;
  // "rsa" or "ed25519", the "k=" tag of the key record.
  const char* KeyType() const;
  int Bits() const;

  // The private key as a PKCS #8 PEM text.
  std::string PrivatePem() const;
  // The "p=" value of the key record: base64 of the DER public key for RSA
  // (RFC 6376 section 3.6.1), of the 32 raw key bytes for Ed25519 (RFC 8463).
  std::string PublicKeyBase64() const;

  // The raw signature of `data`: RSASSA-PKCS1-v1_5 with SHA-256 for RSA;
  // Ed25519 over the SHA-256 of `data` for Ed25519 (RFC 8463 section 3).
  std::string Sign(std::string_view data) const;

 private:
  DkimKey(std::shared_ptr<EVP_PKEY> key, DkimAlgorithm algorithm)
      : key_(std::move(key)), algorithm_(algorithm) {}

  std::shared_ptr<EVP_PKEY> key_;
  DkimAlgorithm algorithm_;
};

// OpenSSL's reason for the last failure, emptying its error queue.
std::string OpenSslReason();

}  // namespace norvane
