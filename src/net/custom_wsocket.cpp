#include "net/custom_wsocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "net/socket_errors.h"

namespace norvane {
namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool AllDigitsAndDots(const std::string& s) {
  for (char c : s)
    if (!IsDigit(c) && c != '.') return false;
  return !s.empty();
}

// A dotted IPv4 address in any of the forms the classic inet_addr accepts ("127.1" included).
bool ParseDotted(const std::string& s, uint32_t& address) {
  if (!AllDigitsAndDots(s)) return false;
  in_addr a{};
  if (inet_aton(s.c_str(), &a) == 0) return false;
  address = a.s_addr;
  return true;
}

std::string Dotted(uint32_t address) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr a{};
  a.s_addr = address;
  inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

int LastNativeError() {
  return WSocketErrorFromErrno(errno);
}

// Calls a callback and turns whatever it throws into a std::exception for the background handler.
template <typename F>
void Guarded(F&& f, const std::function<void(const std::exception&)>& onError) {
  try {
    f();
  } catch (const std::exception& e) {
    onError(e);
  } catch (...) {
    onError(std::runtime_error("unknown exception"));
  }
}

}  // namespace

// --- conversions ----------------------------------------------------------------------------------

uint32_t WSocketResolveHost(const std::string& text) {
  if (text.empty() || text.size() > 256)
    throw ESocketException("WSocketResolveHost: '" + text + "' Invalid Hostname.");
  std::string name = Trim(text);
  if (!name.empty() && IsDigit(name[0]) && AllDigitsAndDots(name)) {
    if (name == "255.255.255.255") return INADDR_NONE;
    uint32_t address;
    if (!ParseDotted(name, address))
      throw ESocketException("WSocketResolveHost: '" + text + "' Invalid IP address.");
    return address;
  }
  // Names that merely start with a digit ("163mx.example") are names, not malformed addresses.
  HostLookupResult r = name.empty() ? HostLookupResult{WSAHOST_NOT_FOUND, {}, {}} : LookupHostBlocking(name);
  if (r.error != 0 || r.addresses.empty())
    throw ESocketException("WSocketResolveHost: Cannot convert host address '" + name + "'");
  uint32_t address = 0;
  inet_pton(AF_INET, r.addresses.front().c_str(), &address);
  return address;
}

uint16_t WSocketResolvePort(const std::string& text, const std::string& proto) {
  if (text.empty() || text.size() >= 32) throw ESocketException("WSocketResolvePort: Invalid Port.");
  if (IsDigit(text[0])) {
    unsigned long value = 0;
    for (size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
      value = value * 10 + static_cast<unsigned long>(text[i] - '0');
      if (value > 0xFFFF) throw ESocketException("WSocketResolvePort: Cannot convert port '" + text + "'");
    }
    return static_cast<uint16_t>(value);
  }
  servent entry{}, *found = nullptr;
  char buf[1024];
  getservbyname_r(text.c_str(), proto.empty() ? nullptr : proto.c_str(), &entry, buf, sizeof buf, &found);
  if (found) return ntohs(static_cast<uint16_t>(found->s_port));
  // Minimal systems may lack /etc/services, or list a service for one protocol only; the services
  // the program itself speaks are fixed numbers (RFC 5321 4.5.4.2 for SMTP, RFC 1035 4.2 for DNS).
  if (text == "smtp") return 25;
  if (text == "domain") return 53;
  throw ESocketException("WSocketResolvePort: Cannot convert port '" + text + "'");
}

int WSocketResolveProto(const std::string& text) {
  if (text.empty() || text.size() >= 32) throw ESocketException("WSocketResolveProto: Invalid Protocol.");
  if (IsDigit(text[0])) {
    int value = 0;
    for (size_t i = 0; i < text.size() && IsDigit(text[i]) && value < 100000; ++i)
      value = value * 10 + (text[i] - '0');
    return value;
  }
  // Every connect asks, and each answer means reading /etc/protocols through; the table does not
  // change while the program runs, so the names found are remembered.
  static std::vector<std::pair<std::string, int>> known;
  for (const auto& [name, number] : known)
    if (name == text) return number;
  protoent entry{}, *found = nullptr;
  char buf[1024];
  getprotobyname_r(text.c_str(), &entry, buf, sizeof buf, &found);
  if (found) {
    known.emplace_back(text, found->p_proto);
    return found->p_proto;
  }
  // Minimal containers may lack /etc/protocols; the two protocols sockets use are fixed numbers.
  if (text == "tcp") return IPPROTO_TCP;
  if (text == "udp") return IPPROTO_UDP;
  throw ESocketException("WSocketResolveProto: Cannot convert protocol '" + text + "'");
}

std::string LocalHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) throw ESocketException("Winsock.GetHostName failed");
  return name;
}

// --- lifetime -------------------------------------------------------------------------------------

_TCustomWSocket::_TCustomWSocket(EventLoop& loop) : loop_(loop) {
  _TCustomWSocket::ResetDefaults();
}

_TCustomWSocket::~_TCustomWSocket() {
  destroying_ = true;
  *alive_ = false;
  try {
    CancelLookup();
  } catch (...) {
  }
  lookup_.reset();
  if (handle_ >= 0) {
    loop_.Unwatch(handle_);
    ::close(handle_);
    handle_ = -1;
  }
  sendQueue_.clear();
}

void _TCustomWSocket::ResetDefaults() {
  sin_ = sockaddr_in{};
  sin_.sin_family = AF_INET;
  protoStr_ = "tcp";
  protoAssigned_ = true;
  protoResolved_ = false;
  socketType_ = 1;
  protoNumber_ = IPPROTO_TCP;
  portStr_.clear();
  addrStr_.clear();
  portAssigned_ = portResolved_ = false;
  addrAssigned_ = addrResolved_ = false;
  localPortAssigned_ = localPortResolved_ = false;
  localPortStr_ = "0";
  localPortNum_ = 0;
  lingerOnOff_ = wsLingerOn;
  lingerTimeout_ = 0;
  handle_ = -1;
  state_ = wsClosed;
  allSent_ = true;
  bytesWritten_ = 0;
  paused_ = false;
  readCount_ = 0;
  closedNotified_ = false;
  ForgetReads();
  writeWanted_ = false;
  watchedEvents_ = 0;
}

// --- properties -----------------------------------------------------------------------------------

void _TCustomWSocket::SetAddr(const std::string& value) {
  SetWhileClosed("Addr", Trim(value), addrStr_, addrAssigned_, addrResolved_);
}

void _TCustomWSocket::SetPort(const std::string& value) {
  SetWhileClosed("Port", Trim(value), portStr_, portAssigned_, portResolved_);
}

void _TCustomWSocket::SetProto(const std::string& value) {
  SetWhileClosed("Proto", Trim(value), protoStr_, protoAssigned_, protoResolved_);
}

// Unlike the others the local port is taken as given, blanks included.
void _TCustomWSocket::SetLocalPort(const std::string& value) {
  SetWhileClosed("LocalPort", value, localPortStr_, localPortAssigned_, localPortResolved_);
}

// The endpoint is fixed once the socket is in use; setting the same value again is no change and
// so allowed in any state.
void _TCustomWSocket::SetWhileClosed(const char* property, std::string value, std::string& text,
                                     bool& assigned, bool& resolved) {
  if (assigned && value == text) return;
  if (state_ != wsClosed) {
    RaiseSocketError(std::string("Cannot change ") + property + " if not closed");
    return;
  }
  text = std::move(value);
  assigned = !text.empty();
  resolved = false;
}

void _TCustomWSocket::SetSendFlags(int value) {
  if (value != wsSendNormal && value != wsSendUrgent) {
    RaiseSocketError("Invalid SendFlags");
    return;
  }
  sendFlags_ = value;
}

int _TCustomWSocket::Rcvdcount() {
  if (handle_ < 0) return -1;
  int count = 0;
  if (ioctl(handle_, FIONREAD, &count) < 0) {
    platformError_ = LastNativeError();
    SocketError("ioctlSocket");
    return -1;
  }
  return count;
}

size_t _TCustomWSocket::BufferedBytes() const {
  size_t n = 0;
  for (const auto& b : sendQueue_) n += static_cast<size_t>(b->Unread());
  return n;
}

// --- errors -----------------------------------------------------------------------------------------

void _TCustomWSocket::RaiseSocketError(const std::string& text) {
  if (OnError) {
    TriggerError();
    return;
  }
  throw ESocketException(text);
}

void _TCustomWSocket::SocketError(const std::string& function) {
  int e = platformError_;
  std::string text = "Error " + std::to_string(e) + " in function " + function + "\r\n" + SocketErrorDesc(e);
  if (e == WSAECONNRESET || e == WSAENOTCONN) {
    if (handle_ >= 0) {
      loop_.Unwatch(handle_);
      ::close(handle_);
      handle_ = -1;
    }
    state_ = wsClosed;  // deliberately without OnSessionClosed
  }
  lastError_ = e;
  RaiseSocketError(text);
}

void _TCustomWSocket::HandleBackGroundException(const std::exception& e) {
  AliveToken alive = Token();
  bool canClose = true;
  if (OnBgException) {
    try {
      OnBgException(this, e, canClose);
    } catch (...) {
    }
    if (!Alive(alive)) return;
  }
  if (canClose) {
    try {
      Abort();
    } catch (...) {
    }
  }
}

// --- triggers ---------------------------------------------------------------------------------------

bool _TCustomWSocket::TriggerDataAvailable(uint16_t error) {
  if (!OnDataAvailable) return false;
  OnDataAvailable(this, error);
  return true;
}
void _TCustomWSocket::TriggerSessionAvailable(uint16_t error) {
  if (OnSessionAvailable) OnSessionAvailable(this, error);
}
void _TCustomWSocket::TriggerSessionConnected(uint16_t error) {
  if (OnSessionConnected) OnSessionConnected(this, error);
}
void _TCustomWSocket::TriggerSessionClosed(uint16_t error) {
  if (OnSessionClosed) OnSessionClosed(this, error);
}
void _TCustomWSocket::TriggerDataSent(uint16_t error) {
  if (OnDataSent) OnDataSent(this, error);
}
void _TCustomWSocket::ReportBytesWritten() {
  if (bytesWritten_ == 0) return;
  const std::size_t count = bytesWritten_;
  bytesWritten_ = 0;
  if (OnBytesWritten) OnBytesWritten(this, count);
}
void _TCustomWSocket::TriggerChangeState(TSocketState oldState, TSocketState newState) {
  if (OnChangeState) OnChangeState(this, oldState, newState);
}
void _TCustomWSocket::TriggerDnsLookupDone(uint16_t error) {
  if (OnDnsLookupDone) OnDnsLookupDone(this, error);
}
void _TCustomWSocket::TriggerError() {
  if (OnError) OnError(this);
}

void _TCustomWSocket::ChangeState(TSocketState newState) {
  TSocketState old = state_;
  state_ = newState;
  TriggerChangeState(old, newState);
}

// --- readiness --------------------------------------------------------------------------------------

void _TCustomWSocket::UpdateInterest() {
  if (handle_ < 0) return;
  uint32_t events = 0;
  if (!paused_) {
    if (state_ == wsConnecting) {
      events = EventLoop::kReadable | EventLoop::kWritable;
    } else {
      events = EventLoop::kReadable;
      // Level-triggered: ask for writability only while the network owes us room.
      if (writeWanted_) events |= EventLoop::kWritable;
    }
  }
  if (!loop_.IsWatched(handle_)) {
    int h = handle_;
    loop_.Watch(h, events, [this, h](uint32_t ready) { OnReady(h, ready); });
  } else if (events != watchedEvents_) {
    loop_.Modify(handle_, events);
  }
  watchedEvents_ = events;
}

void _TCustomWSocket::ForgetReads() {
  peerEnded_ = false;
  peerEndError_ = 0;
}

bool _TCustomWSocket::PeerClosed(uint16_t& error) {
  error = 0;
  char c;
  ssize_t n = ::recv(handle_, &c, 1, MSG_PEEK | MSG_DONTWAIT);
  if (n == 0) return true;
  if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
    error = static_cast<uint16_t>(LastNativeError());
    return true;
  }
  return false;
}

void _TCustomWSocket::OnReady(int handle, uint32_t ready) {
  if (handle != handle_ || paused_) return;
  uint32_t events = 0;
  uint16_t error = 0;
  auto socketError = [&] {
    int soError = 0;
    socklen_t len = sizeof soError;
    getsockopt(handle_, SOL_SOCKET, SO_ERROR, &soError, &len);  // also clears it
    return static_cast<uint16_t>(WSocketErrorFromErrno(soError));
  };
  if (state_ == wsConnecting) {
    if (!(ready & (EventLoop::kWritable | EventLoop::kError))) return;
    error = socketError();
    // epoll folds "connected" and "then data and a reset arrived" into one report. A reset
    // (rather than a refusal) means the connection was made: report the connect first, then
    // the data and the close, as separate notifications would.
    bool established = error == 0 || error == WSAECONNRESET || error == WSAECONNABORTED;
    if (!established) return HandleNotification(FD_CONNECT, error);
    uint16_t closeError = error;
    AliveToken alive = Token();
    HandleNotification(FD_CONNECT, 0);
    if (!Alive(alive) || handle != handle_ || state_ != wsConnected || paused_) return;
    if (closeError == 0 && !(ready & (EventLoop::kReadable | EventLoop::kError))) return;
    if (closeError != 0 || (ready & EventLoop::kError) || PeerClosed(closeError)) {
      events = FD_CLOSE;
      error = closeError;
    } else {
      events = FD_READ;
      error = 0;
    }
  } else if (state_ == wsListening && !IsDatagram()) {
    if (ready & EventLoop::kReadable) events |= FD_ACCEPT;
  } else if (IsDatagram()) {
    if (ready & EventLoop::kError) error = socketError();  // e.g. an ICMP port unreachable
    if (ready & (EventLoop::kReadable | EventLoop::kError)) events |= FD_READ;
    if (ready & EventLoop::kWritable) events |= FD_WRITE;
  } else {
    if (ready & EventLoop::kWritable) events |= FD_WRITE;
    if (ready & EventLoop::kError) {
      error = socketError();
      events |= FD_CLOSE;
    } else if (ready & EventLoop::kReadable) {
      // The reader's own receive tells the end of the stream (it returns 0); only a reader that
      // took nothing from the network leaves it to a look at the socket.
      const uint32_t readsBefore = networkReads_;
      AliveToken alive = Token();
      HandleNotification(events | FD_READ, error);
      if (!Alive(alive) || handle != handle_ || state_ != wsConnected || paused_) return;
      if (networkReads_ != readsBefore || peerEnded_) return;
      uint16_t closeError = 0;
      if (PeerClosed(closeError)) HandleNotification(FD_CLOSE, closeError);
      return;
    }
  }
  if (events) HandleNotification(events, error);
}

void _TCustomWSocket::PostNotification(uint32_t events, uint16_t error) {
  if ((events & FD_WRITE) && events == FD_WRITE) {
    if (writePosted_) return;  // one pending write notification is enough
    writePosted_ = true;
  }
  std::weak_ptr<bool> weak = alive_;
  int handle = handle_;
  loop_.Post([this, weak, handle, events, error] {
    auto alive = weak.lock();
    if (!alive || !*alive) return;
    if (events == FD_WRITE) writePosted_ = false;
    if (handle != handle_ || paused_) return;
    HandleNotification(events, error);
  });
}

void _TCustomWSocket::HandleNotification(uint32_t events, uint16_t error) {
  AliveToken alive = Token();
  Guarded(
      [&] {
        if (events & FD_CONNECT) {
          ChangeState(wsConnected);
          if (!Alive(alive)) return;
          UpdateInterest();
          TriggerSessionConnected(error);
          if (!Alive(alive)) return;
          if (error != 0 && state_ != wsClosed) Close();
          if (!Alive(alive)) return;
        }
        uint16_t closeError = error;
        if (events & FD_READ) {
          ReadyRead(error);
          if (!Alive(alive)) return;
          if (peerEnded_ && !(events & FD_CLOSE) && state_ == wsConnected) {
            events |= FD_CLOSE;
            closeError = peerEndError_;
          }
        }
        if (events & FD_WRITE) {
          TryToSend();
          if (!Alive(alive)) return;
          ReportBytesWritten();
          if (!Alive(alive)) return;
          if (allSent_ && handle_ >= 0) TriggerDataSent(error);
          if (!Alive(alive)) return;
        }
        if (events & FD_ACCEPT) {
          TriggerSessionAvailable(error);
          if (!Alive(alive)) return;
        }
        if ((events & FD_CLOSE) && state_ != wsConnecting) {
          ReadyRead(0, true);  // data still waiting goes out before the close
          if (!Alive(alive)) return;
          if (OnSessionClosed && !closedNotified_) {
            closedNotified_ = true;
            TriggerSessionClosed(closeError);
            if (!Alive(alive)) return;
          }
          if (state_ != wsClosed) Close();
        }
      },
      [&](const std::exception& e) {
        if (Alive(alive)) HandleBackGroundException(e);
      });
}

void _TCustomWSocket::ReadyRead(uint16_t error, bool draining) {
  AliveToken alive = Token();
  // Readiness is level-triggered: what the network still holds is announced again, so the
  // reader is called again here only while a layer above holds bytes. Before a close there is
  // no next readiness: then the network is asked what it still holds.
  int before = -1;
  for (;;) {
    lastError_ = 0;
    const int readBefore = readCount_;
    if (!TriggerDataAvailable(error)) {
      if (!Alive(alive)) return;
      if (handle_ < 0) return;
      char discard[1024];
      int n = DoRecv(discard, sizeof discard, 0);
      if (n < 0) return;  // would block or failed: nothing more to drop now
    }
    if (!Alive(alive)) return;
    if (lastError_ != 0 || handle_ < 0 || (peerEnded_ && !draining)) return;
    const int waiting = draining && !peerEnded_ ? Rcvdcount() : HeldReceived();
    if (!Alive(alive) || waiting <= 0) return;
    // A handler that took nothing would be called forever; leave the rest to the next readiness.
    if (waiting == before && readCount_ == readBefore) return;
    before = waiting;
  }
}

// --- sending --------------------------------------------------------------------------------------

void _TCustomWSocket::QueueData(const void* data, int length) {
  if (length <= 0) return;
  const auto* p = static_cast<const uint8_t*>(data);
  if (sendQueue_.empty()) sendQueue_.push_back(std::make_unique<_TBuffer>(bufSize_));
  int32_t taken = sendQueue_.back()->Write(p, length);
  while (taken < length) {
    sendQueue_.push_back(std::make_unique<_TBuffer>(bufSize_));
    taken += sendQueue_.back()->Write(p + taken, length - taken);
  }
}

void _TCustomWSocket::DeleteBufferedData() {
  sendQueue_.clear();
}

int _TCustomWSocket::RealSend(const void* data, int length) {
  ssize_t n;
  int flags = MSG_NOSIGNAL | (sendFlags_ == wsSendUrgent ? MSG_OOB : 0);
  if (IsDatagram()) {
    n = ::sendto(handle_, data, static_cast<size_t>(length), flags, reinterpret_cast<const sockaddr*>(&sin_),
                 sizeof sin_);
  } else {
    n = ::send(handle_, data, static_cast<size_t>(length), flags);
  }
  if (n < 0) {
    platformError_ = LastNativeError();
    return -1;
  }
  return static_cast<int>(n);
}

void _TCustomWSocket::TryToSend() {
  if (handle_ < 0 || sendQueue_.empty()) return;
  AliveToken alive = Token();
  for (;;) {
    while (sendQueue_.size() > 1 && sendQueue_.front()->Unread() == 0) sendQueue_.pop_front();
    int32_t count = 0;
    const uint8_t* p = sendQueue_.front()->Peek(count);
    if (count == 0) {
      allSent_ = true;
      if (writeWanted_) {
        writeWanted_ = false;
        UpdateInterest();
      }
      return;
    }
    // A stream is a stream: hand the network several small blocks at once rather than one
    // system call per 1514 bytes. Datagrams keep their block-by-block sends.
    if (!IsDatagram() && sendQueue_.size() > 1 && count < kGatherBytes) {
      gather_.clear();
      for (const auto& block : sendQueue_) {
        int32_t n = 0;
        const uint8_t* q = block->Peek(n);
        n = std::min<int32_t>(n, kGatherBytes - static_cast<int32_t>(gather_.size()));
        if (n > 0) gather_.insert(gather_.end(), q, q + n);
        if (gather_.size() >= static_cast<size_t>(kGatherBytes)) break;
      }
      p = gather_.data();
      count = static_cast<int32_t>(gather_.size());
    }
    int n = RealSend(p, count);
    if (n < 0) {
      int e = platformError_;
      if (e == WSAEINVAL || e == WSAENOTSOCK || e == WSAECONNRESET || e == WSAENOTCONN) {
        closedNotified_ = true;
        Close();
        if (!Alive(alive)) return;
        TriggerSessionClosed(static_cast<uint16_t>(e));
        return;
      }
      if (e == WSAEWOULDBLOCK) {
        writeWanted_ = true;
        UpdateInterest();
        return;
      }
      SocketError("TryToSend failed");
      return;
    }
    bytesWritten_ += static_cast<std::size_t>(n);
    for (int left = n; left > 0;) {
      left -= sendQueue_.front()->Remove(left);
      if (sendQueue_.size() > 1 && sendQueue_.front()->Unread() == 0) sendQueue_.pop_front();
    }
    if (n < count) {
      writeWanted_ = true;
      UpdateInterest();
      return;
    }
  }
}

int _TCustomWSocket::Send(const void* data, int length) {
  if (state_ != wsConnected) {
    platformError_ = WSAENOTCONN;
    SocketError("Send");
    return -1;
  }
  // Nothing to queue leaves AllSent alone: clearing it with an empty queue would make Flush wait
  // for a send that never comes.
  if (length <= 0 || data == nullptr) return 0;
  allSent_ = false;
  int taken = 0;
  bool blocked = false;
  if (BufferedBytes() == 0) {
    // Nothing waits ahead of these bytes: offer them to the network straight from the caller's
    // buffer and queue only what it refuses. Order is unchanged; a failure other than "would
    // block" is met again, and handled, by TryToSend below.
    int n = RealSend(data, length);
    if (n >= 0) {
      taken = n;
      bytesWritten_ += static_cast<std::size_t>(n);
    } else {
      blocked = platformError_ == WSAEWOULDBLOCK;
    }
  }
  QueueData(static_cast<const uint8_t*>(data) + taken, length - taken);
  AliveToken alive = Token();
  if (blocked) {
    writeWanted_ = true;
    UpdateInterest();
    return length;
  }
  if (taken == length && sendQueue_.empty()) {
    allSent_ = true;
  } else {
    TryToSend();  // also marks AllSent when the queue is drained
  }
  if (!Alive(alive)) return length;
  ReportBytesWritten();
  if (!Alive(alive)) return length;
  if (allSent_) PostNotification(FD_WRITE, 0);
  return length;
}

int _TCustomWSocket::SendText(const std::string& text) {
  return Send(text.data(), static_cast<int>(text.size()));
}

int _TCustomWSocket::SendTo(const sockaddr_in& to, const void* data, int length) {
  if (handle_ < 0) {
    platformError_ = WSAENOTSOCK;
    lastError_ = WSAENOTSOCK;
    return -1;
  }
  int flags = MSG_NOSIGNAL | (sendFlags_ == wsSendUrgent ? MSG_OOB : 0);
  ssize_t n = ::sendto(handle_, data, static_cast<size_t>(length > 0 ? length : 0), flags,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to);
  if (n < 0) {
    platformError_ = LastNativeError();
    lastError_ = platformError_;
    return -1;
  }
  return static_cast<int>(n);
}

// --- receiving ------------------------------------------------------------------------------------

int _TCustomWSocket::DoRecv(void* buffer, int length, int flags) {
  if (handle_ < 0) {
    platformError_ = WSAENOTSOCK;
    return -1;
  }
  ssize_t n = ::recv(handle_, buffer, static_cast<size_t>(length > 0 ? length : 0), flags | MSG_DONTWAIT);
  const bool taking = length > 0 && !(flags & MSG_PEEK) && !IsDatagram();
  if (taking) ++networkReads_;
  if (n < 0) {
    platformError_ = LastNativeError();
    if (taking && platformError_ != WSAEWOULDBLOCK && platformError_ != WSAEINTR) {
      peerEnded_ = true;
      peerEndError_ = static_cast<uint16_t>(platformError_);
    }
    return -1;
  }
  if (n == 0 && taking) peerEnded_ = true;
  return static_cast<int>(n);
}

int _TCustomWSocket::DoRecvFrom(void* buffer, int length, sockaddr_in& from) {
  if (handle_ < 0) {
    platformError_ = WSAENOTSOCK;
    return -1;
  }
  socklen_t len = sizeof from;
  ssize_t n = ::recvfrom(handle_, buffer, static_cast<size_t>(length > 0 ? length : 0), MSG_DONTWAIT,
                         reinterpret_cast<sockaddr*>(&from), &len);
  if (n < 0) {
    platformError_ = LastNativeError();
    return -1;
  }
  return static_cast<int>(n);
}

int _TCustomWSocket::Receive(void* buffer, int length) {
  int n = DoRecv(buffer, length, 0);
  if (n < 0) {
    lastError_ = platformError_;
  } else {
    readCount_ += n;
  }
  return n;
}

std::string _TCustomWSocket::ReceiveText() {
  int waiting = Rcvdcount();
  if (waiting <= 0) return {};
  std::string text(static_cast<size_t>(waiting), '\0');
  int n = Receive(text.data(), waiting);
  if (n <= 0) return {};
  text.resize(static_cast<size_t>(n));
  return text;
}

int _TCustomWSocket::ReceiveFrom(void* buffer, int length, sockaddr_in& from) {
  int n = DoRecvFrom(buffer, length, from);
  if (n < 0) {
    lastError_ = platformError_;
  } else {
    readCount_ += n;
  }
  return n;
}

// --- connecting -----------------------------------------------------------------------------------

void _TCustomWSocket::BindSocket() {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(localPortNum_);
  local.sin_addr.s_addr = INADDR_ANY;
  if (::bind(handle_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    platformError_ = LastNativeError();
    char text[64];
    std::snprintf(text, sizeof text, "winsock.bind failed, error #%d", platformError_);
    RaiseSocketError(text);
    return;
  }
  socklen_t len = sizeof local;
  if (::getsockname(handle_, reinterpret_cast<sockaddr*>(&local), &len) != 0) {
    platformError_ = LastNativeError();
    char text[64];
    std::snprintf(text, sizeof text, "winsock.getsockname failed, error #%d", platformError_);
    RaiseSocketError(text);
    return;
  }
  localPortNum_ = ntohs(local.sin_port);
  localPortStr_ = std::to_string(localPortNum_);
}

void _TCustomWSocket::SetLingerOption() {
  if (lingerOnOff_ == wsLingerNoSet) return;
  if (handle_ < 0) {
    RaiseSocketError("Cannot set linger option at this time");
    return;
  }
  linger l{};
  l.l_onoff = lingerOnOff_ == wsLingerOn ? 1 : 0;
  l.l_linger = lingerTimeout_;
  if (setsockopt(handle_, SOL_SOCKET, SO_LINGER, &l, sizeof l) != 0) {
    platformError_ = LastNativeError();
    SocketError("setsockopt(SO_LINGER)");
  }
}

void _TCustomWSocket::Connect() {
  if (handle_ >= 0 && state_ != wsClosed) return RaiseSocketError("Connect: Socket already in use");
  if (!portAssigned_) return RaiseSocketError("Connect: No Port Specified");
  if (!addrAssigned_) return RaiseSocketError("Connect: No IP Address Specified");
  if (!protoAssigned_) return RaiseSocketError("Connect: No Protocol Specified");
  try {
    if (!protoResolved_) {
      protoNumber_ = WSocketResolveProto(protoStr_);
      socketType_ = protoNumber_ == IPPROTO_UDP ? 2 : 1;
      protoResolved_ = true;
    }
    const std::string protoName = IsDatagram() ? "udp" : "tcp";
    if (!portResolved_) {
      sin_.sin_port = htons(WSocketResolvePort(portStr_, protoName));
      portResolved_ = true;
    }
    if (!localPortResolved_) {
      localPortNum_ = WSocketResolvePort(localPortStr_, protoName);
      localPortResolved_ = true;
    }
    if (!addrResolved_) {
      sin_.sin_addr.s_addr = WSocketResolveHost(addrStr_);
      addrResolved_ = true;
    }
  } catch (const ESocketException& e) {
    return RaiseSocketError(std::string("connect: ") + e.what());
  }

  AliveToken alive = Token();
  DeleteBufferedData();
  int protocol = (protoNumber_ == IPPROTO_TCP || protoNumber_ == IPPROTO_UDP) ? protoNumber_ : 0;
  ForgetReads();
  handle_ =
      ::socket(AF_INET, (IsDatagram() ? SOCK_DGRAM : SOCK_STREAM) | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
  if (handle_ < 0) {
    platformError_ = LastNativeError();
    return SocketError("Connect (socket)");
  }
  ChangeState(wsOpened);
  if (!Alive(alive)) return;

  int on = 1;
  if (!IsDatagram() && tcpNoDelay_) {
    // Best effort: a socket that keeps the delay still works, only slower.
    ::setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  if (IsDatagram()) {
    BindSocket();
    if (!Alive(alive) || handle_ < 0) return;
    if (sin_.sin_addr.s_addr == INADDR_NONE &&
        setsockopt(handle_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
      platformError_ = LastNativeError();
      return SocketError("setsockopt(SO_BROADCAST)");
    }
  } else {
    if (localPortNum_ != 0) {
      BindSocket();
      if (!Alive(alive) || handle_ < 0) return;
    }
    SetLingerOption();
    if (!Alive(alive) || handle_ < 0) return;
    if (setsockopt(handle_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0) {
      platformError_ = LastNativeError();
      return SocketError("setsockopt(SO_KEEPALIVE)");
    }
    if (setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
      platformError_ = LastNativeError();
      return SocketError("setsockopt(SO_REUSEADDR)");
    }
  }

  if (IsDatagram()) {
    ChangeState(wsConnected);
    if (!Alive(alive)) return;
    UpdateInterest();
    TriggerSessionConnected(0);
    return;
  }
  if (::connect(handle_, reinterpret_cast<sockaddr*>(&sin_), sizeof sin_) != 0 && errno != EINPROGRESS) {
    platformError_ = LastNativeError();
    lastError_ = platformError_;
    return SocketError("Connect");
  }
  ChangeState(wsConnecting);
  if (!Alive(alive)) return;
  UpdateInterest();
}

void _TCustomWSocket::Listen() {
  if (!portAssigned_) {
    platformError_ = lastError_ = WSAEINVAL;
    return RaiseSocketError("listen: port not assigned");
  }
  if (!protoAssigned_) {
    platformError_ = lastError_ = WSAEINVAL;
    return RaiseSocketError("listen: protocol not assigned");
  }
  if (!addrAssigned_) {
    platformError_ = lastError_ = WSAEINVAL;
    return RaiseSocketError("listen: address not assigned");
  }
  try {
    if (!protoResolved_) {
      protoNumber_ = WSocketResolveProto(protoStr_);
      socketType_ = protoNumber_ == IPPROTO_UDP ? 2 : 1;
      protoResolved_ = true;
    }
    if (!portResolved_) {
      sin_.sin_port = htons(WSocketResolvePort(portStr_, IsDatagram() ? "udp" : "tcp"));
      portResolved_ = true;
    }
    if (!addrResolved_) {
      sin_.sin_addr.s_addr = WSocketResolveHost(addrStr_);
      addrResolved_ = true;
    }
  } catch (const ESocketException& e) {
    return RaiseSocketError(std::string("listen: ") + e.what());
  }
  AliveToken alive = Token();
  DeleteBufferedData();
  int protocol = (protoNumber_ == IPPROTO_TCP || protoNumber_ == IPPROTO_UDP) ? protoNumber_ : 0;
  ForgetReads();
  handle_ =
      ::socket(AF_INET, (IsDatagram() ? SOCK_DGRAM : SOCK_STREAM) | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
  if (handle_ < 0) {
    platformError_ = LastNativeError();
    return SocketError("socket");
  }
  if (listenReuseAddress_ && !IsDatagram()) {
    int on = 1;
    ::setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);  // best effort: bind reports the outcome
  }
  if (::bind(handle_, reinterpret_cast<sockaddr*>(&sin_), sizeof sin_) != 0) {
    int e = LastNativeError();
    try {
      Close();
    } catch (...) {
    }
    if (!Alive(alive)) return;
    platformError_ = e;
    return SocketError("Bind");
  }
  ChangeState(wsBound);
  if (!Alive(alive)) return;
  if (IsDatagram()) {
    ChangeState(wsListening);
    if (!Alive(alive)) return;
    ChangeState(wsConnected);
    if (!Alive(alive)) return;
    UpdateInterest();
    TriggerSessionConnected(0);
    return;
  }
  if (::listen(handle_, listenBacklog_) != 0) {
    platformError_ = LastNativeError();
    return SocketError("Listen");
  }
  ChangeState(wsListening);
  if (!Alive(alive)) return;
  UpdateInterest();
}

int _TCustomWSocket::Accept() {
  if (state_ != wsListening) {
    platformError_ = lastError_ = WSAEINVAL;
    RaiseSocketError("not a listening socket");
    return -1;
  }
  int h = ::accept4(handle_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (h < 0) {
    platformError_ = LastNativeError();
    SocketError("Accept");
    return -1;
  }
  return h;
}

void _TCustomWSocket::Dup(int handle) {
  if (handle == 0 || handle == -1) {
    platformError_ = WSAEINVAL;
    return SocketError("Dup");
  }
  AliveToken alive = Token();
  if (handle_ >= 0) {
    loop_.Unwatch(handle_);
    if (::close(handle_) != 0) {
      handle_ = -1;
      platformError_ = LastNativeError();
      return SocketError("Dup (closesocket)");
    }
    handle_ = -1;
    ChangeState(wsClosed);
    if (!Alive(alive)) return;
  }
  ForgetReads();
  handle_ = handle;
  int flags = fcntl(handle_, F_GETFL, 0);
  if (flags >= 0) fcntl(handle_, F_SETFL, flags | O_NONBLOCK);
  int type = SOCK_STREAM;
  socklen_t len = sizeof type;
  getsockopt(handle_, SOL_SOCKET, SO_TYPE, &type, &len);
  socketType_ = type == SOCK_DGRAM ? 2 : 1;
  protoNumber_ = type == SOCK_DGRAM ? IPPROTO_UDP : IPPROTO_TCP;
  SetLingerOption();
  if (!Alive(alive) || handle_ < 0) return;
  watchedEvents_ = 0;
  ChangeState(wsConnected);
  if (!Alive(alive)) return;
  UpdateInterest();
}

// --- closing ----------------------------------------------------------------------------------------

void _TCustomWSocket::CloseSocket(bool shutdownFirst, uint16_t error) {
  AliveToken alive = Token();
  if (handle_ >= 0 && state_ != wsClosed) {
    if (shutdownFirst) ::shutdown(handle_, SHUT_WR);
    loop_.Unwatch(handle_);
    // close() on Linux never reports "would block", so the retry-with-dispatch of the original
    // platform has nothing to do here.
    if (::close(handle_) != 0 && errno != EINTR) {
      handle_ = -1;
      platformError_ = LastNativeError();
      return SocketError("Disconnect (closesocket)");
    }
    handle_ = -1;
    DeleteBufferedData();
    ChangeState(wsClosed);
    if (!Alive(alive)) return;
    if (!destroying_ && !closedNotified_ && OnSessionClosed) {
      closedNotified_ = true;
      TriggerSessionClosed(error);
      if (!Alive(alive)) return;
    }
    try {
      ResetDefaults();
    } catch (...) {
    }
  } else if (handle_ < 0 && state_ != wsClosed) {
    ChangeState(wsClosed);
    if (!Alive(alive)) return;
    DeleteBufferedData();
    try {
      ResetDefaults();
    } catch (...) {
    }
  } else if (handle_ >= 0) {
    // A handle left in the closed state (e.g. after a failed bind) is released quietly.
    loop_.Unwatch(handle_);
    ::close(handle_);
    handle_ = -1;
  }
}

void _TCustomWSocket::Close() {
  CloseSocket(true, 0);
}

void _TCustomWSocket::Abort() {
  AliveToken alive = Token();
  CancelLookup();
  if (!Alive(alive)) return;
  DeleteBufferedData();
  if (state_ == wsConnected && !IsDatagram() && handle_ >= 0) {
    lingerOnOff_ = wsLingerOff;
    try {
      SetLingerOption();
    } catch (...) {
    }
    if (!Alive(alive)) return;
  }
  CloseSocket(false, 0);
}

void _TCustomWSocket::Shutdown(int how) {
  if (handle_ >= 0) ::shutdown(handle_, how);
}

void _TCustomWSocket::Pause() {
  paused_ = true;
  UpdateInterest();
}

void _TCustomWSocket::Resume() {
  paused_ = false;
  UpdateInterest();
}

void _TCustomWSocket::Flush() {
  AliveToken alive = Token();
  while (handle_ >= 0 && !allSent_) {
    TryToSend();
    if (!Alive(alive)) return;
    ReportBytesWritten();
    if (!Alive(alive) || handle_ < 0 || allSent_) return;
    loop_.ProcessMessages();
    if (!Alive(alive)) return;
  }
}

void _TCustomWSocket::WaitForClose() {
  AliveToken alive = Token();
  while (handle_ >= 0 && state_ != wsClosed) {
    loop_.ProcessMessages();
    if (!Alive(alive) || handle_ < 0) return;
    if (Rcvdcount() > 0) {
      TriggerDataAvailable(0);
      if (!Alive(alive) || handle_ < 0) return;
    }
    // A zero-length receive cannot see the end of a stream here, so peek at one byte instead.
    char c;
    int n = DoRecv(&c, 1, MSG_PEEK);
    if (n == 0 || (n < 0 && platformError_ != WSAEWOULDBLOCK)) return;
  }
}

// --- lookups ----------------------------------------------------------------------------------------

void _TCustomWSocket::LookupHost(const std::string& name) {
  if (name.empty()) {
    RaiseSocketError("DNS lookup: invalid host name.");
    TriggerDnsLookupDone(WSAEINVAL);
    return;
  }
  AliveToken alive = Token();
  CancelLookup();
  if (!Alive(alive)) return;
  dnsResult_.clear();
  dnsResultList_.clear();
  uint32_t address;
  if (ParseDotted(name, address)) {
    dnsResult_ = Dotted(address);
    TriggerDnsLookupDone(0);
    return;
  }
  if (!lookup_) lookup_ = std::make_unique<HostLookup>(loop_);
  int error = lookup_->StartByName(name, [this](const HostLookupResult& r) { OnLookupDone(r, false); });
  if (error != 0) {
    char text[512];
    std::snprintf(text, sizeof text, "%s: can't start DNS lookup, error #%d", name.c_str(), error);
    return RaiseSocketError(text);
  }
  lookupPending_ = true;
}

void _TCustomWSocket::LookupAddress(const std::string& dotted) {
  uint32_t address;
  if (!ParseDotted(Trim(dotted), address)) {
    RaiseSocketError("DNS lookup: invalid host address.");
    TriggerDnsLookupDone(WSAEINVAL);
    return;
  }
  AliveToken alive = Token();
  CancelLookup();
  if (!Alive(alive)) return;
  dnsResult_.clear();
  dnsResultList_.clear();
  if (!lookup_) lookup_ = std::make_unique<HostLookup>(loop_);
  int error = lookup_->StartByAddress(address, [this](const HostLookupResult& r) { OnLookupDone(r, true); });
  if (error != 0) {
    char text[512];
    std::snprintf(text, sizeof text, "%s: can't start DNS lookup, error #%d", dotted.c_str(), error);
    return RaiseSocketError(text);
  }
  lookupPending_ = true;
}

void _TCustomWSocket::OnLookupDone(const HostLookupResult& result, bool reverse) {
  lookupPending_ = false;
  if (result.error == 0) {
    if (reverse) {
      dnsResult_ = result.name;
      dnsResultList_ = {result.name};
    } else {
      dnsResultList_ = result.addresses;
      dnsResult_ = dnsResultList_.empty() ? std::string() : dnsResultList_.front();
    }
  }
  AliveToken alive = Token();
  Guarded([&] { TriggerDnsLookupDone(result.error); },
          [&](const std::exception& e) {
            if (Alive(alive)) HandleBackGroundException(e);
          });
}

void _TCustomWSocket::CancelLookup() {
  if (!lookupPending_) return;
  lookupPending_ = false;
  if (lookup_) lookup_->Cancel();
  if (!destroying_) TriggerDnsLookupDone(WSAEINTR);
}

// --- addresses ------------------------------------------------------------------------------------

int _TCustomWSocket::GetPeerName(sockaddr_in& name) {
  if (state_ != wsConnected || handle_ < 0) return -1;
  if (IsDatagram()) {
    name = sin_;  // datagram sockets are not connected: the peer is the remote address record
    return 0;
  }
  socklen_t len = sizeof name;
  if (::getpeername(handle_, reinterpret_cast<sockaddr*>(&name), &len) != 0) {
    platformError_ = LastNativeError();
    return -1;
  }
  return 0;
}

std::string _TCustomWSocket::PeerAddress() {
  if (state_ != wsConnected) return "error";
  sockaddr_in peer{};
  if (GetPeerName(peer) != 0) {
    SocketError("GetPeerName");
    return "error";
  }
  return Dotted(peer.sin_addr.s_addr);
}

std::string _TCustomWSocket::LocalPortText() {
  if (handle_ < 0 || (state_ != wsBound && state_ != wsConnected && state_ != wsListening)) return "error";
  sockaddr_in local{};
  socklen_t len = sizeof local;
  if (::getsockname(handle_, reinterpret_cast<sockaddr*>(&local), &len) != 0) return "error";
  return std::to_string(ntohs(local.sin_port));
}

}  // namespace norvane
