#include "app/standard_headers.h"

#include <unistd.h>

#include <cstdio>
#include <random>

#include "platform/codepage.h"
#include "settings/ini_data.h"

namespace norvane {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         AnsiLowerCase(text.substr(0, prefix.size())) == AnsiLowerCase(prefix);
}

// The Date line ends in a zone when its last word is "+hhmm", "-hhmm" or a letter zone like "GMT".
bool HasZone(std::string_view dateLine) {
  std::size_t blank = dateLine.find_last_of(' ');
  if (blank == std::string_view::npos) return false;
  std::string_view last = dateLine.substr(blank + 1);
  if (last.empty()) return false;
  if (last[0] == '+' || last[0] == '-') return true;
  return last.find(':') == std::string_view::npos && !(last[0] >= '0' && last[0] <= '9');
}

}  // namespace

bool StandardHeadersEnabled(TINI& ini) {
  TINIArquivo& file = ini.INIArquivo1();
  std::string text = file.ReadString(kStandardHeadersSection, kStandardHeadersKey, kStandardHeadersDefault);
  return AnsiLowerCase(text) == AnsiLowerCase(file.TrueWord());
}

std::string ZoneText(int utcOffsetMinutes) {
  char sign = utcOffsetMinutes < 0 ? '-' : '+';
  int minutes = utcOffsetMinutes < 0 ? -utcOffsetMinutes : utcOffsetMinutes;
  char text[16];
  std::snprintf(text, sizeof text, " %c%02d%02d", sign, minutes / 60 % 100, minutes % 60);
  return text;
}

std::string UniqueMessageIdPart(const LocalDateTime& now) {
  static unsigned counter = 0;
  static std::mt19937_64 random{(static_cast<uint64_t>(std::random_device{}()) << 32) ^
                                std::random_device{}()};
  char text[96];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d.%ld.%u.%016llx", now.year, now.month, now.day,
                now.hour, now.minute, now.second, static_cast<long>(::getpid()), ++counter,
                static_cast<unsigned long long>(random()));
  return text;
}

void AddStandardHeaders(std::vector<std::string>& hdrLines, std::string_view domain,
                        const LocalDateTime& now) {
  bool hasMessageId = false;
  std::size_t insertAt = hdrLines.size();
  // The composed header may already end with its blank separator line.
  if (insertAt > 0 && hdrLines.back().empty()) --insertAt;
  for (std::size_t i = 0; i < hdrLines.size(); ++i) {
    std::string& line = hdrLines[i];
    if (StartsWithNoCase(line, "Message-ID:")) hasMessageId = true;
    if (StartsWithNoCase(line, "Date: ")) {
      if (!HasZone(line)) line += ZoneText(now.utcOffsetMinutes);
      insertAt = i + 1;
    }
  }
  if (!hasMessageId)
    hdrLines.insert(hdrLines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                    "Message-ID: <" + UniqueMessageIdPart(now) + "@" + std::string(domain) + ">");
}

}  // namespace norvane
