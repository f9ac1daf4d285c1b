#include "sandbox/smtp_session.h"

#include <cctype>
#include <utility>

#include "sandbox/outcome_script.h"

namespace norvane {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) !=
        std::toupper(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Text of the client's that is echoed in a reply must not be able to end the
// reply line early or smuggle a second one.
std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return out;
}

// The path of "FROM:<path> params" / "TO:<path> params" (the keyword and colon
// already removed). Lenient about blanks after the colon and a path without
// brackets, as many clients send those. False when there is no usable path.
bool ParsePath(std::string_view text, std::string& path) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '<') {
    size_t close = text.find('>');
    if (close == std::string_view::npos) return false;
    path.assign(text.substr(1, close - 1));
  } else {
    path.assign(text.substr(0, text.find(' ')));
    if (path.empty()) return false;
  }
  // A source route ("@relay,@relay:user@domain", RFC 5321 4.1.2) is obsolete and ignored.
  if (!path.empty() && path.front() == '@') {
    size_t colon = path.find(':');
    if (colon == std::string::npos) return false;
    path.erase(0, colon + 1);
  }
  return true;
}

}  // namespace

SandboxSmtpSession::SandboxSmtpSession(MessageSink& sink, std::string hostName, uint64_t maxMessageBytes)
    : sink_(sink), hostName_(std::move(hostName)), maxMessageBytes_(maxMessageBytes) {}

SandboxSmtpSession::~SandboxSmtpSession() {
  if (messageOpen_) sink_.AbandonMessage();
}

void SandboxSmtpSession::Start() {
  Send("220 " + hostName_ + " ESMTP Norvane sandbox ready");
}

void SandboxSmtpSession::Feed(std::string_view bytes) {
  while (!bytes.empty() && state_ != State::kClosed) {
    size_t lf = bytes.find('\n');
    std::string_view chunk = bytes.substr(0, lf == std::string_view::npos ? bytes.size() : lf + 1);
    bytes.remove_prefix(chunk.size());
    size_t cap = state_ == State::kData ? kMaxTextLine : kMaxCommandLine;
    if (lf != std::string_view::npos && line_.empty() && !lineOverlong_ && chunk.size() <= cap) {
      HandleLine(chunk, false);  // a whole line within one read needs no copy
      continue;
    }
    if (!lineOverlong_ && line_.size() + chunk.size() <= cap) {
      line_.append(chunk);
    } else {
      lineOverlong_ = true;  // the rest of this line is skipped, never buffered
    }
    if (lf == std::string_view::npos) break;
    bool overlong = lineOverlong_;
    lineOverlong_ = false;
    HandleLine(line_, overlong);
    line_.clear();  // keeps its capacity: no allocation per line of a long message
  }
}

void SandboxSmtpSession::ConnectionLost() {
  if (messageOpen_) {
    messageOpen_ = false;
    sink_.AbandonMessage();
  }
  state_ = State::kClosed;
}

void SandboxSmtpSession::IdleTimeout() {
  if (state_ == State::kClosed) return;
  Send("421 4.4.2 " + hostName_ + " Error: timeout exceeded");
  Close();
}

std::deque<SmtpAction> SandboxSmtpSession::TakeActions() {
  return std::exchange(actions_, {});
}

void SandboxSmtpSession::HandleLine(std::string_view line, bool overlong) {
  if (state_ == State::kData) {
    HandleDataLine(line, overlong);
    return;
  }
  if (overlong) {
    Refuse("500 5.5.2 Line too long");
    return;
  }
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  HandleCommand(line);
}

void SandboxSmtpSession::HandleCommand(std::string_view line) {
  size_t space = line.find(' ');
  std::string_view verb = line.substr(0, space);
  std::string_view argument = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
  auto is = [&](std::string_view name) { return verb.size() == name.size() && StartsWithNoCase(verb, name); };

  if (is("HELO") || is("EHLO")) {
    Helo(verb, TrimBlanks(argument));
  } else if (is("MAIL")) {
    Mail(argument);
  } else if (is("RCPT")) {
    Rcpt(argument);
  } else if (is("DATA")) {
    Data(TrimBlanks(argument));
  } else if (is("RSET")) {
    ResetTransaction();
    Send("250 2.0.0 Ok");
  } else if (is("NOOP")) {
    Send("250 2.0.0 Ok");
  } else if (is("VRFY")) {
    Send("252 2.0.0 Cannot verify the user; send mail and see");
  } else if (is("HELP")) {
    Send("214 2.0.0 Commands: HELO EHLO MAIL RCPT DATA RSET NOOP VRFY HELP QUIT");
  } else if (is("QUIT")) {
    Send("221 2.0.0 Bye");
    Close();
  } else if (TrimBlanks(line).empty()) {
    Refuse("500 5.5.2 Error: bad syntax");
  } else {
    Refuse("502 5.5.2 Command not recognized");
  }
}

void SandboxSmtpSession::Helo(std::string_view verb, std::string_view argument) {
  bool extended = StartsWithNoCase(verb, "EHLO");
  if (argument.empty()) {
    Refuse(extended ? "501 5.5.4 Syntax: EHLO hostname" : "501 5.5.4 Syntax: HELO hostname");
    return;
  }
  ResetTransaction();  // RFC 5321 4.1.4: HELO/EHLO clears any transaction
  if (extended) {
    Send("250-" + hostName_ + "\r\n250-PIPELINING\r\n250-8BITMIME\r\n250 ENHANCEDSTATUSCODES");
  } else {
    Send("250 " + hostName_);
  }
}

void SandboxSmtpSession::Mail(std::string_view argument) {
  if (haveSender_) {
    Refuse("503 5.5.1 Error: nested MAIL command");
    return;
  }
  std::string path;
  if (!StartsWithNoCase(argument, "FROM:") || !ParsePath(argument.substr(5), path)) {
    Refuse("501 5.5.4 Syntax: MAIL FROM:<address>");
    return;
  }
  haveSender_ = true;
  envelope_.sender = std::move(path);
  Send("250 2.1.0 Ok");
}

void SandboxSmtpSession::Rcpt(std::string_view argument) {
  if (!haveSender_) {
    Refuse("503 5.5.1 Error: need MAIL command");
    return;
  }
  std::string path;
  if (!StartsWithNoCase(argument, "TO:") || !ParsePath(argument.substr(3), path) || path.empty()) {
    Refuse("501 5.5.4 Syntax: RCPT TO:<address>");
    return;
  }
  if (envelope_.recipients.size() >= kMaxRecipients) {
    Send("452 4.5.3 Error: too many recipients");
    return;
  }
  std::string shown = "<" + Printable(path) + ">";
  auto refuse = [&](std::string reply) {
    sink_.RecordRefusal(envelope_.sender, path, reply);
    Send(std::move(reply));
  };
  ScriptedOutcome outcome = OutcomeForRecipient(path);
  switch (outcome.kind) {
    case ScriptedOutcome::Kind::kReject550:
      refuse("550 5.1.1 " + shown + ": Recipient address rejected: mailbox unavailable (scripted)");
      return;
    case ScriptedOutcome::Kind::kFull552:
      refuse("552 5.2.2 " + shown + ": Mailbox full (scripted)");
      return;
    case ScriptedOutcome::Kind::kTempfail450:
      if (outcome.failures > 0 && tryCounts_) {
        if (++(*tryCounts_)[LowerScriptText(path)] > outcome.failures) break;
      }
      refuse("450 4.2.0 " + shown + ": Mailbox temporarily unavailable (scripted)");
      return;
    case ScriptedOutcome::Kind::kDrop:
      sink_.RecordRefusal(envelope_.sender, path, "(connection dropped, scripted)");
      Close();
      return;
    case ScriptedOutcome::Kind::kSlow:
      actions_.push_back({SmtpAction::Kind::kWait, {}, outcome.delaySeconds * 1000u});
      break;
    case ScriptedOutcome::Kind::kAccept:
      break;
  }
  envelope_.recipients.push_back(std::move(path));
  Send("250 2.1.5 Ok");
}

void SandboxSmtpSession::Data(std::string_view argument) {
  if (!argument.empty()) {
    Refuse("501 5.5.4 Syntax: DATA");
  } else if (!haveSender_) {
    Refuse("503 5.5.1 Error: need MAIL command");
  } else if (envelope_.recipients.empty()) {
    Refuse("503 5.5.1 Error: need RCPT command");
  } else if (messageId_ = sink_.BeginMessage(envelope_); messageId_.empty()) {
    Send("451 4.3.0 Error: cannot store message");
  } else {
    messageOpen_ = true;
    messageBytes_ = 0;
    messageBad_ = false;
    previousLineEndedCrlf_ = true;
    state_ = State::kData;
    Send("354 Start mail input; end with <CRLF>.<CRLF>");
  }
}

void SandboxSmtpSession::HandleDataLine(std::string_view line, bool overlong) {
  // Only CR LF "." CR LF ends the text (RFC 5321 4.1.1.4). A bare LF on either
  // side is not accepted as an end: servers that differ on that are how a
  // second message gets smuggled inside the first.
  bool ended = previousLineEndedCrlf_;
  previousLineEndedCrlf_ = line.size() >= 2 && line.substr(line.size() - 2) == "\r\n";
  if (!overlong && ended && line == ".\r\n") {
    state_ = State::kCommand;
    messageOpen_ = false;
    if (messageBad_) {
      sink_.AbandonMessage();
      Send("500 5.5.2 Line too long");
    } else if (messageBytes_ > maxMessageBytes_) {
      sink_.AbandonMessage();
      Send("552 5.3.4 Message size exceeds fixed limit");
    } else {
      std::string reply = "250 2.0.0 Ok: queued as " + messageId_;
      Send(sink_.EndMessage(reply) ? reply : "451 4.3.0 Error: cannot store message");
    }
    ResetTransaction();
    return;
  }
  if (overlong) {
    messageBad_ = true;
    return;
  }
  if (!line.empty() && line.front() == '.') line.remove_prefix(1);  // RFC 5321 4.5.2
  messageBytes_ += line.size();
  // Past the limit nothing more is written; the message is refused at its end.
  if (!messageBad_ && messageBytes_ <= maxMessageBytes_) sink_.AppendMessageData(line);
}

void SandboxSmtpSession::ResetTransaction() {
  haveSender_ = false;
  envelope_ = {};
}

void SandboxSmtpSession::Send(std::string text) {
  text += "\r\n";
  if (!actions_.empty() && actions_.back().kind == SmtpAction::Kind::kSend) {
    actions_.back().bytes += text;  // pipelined replies leave in one write
  } else {
    actions_.push_back({SmtpAction::Kind::kSend, std::move(text), 0});
  }
}

void SandboxSmtpSession::Refuse(std::string text) {
  Send(std::move(text));
  if (++errors_ >= kMaxErrors) {
    Send("421 4.7.0 " + hostName_ + " Too many errors, closing connection");
    Close();
  }
}

void SandboxSmtpSession::Close() {
  if (messageOpen_) {
    messageOpen_ = false;
    sink_.AbandonMessage();
  }
  actions_.push_back({SmtpAction::Kind::kClose, {}, 0});
  state_ = State::kClosed;
}

}  // namespace norvane
