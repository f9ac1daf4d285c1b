// The sandbox's scripted outcomes: the local part of a recipient address picks
// how the SMTP server answers for that recipient, so a test send can show real
// failures without a real mail exchanger misbehaving.
//
//   reject-550@...    RCPT refused with 550 (mailbox unknown)
//   full-552@...      RCPT refused with 552 (mailbox full)
//   tempfail-450@...  RCPT refused with 450 (try again later)
//   tempfail-450-N@...  refused with 450 on its first N tries (counted per address by the
//                     sandbox's server), accepted after that: a retry that succeeds
//   slow-N@...        RCPT answered after N seconds (N at most 3600), to see time-outs
//   drop@...          the connection is closed at RCPT, without a reply
//   anything else     accepted and stored
//
// Matching ignores case, and a "+tag" after the keyword is allowed
// ("reject-550+7@example.com"), so one run can hold many scripted recipients.
// The local part is everything before the last "@".
#pragma once

#include <string>
#include <string_view>

namespace norvane {

struct ScriptedOutcome {
  enum class Kind { kAccept, kReject550, kFull552, kTempfail450, kSlow, kDrop };
  Kind kind = Kind::kAccept;
  unsigned delaySeconds = 0;  // kSlow only
  unsigned failures = 0;      // kTempfail450: refused this many times, then accepted; 0: always

  bool operator==(const ScriptedOutcome&) const = default;
};

ScriptedOutcome OutcomeForRecipient(std::string_view address);
// Addresses are matched, and their tries counted, without regard to ASCII case.
std::string LowerScriptText(std::string_view text);

}  // namespace norvane
