// `norvane results PROJECT.nvp [--csv | --json] [--failed] [--detail]`: the
// recipient list as the main window shows it: every row's check mark,
// address, last result and fields, as an aligned table, as comma-separated
// values (RFC 4180 quoting, a header line) or as a JSON array with one object
// per row (RFC 8259; the fields keyed by their column's caption). --failed keeps the rows whose last attempt
// did not deliver: failed, aborted, and those a stopped or killed run left in "Sending...". --detail adds
// each row's outcome code, its meaning and the server's last reply from the run journal. Results of an
// interrupted run still in the journal are shown as recovered (the file is not changed). Text goes out as
// UTF-8, control characters escaped.
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/outcome_meaning.h"
#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/terminal_text.h"
#include "platform/codepage.h"
#include "project/project_file.h"
#include "project/run_journal.h"

namespace norvane::cli {

namespace {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos &&
      (text.empty() || (text.front() != ' ' && text.back() != ' ')))
    return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// A JSON string of ANSI text: UTF-8, with quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& ansi) {
  std::string out = "\"";
  for (char c : AnsiToUtf8(ansi)) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      char text[8];
      std::snprintf(text, sizeof text, "\\u%04x", byte);
      out += text;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// Control characters would break the table's lines; they show as blanks.
std::string Cell(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < ' ') c = ' ';
  return text;
}

struct LastOutcome {
  bool known = false;
  int code = 0;
  std::string reply;  // the server's last reply line
};

// The last outcome the journal holds for every row that still holds its address, read a line at
// a time and without the transcripts, so a journal of a million rows costs a few bytes per row.
std::vector<LastOutcome> LastOutcomes(const ProjectModel& model, const std::string& project) {
  std::vector<LastOutcome> last(model.Items.size());
  ScanJournalFile(TRunJournal::PathFor(project), 0, [&](JournalRecord& record, uint64_t, std::size_t) {
    if (record.kind != JournalRecord::kOutcome) return;
    std::size_t position = static_cast<std::size_t>(record.row) - 1;
    if (position < model.Items.size() && model.Items[position].Caption == record.address)
      last[position] = {true, record.code, std::move(record.reply)};
  });
  return last;
}

}  // namespace

int ResultsCommand(const Args& args) {
  OptionParser parser(args, {}, {"--csv", "--json", "--failed", "--detail"});
  if (parser.Has("--csv") && parser.Has("--json"))
    throw std::invalid_argument("results takes --csv or --json, not both");
  if (parser.Positional().size() != 1) throw std::invalid_argument("results needs one project file");
  const std::string& project = parser.Positional()[0];
  ProjectModel model;
  LoadProject(model, project);
  JournalContents journal = TRunJournal::Read(project, true);
  if (std::string text = RecoveryText(ReplayJournal(model, journal)); !text.empty())
    std::fprintf(stderr, "%s\n", ForTerminal(text).c_str());
  bool onlyFailed = parser.Has("--failed");
  bool detail = parser.Has("--detail");
  std::vector<LastOutcome> outcomes;
  if (detail) outcomes = LastOutcomes(model, project);

  // Rows of ANSI cells: check, email, result, fields.
  std::vector<std::string> header{"Checked", "Email", "Result"};
  for (std::size_t k = 2; k < model.Columns.size(); ++k) header.push_back(model.Columns[k].Caption);
  if (detail) header.insert(header.end(), {"Code", "Meaning", "Last reply"});
  std::vector<std::vector<std::string>> rows;
  std::vector<std::size_t> positions;
  int delivered = 0, failed = 0, pending = 0;
  for (std::size_t position = 0; position < model.Items.size(); ++position) {
    const TListItem& item = model.Items[position];
    bool notDelivered = item.ImageIndex == kImageFailed || item.ImageIndex == kImageSending;
    if (item.ImageIndex == kImageDelivered)
      ++delivered;
    else if (notDelivered)
      ++failed;
    else
      ++pending;
    if (onlyFailed && !notDelivered) continue;
    std::vector<std::string> row{item.Checked() ? "x" : "", item.Caption, item.SubItem(0)};
    for (std::size_t k = 2; k < model.Columns.size(); ++k) row.push_back(item.SubItem(k - 1));
    if (detail) {
      const LastOutcome& outcome = outcomes[position];
      row.push_back(outcome.known ? std::to_string(outcome.code) : "");
      row.push_back(outcome.known ? Utf8ToAnsi(OutcomeMeaning(outcome.code)) : "");
      row.push_back(outcome.reply);
    }
    rows.push_back(std::move(row));
    positions.push_back(position);
  }

  std::string out;
  if (parser.Has("--json")) {
    // Cells in the order of `header`: check, email, result, the fields, then the detail.
    const std::size_t fields = model.Columns.size() > 2 ? model.Columns.size() - 2 : 0;
    out += "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const auto& row = rows[i];
      out += i ? ",\n " : "\n ";
      out += "{\"row\": " + std::to_string(positions[i] + 1) +
             ", \"checked\": " + (row[0].empty() ? "false" : "true") + ", \"email\": " + JsonString(row[1]) +
             ", \"result\": " + JsonString(row[2]) + ", \"fields\": {";
      for (std::size_t f = 0; f < fields; ++f)
        out += (f ? ", " : "") + JsonString(header[3 + f]) + ": " + JsonString(row[3 + f]);
      out += "}";
      if (detail) {
        const std::string& code = row[3 + fields];
        out += ", \"code\": " + (code.empty() ? std::string("null") : code) +
               ", \"meaning\": " + JsonString(row[4 + fields]) +
               ", \"last_reply\": " + JsonString(row[5 + fields]);
      }
      out += "}";
    }
    out += rows.empty() ? "]\n" : "\n]\n";
  } else if (parser.Has("--csv")) {
    for (std::size_t i = 0; i <= rows.size(); ++i) {
      const auto& row = i == 0 ? header : rows[i - 1];
      std::string line;
      for (std::size_t c = 0; c < row.size(); ++c) line += (c ? "," : "") + CsvField(row[c]);
      out += AnsiToUtf8(line) + "\r\n";
    }
  } else {
    // One byte is one character in the ANSI code page, so byte counts align the columns.
    header[0] = "";
    std::vector<std::size_t> width(header.size(), 0);
    for (std::size_t c = 0; c < header.size(); ++c) width[c] = header[c].size();
    for (auto& row : rows)
      for (std::size_t c = 0; c < row.size(); ++c) {
        row[c] = Cell(row[c]);
        width[c] = std::max(width[c], row[c].size());
      }
    width[0] = 3;
    auto format = [&](const std::vector<std::string>& row, bool isHeader) {
      std::string line = isHeader ? "   " : (row[0].empty() ? "[ ]" : "[x]");
      for (std::size_t c = 1; c < row.size(); ++c) {
        line += "  " + row[c];
        if (c + 1 < row.size()) line.append(width[c] - row[c].size(), ' ');
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
      return ForTerminal(line) + "\n";
    };
    out += format(header, true);
    for (const auto& row : rows) out += format(row, false);
    out += CountOf(model.Items.size(), "recipient") + ": " + std::to_string(delivered) + " delivered, " +
           std::to_string(failed) + " not delivered, " + std::to_string(pending) + " not sent yet\n";
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace norvane::cli
