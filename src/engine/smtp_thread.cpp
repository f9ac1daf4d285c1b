#include "engine/smtp_thread.h"

#include <arpa/inet.h>

#include <exception>

#include "engine/address_check.h"
#include "engine/answer_cache.h"
#include "engine/dns_query.h"
#include "engine/relay_server.h"
#include "net/host_lookup.h"
#include "net/tls_errors.h"
#include "smtp/reply_reader.h"
#include "smtp/smtp_cli.h"

namespace norvane {

namespace {

constexpr std::size_t kMaxBodyLine = 1021;  // what the client's line buffer holds with CR LF
constexpr std::size_t kMaxDomain = 10000;

// The text of the exception being handled.
std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}

}  // namespace

// Marks a call of the session as running, so that its memory outlives the
// call even when the session ends inside it.
class TSmtpThread::Scope {
 public:
  explicit Scope(TSmtpThread& session) : session_(session) { ++session_.depth_; }
  ~Scope() {
    if (--session_.depth_ == 0 && session_.ended_) session_.server_.Bury(&session_);
  }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  TSmtpThread& session_;
};

void SplitLongLines(std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].size() <= kMaxBodyLine) continue;
    if (i + 1 == lines.size()) lines.emplace_back();
    lines[i + 1].insert(0, lines[i], kMaxBodyLine, std::string::npos);
    lines[i].resize(kMaxBodyLine);
  }
}

TSmtpThread::TSmtpThread(TSmtpRelayServer& server)
    : server_(server),
      resolver_(std::make_unique<_TDnsQuery>(server.loop())),
      lookup_(std::make_unique<HostLookup>(server.loop())),
      gateway_(server.gateway()),
      subject_(server.subject()),
      tls_(gateway_.empty() ? server.DirectTls : server.GatewayTls) {
  lastActivity_ = server_.loop().TickCount();
  ++server_.activeSessions_;
  UseConnection(NewConnection());
  resolver_->SetPort(server_.DnsPort);
  resolver_->OnRequestDone = [this](_TDnsQuery*, uint16_t error) { Guarded([&] { DnsDone(error); }); };
}

TSmtpConnection TSmtpThread::NewConnection() {
  TSmtpConnection connection;
  connection.client = std::make_unique<_TSmtpCli>(server_.loop());
  connection.owner = std::make_shared<TSmtpThread*>(nullptr);
  _TSmtpCli& client = *connection.client;
  server_.ConfigureClient(client);
  // Every event goes through the slot: a parked client reaches no session, and
  // one taken over reaches the session that took it.
  std::shared_ptr<TSmtpThread*> owner = connection.owner;
  client.OnRequestDone = [owner](_TCustomSmtpClient*, TSmtpRequest type, uint16_t error) {
    if (TSmtpThread* s = *owner) s->Guarded([&] { s->RequestDone(type, error); });
  };
  client.OnGetData = [owner](_TCustomSmtpClient*, int lineNum, std::string& msgLine, int, bool& more) {
    TSmtpThread* s = *owner;
    if (!s) return;
    if (lineNum == static_cast<int>(s->body_.size()) + 1) {
      more = false;
    } else if (lineNum >= 1 && lineNum <= static_cast<int>(s->body_.size())) {
      msgLine = s->body_[static_cast<std::size_t>(lineNum - 1)];
    }
  };
  client.OnCommand = [owner](_TCustomSmtpClient*, const std::string& text) {
    TSmtpThread* s = *owner;
    if (!s) return;
    s->Touch();
    if (s->logReplies_) s->Log(text);
  };
  client.OnResponse = [owner](_TCustomSmtpClient*, const std::string& text) {
    TSmtpThread* s = *owner;
    if (!s) return;
    // Only a complete reply to a pending request shows the server alive: a
    // reply dripping out one continuation line at a time, or lines nobody asked
    // for, would otherwise hold the session for ever.
    bool continuation = false;
    SmtpStatusCode(text, continuation);
    const TSmtpState state = s->client_->State();
    if (!continuation && (state == smtpAwaitingReply || state == smtpAwaitingGreeting)) s->Touch();
    if (s->logReplies_) s->Log(text);
    s->logReplies_ = true;
  };
  client.OnSecurity = [owner](_TCustomSmtpClient*, const std::string& text) {
    TSmtpThread* s = *owner;
    if (!s) return;
    s->Touch();
    s->Log(text);
  };
  // Bytes the network took: a large message on a slow link is moving, not stuck.
  client.OnBytesWritten = [owner](_TCustomSmtpClient*, std::size_t) {
    if (TSmtpThread* s = *owner) s->Touch();
  };
  client.OnProcessHeader = [owner](_TCustomSmtpClient*, std::vector<std::string>& lines) {
    TSmtpThread* s = *owner;
    if (!s || !s->server_.OnProcessHeader) return;
    try {
      s->server_.OnProcessHeader(&s->server_, s->recipientIndex_, lines);
    } catch (...) {
      // The client then refuses DATA, which reports the recipient.
      s->Log("Could not prepare the message header: " + CurrentExceptionText());
      throw;
    }
  };
  client.OnBeforeEndOfData = [owner](_TCustomSmtpClient*) {
    TSmtpThread* s = *owner;
    if (!s) return;
    // From here on a silence may hide a delivery: such a try is never repeated.
    s->handedOver_ = true;
    if (!s->server_.OnHandingOver) return;
    try {
      s->server_.OnHandingOver(&s->server_, s->recipientIndex_);
    } catch (...) {
      // The client drops the connection without the final ".", so nothing is delivered.
      s->Log("Could not hand the message over: " + CurrentExceptionText());
      throw;
    }
  };
  return connection;
}

void TSmtpThread::UseConnection(TSmtpConnection connection) {
  client_ = std::move(connection.client);
  owner_ = std::move(connection.owner);
  *owner_ = this;
}

TSmtpConnection TSmtpThread::TakeConnection() {
  *owner_ = nullptr;
  return {std::move(client_), std::move(owner_)};
}

TSmtpThread::~TSmtpThread() {
  // Released without callbacks: nothing of ours may reach the server any more.
  if (owner_) *owner_ = nullptr;
  if (spare_.owner) *spare_.owner = nullptr;
  resolver_->OnRequestDone = nullptr;
  *alive_ = false;
}

void TSmtpThread::Touch() {
  lastActivity_ = server_.loop().TickCount();
}

template <typename Handler>
void TSmtpThread::Guarded(Handler handler) {
  Scope scope(*this);
  const uint64_t turn = turn_;
  try {
    handler();
  } catch (...) {
    Fail(turn, CurrentExceptionText());
  }
}

void TSmtpThread::Fail(uint64_t turn, const std::string& why) {
  // Reported already, or the session moved on: the recipient of the failure
  // has its outcome, and only the failure itself is left to tell.
  if (ended_ || turn != turn_) {
    server_.loop().CallbackFailed(why);
    return;
  }
  try {
    dnsOutstanding_ = false;
    if (!ResetClient()) return;
    Log("Internal error: " + why);
    Report(dataAccepted_ ? kResultDelivered : kResultDataRefused);
    ProcessNext();
  } catch (...) {
    server_.loop().CallbackFailed(CurrentExceptionText());
  }
}

template <typename Request>
bool TSmtpThread::Issue(Request request) {
  requestOutstanding_ = true;
  try {
    request(*client_);
    return true;
  } catch (...) {
    requestOutstanding_ = false;
    return false;
  }
}

void TSmtpThread::ProcessNext() {
  // Called again from inside StartNextRecipient (a recipient that failed at
  // once): the loop below takes it up once the current step has returned.
  if (inProcessNext_) {
    processNextAgain_ = true;
    return;
  }
  Scope scope(*this);
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(inProcessNext_);
  do {
    processNextAgain_ = false;
    StartNextRecipient();
  } while (processNextAgain_ && !ended_);
}

void TSmtpThread::StartNextRecipient() {
  log_.Clear();
  dataAccepted_ = false;
  handedOver_ = false;
  dnsFailed_ = false;
  const Taken taken = server_.aborted_ ? Taken::kNone : TakeRecipient();
  if (taken == Taken::kNone) {
    EndSession();
    return;
  }
  if (taken == Taken::kFailed) {
    Report(kResultDataRefused);
    ProcessNext();
    return;
  }
  if (!IsUsableEnvelopeAddress(recipient_)) {
    Log("Invalid e-mail address: it may not hold blanks, \"<\", \">\" or control characters");
    Report(kResultBadAddress);
    ProcessNext();
    return;
  }
  auto at = recipient_.find('@');
  domain_ = at == std::string::npos ? recipient_ : recipient_.substr(at + 1);
  if (domain_.size() > kMaxDomain) domain_.resize(kMaxDomain);
  // No domain to ask for: only the watchdog moves this recipient on.
  if (domain_.empty()) return;

  if (!gateway_.empty()) {
    Log("Using relay \"" + gateway_ + "\"");
    Touch();
    hosts_.assign(1, gateway_);
    HostsReady();
    return;
  }
  Log("Requesting SMTP servers for this domain (" + domain_ + ")");
  AskDns();
}

void TSmtpThread::AskDns() {
  if (server_.CacheAnswers) {
    const uint32_t now = server_.loop().TickCount();
    if (const TMxAnswer* cached = server_.answers_.FindMx(domain_, now)) {
      Touch();
      TMxAnswer answer = *cached;
      UseAnswer(answer, true);
      return;
    }
    std::weak_ptr<bool> alive = alive_;
    const uint64_t turn = turn_;
    // Another session is asking for this domain: its answer serves this recipient too.
    if (!server_.answers_.BeginQuestion(TAnswerCache::Question::kMx, domain_, [this, alive, turn] {
          if (!alive.lock() || ended_ || turn != turn_) return;
          Guarded([&] { AskDns(); });
        })) {
      return;
    }
    askingFor_ = domain_;
  }
  const std::string& server = server_.dnsServers_.empty() ? std::string() : server_.dnsServers_.front();
  Log("Trying DNS Server \"" + server + "\"");
  Log("Sending DNS Request");
  dnsOutstanding_ = true;
  try {
    resolver_->SetAddr(server);
    resolver_->LookupMx(domain_);
  } catch (const dns::DnsQueryError& error) {
    // A domain that cannot be asked as written has no mail host; saying so now
    // beats letting the recipient wait for the watchdog.
    dnsOutstanding_ = false;
    Log(error.what());
    Report(kResultNoHost);
    ProcessNext();
  } catch (const std::exception&) {
    // Nothing was asked, so nothing will answer: the watchdog reports it.
    dnsOutstanding_ = false;
    EndQuestions();
  }
}

void TSmtpThread::EndQuestions() {
  if (!askingFor_.empty()) {
    std::string domain = std::move(askingFor_);
    askingFor_.clear();
    for (auto& wake : server_.answers_.EndQuestion(TAnswerCache::Question::kMx, domain))
      server_.loop().Post(std::move(wake));
  }
  if (!askingAddress_.empty()) {
    std::string host = std::move(askingAddress_);
    askingAddress_.clear();
    for (auto& wake : server_.answers_.EndQuestion(TAnswerCache::Question::kAddress, host))
      server_.loop().Post(std::move(wake));
  }
}
TSmtpThread::Taken TSmtpThread::TakeRecipient() {
  if (TSmtpRelayServer::TRetry retry; server_.TakeDueRetry(retry)) {
    ++turn_;
    recipientIndex_ = retry.index;
    tries_ = retry.tries;
    Log("Try " + std::to_string(tries_ + 1) + " of " + std::to_string(server_.Retries + 1));
  } else if (const int next = server_.NextRecipient(lastDomain_); next >= 0) {
    ++turn_;
    recipientIndex_ = next;
    tries_ = 0;
  } else {
    return Taken::kNone;
  }
  recipient_ = server_.recipients_[static_cast<std::size_t>(recipientIndex_)].Address;
  heldDomain_ = TSmtpRelayServer::DomainKey(recipient_);
  server_.HoldDomain(heldDomain_);
  body_ = server_.body_;
  std::string headerTo = recipient_;
  std::string subject = subject_;
  if (server_.OnGetData) {
    try {
      server_.OnGetData(&server_, recipientIndex_, headerTo, subject, body_);
    } catch (...) {
      Log("Could not prepare the message: " + CurrentExceptionText());
      return Taken::kFailed;
    }
  }
  headerTo_ = std::move(headerTo);
  headerSubject_ = std::move(subject);
  SplitLongLines(body_);
  return Taken::kTaken;
}

void TSmtpThread::DnsDone(uint16_t error) {
  // A late answer to a query of a recipient already reported is not ours.
  if (!dnsOutstanding_ || ended_) return;
  dnsOutstanding_ = false;
  Touch();
  hosts_.clear();
  if (error != 0) {
    Log("DNS Search error :" + std::to_string(error));
    EndQuestions();
    HostsReady();
    return;
  }
  // RFC 1035 4.1.1: the server could not answer. Said plainly, so that a run
  // that retries asks again later instead of trying the domain as a host.
  if (resolver_->ResponseCode() == 2 && server_.Retries > 0) {
    Log("DNS Search error : the server failed to answer for " + domain_);
    EndQuestions();
    dnsFailed_ = true;
    Report(kResultNoHost);
    ProcessNext();
    return;
  }
  TMxAnswer answer;
  if (resolver_->AnswerCount() != 0) {
    int count = resolver_->AnswerCount();
    answer.foundLine = std::to_string(count) + (count == 1 ? " SMTP Relay found: " : " SMTP Relays found: ");
    for (int i = 0; i < count; ++i) {
      if (resolver_->AnswerSlot(i) >= 0 && resolver_->AnswerType(i) == 15) {
        std::string host = resolver_->MxExchange(resolver_->AnswerSlot(i));
        // The root name "." marks a null MX (below); it is no host to connect to.
        if (!host.empty())
          answer.hosts.push_back(
              {host, static_cast<uint16_t>(resolver_->MxPreference(resolver_->AnswerSlot(i)))});
        answer.foundLine += host + " ";
      }
    }
    answer.nullMx = resolver_->NullMx();
  }
  if (askingFor_ == domain_) {
    const bool positive = answer.nullMx || !answer.hosts.empty();
    server_.answers_.StoreMx(domain_, answer,
                             positive ? resolver_->AnswerTtl() : TAnswerCache::kNegativeSeconds,
                             server_.loop().TickCount());
  }
  EndQuestions();
  UseAnswer(answer, false);
}

void TSmtpThread::UseAnswer(TMxAnswer& answer, bool cached) {
  hosts_.clear();
  if (!answer.foundLine.empty()) {
    // The line ends with a blank already.
    Log(answer.foundLine + (cached ? "(cached)" : ""));
    if (answer.nullMx) {
      Log("Null MX: " + domain_ + " accepts no mail (RFC 7505)");
      Report(kResultNullMx);
      ProcessNext();
      return;
    }
    if (server_.MxPreferenceOrder && answer.hosts.size() > 1) {
      dns::SortByPreference(answer.hosts);
      std::string order = "In order of preference:";
      for (const dns::MxHost& host : answer.hosts)
        order += " " + host.name + " (" + std::to_string(host.preference) + ")";
      Log(order);
    }
    for (dns::MxHost& host : answer.hosts) hosts_.push_back(std::move(host.name));
  } else {
    Log("No SMTP Relays found. Trying \"" + domain_ + "\"" + (cached ? " (cached)" : ""));
    hosts_.assign(1, domain_);
  }
  HostsReady();
}

void TSmtpThread::HostsReady() {
  if (server_.aborted_) {
    Log("Aborted");
    Report(kResultAborted);
    EndSession();
    return;
  }
  if (hosts_.empty()) {
    Report(kResultNoHost);
    ProcessNext();
    return;
  }
  hostIndex_ = 0;
  withoutTls_ = false;
  ConnectHost();
}

void TSmtpThread::ConnectHost() {
  lastCode_ = 0;
  greeted421_ = false;
  parking_ = false;
  logReplies_ = true;
  firstError_ = 0;
  if (!ResetClient()) return;
  // A host that answered 421 is left alone until its back-off ends.
  while (server_.BackingOff(hosts_[static_cast<std::size_t>(hostIndex_)])) {
    Log("Skipping \"" + hosts_[static_cast<std::size_t>(hostIndex_)] +
        "\": it answered 421 and is left alone until its back-off ends");
    lastCode_ = 421;
    if (++hostIndex_ >= static_cast<int>(hosts_.size())) {
      Report(lastCode_);
      ProcessNext();
      return;
    }
  }
  const std::string& host = hosts_[static_cast<std::size_t>(hostIndex_)];
  Log("Trying SMTP host \"" + host + "\"");
  if (server_.ReuseSessions && !withoutTls_) {
    TSmtpRelayServer::TParked parked;
    if (server_.Unpark(host, parked)) {
      // The client just reset is kept: it may be the one whose callback is running.
      spare_ = TakeConnection();
      UseConnection(std::move(parked.connection));
      messagesOnConnection_ = parked.messages;
      reused_ = true;
      Log("Reusing the open connection (message " + std::to_string(parked.messages + 1) + " on it)");
      ApplyRecipient();
      if (!Issue([](_TSmtpCli& c) { c.MailFrom(); })) {
        Report(kResultMailFromRefused);
        ProcessNext();
      }
      return;
    }
  }
  client_->SetTls(withoutTls_ ? smtpTlsNone : tls_, server_.tlsContext_);
  in_addr numeric{};
  // A relay's name is what its certificate is checked against: it is looked up as given.
  if (!server_.CacheAnswers || !gateway_.empty() || inet_pton(AF_INET, host.c_str(), &numeric) == 1) {
    OpenConnection(host);
    return;
  }
  ResolveAndOpen(host);
}

void TSmtpThread::ResolveAndOpen(const std::string& host) {
  if (const std::vector<std::string>* cached =
          server_.answers_.FindAddresses(host, server_.loop().TickCount())) {
    Log("Address of \"" + host + "\": " + cached->front() + " (cached)");
    OpenConnection(cached->front());
    return;
  }
  std::weak_ptr<bool> alive = alive_;
  const uint64_t turn = turn_;
  if (!server_.answers_.BeginQuestion(TAnswerCache::Question::kAddress, host, [this, alive, turn, host] {
        if (!alive.lock() || ended_ || turn != turn_) return;
        Guarded([&] { ResolveAndOpen(host); });
      })) {
    return;
  }
  askingAddress_ = host;
  const int error = lookup_->StartByName(host, [this, alive, turn, host](const HostLookupResult& result) {
    if (!alive.lock() || ended_ || turn != turn_) return;
    Guarded([&] {
      if (result.error == 0)
        server_.answers_.StoreAddresses(host, result.addresses, result.ttl, server_.loop().TickCount());
      EndQuestions();
      if (result.error != 0) {
        // The client's own lookup meets the same failure and reports it as the Parts do.
        OpenConnection(host);
        return;
      }
      Log("Address of \"" + host + "\": " + result.addresses.front());
      OpenConnection(result.addresses.front());
    });
  });
  if (error != 0) {
    EndQuestions();
    OpenConnection(host);
  }
}

void TSmtpThread::ApplyRecipient() {
  client_->SetHdrTo(headerTo_);
  client_->SetHdrSubject(headerSubject_);
  client_->SetRcptName({recipient_});
}

bool TSmtpThread::CanPark() const {
  return server_.ReuseSessions && !server_.aborted_ && client_->Connected() && abandonedCompletions_ == 0 &&
         messagesOnConnection_ < server_.MessagesPerSession;
}

void TSmtpThread::Park() {
  server_.Park(hosts_[static_cast<std::size_t>(hostIndex_)], TakeConnection(), messagesOnConnection_);
  UseConnection(spare_.client ? std::move(spare_) : NewConnection());
  spare_ = {};
  messagesOnConnection_ = 0;
  reused_ = false;
}

void TSmtpThread::OpenConnection(const std::string& address) {
  Touch();
  messagesOnConnection_ = 0;
  reused_ = false;
  ApplyRecipient();
  client_->SetHost(address);
  Log("Opening Connection");
  if (!Issue([](_TSmtpCli& c) { c.OpenSession(); })) {
    Report(kResultOpenRefused);
    ProcessNext();
  }
}

void TSmtpThread::RequestDone(TSmtpRequest type, uint16_t error) {
  if (abandonedCompletions_ > 0) {
    --abandonedCompletions_;
    return;
  }
  if (!requestOutstanding_ || ended_) return;
  requestOutstanding_ = false;
  Touch();
  lastCode_ = error;
  const bool aborted = server_.aborted_;
  if (parking_) {
    parking_ = false;
    if (type == smtpRset && error == 0) {
      Park();
      if (dataAccepted_) {
        Report(kResultDelivered);
        ProcessNext();
      } else {
        // As after QUIT: the next host, or the first error as the outcome.
        lastCode_ = firstError_;
        NextHost();
      }
      return;
    }
  }
  // A server may close a connection while it waits: the first command on it then fails without a
  // reply, and a new connection to the same host is the way on.
  if (error != 0 && reused_ && type == smtpMailFrom && !client_->Connected()) {
    reused_ = false;
    Log("The reused connection was closed by the server; opening a new one");
    ConnectHost();
    return;
  }
  reused_ = false;
  if (dataAccepted_) {
    // QUIT (or the connection) failed after the server took the message:
    // delivered all the same, and not to be sent anywhere again.
    Report(kResultDelivered);
    ProcessNext();
    return;
  }

  if (error != 0) {
    // RFC 5321 3.8: a server that greets with 421 wants no sessions for now.
    // A greeting other than 220 ends the connection; its code is in the client's last reply.
    if (type == smtpConnect && error == 10004 && client_->StatusCode() == 421 && server_.Retries > 0) {
      server_.BackOff(hosts_[static_cast<std::size_t>(hostIndex_)]);
      greeted421_ = true;
    }
    if (firstError_ == 0) {
      firstError_ = error;
      QuitOrNextHost();
    } else if (aborted) {
      Report(kResultAborted);
      ProcessNext();
    } else {
      NextHost();
    }
    return;
  }

  auto next = [this](auto request, int refusedCode) {
    if (!Issue(request)) {
      Report(dataAccepted_ ? kResultDelivered : refusedCode);
      ProcessNext();
    }
  };
  switch (type) {
    case smtpConnect:
      if (aborted)
        QuitOrNextHost();
      else
        next([](_TSmtpCli& c) { c.MailFrom(); }, kResultMailFromRefused);
      break;
    case smtpMailFrom:
      if (aborted)
        QuitOrNextHost();
      else
        next([](_TSmtpCli& c) { c.RcptTo(); }, kResultRcptRefused);
      break;
    case smtpRcptTo:
      if (aborted)
        QuitOrNextHost();
      else
        next([](_TSmtpCli& c) { c.Data(); }, kResultDataRefused);
      break;
    case smtpData:
      dataAccepted_ = true;
      ++messagesOnConnection_;
      // RSET, not QUIT, when the connection is to serve the next message (RFC 5321 4.1.1.5).
      parking_ = CanPark();
      if (parking_)
        next([](_TSmtpCli& c) { c.Rset(); }, kResultQuitRefused);
      else
        next([](_TSmtpCli& c) { c.Quit(); }, kResultQuitRefused);
      break;
    case smtpRset:
      next([](_TSmtpCli& c) { c.Quit(); }, kResultQuitRefused);
      break;
    case smtpQuit:
      if (aborted) {
        Report(kResultAborted);
        ProcessNext();
      } else if (firstError_ == 0) {
        Report(kResultDelivered);
        ProcessNext();
      } else {
        lastCode_ = firstError_;
        NextHost();
      }
      break;
    default:
      break;
  }
}

void TSmtpThread::QuitOrNextHost() {
  if (!client_->Connected()) {
    NextHost();
    return;
  }
  logReplies_ = false;
  // A refusal by the server leaves the connection fit for the next recipient.
  parking_ = firstError_ >= 400 && firstError_ <= 599 && CanPark();
  if (Issue([](_TSmtpCli& c) { c.Rset(); })) return;
  parking_ = false;
  if (Issue([](_TSmtpCli& c) { c.Quit(); })) return;
  Report(kResultQuitRefused);
  ProcessNext();
}

bool TSmtpThread::RetryWithoutTls() {
  if (tls_ != smtpTlsOpportunistic || withoutTls_) return false;
  const bool tlsFailed = lastCode_ == kTlsHandshakeFailed || lastCode_ == kTlsProtocolError ||
                         lastCode_ == kSmtpStartTlsInjection;
  if (!tlsFailed) return false;
  withoutTls_ = true;
  Log("Trying the same host again without TLS");
  return true;
}

void TSmtpThread::NextHost() {
  if (!ResetClient()) return;
  if (RetryWithoutTls()) {
    ConnectHost();
    return;
  }
  withoutTls_ = false;
  // What the host said, not how the dialogue with it ended, decides whether to try again later.
  if (greeted421_) lastCode_ = 421;
  ++hostIndex_;
  if (hostIndex_ < static_cast<int>(hosts_.size())) {
    ConnectHost();
  } else {
    Report(lastCode_);
    ProcessNext();
  }
}

bool TSmtpThread::ResetClient() {
  const uint64_t turn = turn_;
  // The client still completes a request we abandon; that completion must not
  // reach the dialogue driver, however late it comes.
  if (requestOutstanding_) {
    requestOutstanding_ = false;
    ++abandonedCompletions_;
  }
  lookup_->Cancel();
  EndQuestions();
  try {
    client_->Abort();
    EventLoop& loop = server_.loop();
    while (!ended_ && turn == turn_ && (client_->Connected() || client_->State() != smtpReady)) {
      loop.ProcessMessages();
      if (client_->Connected() || client_->State() != smtpReady) loop.RunOnce(10);
    }
  } catch (...) {
  }
  return !ended_ && turn == turn_;
}

void TSmtpThread::Cancel(bool timedOut) {
  Scope scope(*this);
  if (ended_) return;
  try {
    dnsOutstanding_ = false;
    if (!ResetClient()) return;
    // Cancelled while QUIT was pending: the message was taken all the same.
    if (timedOut) {
      Log("Connection time-out");
      Report(dataAccepted_ ? kResultDelivered : kResultTimeOut);
      ProcessNext();
    } else {
      Log("User Abort");
      Report(dataAccepted_ ? kResultDelivered : kResultAborted);
      EndSession();
    }
  } catch (...) {
  }
}

bool TSmtpThread::Temporary(int code) const {
  if (code >= 400 && code <= 499) return true;
  // A time-out after the final "." may hide a delivery: sending again could duplicate it.
  if (code == kResultTimeOut) return !handedOver_;
  return code == kResultNoHost && dnsFailed_;
}

void TSmtpThread::ReleaseDomain() {
  if (heldDomain_.empty()) return;
  server_.ReleaseDomain(heldDomain_);
  lastDomain_ = std::move(heldDomain_);
  heldDomain_.clear();
}

void TSmtpThread::Report(int code) {
  ++turn_;
  dnsOutstanding_ = false;
  EndQuestions();
  ReleaseDomain();
  if (!server_.aborted_ && tries_ < server_.Retries && Temporary(code)) {
    server_.Defer(recipientIndex_, tries_ + 1, code, log_.Lines());
    return;
  }
  if (!server_.OnEMailProcessed) return;
  try {
    server_.OnEMailProcessed(&server_, recipientIndex_, code, log_.Lines());
  } catch (...) {
    // The recipient is reported; the owner's failure in taking the report is
    // no reason to report it again or to stop the run.
    server_.loop().CallbackFailed(CurrentExceptionText());
  }
}

void TSmtpThread::EndSession() {
  if (ended_) return;
  ended_ = true;
  ++turn_;
  dnsOutstanding_ = false;
  EndQuestions();
  ReleaseDomain();
  lookup_->Cancel();
  // Close the connection now; the memory goes once no call of ours is running.
  try {
    client_->Abort();
  } catch (const std::exception&) {
  }
  server_.SessionReleased(this);
}

}  // namespace norvane
