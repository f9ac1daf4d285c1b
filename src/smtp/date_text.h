// The two texts of a message that depend on the local time: the "Date: "
// header value and the multipart boundary. Both take the time as given so the
// caller decides which clock is read (CurrentClock() in the client).
#pragma once

#include <string>

#include "platform/clock.h"

namespace norvane {

// "ddd, d mmm yyyy hh:mm:ss" with English day and month names whatever the
// locale, and no time-zone part: "Tue, 9 Mar 2004 14:05:33".
std::string SmtpDateText(const LocalDateTime& now);

// "= Multipart Boundary " + "mmddyyhhnn": two messages composed within the
// same minute share it.
std::string MultipartBoundary(const LocalDateTime& now);

}  // namespace norvane
