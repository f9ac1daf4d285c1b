#include "scripted_smtp_server.h"

namespace norvane::test {

ScriptedSmtpServer::ScriptedSmtpServer(EventLoop& loop) : loop_(loop), listener_(loop) {
  listener_.SetProto("tcp");
  listener_.SetAddr("127.0.0.1");
  listener_.SetPort("0");
  listener_.OnSessionAvailable = [this](_TCustomWSocket*, uint16_t) {
    auto peer = std::make_unique<_TWSocket>(loop_);
    peer->Dup(listener_.Accept());
    if (peer_) return;  // one client at a time; a second one is dropped
    peer_ = std::move(peer);
    pending_.clear();
    ++connections;
    peer_->OnDataAvailable = [this](_TCustomWSocket*, uint16_t) { Read(); };
    peer_->OnSessionClosed = [this](_TCustomWSocket*, uint16_t) {
      // Released from the loop, not inside the socket's own callback.
      auto* closed = peer_.release();
      loop_.Post([closed] { delete closed; });
    };
    if (onConnect) onConnect();
  };
  listener_.Listen();
  port_ = listener_.LocalPortText();
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
  *alive_ = false;
  if (peer_) {
    peer_->OnSessionClosed = nullptr;
    peer_->OnDataAvailable = nullptr;
  }
}

void ScriptedSmtpServer::Send(const std::string& bytes) {
  if (peer_ && peer_->state() == wsConnected) peer_->SendText(bytes);
}

void ScriptedSmtpServer::SendPieces(std::vector<std::string> pieces, uint32_t gapMs) {
  if (pieces.empty()) return;
  Send(pieces.front());
  pieces.erase(pieces.begin());
  if (pieces.empty()) return;
  loop_.AddTimer(gapMs, [this, alive = alive_, pieces, gapMs] {
    if (*alive) SendPieces(pieces, gapMs);
  });
}

void ScriptedSmtpServer::Disconnect() {
  if (peer_) peer_->Close();
}

void ScriptedSmtpServer::Read() {
  char buffer[8192];
  const int n = peer_->Receive(buffer, sizeof buffer);
  if (n <= 0) return;
  pending_.append(buffer, static_cast<std::size_t>(n));
  for (std::size_t end; peer_ && (end = pending_.find("\r\n")) != std::string::npos;) {
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 2);
    lines.push_back(line);
    if (onLine) onLine(line);
  }
}

bool AnswerLikeAnAcceptingServer(ScriptedSmtpServer& server, const std::string& line, bool& inData) {
  if (inData) {
    if (line == ".") {
      inData = false;
      server.Send("250 2.0.0 Ok: queued\r\n");
    }
    return true;
  }
  auto starts = [&line](const char* prefix) { return line.rfind(prefix, 0) == 0; };
  if (starts("HELO ")) {
    server.Send("250 scripted\r\n");
  } else if (starts("MAIL FROM:") || starts("RCPT TO:") || starts("VRFY ") || line == "RSET") {
    server.Send("250 2.1.0 Ok\r\n");
  } else if (line == "DATA") {
    inData = true;
    server.Send("354 End data with <CR><LF>.<CR><LF>\r\n");
  } else if (line == "QUIT") {
    server.Send("221 Bye\r\n");
  } else {
    return false;
  }
  return true;
}

}  // namespace norvane::test
