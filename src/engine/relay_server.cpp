#include "engine/relay_server.h"

#include <algorithm>
#include <exception>

#include "engine/smtp_thread.h"
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

}  // namespace

TSmtpRelayServer::TSmtpRelayServer(EventLoop& loop) : loop_(loop) {}

TSmtpRelayServer::~TSmtpRelayServer() {
  *alive_ = false;
  StopTimers();
  ReleaseAllSessions();
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

void TSmtpRelayServer::Start() {
  if (From.empty()) throw TSmtpRelayServerException("FROM property is empty");
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
    ReleaseAllSessions();
    nextRecipient_ = 0;
    std::size_t count = std::min(static_cast<std::size_t>(connections_), recipients_.size());
    for (std::size_t i = 0; i < count; ++i) {
      owned_.push_back(std::make_unique<TSmtpThread>(*this));
      TSmtpThread& session = *owned_.back();
      sessions_.push_back(&session);
      _TSmtpCli& client = session.Client();
      client.SetSignOn(Signon);
      client.SetFromName(From);
      client.SetHdrFrom(HeaderFrom);
      client.SetCharSet(charSet);
      client.SetEmailFiles(attachments_);
      session.StartSession();
    }
  } catch (...) {
    busy_ = false;
    StopTimers();
    ReleaseAllSessions();
    activeSessions_ = 0;
    throw;
  }
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
  if (aborted_ && OnAborting) OnAborting(this, session->RecipientIndex(), connections_ - activeSessions_);
  if (activeSessions_ == 0) {
    busy_ = false;
    std::weak_ptr<bool> alive = alive_;
    if (finishTimer_ != 0) loop_.CancelTimer(finishTimer_);
    finishTimer_ = loop_.AddTimer(kFinishDelayMs, [this, alive] {
      if (alive.lock()) FinishTick();
    });
  }
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
  watchdog_ = 0;
  finishTimer_ = 0;
}

void TSmtpRelayServer::Bury(TSmtpThread*) {
  std::weak_ptr<bool> alive = alive_;
  loop_.Post([this, alive] {
    if (!alive.lock()) return;
    std::erase_if(owned_, [](const std::unique_ptr<TSmtpThread>& s) { return s->Ended() && s->Idle(); });
  });
}

void TSmtpRelayServer::ReleaseAllSessions() {
  sessions_.clear();
  owned_.clear();
}

}  // namespace norvane
