#include "engine/relay_server.h"

#include <arpa/inet.h>

#include <algorithm>
#include <exception>

#include "engine/address_check.h"
#include "engine/smtp_thread.h"
#include "net/custom_wsocket.h"
#include "net/tls_context.h"
#include "smtp/smtp_cli.h"

namespace norvane {

namespace {

// Leading and trailing blanks and control characters removed.
std::string TrimList(const std::string& text) {
  auto isSpace = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  auto begin = std::find_if_not(text.begin(), text.end(), isSpace);
  auto end = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(begin), isSpace).base();
  return std::string(begin, end);
}

constexpr uint32_t kFinishDelayMs = 100;

std::string HostKey(const std::string& host) {
  std::string key = host;
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return key;
}

// A host name as a resolver takes one: letters, digits, "-" and ".". Anything
// else ("1.2.3.4,5.6.7.8", a path, a URL) is a mistake, not a name to look up.
bool LooksLikeHostName(const std::string& text) {
  if (text.empty() || text.size() > 253) return false;
  for (char c : text) {
    const bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    if (!ok) return false;
  }
  return true;
}

// The numeric address of one DNS server setting, or an error naming it. The
// sessions send their queries to this address; a name left for them would be
// looked up, blocking the loop, once per query.
std::string NumericDnsServer(const std::string& server) {
  const std::string problem = "DNS server \"" + server + "\" is not a usable address";
  if (!LooksLikeHostName(server)) {
    throw TSmtpRelayServerException(problem + " (give one IPv4 address or host name, several separated by " +
                                    "blanks)");
  }
  uint32_t address = 0;
  try {
    address = WSocketResolveHost(server);
  } catch (const ESocketException&) {
    throw TSmtpRelayServerException(problem + " (it does not resolve to an IPv4 address)");
  }
  if (address == INADDR_NONE || address == INADDR_ANY) throw TSmtpRelayServerException(problem);
  char text[INET_ADDRSTRLEN] = {};
  in_addr a{};
  a.s_addr = address;
  inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

}  // namespace

TSmtpRelayServer::TSmtpRelayServer(EventLoop& loop) : loop_(loop) {}

TSmtpRelayServer::~TSmtpRelayServer() {
  *alive_ = false;
  StopTimers();
  CloseAllParked();
  closing_.clear();
  ReleaseSessions(true);
}

void TSmtpRelayServer::CheckNotBusy() const {
  if (busy_) throw TSmtpRelayServerException("Component is busy");
}

void TSmtpRelayServer::SetConnections(int value) {
  CheckNotBusy();
  connections_ = value <= 0 ? 1 : value;
}

void TSmtpRelayServer::SetTimeOut(int value) {
  CheckNotBusy();
  timeOut_ = value <= 0 ? 60 : value;
}

void TSmtpRelayServer::Setsubject(const std::string& value) {
  CheckNotBusy();
  subject_ = value;
}

void TSmtpRelayServer::SetRecipients(std::vector<TRecipientLine> lines) {
  CheckNotBusy();
  recipients_ = std::move(lines);
}

void TSmtpRelayServer::Setbody(std::vector<std::string> lines) {
  CheckNotBusy();
  body_ = std::move(lines);
}

void TSmtpRelayServer::SetDns(const std::string& value) {
  CheckNotBusy();
  dns_ = TrimList(value);
}

void TSmtpRelayServer::Setgateway(const std::string& value) {
  CheckNotBusy();
  gateway_ = TrimList(value);
}

void TSmtpRelayServer::SetInternalDns(const std::string& value) {
  CheckNotBusy();
  internalDns_ = TrimList(value);
}

void TSmtpRelayServer::SetAttachments(std::vector<std::string> paths) {
  CheckNotBusy();
  attachments_ = std::move(paths);
}

std::vector<std::string> TSmtpRelayServer::SplitDnsList(const std::string& list) {
  std::vector<std::string> entries;
  std::string rest = list;
  while (!rest.empty()) {
    auto separator = rest.find(DnsSeparator);
    if (separator == std::string::npos) {
      entries.push_back(rest);
      break;
    }
    entries.push_back(rest.substr(0, separator));
    std::string after = rest.substr(separator + 1);
    auto isBlank = [](char c) { return c == ' '; };
    auto begin = std::find_if_not(after.begin(), after.end(), isBlank);
    auto end = std::find_if_not(after.rbegin(), std::string::reverse_iterator(begin), isBlank).base();
    rest.assign(begin, end);
  }
  return entries;
}

void TSmtpRelayServer::GatherDnsServers() {
  dnsServers_.clear();
  if (!dns_.empty()) {
    dnsServers_ = SplitDnsList(dns_);
  } else {
    for (const std::string& source :
         {TransientNameServer(SystemDns), ParametersNameServer(SystemDns), internalDns_}) {
      dnsServers_ = SplitDnsList(TrimList(source));
      if (!dnsServers_.empty()) break;
    }
  }
  if (dnsServers_.empty() && gateway_.empty()) throw TSmtpRelayServerException("No DNS SERVER Available");
}

void TSmtpRelayServer::ResolveDnsServers() {
  for (std::string& server : dnsServers_) server = NumericDnsServer(server);
  if (dnsServers_.empty()) return;
  try {
    WSocketResolvePort(DnsPort, "udp");
  } catch (const ESocketException&) {
    throw TSmtpRelayServerException("DNS port \"" + DnsPort + "\" is not a usable port");
  }
}

void TSmtpRelayServer::PrepareTls() {
  tlsContext_.reset();
  const TSmtpTls tls = gateway_.empty() ? DirectTls : GatewayTls;
  if (!gateway_.empty() && !User.empty() && (tls == smtpTlsNone || tls == smtpTlsOpportunistic)) {
    throw TSmtpRelayServerException(
        "A user name for the relay host needs checked TLS (STARTTLS or TLS from the "
        "first byte): the password is never sent unprotected");
  }
  if (tls == smtpTlsNone) return;
  try {
    tlsContext_ = TlsContext::Client(tls != smtpTlsOpportunistic, CaFile);
  } catch (const TlsSetupError& error) {
    throw TSmtpRelayServerException(error.what());
  }
}

void TSmtpRelayServer::Start() {
  // A second run would take over the sessions of the one still going.
  CheckNotBusy();
  if (From.empty()) throw TSmtpRelayServerException("FROM property is empty");
  if (!IsUsableEnvelopeAddress(From)) {
    throw TSmtpRelayServerException("Invalid sender address \"" + PrintableAddress(From) +
                                    "\": it may not hold blanks, \"<\", \">\" or control characters");
  }
  busy_ = true;
  aborted_ = false;
  StopTimers();
  std::weak_ptr<bool> alive = alive_;
  watchdog_ = loop_.AddTimer(
      static_cast<uint32_t>(timeOut_) * 1000u,
      [this, alive] {
        if (alive.lock()) WatchdogTick();
      },
      true);
  activeSessions_ = 0;
  try {
    GatherDnsServers();
    ResolveDnsServers();
    PrepareTls();
    ReleaseSessions(false);
    nextRecipient_ = 0;
    answers_.Clear();
    domainActive_.clear();
    domainWaiting_.clear();
    pace_.clear();
    retries_.clear();
    backOff_.clear();
    CloseAllParked();
    closing_.clear();
    StartSessions(recipients_.size());
  } catch (...) {
    busy_ = false;
    StopTimers();
    ReleaseSessions(false);
    activeSessions_ = 0;
    throw;
  }
  if (recipients_.empty()) RunEnded();
}

void TSmtpRelayServer::StartSessions(std::size_t count) {
  count = std::min(count, static_cast<std::size_t>(std::max(connections_ - activeSessions_, 0)));
  for (std::size_t i = 0; i < count; ++i) {
    owned_.push_back(std::make_unique<TSmtpThread>(*this));
    TSmtpThread& session = *owned_.back();
    sessions_.push_back(&session);
    session.StartSession();
  }
}

std::string TSmtpRelayServer::DomainKey(const std::string& address) {
  const std::size_t at = address.rfind('@');
  return HostKey(at == std::string::npos ? address : address.substr(at + 1));
}

void TSmtpRelayServer::HoldDomain(const std::string& key) {
  if (DomainConnections > 0) ++domainActive_[key];
}

void TSmtpRelayServer::ReleaseDomain(const std::string& key) {
  if (DomainConnections <= 0) return;
  auto found = domainActive_.find(key);
  if (found != domainActive_.end() && --found->second <= 0) domainActive_.erase(found);
}

std::string TSmtpRelayServer::RecipientDomain(int index) const {
  return DomainKey(recipients_[static_cast<std::size_t>(index)].Address);
}

bool TSmtpRelayServer::DomainFree(const std::string& key) const {
  if (!PaceDue(key)) return false;
  if (DomainConnections <= 0) return true;
  auto active = domainActive_.find(key);
  return active == domainActive_.end() || active->second < DomainConnections;
}

bool TSmtpRelayServer::PaceDue(const std::string& key) const {
  if (DomainPace <= 0) return true;
  auto found = pace_.find(key);
  return found == pace_.end() || static_cast<int32_t>(loop_.TickCount() - found->second.due) >= 0;
}

void TSmtpRelayServer::PaceTaken(const std::string& key) {
  if (DomainPace <= 0) return;
  const uint32_t now = loop_.TickCount();
  TPace& pace = pace_[key];
  // A domain that was idle past its due time starts a fresh series: the spacing
  // limits how close copies start, it is no credit for time gone unused.
  if (pace.count == 0 || static_cast<int32_t>(now - pace.due) > 0) {
    pace.anchor = now;
    pace.count = 0;
  }
  ++pace.count;
  const uint64_t perMinute = static_cast<uint64_t>(DomainPace);
  pace.due = pace.anchor + static_cast<uint32_t>((pace.count * 60000u + perMinute - 1) / perMinute);
}

int TSmtpRelayServer::NextRecipient(const std::string& preferred) {
  const int total = static_cast<int>(recipients_.size());
  if (DomainConnections <= 0 && DomainPace <= 0) return nextRecipient_ < total ? nextRecipient_++ : -1;
  auto takeWaiting = [this](std::unordered_map<std::string, std::deque<int>>::iterator waiting) {
    const int index = waiting->second.front();
    PaceTaken(waiting->first);
    waiting->second.pop_front();
    if (waiting->second.empty()) domainWaiting_.erase(waiting);
    ArmPaceTimer();
    return index;
  };
  if (!preferred.empty()) {
    auto waiting = domainWaiting_.find(preferred);
    if (waiting != domainWaiting_.end() && DomainFree(preferred)) return takeWaiting(waiting);
  }
  // Fresh recipients of other domains would keep a domain that fell due waiting until the list is through.
  if (DomainPace > 0) {
    for (auto waiting = domainWaiting_.begin(); waiting != domainWaiting_.end(); ++waiting)
      if (DomainFree(waiting->first)) return takeWaiting(waiting);
  }
  while (nextRecipient_ < total) {
    const int index = nextRecipient_++;
    const std::string key = RecipientDomain(index);
    if (DomainFree(key)) {
      PaceTaken(key);
      ArmPaceTimer();
      return index;
    }
    domainWaiting_[key].push_back(index);
  }
  for (auto waiting = domainWaiting_.begin(); waiting != domainWaiting_.end(); ++waiting)
    if (DomainFree(waiting->first)) return takeWaiting(waiting);
  ArmPaceTimer();
  return -1;
}

void TSmtpRelayServer::ArmPaceTimer() {
  if (DomainPace <= 0 || !busy_ || aborted_) return;
  const uint32_t now = loop_.TickCount();
  bool found = false;
  uint32_t earliest = 0;
  auto consider = [&](const std::string& key) {
    auto pace = pace_.find(key);
    uint32_t due = pace == pace_.end() ? now : pace->second.due;
    if (static_cast<int32_t>(due - now) <= 0) {
      // Due now: a session that ends takes it, but with none left at work the timer must.
      if (activeSessions_ > 0) return;
      due = now;
    }
    if (!found || static_cast<int32_t>(due - earliest) < 0) earliest = due;
    found = true;
  };
  for (const auto& waiting : domainWaiting_) consider(waiting.first);
  for (const TRetry& retry : retries_) {
    if (static_cast<int32_t>(now - retry.due) < 0) break;
    consider(RecipientDomain(retry.index));
  }
  if (!found) return;
  if (paceTimer_ != 0) {
    if (static_cast<int32_t>(earliest - paceTimerDue_) >= 0) return;
    loop_.CancelTimer(paceTimer_);
  }
  paceTimerDue_ = earliest;
  std::weak_ptr<bool> alive = alive_;
  paceTimer_ = loop_.AddTimer(earliest - now, [this, alive] {
    if (alive.lock()) PaceTick();
  });
}

void TSmtpRelayServer::PaceTick() {
  paceTimer_ = 0;
  if (!busy_ || aborted_) return;
  std::size_t due = DueRetries();
  for (const auto& waiting : domainWaiting_)
    if (DomainFree(waiting.first)) ++due;
  StartSessions(due);
  ArmPaceTimer();
}

std::size_t TSmtpRelayServer::DueRetries() const {
  std::size_t due = 0;
  const uint32_t now = loop_.TickCount();
  for (const TRetry& retry : retries_) {
    if (static_cast<int32_t>(now - retry.due) < 0) break;
    if (PaceDue(RecipientDomain(retry.index))) ++due;
  }
  return due;
}

void TSmtpRelayServer::ConfigureClient(_TSmtpCli& client) const {
  client.SetContentType(ContentType == ctHTML ? smtpHTML : smtpPlainText);
  client.SetPort(Port);
  if (!gateway_.empty()) client.SetAuth(User, Password);
  client.SetSignOn(Signon);
  client.SetFromName(From);
  client.SetHdrFrom(HeaderFrom);
  client.SetCharSet(charSet);
  client.SetEmailFiles(attachments_);
  client.SetFormat(Format);
}

void TSmtpRelayServer::Park(const std::string& host, TSmtpConnection connection, int messages) {
  // No more kept connections than sessions: a pool that outgrew them would only hold sockets open.
  if (parked_.size() >= static_cast<std::size_t>(connections_)) {
    CloseParked(std::move(parked_.front().connection));
    parked_.erase(parked_.begin());
  }
  parked_.push_back({HostKey(host), std::move(connection), messages, loop_.TickCount()});
  ArmIdleTimer();
}

bool TSmtpRelayServer::Unpark(const std::string& host, TParked& parked) {
  const std::string key = HostKey(host);
  // The newest first: it is the least likely to have been closed by its server meanwhile.
  for (std::size_t i = parked_.size(); i-- > 0;) {
    if (parked_[i].host != key) continue;
    TParked found = std::move(parked_[i]);
    parked_.erase(parked_.begin() + static_cast<std::ptrdiff_t>(i));
    if (found.connection.client->Connected() && found.connection.client->State() == smtpReady) {
      parked = std::move(found);
      return true;
    }
    CloseParked(std::move(found.connection));
  }
  return false;
}

void TSmtpRelayServer::CloseParked(TSmtpConnection connection) {
  // Clients whose QUIT has ended are freed here, outside any callback of theirs.
  std::erase_if(closing_, [](const TSmtpConnection& c) {
    return !c.client->Connected() && c.client->State() == smtpReady;
  });
  try {
    if (connection.client->Connected() && connection.client->State() == smtpReady)
      connection.client->Quit();
    else
      connection.client->Abort();
  } catch (const std::exception&) {
  }
  closing_.push_back(std::move(connection));
}

void TSmtpRelayServer::ArmIdleTimer() {
  if (idleTimer_ != 0 || parked_.empty()) return;
  const uint32_t limit = static_cast<uint32_t>(std::max(IdleSeconds, 0)) * 1000u;
  const int32_t wait = static_cast<int32_t>(parked_.front().since + limit - loop_.TickCount());
  std::weak_ptr<bool> alive = alive_;
  idleTimer_ = loop_.AddTimer(static_cast<uint32_t>(std::max(wait, 0)), [this, alive] {
    if (alive.lock()) IdleTick();
  });
}

void TSmtpRelayServer::IdleTick() {
  idleTimer_ = 0;
  const uint32_t limit = static_cast<uint32_t>(std::max(IdleSeconds, 0)) * 1000u;
  const uint32_t now = loop_.TickCount();
  while (!parked_.empty() &&
         static_cast<int32_t>(now - parked_.front().since) >= static_cast<int32_t>(limit)) {
    TSmtpConnection connection = std::move(parked_.front().connection);
    parked_.erase(parked_.begin());
    CloseParked(std::move(connection));
  }
  ArmIdleTimer();
}

void TSmtpRelayServer::CloseAllParked() {
  while (!parked_.empty()) {
    TSmtpConnection connection = std::move(parked_.back().connection);
    parked_.pop_back();
    CloseParked(std::move(connection));
  }
  if (idleTimer_ != 0) loop_.CancelTimer(idleTimer_);
  idleTimer_ = 0;
}

void TSmtpRelayServer::Abort() {
  aborted_ = true;
  std::size_t count = sessions_.size();
  try {
    for (std::size_t i = 0; i < count && i < sessions_.size(); ++i) {
      if (TSmtpThread* session = sessions_[i]) session->Cancel(false);
    }
  } catch (const std::exception&) {
  }
  ReportWaitingRetries();
  if (busy_ && activeSessions_ == 0 && finishTimer_ == 0) RunEnded();
}

bool TSmtpRelayServer::TakeDueRetry(TRetry& retry) {
  const uint32_t now = loop_.TickCount();
  for (auto waiting = retries_.begin(); waiting != retries_.end(); ++waiting) {
    if (static_cast<int32_t>(now - waiting->due) < 0) break;
    const std::string key = RecipientDomain(waiting->index);
    if (!PaceDue(key)) continue;
    PaceTaken(key);
    retry = std::move(*waiting);
    retries_.erase(waiting);
    ArmPaceTimer();
    return true;
  }
  ArmPaceTimer();
  return false;
}

TSmtpRelayServer::TRetry TSmtpRelayServer::TakeRetry() {
  TRetry retry = std::move(retries_.front());
  retries_.pop_front();
  return retry;
}

void TSmtpRelayServer::Defer(int index, int tries, int code, const std::vector<std::string>& log) {
  const uint32_t delay = static_cast<uint32_t>(std::max(RetryDelay, 0)) * 1000u;
  retries_.push_back({index, tries, loop_.TickCount() + delay, code, log});
  ArmRetryTimer();
  if (!OnDeferred) return;
  try {
    OnDeferred(this, index, tries, Retries, code, log);
  } catch (const std::exception& e) {
    loop_.CallbackFailed(e.what());
  } catch (...) {
    loop_.CallbackFailed("unknown exception");
  }
}

void TSmtpRelayServer::ArmRetryTimer() {
  if (retryTimer_ != 0) return;
  // Retries already due are for the sessions at work (or, held back by a pace,
  // for the pace timer): a timer for them would fire on every turn of the loop.
  const uint32_t now = loop_.TickCount();
  auto next = std::find_if(retries_.begin(), retries_.end(),
                           [now](const TRetry& retry) { return static_cast<int32_t>(retry.due - now) > 0; });
  if (next == retries_.end()) return;
  const int32_t wait = static_cast<int32_t>(next->due - now);
  std::weak_ptr<bool> alive = alive_;
  retryTimer_ = loop_.AddTimer(static_cast<uint32_t>(std::max(wait, 0)), [this, alive] {
    if (alive.lock()) RetryTick();
  });
}

void TSmtpRelayServer::RetryTick() {
  retryTimer_ = 0;
  if (!busy_ || aborted_) return;
  // Sessions still running take due retries before fresh recipients; new ones
  // are opened only where connections are free.
  StartSessions(DueRetries());
  ArmRetryTimer();
  ArmPaceTimer();
}

void TSmtpRelayServer::ReportWaitingRetries() {
  while (!retries_.empty()) {
    TRetry retry = TakeRetry();
    if (!OnEMailProcessed) continue;
    try {
      OnEMailProcessed(this, retry.index, retry.code, retry.log);
    } catch (const std::exception& e) {
      loop_.CallbackFailed(e.what());
    } catch (...) {
      loop_.CallbackFailed("unknown exception");
    }
  }
}

bool TSmtpRelayServer::BackingOff(const std::string& host) const {
  if (backOff_.empty()) return false;
  auto found = backOff_.find(HostKey(host));
  return found != backOff_.end() && static_cast<int32_t>(found->second - loop_.TickCount()) > 0;
}

void TSmtpRelayServer::BackOff(const std::string& host) {
  backOff_[HostKey(host)] = loop_.TickCount() + static_cast<uint32_t>(std::max(RetryDelay, 0)) * 1000u;
}

void TSmtpRelayServer::WatchdogTick() {
  const uint32_t now = loop_.TickCount();
  std::size_t count = sessions_.size();
  try {
    for (std::size_t i = 0; i < count && i < sessions_.size(); ++i) {
      TSmtpThread* session = sessions_[i];
      if (!session) continue;
      // Signed difference: the 32-bit tick wraps every 49.7 days.
      double silent = static_cast<int32_t>(now - session->LastActivity()) / 1000.0;
      if (silent > timeOut_) session->Cancel(true);
    }
  } catch (const std::exception&) {
  }
}

void TSmtpRelayServer::SessionReleased(TSmtpThread* session) {
  auto slot = std::find(sessions_.begin(), sessions_.end(), session);
  if (slot != sessions_.end()) *slot = nullptr;
  --activeSessions_;
  if (aborted_ && OnAborting) {
    // The session is gone either way; an owner's failure must not keep the run from ending.
    try {
      OnAborting(this, session->RecipientIndex(), connections_ - activeSessions_);
    } catch (const std::exception& e) {
      loop_.CallbackFailed(e.what());
    } catch (...) {
      loop_.CallbackFailed("unknown exception");
    }
  }
  if (aborted_) ReportWaitingRetries();
  if (activeSessions_ > 0) return;
  // Recipients waiting for a retry or for their domain's pace keep the run
  // going; the retry and pace timers open sessions for them.
  const bool paced = DomainPace > 0 && !aborted_ && !domainWaiting_.empty();
  if (retries_.empty() && !paced)
    RunEnded();
  else
    ArmPaceTimer();
}

void TSmtpRelayServer::RunEnded() {
  busy_ = false;
  CloseAllParked();
  std::weak_ptr<bool> alive = alive_;
  if (finishTimer_ != 0) loop_.CancelTimer(finishTimer_);
  finishTimer_ = loop_.AddTimer(kFinishDelayMs, [this, alive] {
    if (alive.lock()) FinishTick();
  });
}

void TSmtpRelayServer::FinishTick() {
  finishTimer_ = 0;
  StopTimers();
  busy_ = false;
  if (OnFinished) OnFinished(this, aborted_);
}

void TSmtpRelayServer::StopTimers() {
  if (watchdog_ != 0) loop_.CancelTimer(watchdog_);
  if (finishTimer_ != 0) loop_.CancelTimer(finishTimer_);
  if (retryTimer_ != 0) loop_.CancelTimer(retryTimer_);
  if (paceTimer_ != 0) loop_.CancelTimer(paceTimer_);
  watchdog_ = 0;
  finishTimer_ = 0;
  retryTimer_ = 0;
  paceTimer_ = 0;
}

void TSmtpRelayServer::Bury(TSmtpThread*) {
  std::weak_ptr<bool> alive = alive_;
  loop_.Post([this, alive] {
    if (!alive.lock()) return;
    std::erase_if(owned_, [](const std::unique_ptr<TSmtpThread>& s) { return s->Ended() && s->Idle(); });
  });
}

void TSmtpRelayServer::ReleaseSessions(bool all) {
  sessions_.clear();
  if (all) {
    owned_.clear();
    return;
  }
  // Start may be called from inside a callback of the last run's final session.
  std::erase_if(owned_, [](const std::unique_ptr<TSmtpThread>& s) { return s->Idle(); });
}

}  // namespace norvane
