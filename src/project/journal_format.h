// The run journal's text format. One record per line, fields separated by a
// tab, every byte that could end a field or a line escaped, so a record is
// always one line whatever a server or an imported address holds:
//
//   norvane-journal 1                                    first line
//   O <time> <row> <address> <code> <result> <reply> <transcript>   an outcome
//   H <time> <row> <address>                             the message was handed over
//   S <time>                                             the project file holds all above
//
// Rows count from 1. A record the process was killed in the middle of has no
// line end and is ignored, as is any line that does not parse: the journal is
// read after crashes, so damage costs that record, never the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

inline constexpr char kJournalHeader[] = "norvane-journal 1\n";

struct JournalRecord {
  enum Kind : char { kOutcome = 'O', kHandedOver = 'H', kSaved = 'S' };
  Kind kind = kOutcome;
  std::string time;
  int row = 0;  // from 1
  std::string address;
  int code = 0;
  std::string result;
  std::string reply;  // the server's last reply line
  std::vector<std::string> transcript;
};

// Backslash escapes for backslash, tab, CR, LF and \xHH for other control bytes.
std::string EscapeJournalField(std::string_view text);
std::string UnescapeJournalField(std::string_view text);
// A list field (the transcript): escaped items joined by "\N", which no escaped
// text contains, so lines holding any byte at all come back as they were.
std::vector<std::string> UnescapeJournalList(std::string_view text);

// One line, ending in LF.
std::string FormatJournalRecord(const JournalRecord& record);

struct JournalContents {
  std::vector<JournalRecord> records;
  std::size_t damagedLines = 0;  // lines that did not parse (a torn last line included)
  bool recognised = false;       // the header line was there
};

JournalContents ParseJournal(std::string_view bytes);
// One line without its LF; false when it is not a whole record.
bool ParseJournalRecord(std::string_view line, JournalRecord& record);

// The last reply line of a transcript: its last line that starts with three digits.
std::string LastReplyOf(const std::vector<std::string>& transcript);

// "2026-12-10T11:24:19+0100" for the clock's current local time.
std::string JournalTimeNow();

}  // namespace norvane
