// The client side of an SMTP dialogue with one server over one TCP
// connection. Every request returns at once and ends with exactly one
// OnRequestDone(RqType, Error) posted through the event loop, never raised
// inside the call that started it, so a handler may start the next request on
// the same client. Misuse (a request in the wrong state, input the client
// refuses) throws SmtpException synchronously and leaves the state unchanged.
//
// Deliberate choices beyond the plain protocol:
// - Command arguments (FromName, RcptName lines, SignOn, the VRFY argument)
//   holding a control character are refused with SmtpException: a CR or LF
//   there would let the text start a second command. The envelope addresses
//   may not hold a blank, "<" or ">" either: "a@b> NOTIFY=SUCCESS" would add
//   parameters to the command, "a@b>,<c@d" a recipient.
// - A final reply line without a reply code is a failure (Error 500), not an
//   acceptance: a garbled reply must not count as "delivered".
// - A reply line that does not fit the 4096-byte reply buffer stands, as soon
//   as the buffer is full, as the synthesized final line "500 Reply line
//   longer than 4096 bytes"; the rest of it is dropped up to its CR LF. The
//   request fails at once instead of waiting for the owner's time-out.
// - Likewise a reply that runs past 100 lines or 64 KB in all is ended by the
//   synthesized final line "500 Reply longer than 100 lines or 64 KB": a
//   server answering "250-" for ever can hold neither the request nor memory.
// - DATA answered with anything but 354 ends the request with that code and
//   the message text is not sent: the server would read every line of it as
//   a command.
// - When the message text cannot be produced during DATA (an exception from
//   OnGetData or OnHeaderLine, an attachment that cannot be read), the
//   connection is dropped without the final "." so the server discards the
//   partial message; the request then completes with 10004 and ErrorMessage
//   says why. Sending "." would have delivered a truncated message as a success.
//   OnBeforeEndOfData runs just before "." is queued, after every line of the
//   text went to the socket; an exception from it takes the same road.
// - A request whose later step throws (inside SendMail) completes with 500
//   and ErrorMessage "500 " + the reason instead of letting the exception
//   escape into the socket's event handling.
//
// TLS and authentication (Tls, SetAuth; off by default, which keeps the plain
// dialogue with HELO): the greeting step of OpenSession becomes EHLO (HELO
// when EHLO is refused with 500 or 502 and nothing needs the extensions),
// then STARTTLS when the policy asks and the server offers it, a new EHLO
// inside TLS (RFC 3207 4.2), then AUTH PLAIN or LOGIN when a user name is
// set; with smtpTlsImplicit the TLS handshake comes before the greeting. All
// of it completes as the one smtpConnect request. Failures complete it with
// the server's code (535 for a refused password) or one of the numbers below
// and of net/tls_errors.h, with ErrorMessage saying why; OnSecurity gives the
// transcript "TLS started: ..." and the failures. The password only ever goes
// out inside TLS, and OnCommand and OnDisplay show it masked.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/tls_context.h"
#include "net/wsocket.h"
#include "platform/event_loop.h"
#include "smtp/ehlo_capabilities.h"
#include "smtp/message_composer.h"
#include "smtp/reply_reader.h"
#include "smtp/smtp_exception.h"

namespace norvane {

enum TSmtpRequest {
  smtpConnect,
  smtpHelo,
  smtpMailFrom,
  smtpVrfy,
  smtpRcptTo,
  smtpData,
  smtpQuit,
  smtpRset,
  smtpOpenSession,
  smtpSendMail
};

// How a session is protected.
enum TSmtpTls {
  smtpTlsNone,           // HELO and plain text: the plain dialogue
  smtpTlsOpportunistic,  // EHLO; STARTTLS when offered, any certificate taken; plain text otherwise
  smtpTlsStartTls,       // EHLO; STARTTLS required, certificate and host name checked
  smtpTlsImplicit,       // TLS from the first byte (port 465), checked; then EHLO
};

// Results of the greeting step beyond reply codes and socket errors.
enum : int {
  kSmtpStartTlsNotOffered = 20111,  // STARTTLS required, the server does not offer it
  kSmtpAuthNotOffered = 20112,      // a user name is set, the server offers neither PLAIN nor LOGIN
  kSmtpAuthWithoutTls = 20113,      // a user name is set, the session is not encrypted
  kSmtpStartTlsInjection = 20114,   // the server sent more in the same breath as its 220 to STARTTLS
};

enum TSmtpState {
  smtpReady,
  smtpResolving,
  smtpConnecting,
  smtpConnected,
  smtpBetweenSteps,
  smtpAwaitingGreeting,
  smtpAwaitingReply,
  smtpAborting
};

class _TCustomSmtpClient {
 public:
  using TSmtpDisplay = std::function<void(_TCustomSmtpClient* Sender, const std::string& Msg)>;
  using TSmtpRequestDone =
      std::function<void(_TCustomSmtpClient* Sender, TSmtpRequest RqType, uint16_t Error)>;
  // Body line LineNum (from 1): fill MsgLine (at most MaxLen characters) and
  // leave More true, or set More false when the body has ended.
  using TSmtpGetDataEvent = std::function<void(_TCustomSmtpClient* Sender, int LineNum, std::string& MsgLine,
                                               int MaxLen, bool& More)>;
  using TSmtpHeaderLineEvent = std::function<void(_TCustomSmtpClient* Sender, std::string& Msg, int Size)>;
  using TSmtpProcessHeaderEvent =
      std::function<void(_TCustomSmtpClient* Sender, std::vector<std::string>& HdrLines)>;
  using TNotify = std::function<void(_TCustomSmtpClient* Sender)>;
  using TNotifyError = std::function<void(_TCustomSmtpClient* Sender, uint16_t Error)>;
  using TNotifyCount = std::function<void(_TCustomSmtpClient* Sender, std::size_t Count)>;

  // The reply buffer size; longer reply lines are refused (see above).
  static constexpr std::size_t kReplyBufferSize = ReplyBuffer::kSize;
  // Most bytes of message text sent in one event-loop turn, so that other
  // connections on the loop get their turn during a large attachment.
  static constexpr std::size_t kDataBurstBytes = std::size_t{64} * 1024;
  // Message lines are handed to the socket in batches of about this size: one
  // system call and one segment per line would cost more than the data itself.
  static constexpr std::size_t kDataBatchBytes = std::size_t{16} * 1024;
  // The completion message of the original hidden window (WM_USER + 1).
  static constexpr int kRequestDoneMessage = 1025;

  explicit _TCustomSmtpClient(EventLoop& loop = EventLoop::Default());
  virtual ~_TCustomSmtpClient();
  _TCustomSmtpClient(const _TCustomSmtpClient&) = delete;
  _TCustomSmtpClient& operator=(const _TCustomSmtpClient&) = delete;

  // --- properties ------------------------------------------------------------------------
  const std::string& Host() const { return host_; }
  void SetHost(const std::string& value) { host_ = value; }
  // Service name or port number; "smtp" by default.
  const std::string& Port() const { return port_; }
  void SetPort(const std::string& value) { port_ = value; }
  // Sent with "HELO "; the local host name when empty.
  const std::string& SignOn() const { return signOn_; }
  void SetSignOn(const std::string& value) { signOn_ = value; }
  const std::string& FromName() const { return fromName_; }
  void SetFromName(const std::string& value) { fromName_ = value; }
  const std::vector<std::string>& RcptName() const { return rcptName_; }
  void SetRcptName(const std::vector<std::string>& lines) { rcptName_ = lines; }

  const std::string& HdrFrom() const { return composer_.HdrFrom; }
  void SetHdrFrom(const std::string& value) { composer_.HdrFrom = value; }
  // The "To: " header text, also the argument of "VRFY ".
  const std::string& HdrTo() const { return composer_.HdrTo; }
  void SetHdrTo(const std::string& value) { composer_.HdrTo = value; }
  const std::string& HdrSubject() const { return composer_.HdrSubject; }
  void SetHdrSubject(const std::string& value) { composer_.HdrSubject = value; }
  const std::string& CharSet() const { return composer_.CharSet; }
  void SetCharSet(const std::string& value) { composer_.CharSet = value; }
  TSmtpContentType ContentType() const { return composer_.ContentType(); }
  void SetContentType(TSmtpContentType value) { composer_.SetContentType(value); }

  // The protection of the next sessions. A null context takes the process's shared one for the
  // policy (checked for smtpTlsStartTls and smtpTlsImplicit, unchecked for opportunistic).
  TSmtpTls Tls() const { return tls_; }
  void SetTls(TSmtpTls value, std::shared_ptr<TlsContext> context = nullptr);
  // AUTH after the greeting when `user` is not empty.
  const std::string& AuthUser() const { return authUser_; }
  void SetAuth(const std::string& user, const std::string& password);
  // What the server announced in its last EHLO reply (empty after HELO).
  const EhloCapabilities& Capabilities() const { return capabilities_; }
  // The session runs over TLS; "TLSv1.3, TLS_AES_256_GCM_SHA384" then.
  bool TlsActive() const;
  std::string TlsDescription() const;

  // The first failing reply line (or synthesized line) since the last high-level request started.
  const std::string& ErrorMessage() const { return errorMessage_; }
  // The most recent reply line received or synthesized.
  const std::string& LastResponse() const { return lastResponse_; }
  int Tag() const { return tag_; }
  void SetTag(int value) { tag_ = value; }
  bool Connected() const { return connected_; }
  TSmtpState State() const { return state_; }
  // The number at the start of the latest reply line.
  int StatusCode() const { return statusCode_; }

  // --- events ------------------------------------------------------------------------------
  TSmtpDisplay OnDisplay;   // "> " + command or data line as sent, "< " + reply line
  TSmtpDisplay OnCommand;   // every command line, just before it is sent
  TSmtpDisplay OnResponse;  // every reply line received, before it is evaluated
  TSmtpGetDataEvent OnGetData;
  TSmtpHeaderLineEvent OnHeaderLine;
  TSmtpProcessHeaderEvent OnProcessHeader;
  TSmtpRequestDone OnRequestDone;
  TNotify OnStateChange;
  TNotifyError OnSessionConnected;
  TNotifyError OnSessionClosed;
  // Bytes the socket handed to the network (commands and message text): the
  // connection is moving even while no reply is due.
  TNotifyCount OnBytesWritten;
  // The message text is out, the final "." not yet queued.
  TNotify OnBeforeEndOfData;
  // "TLS started: TLSv1.3, TLS_AES_256_GCM_SHA384", or why TLS or AUTH failed, for a transcript.
  TSmtpDisplay OnSecurity;

  // --- requests ------------------------------------------------------------------------------
  virtual void Connect();
  virtual void Helo();
  virtual void Vrfy();
  virtual void MailFrom();
  virtual void RcptTo();
  virtual void Data();
  virtual void Quit();
  virtual void Rset();
  // Never fails: drops the connection without "QUIT"; a pending request completes with 10004.
  virtual void Abort();
  // Connect, then HELO; completes as smtpConnect.
  virtual void OpenSession();
  // MAIL FROM, RCPT TO, DATA; completes as smtpSendMail.
  virtual void SendMail();

 protected:
  // Body lines reach it only while OnDisplay is set.
  virtual void DoDisplay(const std::string& Msg);
  virtual void DoCommand(const std::string& Msg);
  virtual void DoResponse(const std::string& Msg);
  // Completion of the current step or request (see the source for the rules).
  virtual void DoRequestDone(int Error);
  virtual void DoStateChange();
  // The body source of the message text: raises OnGetData, or ends the body when none is set.
  virtual void DoGetData(int LineNum, std::string& MsgLine, int MaxLen, bool& More);
  virtual void DoHeaderLine(std::string& Msg, int Size);
  virtual void DoProcessHeader(std::vector<std::string>& HdrLines);
  virtual void DoSessionConnected(uint16_t Error);
  virtual void DoSessionClosed(uint16_t Error);
  virtual void DoBeforeEndOfData();
  virtual void SendCommand(const std::string& Cmd);
  // Delivery of a posted completion: raises OnRequestDone with the current request type.
  virtual void WndProc(int message, uint16_t Error);

  MessageComposer& Composer() { return composer_; }
  _TWSocket& Socket() { return *socket_; }

 private:
  enum Step : unsigned {
    kStepConnect = 1,
    kStepHelo = 2,
    kStepVrfy = 4,
    kStepMailFrom = 8,
    kStepRcptTo = 16,
    kStepData = 32,
    kStepQuit = 64
  };
  enum class ReplyNext {
    kNone,
    kNextRecipient,
    kDataPhase,
    kEhlo,
    kStartTls,
    kAuthLoginUser,
    kAuthLoginPassword
  };
  enum class TlsPhase { kNone, kImplicit, kStartTls };

  void SetState(TSmtpState value);
  void CheckReady() const;
  // `shown` replaces the command in OnCommand and OnDisplay (a credential); null shows it as sent.
  // `before` goes out ahead of the command in the same send (the message's last lines before ".").
  void StartCommand(const std::string& cmd, std::vector<int> okCodes, TSmtpRequest rq, ReplyNext next,
                    const std::string* shown = nullptr, std::string_view before = {});
  void SendShownCommand(const std::string& Cmd, const std::string& Shown, std::string_view before = {});
  void StartHighLevel(TSmtpRequest rq, unsigned steps);
  void NextStep();
  void FailRequest(const std::string& reason, int error);
  void SetErrorMessageOnce(const std::string& line);

  void SocketDnsLookupDone(uint16_t error);
  void SocketSessionConnected(uint16_t error);
  void SocketDataAvailable(uint16_t error);
  void SocketSessionClosed(uint16_t error);
  void HandleLine();
  void EvaluateGreeting();
  void EvaluateReply();
  void NextRecipient();
  void StartDataPhase();
  void DataNext();
  // Raises the hand-over hook, then sends `lastLines` (produced, not yet sent) with the ".".
  void EndData(const std::string& lastLines);
  // Sends `produced` (lines not yet sent) without the final ".", then drops the session.
  void FailDataPhase(const std::string& reason, const std::string& produced);

  // The extended greeting (ehlo_dialogue.cpp).
  bool UsesEsmtp() const { return tls_ != smtpTlsNone || !authUser_.empty(); }
  std::string HeloName() const;
  void SendEhlo();
  // EHLO refused with this code may be answered with HELO instead.
  bool HeloFallbackAllowed(int code) const;
  // A refusal the greeting tolerates: it goes on without setting ErrorMessage.
  bool Tolerated(ReplyNext next, int result) const;
  void AfterEhlo(int result);
  void AfterStartTls(int result);
  void BeginTls(TlsPhase phase);
  void SocketTlsDone(uint16_t error);
  void StartAuth();
  void AfterAuthStep(ReplyNext step, int result);
  // Ends the greeting step with `error`, ErrorMessage "500 " + why and OnSecurity(why).
  void FailSecurity(int error, const std::string& why);
  void DoSecurity(const std::string& Msg);
  std::shared_ptr<TlsContext> Context();

  EventLoop& loop_;
  std::unique_ptr<_TWSocket> socket_;
  MessageComposer composer_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  std::string host_;
  std::string port_ = "smtp";
  std::string signOn_;
  std::string fromName_;
  std::vector<std::string> rcptName_;
  std::string errorMessage_;
  std::string lastResponse_;
  int tag_ = 0;
  bool connected_ = false;
  TSmtpState state_ = smtpReady;

  ReplyBuffer reply_;
  ReplyLimit replyLimit_;  // of the reply being received
  TSmtpRequest requestType_ = smtpConnect;
  bool requestDone_ = true;
  int requestResult_ = 0;
  int statusCode_ = 0;
  std::vector<int> okCodes_;
  ReplyNext replyNext_ = ReplyNext::kNone;

  unsigned steps_ = 0;
  int highLevelResult_ = 0;
  bool highLevel_ = false;
  bool hasNextStep_ = false;

  TSmtpTls tls_ = smtpTlsNone;
  std::shared_ptr<TlsContext> tlsContext_;
  std::string authUser_;
  std::string authPassword_;
  EhloCapabilities capabilities_;
  std::vector<std::string> ehloLines_;  // of the EHLO reply being received
  TlsPhase tlsPhase_ = TlsPhase::kNone;

  int rcptIndex_ = -1;
  bool moreLines_ = false;
  std::string dataLine_;
  std::string dataBatch_;
};

}  // namespace norvane
