// An SMTP server for the faults a real server will not produce on demand:
// the test scripts what it sends, when, and in how many writes. It runs on the
// test's event loop over the system's own sockets, on 127.0.0.1 and a port of
// the kernel's choosing, and takes one client at a time.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/wsocket.h"
#include "support/run_until.h"

namespace norvane::test {

class ScriptedSmtpServer {
 public:
  explicit ScriptedSmtpServer(EventLoop& loop);
  ~ScriptedSmtpServer();

  const std::string& port() const { return port_; }

  // Writes `bytes` to the client now, as one write.
  void Send(const std::string& bytes);
  // Writes each piece as its own write, `gapMs` apart, so the client reads them separately.
  void SendPieces(std::vector<std::string> pieces, uint32_t gapMs = 30);
  // Ends the connection to the client.
  void Disconnect();

  // Called when a client connects (typically sends the greeting).
  std::function<void()> onConnect;
  // Called for every line the client sends, without its CR LF, the lines of
  // the message text included.
  std::function<void(const std::string& line)> onLine;

  // Everything received, line by line.
  std::vector<std::string> lines;
  bool connected() const { return peer_ != nullptr; }
  int connections = 0;

 private:
  void Read();

  EventLoop& loop_;
  _TWSocket listener_;
  std::unique_ptr<_TWSocket> peer_;
  std::string port_;
  std::string pending_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The standard replies of a server that accepts everything, for scripts that
// change only one of them. Returns true when it answered.
bool AnswerLikeAnAcceptingServer(ScriptedSmtpServer& server, const std::string& line, bool& inData);

}  // namespace norvane::test
