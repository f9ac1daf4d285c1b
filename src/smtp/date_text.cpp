#include "smtp/date_text.h"

#include <cstdio>

namespace norvane {
namespace {

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Out-of-range fields come only from a broken clock; they must not index past the tables.
const char* Pick(const char* const* names, int count, int index) {
  return index >= 0 && index < count ? names[index] : "???";
}

}  // namespace

std::string SmtpDateText(const LocalDateTime& now) {
  char text[64];
  (void)std::snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d", Pick(kDays, 7, now.dayOfWeek),
                      now.day, Pick(kMonths, 12, now.month - 1), now.year, now.hour, now.minute, now.second);
  return text;
}

std::string MultipartBoundary(const LocalDateTime& now) {
  char digits[32];
  (void)std::snprintf(digits, sizeof digits, "%02d%02d%02d%02d%02d", now.month, now.day, now.year % 100,
                      now.hour, now.minute);
  return std::string("= Multipart Boundary ") + digits;
}

}  // namespace norvane
