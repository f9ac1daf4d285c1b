// The settings shared by many TLS connections (OpenSSL's SSL_CTX): which peers to trust and which
// protocol versions to speak. A run builds one context per kind of connection and hands it to
// every session, so the trust store is read once, not once per message.
//
// Client contexts come in two kinds:
// - unverified (opportunistic TLS to mail exchangers, RFC 7435): any encryption beats plain
//   text, so every certificate is taken and old protocol versions are allowed;
// - verified (submission to a relay): the chain must lead to the system's trust store (plus an
//   optional CA file) and the certificate must name the host asked for; TLS 1.2 at least.
// Server contexts (a certificate and its key) serve tests and the local capture service.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

struct ssl_ctx_st;

namespace norvane {

// A context could not be built: an unreadable CA file, a certificate that does not load, ...
// what() names the file and OpenSSL's reason.
class TlsSetupError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TlsContext {
 public:
  ~TlsContext();
  TlsContext(const TlsContext&) = delete;
  TlsContext& operator=(const TlsContext&) = delete;

  // A client context; `caFile` (PEM, may hold several certificates) is trusted besides the
  // system's store and only matters when `verify` is set. Throws TlsSetupError.
  static std::shared_ptr<TlsContext> Client(bool verify, const std::string& caFile = {});
  // The process's shared client contexts without an extra CA file, built on first use.
  static std::shared_ptr<TlsContext> SharedClient(bool verify);
  // A server context from a PEM certificate (chain) file and its key. Throws TlsSetupError.
  static std::shared_ptr<TlsContext> Server(const std::string& certFile, const std::string& keyFile);

  ssl_ctx_st* get() const { return ctx_; }
  bool Verifies() const { return verify_; }
  bool IsServer() const { return server_; }

 private:
  TlsContext(ssl_ctx_st* ctx, bool verify, bool server) : ctx_(ctx), verify_(verify), server_(server) {}

  ssl_ctx_st* ctx_;
  bool verify_;
  bool server_;
};

// OpenSSL's reason for the last failure on this thread, with the queue emptied ("" when none).
std::string TlsLastErrorText();

}  // namespace norvane
