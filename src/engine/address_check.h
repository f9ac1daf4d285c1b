// Envelope addresses come from imported data and typed settings, and go
// between "<" and ">" of MAIL FROM and RCPT TO as they stand. A ">" there
// ends the path early and lets the rest become command parameters
// ("a@b.test> NOTIFY=SUCCESS ORCPT=rfc822;spy@evil.test"), a "<" or blank
// splits it, and a control character can end the command line itself. Such
// an address is refused before any command is sent (RFC 5321 4.1.2).
#pragma once

#include <string>

namespace norvane {

// False when the address holds "<", ">", a blank or a control character.
bool IsUsableEnvelopeAddress(const std::string& address);

// The address for a message text: control characters shown as \xNN.
std::string PrintableAddress(const std::string& address);

}  // namespace norvane
