#include "net/tls_engine.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <climits>

#include "net/tls_errors.h"

namespace norvane {

namespace {

bool IsAddress(const std::string& text) {
  unsigned char address[16];
  return inet_pton(AF_INET, text.c_str(), address) == 1 || inet_pton(AF_INET6, text.c_str(), address) == 1;
}

}  // namespace

TlsEngine::TlsEngine(std::shared_ptr<TlsContext> context, const std::string& peerName)
    : context_(std::move(context)) {
  ERR_clear_error();
  ssl_ = SSL_new(context_->get());
  in_ = BIO_new(BIO_s_mem());
  out_ = BIO_new(BIO_s_mem());
  if (!ssl_ || !in_ || !out_) {
    BIO_free(in_);
    BIO_free(out_);
    SSL_free(ssl_);
    throw TlsSetupError("Cannot start TLS: " + TlsLastErrorText());
  }
  // An empty input buffer means "no bytes yet", never the end of the stream: the end is the
  // socket's business.
  BIO_set_mem_eof_return(in_, -1);
  SSL_set_bio(ssl_, in_, out_);
  if (context_->IsServer()) {
    SSL_set_accept_state(ssl_);
    return;
  }
  SSL_set_connect_state(ssl_);
  std::string name = peerName;
  if (!name.empty() && name.back() == '.')
    name.pop_back();  // the root label is no part of a certificate name
  const bool address = IsAddress(name);
  // RFC 6066 3: the server name is a host name; literal addresses are not sent.
  if (!name.empty() && !address) SSL_set_tlsext_host_name(ssl_, name.c_str());
  if (context_->Verifies() && !name.empty()) {
    if (address) {
      X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), name.c_str());
    } else {
      // RFC 6125 6.4.3: a wildcard stands for one whole label, never part of one.
      SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
      SSL_set1_host(ssl_, name.c_str());
    }
  }
}

TlsEngine::~TlsEngine() {
  SSL_free(ssl_);  // frees both buffers with it
}

void TlsEngine::Feed(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const int chunk = size > INT_MAX ? INT_MAX : static_cast<int>(size);
    const int n = BIO_write(in_, p, chunk);
    if (n <= 0) return;  // out of memory: the record stays incomplete and the peer times out
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

TlsEngine::Status TlsEngine::Handshake() {
  if (failed_) return Status::kFailed;
  if (handshakeDone_) return Status::kOk;
  ERR_clear_error();
  const int result = SSL_do_handshake(ssl_);
  if (result == 1) {
    handshakeDone_ = true;
    return Status::kOk;
  }
  const int error = SSL_get_error(ssl_, result);
  if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return Status::kWant;
  return Fail(result, true);
}

TlsEngine::Status TlsEngine::Read(void* buffer, int length, int& count) {
  count = 0;
  if (failed_) return Status::kFailed;
  if (!handshakeDone_) {
    const Status status = Handshake();
    if (status != Status::kOk) return status;
  }
  if (length <= 0) return Status::kWant;
  ERR_clear_error();
  std::size_t n = 0;
  const int result = SSL_read_ex(ssl_, buffer, static_cast<std::size_t>(length), &n);
  if (result == 1) {
    count = static_cast<int>(n);
    return Status::kOk;
  }
  const int error = SSL_get_error(ssl_, result);
  if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return Status::kWant;
  if (error == SSL_ERROR_ZERO_RETURN) return Status::kClosed;
  return Fail(result, false);
}

TlsEngine::Status TlsEngine::Write(const void* data, std::size_t size) {
  if (failed_ || !handshakeDone_) return Status::kFailed;
  if (size == 0) return Status::kOk;
  ERR_clear_error();
  std::size_t written = 0;
  // The output is a memory buffer that grows: a write takes everything or fails.
  const int result = SSL_write_ex(ssl_, data, size, &written);
  if (result == 1) return Status::kOk;
  return Fail(result, false);
}

std::size_t TlsEngine::TakeOutput(std::string& out) {
  const std::size_t pending = BIO_ctrl_pending(out_);
  if (pending == 0) return 0;
  const std::size_t old = out.size();
  out.resize(old + pending);
  const int n = BIO_read(out_, out.data() + old, static_cast<int>(pending));
  out.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void TlsEngine::Shutdown() {
  if (!handshakeDone_ || failed_) return;
  ERR_clear_error();
  SSL_shutdown(ssl_);
  ERR_clear_error();
}

std::size_t TlsEngine::Buffered() const {
  const int pending = SSL_pending(ssl_);
  return BIO_ctrl_pending(in_) + static_cast<std::size_t>(pending > 0 ? pending : 0);
}

std::string TlsEngine::Version() const {
  return SSL_get_version(ssl_);
}

std::string TlsEngine::Cipher() const {
  const char* name = SSL_get_cipher_name(ssl_);
  return name ? name : "";
}

TlsEngine::Status TlsEngine::Fail(int sslResult, bool handshaking) {
  const int error = SSL_get_error(ssl_, sslResult);
  failed_ = true;
  if (handshaking && context_->Verifies()) {
    const long verify = SSL_get_verify_result(ssl_);
    if (verify != X509_V_OK) {
      ERR_clear_error();
      errorCode_ = verify == X509_V_ERR_HOSTNAME_MISMATCH || verify == X509_V_ERR_IP_ADDRESS_MISMATCH
                       ? kTlsWrongHost
                       : kTlsCertificateUntrusted;
      errorText_ = X509_verify_cert_error_string(verify);
      return Status::kFailed;
    }
  }
  errorCode_ = handshaking ? kTlsHandshakeFailed : kTlsProtocolError;
  errorText_ = TlsLastErrorText();
  if (errorText_.empty())
    errorText_ = error == SSL_ERROR_ZERO_RETURN ? "the peer ended the TLS session" : "unexpected TLS failure";
  return Status::kFailed;
}

}  // namespace norvane
