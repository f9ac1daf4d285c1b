#include "project/journal_format.h"

#include <charconv>
#include <cstdio>

#include "platform/clock.h"

namespace norvane {
namespace {

bool ParseInt(std::string_view text, int& value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7f || c == '\\';
}

// Appends `text` escaped; runs of plain bytes (nearly everything) go in whole.
void AppendEscaped(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (!NeedsEscape(c)) continue;
    out.append(text.data() + plain, i - plain);
    plain = i + 1;
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default: {
        const char escape[4] = {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
        out.append(escape, 4);
      }
    }
  }
  out.append(text.data() + plain, text.size() - plain);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseJournalRecord(std::string_view line, JournalRecord& record) {
  std::vector<std::string_view> f = SplitTabs(line);
  if (f.empty() || f[0].size() != 1) return false;
  record = JournalRecord{};
  switch (f[0][0]) {
    case 'S':
      if (f.size() != 2) return false;
      record.kind = JournalRecord::kSaved;
      record.time = UnescapeJournalField(f[1]);
      return true;
    case 'H':
      if (f.size() != 4) return false;
      record.kind = JournalRecord::kHandedOver;
      break;
    case 'O':
      if (f.size() != 8) return false;
      record.kind = JournalRecord::kOutcome;
      if (!ParseInt(f[4], record.code)) return false;
      record.result = UnescapeJournalField(f[5]);
      record.reply = UnescapeJournalField(f[6]);
      if (!f[7].empty()) record.transcript = UnescapeJournalList(f[7]);
      break;
    default:
      return false;
  }
  record.time = UnescapeJournalField(f[1]);
  if (!ParseInt(f[2], record.row) || record.row < 1) return false;
  record.address = UnescapeJournalField(f[3]);
  return true;
}

std::string EscapeJournalField(std::string_view text) {
  std::string out;
  AppendEscaped(out, text);
  return out;
}

std::string UnescapeJournalField(std::string_view text) {
  std::vector<std::string> items = UnescapeJournalList(text);
  std::string out = items[0];
  for (std::size_t i = 1; i < items.size(); ++i) out += "\\N" + items[i];
  return out;
}

std::vector<std::string> UnescapeJournalList(std::string_view text) {
  std::vector<std::string> items(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::string& out = items.back();
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char next = text[++i];
    switch (next) {
      case 'N':
        items.emplace_back();
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 'x':
        if (i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
          out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
          i += 2;
        } else {
          out += "\\x";
        }
        break;
      default:
        out += next;  // "\\" and anything unknown stand for the character itself
    }
  }
  return items;
}

std::string FormatJournalRecord(const JournalRecord& record) {
  std::size_t size =
      64 + record.time.size() + record.address.size() + record.result.size() + record.reply.size();
  for (const std::string& line : record.transcript) size += line.size() + 2;
  std::string line;
  line.reserve(size);
  line += static_cast<char>(record.kind);
  line += '\t';
  AppendEscaped(line, record.time);
  if (record.kind != JournalRecord::kSaved) {
    line += '\t';
    line += std::to_string(record.row);
    line += '\t';
    AppendEscaped(line, record.address);
  }
  if (record.kind == JournalRecord::kOutcome) {
    line += '\t';
    line += std::to_string(record.code);
    line += '\t';
    AppendEscaped(line, record.result);
    line += '\t';
    AppendEscaped(line, record.reply);
    line += '\t';
    for (std::size_t i = 0; i < record.transcript.size(); ++i) {
      if (i) line += "\\N";
      AppendEscaped(line, record.transcript[i]);
    }
  }
  line += '\n';
  return line;
}

JournalContents ParseJournal(std::string_view bytes) {
  JournalContents contents;
  std::size_t start = 0;
  std::string_view header(kJournalHeader);
  if (bytes.substr(0, header.size()) == header) {
    contents.recognised = true;
    start = header.size();
  }
  while (start < bytes.size()) {
    std::size_t lf = bytes.find('\n', start);
    if (lf == std::string_view::npos) {
      ++contents.damagedLines;  // cut off by a crash in the middle of the write
      break;
    }
    JournalRecord record;
    if (ParseJournalRecord(bytes.substr(start, lf - start), record))
      contents.records.push_back(std::move(record));
    else
      ++contents.damagedLines;
    start = lf + 1;
  }
  return contents;
}

std::string LastReplyOf(const std::vector<std::string>& transcript) {
  for (auto it = transcript.rbegin(); it != transcript.rend(); ++it) {
    const std::string& line = *it;
    if (line.size() >= 3 && line[0] >= '1' && line[0] <= '5' && line[1] >= '0' && line[1] <= '9' &&
        line[2] >= '0' && line[2] <= '9' && (line.size() == 3 || line[3] == ' ' || line[3] == '-'))
      return line;
  }
  return {};
}

std::string JournalTimeNow() {
  LocalDateTime now = CurrentClock().Now();
  int offset = now.utcOffsetMinutes < 0 ? -now.utcOffsetMinutes : now.utcOffsetMinutes;
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second, now.utcOffsetMinutes < 0 ? '-' : '+', offset / 60 % 100,
                offset % 60);
  return text;
}

}  // namespace norvane
