#include "app/outcome_meaning.h"

#include "engine/relay_server.h"
#include "net/socket_errors.h"
#include "net/tls_errors.h"

namespace norvane {

std::string OutcomeMeaning(int code) {
  switch (code) {
    case kResultDelivered:
      return "delivered: the server accepted the message";
    case kResultNoHost:
      return "no mail server found for the domain";
    case kResultTimeOut:
      return "time-out: the server stopped answering";
    case kResultOpenRefused:
    case kResultRcptRefused:
    case kResultMailFromRefused:
    case kResultQuitRefused:
    case kResultDataRefused:
      return "the SMTP client could not issue the command";
    case kResultAborted:
      return "stopped by the user";
    case kResultBadAddress:
      return "the address holds characters no envelope may carry";
    case WSAEINTR:
      return "connection ended before the server's reply (closed or abandoned)";
    case WSAECONNABORTED:
      return "the connection was aborted";
    case WSAECONNRESET:
      return "the server reset the connection";
    case WSAETIMEDOUT:
      return "the connection attempt timed out";
    case WSAECONNREFUSED:
      return "connection refused: no mail server listens there";
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
      return "the server cannot be reached";
    case WSAHOST_NOT_FOUND:
      return "host not found";
    case WSATRY_AGAIN:
      return "temporary DNS failure";
    case 535:
      return "the relay refused the user name or password (535)";
    case kTlsHandshakeFailed:
    case kTlsCertificateUntrusted:
    case kTlsWrongHost:
    case kTlsProtocolError:
      return TlsErrorDesc(code);
    case kSmtpStartTlsNotOffered:
      return "TLS was required and the server does not offer STARTTLS";
    case kSmtpAuthNotOffered:
      return "the relay offers neither AUTH PLAIN nor AUTH LOGIN";
    case kSmtpAuthWithoutTls:
      return "a password is sent only over TLS, and this session had none";
    case kSmtpStartTlsInjection:
      return "the server sent data after its 220 to STARTTLS, as an attack would";
  }
  if (code >= 400 && code <= 499)
    return "temporary refusal (" + std::to_string(code) + "): a later Send may succeed";
  if (code >= 500 && code <= 599)
    return "permanent refusal (" + std::to_string(code) + "): sending again will fail the same way";
  if (code >= 10000 && code <= 11999) return "socket error: " + SocketErrorDesc(code);
  return "outcome " + std::to_string(code);
}

}  // namespace norvane
