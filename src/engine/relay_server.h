// The front of the delivery engine. Given one message template, a list of
// recipients and the DNS settings, Start runs up to Connections delivery
// sessions (TSmtpThread) at once on the event loop; each takes the next
// recipient, asks the owner for its personalised texts (OnGetData), finds the
// domain's mail exchangers, delivers one copy and reports the outcome
// (OnEMailProcessed). A watchdog cancels silent sessions; OnFinished fires
// about 100 ms after the last session has ended.
//
// Sessions end inside callbacks of their own SMTP client and resolver, and
// Abort or the watchdog may run while a session dispatches events in a nested
// loop. So the list of sessions only ever has slots emptied during a run, and
// both walks over it fix their bound when they begin.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/answer_cache.h"
#include "engine/smtp_thread.h"
#include "platform/event_loop.h"
#include "platform/system_dns.h"
#include "smtp/custom_smtp_client.h"
#include "smtp/message_composer.h"

namespace norvane {

enum TContentType { ctHTML = 0, ctPlainText = 1 };

class TSmtpRelayServerException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One line of Recipients: the envelope address and the caller's opaque tag.
struct TRecipientLine {
  std::string Address;
  int Tag = 0;
};

// Outcome codes handed to OnEMailProcessed besides 0 (delivered) and the
// positive SMTP reply codes or socket error numbers of the last host tried.
enum TRelayResult : int {
  kResultDelivered = 0,
  kResultNoHost = -1,
  kResultTimeOut = -2,
  kResultOpenRefused = -3,
  kResultRcptRefused = -4,
  kResultMailFromRefused = -5,
  kResultQuitRefused = -6,
  kResultDataRefused = -7,
  kResultAborted = -8,
  // The recipient address holds "<", ">", a blank or a control character: sent
  // as it stands it would add envelope parameters or recipients, so nothing is
  // sent for it.
  kResultBadAddress = -9,
  // The domain publishes a null MX (RFC 7505): it accepts no mail at all, so
  // no host is tried.
  kResultNullMx = -10,
};

class TSmtpRelayServer {
 public:
  using TSmtpRelayServerGetData =
      std::function<void(TSmtpRelayServer* Sender, int recipientIndex, std::string& headerTo,
                         std::string& subject, std::vector<std::string>& body)>;
  using TSmtpRelayServerProcessHeader =
      std::function<void(TSmtpRelayServer* Sender, int recipientIndex, std::vector<std::string>& HdrLines)>;
  using TSmtpRelayServerProcessed = std::function<void(TSmtpRelayServer* Sender, int recipientIndex, int Err,
                                                       const std::vector<std::string>& log)>;
  using TSmtpRelayServerAborting =
      std::function<void(TSmtpRelayServer* Sender, int recipientIndex, int threadsAborted)>;
  using TSmtpRelayServerFinished = std::function<void(TSmtpRelayServer* Sender, bool Aborted)>;
  using TSmtpRelayServerHandingOver = std::function<void(TSmtpRelayServer* Sender, int recipientIndex)>;
  // A recipient whose try `retry` - 1 failed for now (Err, its transcript) waits
  // for try `retry` of `retries` more; its outcome comes later.
  using TSmtpRelayServerDeferred =
      std::function<void(TSmtpRelayServer* Sender, int recipientIndex, int retry, int retries, int Err,
                         const std::vector<std::string>& log)>;

  // Separates the addresses of Dns and InternalDns, as the system's own
  // name-server lists do.
  static constexpr char DnsSeparator = ' ';

  explicit TSmtpRelayServer(EventLoop& loop = EventLoop::Default());
  ~TSmtpRelayServer();
  TSmtpRelayServer(const TSmtpRelayServer&) = delete;
  TSmtpRelayServer& operator=(const TSmtpRelayServer&) = delete;

  // --- properties (the "refused while busy" ones throw "Component is busy") ---
  int Connections() const { return connections_; }
  void SetConnections(int value);  // <= 0 stored as 1
  int TimeOut() const { return timeOut_; }
  void SetTimeOut(int value);  // seconds; <= 0 stored as 60
  const std::string& subject() const { return subject_; }
  void Setsubject(const std::string& value);
  const std::vector<TRecipientLine>& Recipients() const { return recipients_; }
  void SetRecipients(std::vector<TRecipientLine> lines);
  const std::vector<std::string>& body() const { return body_; }
  void Setbody(std::vector<std::string> lines);
  const std::string& Dns() const { return dns_; }
  void SetDns(const std::string& value);  // trimmed of blanks and control characters
  const std::string& gateway() const { return gateway_; }
  void Setgateway(const std::string& value);
  const std::string& InternalDns() const { return internalDns_; }
  void SetInternalDns(const std::string& value);
  const std::vector<std::string>& Attachments() const { return attachments_; }
  void SetAttachments(std::vector<std::string> paths);

  // Plain attributes, no busy check.
  std::string Signon;
  std::string From;
  std::string HeaderFrom;
  std::string charSet = "iso-8859-1";
  TContentType ContentType = ctPlainText;
  // The SMTP port of every host (service name or number), and the UDP port of
  // the DNS server: additions so a local sandbox and tests can use
  // unprivileged ports.
  std::string Port = "smtp";
  std::string DnsPort = "53";

  // TLS and authentication, additions whose defaults keep the plain dialogue.
  // DirectTls protects the sessions with mail exchangers (opportunistic: a
  // host whose TLS fails is tried once more without it), GatewayTls those with
  // the relay host (smtpTlsStartTls or smtpTlsImplicit check its certificate
  // and name against the system's trust store and CaFile). With a User every
  // session authenticates to the relay host; Start refuses a User without
  // gateway TLS, and a CaFile that cannot be read.
  TSmtpTls DirectTls = smtpTlsNone;
  TSmtpTls GatewayTls = smtpTlsNone;
  std::string CaFile;
  std::string User;
  std::string Password;
  // How the copies are written (MIME encoding, DKIM signature), handed to
  // every session's client.
  MessageFormat Format;
  // Try the mail exchangers by preference, equal ones in random order
  // (RFC 5321 section 5.1), instead of in the order of the DNS answer.
  bool MxPreferenceOrder = false;

  // Delivery policy, additions whose defaults keep the Parts' one question and
  // one try per recipient. CacheAnswers keeps the run's DNS answers
  // (engine/answer_cache.h) and marks a recipient's answer "(cached)" in its
  // transcript. With Retries above 0 a temporary failure (a 4xx reply, a
  // time-out before the final ".", a DNS server failure) puts the recipient
  // back for another try RetryDelay seconds later, at most Retries times, and
  // raises OnDeferred instead of OnEMailProcessed; the last try's outcome is
  // the one reported. A mail exchanger that greets with 421 is not tried
  // again before the delay has passed. Abort reports every waiting recipient
  // with its last outcome.
  bool CacheAnswers = false;
  int Retries = 0;
  int RetryDelay = 300;
  // With ReuseSessions a connection that delivered a message is kept (RSET
  // instead of QUIT) for the next recipient whose mail goes to the same host,
  // at most MessagesPerSession messages on one connection; a kept connection
  // idle for IdleSeconds, and every kept one when the run ends, is closed with
  // QUIT. Each recipient still gets its own transcript and outcome.
  bool ReuseSessions = false;
  int MessagesPerSession = 100;
  int IdleSeconds = 10;
  // At most DomainConnections recipients of one domain under way at once (0:
  // no limit), so that many connections do not all land on one provider; the
  // others of that domain wait while recipients of other domains go ahead. A
  // connection kept for reuse counts only while it carries a message.
  int DomainConnections = 0;
  // At most DomainPace messages a minute to one domain (0: no pace), so a big
  // mailing does not reach a provider faster than it accepts: the copies of a
  // domain start evenly spaced, the first at once, a retry counting as one.
  // Recipients of a domain not yet due wait while other domains go ahead, and
  // a kept connection carries the next message of its domain only when the
  // domain is due. Abort leaves the waiting ones unsent, as any recipient the
  // run did not reach.
  int DomainPace = 0;
  // Where the system's name servers are read from (sources 2 and 3 of Start).
  SystemDnsPaths SystemDns;

  TSmtpRelayServerAborting OnAborting;
  TSmtpRelayServerProcessed OnEMailProcessed;
  TSmtpRelayServerFinished OnFinished;
  TSmtpRelayServerGetData OnGetData;
  TSmtpRelayServerProcessHeader OnProcessHeader;
  // Raised just before the final "." of a copy goes to the socket, after every
  // body and attachment line: from here on the server may accept the message
  // even if its reply never arrives. At most once per recipient and host
  // tried. A handler that throws stops the copy: the connection is dropped
  // without the ".", nothing is delivered, and the recipient fails.
  TSmtpRelayServerHandingOver OnHandingOver;
  TSmtpRelayServerDeferred OnDeferred;

  // --- run ---
  // Besides the failures of a run that cannot start ("FROM property is empty",
  // "No DNS SERVER Available", a missing attachment), Start refuses a sender
  // address holding a blank, "<", ">" or a control character, a DNS server
  // that is not an address (or a host name that resolves to one; names are
  // resolved here, once), and a call while a run is busy ("Component is
  // busy"). With no recipients the run ends at once: OnFinished follows from
  // the loop as after any run.
  void Start();
  void Abort();

  bool Busy() const { return busy_; }
  bool Aborted() const { return aborted_; }
  const std::vector<std::string>& DnsServers() const { return dnsServers_; }
  int ActiveSessions() const { return activeSessions_; }
  EventLoop& loop() const { return loop_; }

  // Splits a server list at DnsSeparator: the text before each separator is
  // taken as it stands, the rest is trimmed before it is split further.
  static std::vector<std::string> SplitDnsList(const std::string& list);

 private:
  friend class TSmtpThread;

  struct TParked {
    std::string host;
    TSmtpConnection connection;
    int messages = 0;  // delivered on it
    uint32_t since = 0;
  };
  struct TRetry {
    int index = 0;
    int tries = 0;  // made so far
    uint32_t due = 0;
    int code = 0;
    std::vector<std::string> log;
  };
  // When the next copy of one domain may start: `count` copies since `anchor`,
  // spaced 60000 / DomainPace ms apart without rounding drift.
  struct TPace {
    uint32_t anchor = 0;
    uint64_t count = 0;
    uint32_t due = 0;
  };

  void CheckNotBusy() const;
  // Opens up to `count` more sessions, within Connections.
  void StartSessions(std::size_t count);
  // Takes the first retry that is due, of a domain its pace lets go; false when there is none.
  bool TakeDueRetry(TRetry& retry);
  TRetry TakeRetry();
  void Defer(int index, int tries, int code, const std::vector<std::string>& log);
  void ArmRetryTimer();
  void RetryTick();
  // Reports every recipient still waiting for a retry with its last outcome.
  void ReportWaitingRetries();
  bool BackingOff(const std::string& host) const;
  void BackOff(const std::string& host);
  // The index of the next recipient to take, or -1: one of `preferred`'s
  // waiting recipients first (a session that just finished one of that
  // domain), under a pace then one of a waiting domain that fell due, then the
  // next in list order whose domain is free.
  int NextRecipient(const std::string& preferred);
  static std::string DomainKey(const std::string& address);
  std::string RecipientDomain(int index) const;
  void HoldDomain(const std::string& key);
  void ReleaseDomain(const std::string& key);
  // Below its connection limit and due by its pace.
  bool DomainFree(const std::string& key) const;
  bool PaceDue(const std::string& key) const;
  // A copy of the domain starts now.
  void PaceTaken(const std::string& key);
  // Armed for the earliest domain whose waiting recipients (or due retries)
  // only its pace holds back: nothing else would open a session for them.
  void ArmPaceTimer();
  void PaceTick();
  // Retries whose delay has passed and whose domain the pace lets go now.
  std::size_t DueRetries() const;
  // What every session's client is given, however many it makes.
  void ConfigureClient(_TSmtpCli& client) const;
  void Park(const std::string& host, TSmtpConnection connection, int messages);
  // A kept connection to `host` still open; false when there is none.
  bool Unpark(const std::string& host, TParked& parked);
  void CloseParked(TSmtpConnection connection);
  void ArmIdleTimer();
  void IdleTick();
  void CloseAllParked();
  void GatherDnsServers();
  // Replaces every entry of DnsServers by its numeric address, or throws naming it.
  void ResolveDnsServers();
  // Builds the run's TLS context; throws for a user without checked TLS or an unreadable CA file.
  void PrepareTls();
  // No session left: Busy clears and OnFinished follows from the finish timer.
  void RunEnded();
  void WatchdogTick();
  void FinishTick();
  void StopTimers();
  // Called by a session when it is released.
  void SessionReleased(TSmtpThread* session);
  // A session's own memory is freed later, from the loop, once nothing of it is
  // on the call stack any more.
  void Bury(TSmtpThread* session);
  // Frees the sessions of the last run; with `all` false, those still inside a
  // call of their own are left for Bury.
  void ReleaseSessions(bool all);

  EventLoop& loop_;
  int connections_ = 1;
  int timeOut_ = 60;
  std::string subject_;
  std::vector<TRecipientLine> recipients_;
  std::vector<std::string> body_;
  std::string dns_;
  std::string gateway_;
  std::string internalDns_;
  std::vector<std::string> attachments_;

  bool busy_ = false;
  bool aborted_ = false;
  int nextRecipient_ = 0;
  int activeSessions_ = 0;
  std::vector<TSmtpThread*> sessions_;  // slots; emptied, never removed, during a run
  std::vector<std::unique_ptr<TSmtpThread>> owned_;
  std::vector<std::string> dnsServers_;
  std::shared_ptr<TlsContext> tlsContext_;  // the run's, shared by its sessions
  TAnswerCache answers_;
  std::deque<TRetry> retries_;                         // in the order they fall due: the delay is one for all
  std::unordered_map<std::string, uint32_t> backOff_;  // host -> tick its back-off ends
  EventLoop::TimerId retryTimer_ = 0;
  std::vector<TParked> parked_;           // kept connections, oldest first
  std::vector<TSmtpConnection> closing_;  // sent QUIT, freed once closed
  EventLoop::TimerId idleTimer_ = 0;
  std::unordered_map<std::string, int> domainActive_;
  std::unordered_map<std::string, std::deque<int>> domainWaiting_;
  std::unordered_map<std::string, TPace> pace_;
  EventLoop::TimerId paceTimer_ = 0;
  uint32_t paceTimerDue_ = 0;
  EventLoop::TimerId watchdog_ = 0;
  EventLoop::TimerId finishTimer_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace norvane
