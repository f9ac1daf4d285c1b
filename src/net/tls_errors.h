// Error numbers of the socket's TLS mode, in the range above the Windows Sockets numbers and the
// SOCKS failures (20001..20017), so a delivery outcome carries them like any other socket error.
#pragma once

#include <string>

namespace norvane {

enum : int {
  // The handshake broke off: no common protocol or cipher, an alert from the peer, garbage, or
  // the connection closed before it ended.
  kTlsHandshakeFailed = 20101,
  // The certificate chain does not lead to a trusted authority (or is expired, revoked, ...).
  kTlsCertificateUntrusted = 20102,
  // The certificate is trusted but names another host than the one we asked for.
  kTlsWrongHost = 20103,
  // After the handshake the peer sent records that do not decrypt or break the protocol.
  kTlsProtocolError = 20104,
};

// The short text of a TLS error number; an empty text for any other number.
std::string TlsErrorDesc(int error);

}  // namespace norvane
