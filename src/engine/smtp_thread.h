// One delivery session of the relay server: a state machine on the event loop
// (not an operating-system thread) that takes recipients one at a time, finds
// each domain's mail exchangers, runs the SMTP dialogue with them in answer
// order and reports exactly one outcome per recipient.
//
// Two hazards shape it:
// - Results of abandoned work. After ResetClient aborts the client, the
//   client still completes the abandoned request (with 10004), possibly after
//   the next request has been issued; a count of completions still owed by
//   abandoned requests drops them. DNS answers count only while a query of the
//   current recipient is outstanding.
// - Release from inside its own callbacks or nested dispatch. The visible
//   effects of ending (slot emptied, counters, OnAborting, finish timer)
//   happen at once; the memory is freed from the loop once no call of the
//   session is on the stack, and every step that dispatched events checks
//   afterwards whether the session was moved on meanwhile.
//
// Rules beyond the plain dialogue:
// - A recipient that fails at once (an address that would change the
//   envelope, a domain that cannot be asked, an owner's callback that throws)
//   asks for the next one from inside ProcessNext; that request is run by the
//   loop in ProcessNext, not by recursion, so any number of them in a row
//   leaves the stack flat.
// - Signs of life are the final line of a reply to a pending request, bytes
//   the socket hands to the network, commands sent and requests completed.
//   Continuation lines are not: a reply must be complete within the time-out.
// - Once the server accepted the message text with 250, the outcome is 0,
//   whatever QUIT, the connection or the watchdog do next: anything else
//   would send the message again on the next attempt.
// - An exception from an owner's callback fails that recipient (reported
//   once, with a transcript line saying why) and the session goes on.
// - With opportunistic TLS, a host whose TLS handshake fails is tried once
//   more without TLS before the next host: encryption that breaks must not
//   cost a delivery that plain text would make (RFC 7435).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/transcript.h"
#include "smtp/custom_smtp_client.h"

namespace norvane {

class TSmtpRelayServer;
class TSmtpThread;
class _TSmtpCli;
class _TDnsQuery;
class HostLookup;
struct TMxAnswer;

// A client with the slot its callbacks reach their session through: while the
// client is parked between sessions the slot is empty and its events go
// nowhere; the session that takes it over fills the slot.
struct TSmtpConnection {
  std::unique_ptr<_TSmtpCli> client;
  std::shared_ptr<TSmtpThread*> owner;
};

class TSmtpThread {
 public:
  explicit TSmtpThread(TSmtpRelayServer& server);
  ~TSmtpThread();
  TSmtpThread(const TSmtpThread&) = delete;
  TSmtpThread& operator=(const TSmtpThread&) = delete;

  _TSmtpCli& Client() { return *client_; }
  void StartSession() { ProcessNext(); }
  void Cancel(bool timedOut);

  uint32_t LastActivity() const { return lastActivity_; }
  int RecipientIndex() const { return recipientIndex_; }
  bool Ended() const { return ended_; }
  // Nobody is inside a call of this session: it may be freed.
  bool Idle() const { return depth_ == 0; }

 private:
  class Scope;

  enum class Taken { kNone, kTaken, kFailed };

  // Moves on to the next recipient (runs StartNextRecipient until one is under way).
  void ProcessNext();
  void StartNextRecipient();
  Taken TakeRecipient();
  // Finds the domain's mail exchangers: from the run's answers, by waiting for
  // another session's question, or by asking.
  void AskDns();
  void DnsDone(uint16_t error);
  void UseAnswer(TMxAnswer& answer, bool cached);
  // This session's questions ended (answered or not): their waiters wake.
  void EndQuestions();
  void HostsReady();
  void ConnectHost();
  // The host's address from the run's answers, another session's lookup or a lookup of its own.
  void ResolveAndOpen(const std::string& host);
  void OpenConnection(const std::string& address);
  // The recipient's envelope and header texts, on whichever client serves it.
  void ApplyRecipient();
  TSmtpConnection NewConnection();
  void UseConnection(TSmtpConnection connection);
  TSmtpConnection TakeConnection();
  // The connection may serve another message after RSET (ReuseSessions).
  bool CanPark() const;
  // Hands the connection to the server's pool and takes a fresh client.
  void Park();
  // A failure worth another try later, when the run retries.
  bool Temporary(int code) const;
  void RequestDone(TSmtpRequest type, uint16_t error);
  void QuitOrNextHost();
  void NextHost();
  // The current host failed in its TLS: true when it is worth one more try without.
  bool RetryWithoutTls();
  // Returns false when the session was moved on (another recipient taken, or
  // ended) while the client was being reset.
  bool ResetClient();
  void Report(int code);
  // The recipient's domain no longer counts against its limit.
  void ReleaseDomain();
  void EndSession();
  void Touch();
  void Log(std::string line) { log_.Add(std::move(line)); }
  // Runs a handler of a client or resolver notification; an exception that
  // escapes it fails the current recipient, if it is still the one of `turn`.
  template <typename Handler>
  void Guarded(Handler handler);
  void Fail(uint64_t turn, const std::string& why);

  // Issues a client request; returns false when the client refused it.
  template <typename Request>
  bool Issue(Request request);

  TSmtpRelayServer& server_;
  std::unique_ptr<_TSmtpCli> client_;
  std::shared_ptr<TSmtpThread*> owner_;  // the slot of client_'s callbacks
  TSmtpConnection spare_;                // an unconnected client kept for the next Park
  int messagesOnConnection_ = 0;         // delivered on the current connection
  bool reused_ = false;                  // the connection came from the pool, no command sent on it yet
  bool parking_ = false;                 // the RSET under way is to keep the connection
  std::string headerTo_;
  std::string headerSubject_;
  std::string heldDomain_;  // the current recipient's domain, counted against its limit
  std::string lastDomain_;  // of the recipient before: its waiting ones go first
  std::unique_ptr<_TDnsQuery> resolver_;
  std::unique_ptr<HostLookup> lookup_;  // mail exchangers' addresses, when answers are cached
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::string askingFor_;      // the domain this session asks the DNS server for, for others too
  std::string askingAddress_;  // the host whose address this session looks up, for others too
  std::string gateway_;
  std::string subject_;
  TSmtpTls tls_ = smtpTlsNone;
  bool withoutTls_ = false;  // the current host is being tried again without TLS

  Transcript log_;
  bool logReplies_ = false;
  int recipientIndex_ = 0;
  std::string recipient_;
  std::string domain_;
  std::vector<std::string> body_;
  std::vector<std::string> hosts_;
  int hostIndex_ = 0;
  uint16_t firstError_ = 0;
  uint16_t lastCode_ = 0;
  uint32_t lastActivity_ = 0;

  uint64_t turn_ = 0;  // advances with every recipient taken and at the end
  bool requestOutstanding_ = false;
  int abandonedCompletions_ = 0;
  bool dnsOutstanding_ = false;
  bool dataAccepted_ = false;  // the current host took the message text with 250
  bool handedOver_ = false;    // the final "." of this try went out
  bool dnsFailed_ = false;     // the DNS server failed to answer (SERVFAIL)
  bool greeted421_ = false;    // the current host greeted with 421 (a run that retries)
  int tries_ = 0;              // of this recipient before the current one
  bool ended_ = false;
  int depth_ = 0;
  bool inProcessNext_ = false;
  bool processNextAgain_ = false;
};

// Cuts body lines longer than 1021 characters, carrying the rest to the front
// of the next line (a new last line when needed).
void SplitLongLines(std::vector<std::string>& lines);

}  // namespace norvane
