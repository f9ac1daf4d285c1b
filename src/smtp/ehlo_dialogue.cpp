// The extended greeting of _TCustomSmtpClient: EHLO and what it opens, STARTTLS (RFC 3207), TLS
// from the first byte (RFC 8314) and AUTH (RFC 4954). Each step is the continuation of the
// previous reply, as the recipient and data sequences are, and the whole sequence completes as
// the greeting step of OpenSession.
#include <exception>

#include "net/tls_errors.h"
#include "smtp/base64.h"
#include "smtp/custom_smtp_client.h"
#include "smtp/smtp_auth.h"

namespace norvane {

void _TCustomSmtpClient::SetTls(TSmtpTls value, std::shared_ptr<TlsContext> context) {
  tls_ = value;
  tlsContext_ = std::move(context);
}

void _TCustomSmtpClient::SetAuth(const std::string& user, const std::string& password) {
  authUser_ = user;
  authPassword_ = password;
}

bool _TCustomSmtpClient::TlsActive() const {
  return socket_->TlsActive();
}

std::string _TCustomSmtpClient::TlsDescription() const {
  if (!socket_->TlsActive()) return {};
  return socket_->TlsVersion() + ", " + socket_->TlsCipher();
}

std::shared_ptr<TlsContext> _TCustomSmtpClient::Context() {
  if (tlsContext_) return tlsContext_;
  return TlsContext::SharedClient(tls_ != smtpTlsOpportunistic);
}

void _TCustomSmtpClient::DoSecurity(const std::string& Msg) {
  if (OnSecurity) OnSecurity(this, Msg);
}

void _TCustomSmtpClient::SendEhlo() {
  const std::string name = HeloName();
  ehloLines_.clear();
  capabilities_ = EhloCapabilities();
  composer_.ServerAccepts8Bit = false;
  StartCommand("EHLO " + name, {250}, smtpHelo, ReplyNext::kEhlo);
}

bool _TCustomSmtpClient::HeloFallbackAllowed(int code) const {
  // RFC 5321 3.2: a server that does not know EHLO says 500 or 502, and HELO then does. It
  // cannot offer STARTTLS or AUTH that way, so a session that needs either stops here.
  if (code != 500 && code != 502) return false;
  if (!authUser_.empty()) return false;
  return !(tls_ == smtpTlsStartTls && !socket_->TlsActive());
}

bool _TCustomSmtpClient::Tolerated(ReplyNext next, int result) const {
  if (next == ReplyNext::kEhlo) return HeloFallbackAllowed(result);
  // RFC 3207 4: a refused STARTTLS leaves the session as it was; opportunistic TLS goes on plain.
  if (next == ReplyNext::kStartTls) return tls_ == smtpTlsOpportunistic && authUser_.empty();
  return false;
}

void _TCustomSmtpClient::AfterEhlo(int result) {
  std::vector<std::string> lines;
  lines.swap(ehloLines_);
  if (result != 0) {
    if (!HeloFallbackAllowed(statusCode_)) return DoRequestDone(result);
    state_ = smtpBetweenSteps;  // silently, as the next command follows at once
    StartCommand("HELO " + HeloName(), {250}, smtpHelo, ReplyNext::kNone);
    return;
  }
  capabilities_ = EhloCapabilities::Parse(lines);
  composer_.ServerAccepts8Bit = capabilities_.Has("8BITMIME");
  const bool wantsTls = tls_ == smtpTlsOpportunistic || tls_ == smtpTlsStartTls;
  if (wantsTls && !socket_->TlsActive()) {
    if (capabilities_.Has("STARTTLS")) {
      state_ = smtpBetweenSteps;
      StartCommand("STARTTLS", {220}, smtpHelo, ReplyNext::kStartTls);
      return;
    }
    if (tls_ == smtpTlsStartTls)
      return FailSecurity(kSmtpStartTlsNotOffered, "TLS failed: the server does not offer STARTTLS");
  }
  if (!authUser_.empty()) return StartAuth();
  DoRequestDone(0);
}

void _TCustomSmtpClient::AfterStartTls(int result) {
  if (result != 0) {
    if (!Tolerated(ReplyNext::kStartTls, result)) return DoRequestDone(result);
    DoSecurity("TLS refused by the server; going on without it");
    return DoRequestDone(0);
  }
  // RFC 3207 6: anything the server sent after its 220 and before the handshake would count
  // as said inside TLS if it stayed; it is a known way to slip commands into the session.
  if (reply_.Count() != 0)
    return FailSecurity(kSmtpStartTlsInjection, "TLS failed: the server sent data after its 220 to STARTTLS");
  BeginTls(TlsPhase::kStartTls);
}

void _TCustomSmtpClient::BeginTls(TlsPhase phase) {
  tlsPhase_ = phase;
  try {
    socket_->StartTls(Context(), host_);
  } catch (const std::exception& e) {
    tlsPhase_ = TlsPhase::kNone;
    FailSecurity(kTlsHandshakeFailed, std::string("TLS failed: ") + e.what());
    socket_->Abort();
  }
}

void _TCustomSmtpClient::SocketTlsDone(uint16_t error) {
  if (tlsPhase_ == TlsPhase::kNone) return;  // the session was abandoned meanwhile
  const TlsPhase phase = tlsPhase_;
  tlsPhase_ = TlsPhase::kNone;
  auto alive = alive_;
  if (error != 0) {
    // The socket closes the connection once this returns; the request ends with the TLS
    // reason, not with the close.
    std::string why = TlsErrorDesc(error);
    if (!socket_->TlsErrorText().empty()) why += ": " + socket_->TlsErrorText();
    FailSecurity(error, "TLS failed: " + why);
    return;
  }
  DoSecurity("TLS started: " + TlsDescription());
  if (!*alive) return;
  if (phase == TlsPhase::kImplicit) {
    SetState(smtpAwaitingGreeting);
    return;
  }
  // RFC 3207 4.2: what the server said before TLS no longer holds; ask again.
  state_ = smtpBetweenSteps;
  try {
    SendEhlo();
  } catch (const std::exception& e) {
    FailRequest(e.what(), 500);
  }
}

void _TCustomSmtpClient::StartAuth() {
  if (!socket_->TlsActive())
    return FailSecurity(kSmtpAuthWithoutTls, "AUTH refused: the password is sent only over TLS");
  const SmtpAuthMechanism mechanism = ChooseAuthMechanism(capabilities_);
  if (mechanism == SmtpAuthMechanism::kNone)
    return FailSecurity(kSmtpAuthNotOffered,
                        "AUTH failed: the server offers neither AUTH PLAIN nor AUTH LOGIN");
  state_ = smtpBetweenSteps;
  if (mechanism == SmtpAuthMechanism::kPlain) {
    const std::string shown = std::string("AUTH PLAIN ") + kMaskedSecret;
    StartCommand("AUTH PLAIN " + AuthPlainResponse(authUser_, authPassword_), {235}, smtpHelo,
                 ReplyNext::kNone, &shown);
    return;
  }
  StartCommand("AUTH LOGIN", {334}, smtpHelo, ReplyNext::kAuthLoginUser);
}

void _TCustomSmtpClient::AfterAuthStep(ReplyNext step, int result) {
  if (result != 0) return DoRequestDone(result);
  state_ = smtpBetweenSteps;
  if (step == ReplyNext::kAuthLoginUser) {
    StartCommand(Base64(authUser_), {334}, smtpHelo, ReplyNext::kAuthLoginPassword);
    return;
  }
  const std::string shown = kMaskedSecret;
  StartCommand(Base64(authPassword_), {235}, smtpHelo, ReplyNext::kNone, &shown);
}

void _TCustomSmtpClient::FailSecurity(int error, const std::string& why) {
  auto alive = alive_;
  lastResponse_ = "500 " + why;
  statusCode_ = 500;
  requestResult_ = error;
  SetErrorMessageOnce(lastResponse_);
  DoSecurity(why);
  if (!*alive) return;
  DoRequestDone(error);
}

}  // namespace norvane
