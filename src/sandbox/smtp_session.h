// The server side of one SMTP connection of the sandbox, without sockets: it is
// fed the bytes the client sent and produces the actions to take on the
// connection (send bytes, wait, close), in order. Accepted messages go to a
// MessageSink as they stream in.
//
// Commands: HELO, EHLO, MAIL, RCPT, DATA, RSET, NOOP, VRFY, HELP, QUIT; anything
// else is answered 502. Pipelined commands in one read are answered in order.
// Command lines are capped at 512 octets and message lines at 4096 octets
// (both with the line end, RFC 5321 4.5.3.1); the excess is skipped, the
// command is refused with 500, and a message with such a line is refused at its
// end. A line ends at LF; a CR before it belongs to the line end, and stored
// messages keep their line ends exactly as received. Only CR LF "." CR LF ends
// the message text; a "." line next to a bare LF is message text. Recipients are answered as
// OutcomeForRecipient() scripts them. After 20 refused commands the session
// says 421 and closes, so a client talking another protocol cannot loop.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "sandbox/message_sink.h"

namespace norvane {

struct SmtpAction {
  enum class Kind { kSend, kWait, kClose };
  Kind kind = Kind::kSend;
  std::string bytes;    // kSend
  uint32_t waitMs = 0;  // kWait: nothing later is sent before this much time has passed

  bool operator==(const SmtpAction&) const = default;
};

class SandboxSmtpSession {
 public:
  static constexpr size_t kMaxCommandLine = 512;
  static constexpr size_t kMaxTextLine = 4096;
  static constexpr size_t kMaxRecipients = 1000;
  static constexpr int kMaxErrors = 20;

  SandboxSmtpSession(MessageSink& sink, std::string hostName, uint64_t maxMessageBytes = 100ull << 20);
  ~SandboxSmtpSession();
  SandboxSmtpSession(const SandboxSmtpSession&) = delete;
  SandboxSmtpSession& operator=(const SandboxSmtpSession&) = delete;

  // Where the tries of "tempfail-450-N" addresses are counted, shared by the
  // server's sessions; without it such an address is always refused.
  void SetTryCounts(std::unordered_map<std::string, unsigned>* counts) { tryCounts_ = counts; }

  // Queues the greeting.
  void Start();
  // Handles everything complete in `bytes`; a partial line waits for more.
  void Feed(std::string_view bytes);
  // The connection went away: a message being received is abandoned.
  void ConnectionLost();
  // The client has been silent too long: a 421 and a close are queued.
  void IdleTimeout();

  // The actions produced so far, oldest first; the caller performs them in order.
  std::deque<SmtpAction> TakeActions();
  bool closed() const { return state_ == State::kClosed; }

 private:
  enum class State { kCommand, kData, kClosed };

  void HandleLine(std::string_view line, bool overlong);
  void HandleCommand(std::string_view line);
  void HandleDataLine(std::string_view line, bool overlong);
  void Helo(std::string_view verb, std::string_view argument);
  void Mail(std::string_view argument);
  void Rcpt(std::string_view argument);
  void Data(std::string_view argument);
  void ResetTransaction();
  void Send(std::string text);
  void Refuse(std::string text);
  void Close();

  MessageSink& sink_;
  std::unordered_map<std::string, unsigned>* tryCounts_ = nullptr;
  std::string hostName_;
  uint64_t maxMessageBytes_;
  State state_ = State::kCommand;
  std::string line_;  // the partial line received so far, at most the cap
  bool lineOverlong_ = false;
  int errors_ = 0;
  bool haveSender_ = false;
  Envelope envelope_;
  std::string messageId_;
  bool messageOpen_ = false;  // BeginMessage succeeded and neither End nor Abandon followed
  uint64_t messageBytes_ = 0;
  bool messageBad_ = false;  // an over-long line: refuse at the end
  bool previousLineEndedCrlf_ = true;
  std::deque<SmtpAction> actions_;
};

}  // namespace norvane
