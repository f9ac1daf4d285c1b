// Where the sandbox's SMTP sessions put what they accept. Message text arrives
// in pieces as it is received, so nothing holds a whole message in memory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvane {

struct Envelope {
  std::string sender;                   // MAIL FROM path, without the angle brackets
  std::vector<std::string> recipients;  // accepted RCPT TO paths, in order
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;

  // A message starts; returns its identifier, or an empty string when it cannot
  // be stored (the session then refuses DATA with a temporary error).
  virtual std::string BeginMessage(const Envelope& envelope) = 0;
  // The message text as received, dot-stuffing undone, line ends included.
  virtual void AppendMessageData(std::string_view bytes) = 0;
  // The message is complete and `reply` is what the client will be told;
  // false when it could not be kept (the client is then told 451 instead).
  virtual bool EndMessage(std::string_view reply) = 0;
  // The message started by BeginMessage is not to be kept.
  virtual void AbandonMessage() = 0;
  // A recipient was refused; recorded so a test send's failures can be read back.
  virtual void RecordRefusal(std::string_view sender, std::string_view recipient, std::string_view reply) = 0;
};

}  // namespace norvane
