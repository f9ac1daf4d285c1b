#include "net/socks_wsocket.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace norvane {
namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void PutPort(std::string& out, uint16_t port) {
  out.push_back(static_cast<char>(port >> 8));
  out.push_back(static_cast<char>(port & 0xFF));
}

}  // namespace

void _TCustomSocksWSocket::SetSocksServer(const std::string& value) {
  if (state_ != wsClosed) return RaiseSocketError("Can't change socks server if not closed");
  socksServer_ = Trim(value);
}

void _TCustomSocksWSocket::SetSocksPort(const std::string& value) {
  if (state_ != wsClosed) return RaiseSocketError("Can't change socks port if not closed");
  socksPort_ = Trim(value);
}

void _TCustomSocksWSocket::SetSocksLevel(const std::string& value) {
  if (state_ != wsClosed) return RaiseSocketError("Can't change socks level if not closed");
  if (value == "4" || value == "5" || value == "4A" || value == "4a") {
    socksLevel_ = value == "4a" ? "4A" : value;
    return;
  }
  RaiseSocketError("Invalid socks level. Must be 4, 4A or 5.");
}

void _TCustomSocksWSocket::ResetDefaults() {
  _TCustomWSocket::ResetDefaults();
  socksServer_.clear();
  socksPort_.clear();
  socksLevel_ = "5";
  socksState_ = 0;
  socksRcvdCnt_ = 0;
  leftoverPos_ = 0;
  leftoverCnt_ = 0;
}

void _TCustomSocksWSocket::Connect() {
  if (socksServer_.empty()) return _TCustomWSocket::Connect();
  if (Lower(protoStr_) != "tcp")
    return RaiseSocketError("tcp is the only protocol supported thru socks server");
  // The usual refusals (socket in use, no port, no address) come from the plain Connect.
  if ((handle_ >= 0 && state_ != wsClosed) || !portAssigned_ || !addrAssigned_)
    return _TCustomWSocket::Connect();
  try {
    sin_.sin_port = htons(WSocketResolvePort(socksPort_, "tcp"));
    sin_.sin_addr.s_addr = WSocketResolveHost(socksServer_);
    destPort_ = WSocketResolvePort(portStr_, "tcp");
  } catch (const ESocketException& e) {
    return RaiseSocketError(std::string("connect: ") + e.what());
  }
  portResolved_ = true;
  addrResolved_ = true;
  socksState_ = 1;
  socksRcvdCnt_ = 0;
  leftoverCnt_ = 0;
  _TCustomWSocket::Connect();
}

void _TCustomSocksWSocket::Listen() {
  if (!socksServer_.empty()) return RaiseSocketError("listening is not supported thru socks server");
  _TCustomWSocket::Listen();
}

int _TCustomSocksWSocket::Rcvdcount() {
  if (leftoverCnt_ > 0) return leftoverCnt_;
  return _TCustomWSocket::Rcvdcount();
}

int _TCustomSocksWSocket::HeldReceived() {
  return leftoverCnt_ > 0 && socksState_ == 0 ? leftoverCnt_ : _TCustomWSocket::HeldReceived();
}

int _TCustomSocksWSocket::DoRecv(void* buffer, int length, int flags) {
  if (leftoverCnt_ > 0 && socksState_ == 0) {
    int n = std::min(std::max(length, 0), leftoverCnt_);
    std::memcpy(buffer, socksReply_ + leftoverPos_, static_cast<size_t>(n));
    if (!(flags & MSG_PEEK)) {
      leftoverPos_ += n;
      leftoverCnt_ -= n;
    }
    return n;
  }
  return _TCustomWSocket::DoRecv(buffer, length, flags);
}

void _TCustomSocksWSocket::TriggerDataSent(uint16_t error) {
  // The handshake's own requests are not the owner's data.
  if (socksState_ != 0) return;
  _TCustomWSocket::TriggerDataSent(error);
}

void _TCustomSocksWSocket::TriggerSessionConnected(uint16_t error) {
  if (socksState_ != 1) return _TCustomWSocket::TriggerSessionConnected(error);
  AliveToken alive = Token();
  if (OnSocksConnected) {
    OnSocksConnected(this, error);
    if (!Alive(alive)) return;
  }
  if (error != 0) return _TCustomWSocket::TriggerSessionConnected(error);
  if (socksLevel_[0] == '4') return SocksDoConnect();
  std::string request = {0x05, 0x01, socksAuthentication_ == socksAuthenticateUsercode ? '\x02' : '\x00'};
  SocksSend(request);
}

void _TCustomSocksWSocket::TriggerSessionClosed(uint16_t error) {
  if (socksState_ == 2) {
    AliveToken alive = Token();
    SocksAuthState(socksAuthFailure);
    if (!Alive(alive)) return;
  }
  _TCustomWSocket::TriggerSessionClosed(error);
}

void _TCustomSocksWSocket::SocksAuthState(int state) {
  if (OnSocksAuthState) OnSocksAuthState(this, state);
}

void _TCustomSocksWSocket::SocksSend(const std::string& bytes) {
  try {
    Send(bytes.data(), static_cast<int>(bytes.size()));
  } catch (const ESocketException&) {
    // Send errors during the handshake show up as the connection ending.
  }
}

void _TCustomSocksWSocket::SocksDoConnect() {
  std::string request;
  if (socksLevel_[0] == '4') {
    request = {0x04, 0x01};
    PutPort(request, destPort_);
    if (socksLevel_ == "4A") {
      request += std::string("\x00\x00\x00\x01", 4);
      request += socksUsercode_;
      request.push_back('\0');
      request += addrStr_;
      request.push_back('\0');
    } else {
      uint32_t address = 0;
      try {
        address = WSocketResolveHost(addrStr_);
      } catch (const ESocketException& e) {
        AliveToken alive = Token();
        if (OnSocksError) {
          OnSocksError(this, 20017, std::string("ESocketException ") + e.what());
          if (!Alive(alive)) return;
        }
        return CloseSocket(true, 20017);
      }
      request.append(reinterpret_cast<const char*>(&address), 4);  // already network order
      request += socksUsercode_;
      request.push_back('\0');
    }
  } else {
    // The name's length travels in one byte; a longer one would corrupt the request.
    if (addrStr_.size() > 255) return SocksFail(20013, "internal error");
    request = {0x05, 0x01, 0x00, 0x03, static_cast<char>(addrStr_.size())};
    request += addrStr_;
    PutPort(request, destPort_);
  }
  socksState_ = 3;
  SocksSend(request);
}

void _TCustomSocksWSocket::SocksDoAuthenticate() {
  AliveToken alive = Token();
  SocksAuthState(socksAuthStart);
  if (!Alive(alive)) return;
  if (socksUsercode_.size() > 255 || socksPassword_.size() > 255) return SocksFail(20013, "internal error");
  std::string request = {0x01, static_cast<char>(socksUsercode_.size())};
  request += socksUsercode_;
  request.push_back(static_cast<char>(socksPassword_.size()));
  request += socksPassword_;
  socksState_ = 2;
  SocksSend(request);
}

void _TCustomSocksWSocket::SocksFail(int code, const std::string& text) {
  AliveToken alive = Token();
  if (OnSocksError) {
    OnSocksError(this, code, text);
    if (!Alive(alive)) return;
  }
  _TCustomWSocket::TriggerSessionConnected(static_cast<uint16_t>(code));
  if (!Alive(alive)) return;
  // The handshake is over: an authentication failure already reported must not be reported
  // a second time by the close that follows.
  socksState_ = 0;
  CloseSocket(true, static_cast<uint16_t>(code));
}

bool _TCustomSocksWSocket::TriggerDataAvailable(uint16_t error) {
  if (socksState_ == 0) return _TCustomWSocket::TriggerDataAvailable(error);
  if (error != 0) {
    SocksFail(error, "data receive error");
    return true;
  }
  bool socks4Reply = socksLevel_[0] == '4' && socksState_ == 3;
  int limit = socks4Reply ? 8 : static_cast<int>(sizeof socksReply_) - 1;
  int room = limit - socksRcvdCnt_;
  if (room > 0) {
    int n = _TCustomWSocket::DoRecv(socksReply_ + socksRcvdCnt_, room, 0);
    if (n < 0) {
      lastError_ = PlatformError();  // stops the read loop; the next readiness continues
      return true;
    }
    if (n == 0) return true;  // the proxy closed; the close notification follows
    socksRcvdCnt_ += n;
  }
  HandleReply();
  return true;
}

void _TCustomSocksWSocket::HandleReply() {
  AliveToken alive = Token();
  const uint8_t* r = socksReply_;
  int& cnt = socksRcvdCnt_;
  auto connectOrSucceed = [&] { SocksDoConnect(); };
  switch (socksState_) {
    case 1:
      if (socksLevel_[0] == '4') return SocksFail(20001, "TWSocket logic error");
      if (cnt < 2) return;
      if (cnt > 2) return SocksFail(20001, "too much data availaible");
      cnt = 0;
      if (r[0] != 0x05) return SocksFail(20002, "socks version error");
      if (r[1] == 0x00) {
        if (socksAuthentication_ == socksAuthenticateUsercode) {
          SocksAuthState(socksAuthNotRequired);
          if (!Alive(alive)) return;
        }
        return connectOrSucceed();
      }
      if (r[1] == 0x02) return SocksDoAuthenticate();
      return SocksFail(20003, "authentification method not acceptable");
    case 2:
      if (cnt >= 1 && r[0] != 0x01) {
        SocksAuthState(socksAuthFailure);
        if (!Alive(alive)) return;
        return SocksFail(20002, "socks version error");
      }
      if (cnt < 2) return;
      if (cnt > 2) {
        SocksAuthState(socksAuthFailure);
        if (!Alive(alive)) return;
        return SocksFail(20001, "too much data availaible");
      }
      cnt = 0;
      if (r[1] != 0x00) {
        SocksAuthState(socksAuthFailure);
        if (!Alive(alive)) return;
        return SocksFail(20015, "socks authentication failed");
      }
      SocksAuthState(socksAuthSuccess);
      if (!Alive(alive)) return;
      return SocksDoConnect();
    case 3:
      if (socksLevel_[0] == '4') {
        if (cnt < 8) return;
        cnt = 0;
        if (r[0] != 0x00) return SocksFail(20002, "socks version error");
        switch (r[1]) {
          case 90:
            break;
          case 91:
            return SocksFail(20016, "request rejected or failed");
          case 92:
            return SocksFail(20008, "connection refused");
          case 93:
            return SocksFail(20015, "authentification failed");
          default:
            return SocksFail(20012, "unassigned error #" + std::to_string(r[1]));
        }
        leftoverCnt_ = 0;
      } else {
        if (cnt >= 1 && r[0] != 0x05) return SocksFail(20002, "socks version error");
        if (cnt >= 2 && r[1] != 0x00) {
          static const char* const kTexts[] = {
              "general SOCKS server failure", "connection not allowed by ruleset",
              "network unreachable",          "host unreachable",
              "connection refused",           "time to live expired",
              "command not supported",        "address type not supported"};
          int code = r[1];
          if (code >= 1 && code <= 8) return SocksFail(20003 + code, kTexts[code - 1]);
          return SocksFail(20012, "unassigned error #" + std::to_string(code));
        }
        if (cnt < 5) return;
        int full = r[3] == 0x01 ? 10 : (r[3] == 0x03 ? 7 + r[4] : 5);
        if (cnt < full) return;
        if (r[3] != 0x01 && r[3] != 0x03) return SocksFail(20011, "address type not supported");
        leftoverPos_ = full;
        leftoverCnt_ = cnt - full;
        cnt = 0;
      }
      socksState_ = 0;
      _TCustomWSocket::TriggerSessionConnected(0);
      if (!Alive(alive)) return;
      TriggerDataAvailable(0);  // the owner's first read, served from the leftover first
      return;
    default:
      return SocksFail(20013, "internal error");
  }
}

}  // namespace norvane
