#include "scripted_mail_host.h"

namespace norvane::test {

ScriptedMailHost::Session::Session(ScriptedMailHost& host, std::unique_ptr<_TWSocket> socket)
    : host_(host), socket_(std::move(socket)) {
  socket_->OnDataAvailable = [this](_TCustomWSocket*, uint16_t) { Read(); };
  socket_->OnSessionClosed = [this](_TCustomWSocket*, uint16_t) { closed = true; };
}

void ScriptedMailHost::Session::Send(const std::string& bytes) {
  if (!closed && socket_->state() == wsConnected) socket_->SendText(bytes);
}

void ScriptedMailHost::Session::Close() {
  if (!closed) socket_->Close();
}

void ScriptedMailHost::Session::ResumeReading(std::size_t budget) {
  budget_ = budget;
  paused_ = false;
  socket_->Resume();
}

void ScriptedMailHost::Session::Read() {
  if (paused_) return;
  char buffer[65536];
  std::size_t room = sizeof buffer;
  if (budget_ != 0 && budget_ < room) room = budget_;
  const int n = socket_->Receive(buffer, static_cast<int>(room));
  if (n <= 0) return;
  bytesReceived += static_cast<std::size_t>(n);
  if (budget_ != 0) {
    budget_ -= static_cast<std::size_t>(n);
    if (budget_ == 0) PauseReading();
  }
  pending_.append(buffer, static_cast<std::size_t>(n));
  std::size_t start = 0;
  for (std::size_t end; !closed && (end = pending_.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    std::string line = pending_.substr(start, end - start);
    lines.push_back(line);
    host_.Line(*this, line);
  }
  pending_.erase(0, start);
}

ScriptedMailHost::ScriptedMailHost(EventLoop& loop) : loop_(loop), listener_(loop) {
  listener_.SetProto("tcp");
  listener_.SetAddr("127.0.0.1");
  listener_.SetPort("0");
  listener_.SetListenBacklog(128);
  listener_.OnSessionAvailable = [this](_TCustomWSocket*, uint16_t) {
    auto socket = std::make_unique<_TWSocket>(loop_);
    socket->Dup(listener_.Accept());
    sessions.push_back(std::make_unique<Session>(*this, std::move(socket)));
    sessions.back()->Send(greeting);
  };
  listener_.Listen();
  port_ = listener_.LocalPortText();
}

ScriptedMailHost::~ScriptedMailHost() {
  listener_.OnSessionAvailable = nullptr;
}

void ScriptedMailHost::Line(Session& session, const std::string& line) {
  if (session.inData) {
    if (line != ".") return;
    session.inData = false;
    ++messages;
    if (!onEndOfData || !onEndOfData(session)) session.Send("250 2.0.0 Ok: queued\r\n");
    return;
  }
  commands.push_back(line);
  if (onCommand && onCommand(session, line)) return;
  auto starts = [&line](const char* prefix) { return line.rfind(prefix, 0) == 0; };
  if (starts("HELO ") || starts("EHLO ")) {
    session.Send("250 scripted\r\n");
  } else if (line == "DATA") {
    session.inData = true;
    session.Send("354 End data with <CR><LF>.<CR><LF>\r\n");
  } else if (line == "QUIT") {
    session.Send("221 2.0.0 Bye\r\n");
    session.Close();
  } else {
    session.Send("250 2.1.0 Ok\r\n");
  }
}

}  // namespace norvane::test
