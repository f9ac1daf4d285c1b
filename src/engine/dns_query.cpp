#include "engine/dns_query.h"

#include <netinet/in.h>
#include <sys/random.h>

#include <cerrno>
#include <random>

#include "net/socket_errors.h"
#include "net/wsocket.h"

namespace norvane {

namespace {

// An id nobody off the path can predict. getrandom waits only until the kernel's
// pool is first seeded; should it be unavailable, the library's random device
// (also the kernel's source on Linux) stands in.
uint16_t RandomQueryId() {
  uint16_t id = 0;
  for (;;) {
    ssize_t got = getrandom(&id, sizeof id, 0);
    if (got == static_cast<ssize_t>(sizeof id)) return id;
    if (got < 0 && errno != EINTR) break;
  }
  std::random_device device;
  return static_cast<uint16_t>(device());
}

}  // namespace

_TDnsQuery::_TDnsQuery(EventLoop& loop) : socket_(std::make_unique<_TWSocket>(loop)) {}

_TDnsQuery::_TDnsQuery() : _TDnsQuery(EventLoop::Default()) {}

// Release from inside OnRequestDone happens inside the socket's OnDataAvailable; the
// socket checks its liveness after every callback, and ResponseArrived touches nothing
// after NotifyDone.
_TDnsQuery::~_TDnsQuery() = default;

uint16_t _TDnsQuery::LookupMx(const std::string& domain) {
  queryId_ = RandomQueryId();
  reply_ = dns::MxReply();
  WriteHeader();
  queryLength_ = dns::kHeaderSize + static_cast<std::size_t>(WriteQuestion(domain));
  SendQuery();
  return queryId_;
}

int _TDnsQuery::AnswerType(int i) const {
  return i >= 0 && i < dns::kTableSize ? reply_.answerType[static_cast<std::size_t>(i)] : 0;
}

int _TDnsQuery::AnswerSlot(int i) const {
  return i >= 0 && i < dns::kTableSize ? reply_.answerSlot[static_cast<std::size_t>(i)] : -1;
}

std::string _TDnsQuery::MxExchange(int j) const {
  return j >= 0 && j < reply_.mxCount ? reply_.exchanges[static_cast<std::size_t>(j)] : std::string();
}

int _TDnsQuery::MxPreference(int j) const {
  return j >= 0 && j < reply_.mxCount ? reply_.preferences[static_cast<std::size_t>(j)] : 0;
}

void _TDnsQuery::WriteHeader() {
  dns::WriteQueryHeader(std::span<uint8_t, dns::kHeaderSize>(query_.data(), dns::kHeaderSize), queryId_);
}

int _TDnsQuery::WriteQuestion(const std::string& domain) {
  return static_cast<int>(dns::WriteMxQuestion(std::span(query_).subspan(dns::kHeaderSize), domain));
}

void _TDnsQuery::SendQuery() {
  // A fresh socket (and so a fresh local port) per query: a late answer to an earlier
  // query then meets a closed port instead of being taken for this one's.
  socket_->OnDataAvailable = nullptr;
  socket_->Abort();
  socket_->OnDataAvailable = [this](_TCustomWSocket*, uint16_t error) { ResponseArrived(error); };
  socket_->SetProto("udp");
  socket_->SetPort(port_);
  socket_->SetAddr(addr_);
  socket_->Connect();
  socket_->Send(query_.data(), static_cast<int>(queryLength_));
}

void _TDnsQuery::ResponseArrived(uint16_t error) {
  sockaddr_in from{};
  int received = socket_->ReceiveFrom(received_.data(), static_cast<int>(received_.size()), from);
  if (error != 0) {
    NotifyDone(error);
    return;
  }
  if (received < 0) {
    int lastError = socket_->LastError();
    if (lastError != 0 && lastError != WSAEWOULDBLOCK) NotifyDone(static_cast<uint16_t>(lastError));
    return;
  }
  // The datagram socket is not connected, so the system hands us whatever reaches our
  // port. Only the server's own address and port are believed, and only an answer to
  // the query asked, or anyone able to send to us could name the mail exchangers.
  sockaddr_in server{};
  if (socket_->GetPeerName(server) != 0 || from.sin_addr.s_addr != server.sin_addr.s_addr ||
      from.sin_port != server.sin_port) {
    return;
  }
  const std::span<const uint8_t> datagram(received_.data(), static_cast<std::size_t>(received));
  if (!dns::ReplyMatchesQuery(datagram, std::span<const uint8_t>(query_.data(), queryLength_))) return;
  dns::MxReply parsed;
  if (!dns::ParseMxReply(datagram, parsed)) {
    return;  // too short or not a response: keep waiting
  }
  reply_ = std::move(parsed);
  NotifyDone(0);
}

void _TDnsQuery::NotifyDone(uint16_t error) {
  // A copy: the handler may release us, and with us the member it lives in.
  TDnsRequestDoneEvent handler = OnRequestDone;
  if (handler) handler(this, error);
}

}  // namespace norvane
