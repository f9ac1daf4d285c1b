#include "net/tls_errors.h"

namespace norvane {

std::string TlsErrorDesc(int error) {
  switch (error) {
    case kTlsHandshakeFailed:
      return "TLS handshake failed";
    case kTlsCertificateUntrusted:
      return "TLS certificate not trusted";
    case kTlsWrongHost:
      return "TLS certificate is for another host";
    case kTlsProtocolError:
      return "TLS protocol error";
  }
  return {};
}

}  // namespace norvane
