// One TLS connection as a pure byte transformer: ciphertext from the peer goes in with Feed,
// plaintext comes out of Read; plaintext goes in with Write, ciphertext for the peer comes out
// of TakeOutput. It never touches a socket (OpenSSL works on memory buffers), so the socket layer
// drives it from the event loop without blocking and tests and fuzzers drive it with plain bytes.
//
// Input is bounded by the caller: Feed takes what one read returned, and the socket layer reads
// again only once Read has nothing left to give.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "net/tls_context.h"

struct ssl_st;
struct bio_st;

namespace norvane {

class TlsEngine {
 public:
  enum class Status {
    kOk,      // done (handshake) or bytes delivered (read)
    kWant,    // needs more bytes from the peer
    kClosed,  // the peer ended the TLS session (close_notify)
    kFailed,  // a fatal error: ErrorCode() and ErrorText() say which
  };

  // A client engine checks the certificate against `peerName` when the context verifies, and
  // sends it as the server name (SNI) when it is a name rather than an address. A server
  // engine ignores it. Throws TlsSetupError when OpenSSL cannot make the connection object.
  TlsEngine(std::shared_ptr<TlsContext> context, const std::string& peerName);
  ~TlsEngine();
  TlsEngine(const TlsEngine&) = delete;
  TlsEngine& operator=(const TlsEngine&) = delete;

  // Ciphertext received from the peer.
  void Feed(const void* data, std::size_t size);
  // Advances the handshake as far as the bytes fed so far allow.
  Status Handshake();
  bool HandshakeDone() const { return handshakeDone_; }
  // Up to `length` plaintext bytes into `buffer`; `count` is the number delivered (kOk only).
  Status Read(void* buffer, int length, int& count);
  // Encrypts all of `data` (only after the handshake); kFailed when the session is broken.
  Status Write(const void* data, std::size_t size);
  // Appends the ciphertext waiting for the peer to `out`; returns the number of bytes appended.
  std::size_t TakeOutput(std::string& out);
  // Queues close_notify (best effort; for a session that ends normally).
  void Shutdown();

  // Bytes fed but not yet turned into plaintext, and plaintext decrypted but not yet read.
  std::size_t Buffered() const;

  // After kFailed: one of the kTls... numbers of net/tls_errors.h and OpenSSL's reason.
  int ErrorCode() const { return errorCode_; }
  const std::string& ErrorText() const { return errorText_; }
  // After the handshake: "TLSv1.3" and "TLS_AES_256_GCM_SHA384".
  std::string Version() const;
  std::string Cipher() const;

 private:
  Status Fail(int sslResult, bool handshaking);

  std::shared_ptr<TlsContext> context_;
  ssl_st* ssl_ = nullptr;
  bio_st* in_ = nullptr;   // ciphertext from the peer; owned by ssl_
  bio_st* out_ = nullptr;  // ciphertext to the peer; owned by ssl_
  bool handshakeDone_ = false;
  bool failed_ = false;
  int errorCode_ = 0;
  std::string errorText_;
};

}  // namespace norvane
