#include "smtp/dkim_key.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

#include "smtp/base64.h"
#include "smtp/dkim_canonical.h"

namespace norvane {

namespace {

constexpr std::size_t kMaxKeyFile = 64 * 1024;

std::shared_ptr<EVP_PKEY> Own(EVP_PKEY* key) {
  return std::shared_ptr<EVP_PKEY>(key, EVP_PKEY_free);
}

struct BioDeleter {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
using BioPtr = std::unique_ptr<BIO, BioDeleter>;

struct MdContextDeleter {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

std::string Sha256(std::string_view data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr) != 1)
    throw DkimKeyError("Cannot hash the data to sign: " + OpenSslReason());
  return std::string(reinterpret_cast<const char*>(digest), length);
}

}  // namespace

std::string OpenSslReason() {
  unsigned long code = ERR_get_error();
  std::string reason;
  if (code != 0) {
    const char* text = ERR_reason_error_string(code);
    reason = text ? text : "error " + std::to_string(code);
  } else {
    reason = "unknown error";
  }
  ERR_clear_error();
  return reason;
}

DkimKey DkimKey::Generate(DkimAlgorithm algorithm) {
  EVP_PKEY* key = algorithm == DkimAlgorithm::kRsaSha256
                      ? EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(kRsaBits))
                      : EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
  if (key == nullptr) throw DkimKeyError("Cannot make a DKIM key: " + OpenSslReason());
  return DkimKey(Own(key), algorithm);
}

DkimKey DkimKey::FromPem(std::string_view pem, const std::string& source) {
  BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!bio) throw DkimKeyError("Cannot read the DKIM key " + source + ": out of memory");
  // No passphrase callback: an encrypted key fails here instead of asking on the terminal.
  static pem_password_cb* const kNoPassword = [](char*, int, int, void*) { return -1; };
  EVP_PKEY* raw = PEM_read_bio_PrivateKey(bio.get(), nullptr, kNoPassword, nullptr);
  if (raw == nullptr)
    throw DkimKeyError("Cannot read the DKIM key " + source + ": not an unencrypted PEM private key (" +
                       OpenSslReason() + ")");
  std::shared_ptr<EVP_PKEY> key = Own(raw);
  if (EVP_PKEY_is_a(raw, "ED25519")) return DkimKey(key, DkimAlgorithm::kEd25519Sha256);
  if (!EVP_PKEY_is_a(raw, "RSA"))
    throw DkimKeyError("The DKIM key " + source + " is neither an RSA nor an Ed25519 key");
  if (EVP_PKEY_get_bits(raw) < kMinRsaBits)
    throw DkimKeyError("The DKIM key " + source + " has " + std::to_string(EVP_PKEY_get_bits(raw)) +
                       " bits; receivers refuse RSA keys of fewer than 1024");
  return DkimKey(key, DkimAlgorithm::kRsaSha256);
}

DkimKey DkimKey::ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw DkimKeyError("Cannot open the DKIM key file '" + path + "': " + std::strerror(errno));
  std::vector<char> bytes(kMaxKeyFile + 1);
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const auto got = static_cast<std::size_t>(file.gcount());
  if (file.bad()) throw DkimKeyError("Cannot read the DKIM key file '" + path + "'");
  if (got > kMaxKeyFile) throw DkimKeyError("The DKIM key file '" + path + "' is larger than 64 KB");
  return FromPem(std::string_view(bytes.data(), got), "file '" + path + "'");
}

const char* DkimKey::SignatureAlgorithm() const {
  return algorithm_ == DkimAlgorithm::kRsaSha256 ? "rsa-sha256" : "ed25519-sha256";
}

const char* DkimKey::KeyType() const {
  return algorithm_ == DkimAlgorithm::kRsaSha256 ? "rsa" : "ed25519";
}

int DkimKey::Bits() const {
  return EVP_PKEY_get_bits(key_.get());
}

std::string DkimKey::PrivatePem() const {
  BioPtr bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_PrivateKey(bio.get(), key_.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
    throw DkimKeyError("Cannot write the DKIM key: " + OpenSslReason());
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(length));
}

std::string DkimKey::PublicKeyBase64() const {
  std::string bytes;
  if (algorithm_ == DkimAlgorithm::kEd25519Sha256) {
    std::size_t length = 0;
    if (EVP_PKEY_get_raw_public_key(key_.get(), nullptr, &length) != 1)
      throw DkimKeyError("Cannot take the public key: " + OpenSslReason());
    bytes.resize(length);
    EVP_PKEY_get_raw_public_key(key_.get(), reinterpret_cast<unsigned char*>(bytes.data()), &length);
  } else {
    const int length = i2d_PUBKEY(key_.get(), nullptr);
    if (length <= 0) throw DkimKeyError("Cannot take the public key: " + OpenSslReason());
    bytes.resize(static_cast<std::size_t>(length));
    auto* out = reinterpret_cast<unsigned char*>(bytes.data());
    i2d_PUBKEY(key_.get(), &out);
  }
  return Base64(bytes);
}

std::string DkimKey::Sign(std::string_view data) const {
  std::unique_ptr<EVP_MD_CTX, MdContextDeleter> context(EVP_MD_CTX_new());
  const bool ed25519 = algorithm_ == DkimAlgorithm::kEd25519Sha256;
  // Ed25519 signs the SHA-256 of the data with no digest of its own ("pure" Ed25519).
  const std::string digest = ed25519 ? Sha256(data) : std::string();
  const std::string_view input = ed25519 ? std::string_view(digest) : data;
  if (!context ||
      EVP_DigestSignInit(context.get(), nullptr, ed25519 ? nullptr : EVP_sha256(), nullptr, key_.get()) != 1)
    throw DkimKeyError("Cannot sign: " + OpenSslReason());
  std::size_t length = 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(input.data());
  if (EVP_DigestSign(context.get(), nullptr, &length, bytes, input.size()) != 1)
    throw DkimKeyError("Cannot sign: " + OpenSslReason());
  std::string signature(length, '\0');
  if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length, bytes,
                     input.size()) != 1)
    throw DkimKeyError("Cannot sign: " + OpenSslReason());
  signature.resize(length);
  return signature;
}

}  // namespace norvane
