// Two header lines large mailbox providers and RFC 5322 expect and the
// message composition does not write: a Message-ID (providers refuse mail
// without one, 550 5.7.1) and the numeric zone on the Date line (RFC 5322
// section 3.3 makes the zone mandatory). Added per copy, on top of the
// composed header, when the setting Message / StandardHeaders is true.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"

namespace norvane {

class TINI;

inline constexpr char kStandardHeadersSection[] = "Message";
inline constexpr char kStandardHeadersKey[] = "StandardHeaders";
inline constexpr char kStandardHeadersDefault[] = "true";

// The setting, read afresh (true unless stored as anything but the true word).
bool StandardHeadersEnabled(TINI& ini);

// " +hhmm" / " -hhmm" for a local time `utcOffsetMinutes` ahead of UTC.
std::string ZoneText(int utcOffsetMinutes);

// A left part for a Message-ID that no other message of this or another
// process shares: the time, the process id, a counter and random bits.
std::string UniqueMessageIdPart(const LocalDateTime& now);

// Adds "Message-ID: <unique@domain>" after the Date line (or at the end) and
// the zone to the "Date: " line. A header that already has a Message-ID or a
// zone on its Date line keeps it. `domain` is the sender's domain.
void AddStandardHeaders(std::vector<std::string>& hdrLines, std::string_view domain,
                        const LocalDateTime& now);

}  // namespace norvane
