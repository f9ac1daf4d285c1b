// A mail host for the engine tests, for what a real server will not do on
// demand: replies that never end, a QUIT that fails, a reader that stalls.
// It answers like an accepting server unless the test's script says
// otherwise, takes any number of connections on 127.0.0.1 (port of the
// kernel's choosing), and runs on the test's event loop.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/wsocket.h"

namespace norvane::test {

class ScriptedMailHost {
 public:
  // One client connection.
  class Session {
   public:
    Session(ScriptedMailHost& host, std::unique_ptr<_TWSocket> socket);
    void Send(const std::string& bytes);
    void Close();
    // Stops reading, so the client's data backs up in the network.
    void PauseReading() {
      paused_ = true;
      socket_->Pause();
    }
    // Reads on; with `budget` given, pauses again once that many more bytes arrived.
    void ResumeReading(std::size_t budget = 0);

    std::vector<std::string> lines;  // every line received, message text included
    std::size_t bytesReceived = 0;
    bool inData = false;
    bool closed = false;

   private:
    void Read();

    ScriptedMailHost& host_;
    std::unique_ptr<_TWSocket> socket_;
    std::string pending_;
    std::size_t budget_ = 0;  // 0: no limit
    bool paused_ = false;
  };

  explicit ScriptedMailHost(EventLoop& loop);
  ~ScriptedMailHost();
  ScriptedMailHost(const ScriptedMailHost&) = delete;
  ScriptedMailHost& operator=(const ScriptedMailHost&) = delete;

  const std::string& port() const { return port_; }

  // Sent on every new connection.
  std::string greeting = "220 scripted ESMTP\r\n";
  // Answers a command line, or returns false to leave it to the accepting server.
  std::function<bool(Session&, const std::string& line)> onCommand;
  // Answers the final "." of a message, or returns false for "250 queued".
  std::function<bool(Session&)> onEndOfData;

  std::vector<std::unique_ptr<Session>> sessions;
  // Messages ended with "." so far, over every connection.
  int messages = 0;
  // Commands received over every connection, in order ("RSET", "RCPT TO:<a@b>", ...).
  std::vector<std::string> commands;

 private:
  friend class Session;
  void Line(Session& session, const std::string& line);

  EventLoop& loop_;
  _TWSocket listener_;
  std::string port_;
};

}  // namespace norvane::test
