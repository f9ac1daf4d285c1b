#include "net/tls_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace norvane {

std::string TlsLastErrorText() {
  // The first error is the cause; later ones only say where it surfaced.
  unsigned long first = ERR_get_error();
  ERR_clear_error();
  if (first == 0) return {};
  const char* reason = ERR_reason_error_string(first);
  if (reason) return reason;
  char text[256];
  ERR_error_string_n(first, text, sizeof text);
  return text;
}

TlsContext::~TlsContext() {
  SSL_CTX_free(ctx_);
}

std::shared_ptr<TlsContext> TlsContext::Client(bool verify, const std::string& caFile) {
  ERR_clear_error();
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) throw TlsSetupError("Cannot set up TLS: " + TlsLastErrorText());
  std::shared_ptr<TlsContext> context(new TlsContext(ctx, verify, false));
  if (verify) {
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    // A system without a trust store still verifies against the CA file, if any; a system
    // with neither makes every handshake fail with "not trusted", which says what is missing.
    SSL_CTX_set_default_verify_paths(ctx);
    if (!caFile.empty() && SSL_CTX_load_verify_locations(ctx, caFile.c_str(), nullptr) != 1) {
      std::string reason = TlsLastErrorText();
      throw TlsSetupError("Cannot read the CA file '" + caFile + "'" + (reason.empty() ? "" : ": " + reason));
    }
  } else {
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    // Opportunistic: a mail exchanger that only speaks TLS 1.0 still gets encryption rather
    // than plain text. Level 0 lets the protocol versions below 1.2 through.
    SSL_CTX_set_security_level(ctx, 0);
    SSL_CTX_set_min_proto_version(ctx, TLS1_VERSION);
  }
  // Renegotiation only ever served attacks on SMTP; no peer of ours needs it.
  SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION);
  return context;
}

std::shared_ptr<TlsContext> TlsContext::SharedClient(bool verify) {
  static std::shared_ptr<TlsContext> verified, unverified;
  std::shared_ptr<TlsContext>& slot = verify ? verified : unverified;
  if (!slot) slot = Client(verify);
  return slot;
}

std::shared_ptr<TlsContext> TlsContext::Server(const std::string& certFile, const std::string& keyFile) {
  ERR_clear_error();
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  if (!ctx) throw TlsSetupError("Cannot set up TLS: " + TlsLastErrorText());
  std::shared_ptr<TlsContext> context(new TlsContext(ctx, false, true));
  if (SSL_CTX_use_certificate_chain_file(ctx, certFile.c_str()) != 1)
    throw TlsSetupError("Cannot read the certificate '" + certFile + "': " + TlsLastErrorText());
  if (SSL_CTX_use_PrivateKey_file(ctx, keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
    throw TlsSetupError("Cannot read the key '" + keyFile + "': " + TlsLastErrorText());
  if (SSL_CTX_check_private_key(ctx) != 1)
    throw TlsSetupError("The key '" + keyFile + "' does not belong to '" + certFile + "'");
  SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION);
  return context;
}

}  // namespace norvane
