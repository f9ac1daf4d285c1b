// `norvane results PROJECT.nvp [--csv] [--failed] [--detail]`: the recipient
// list as the main window shows it: every row's check mark, address, last
// result and fields, as an aligned table or as comma-separated values (RFC
// 4180 quoting, a header line). --failed keeps the rows whose last attempt did
// not deliver: failed, aborted, and those a stopped or killed run left in
// "Sending...". --detail adds each row's outcome code, its meaning and the
// server's last reply from the run journal. Results of an interrupted run
// still in the journal are shown as recovered (the file is not changed).
// Text goes out as UTF-8, control characters escaped.
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

// Control characters would break the table's lines; they show as blanks.
std::string Cell(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < ' ') c = ' ';
  return text;
}

// The last outcome the journal holds for every row that still holds its address.
std::vector<const JournalRecord*> LastOutcomes(const ProjectModel& model, const JournalContents& journal) {
  std::vector<const JournalRecord*> last(model.Items.size(), nullptr);
  for (const JournalRecord& record : journal.records) {
    if (record.kind != JournalRecord::kOutcome) continue;
    std::size_t position = static_cast<std::size_t>(record.row) - 1;
    if (position < model.Items.size() && model.Items[position].Caption == record.address)
      last[position] = &record;
  }
  return last;
}

}  // namespace

int ResultsCommand(const Args& args) {
  OptionParser parser(args, {}, {"--csv", "--failed", "--detail"});
  if (parser.Positional().size() != 1) throw std::invalid_argument("results needs one project file");
  const std::string& project = parser.Positional()[0];
  ProjectModel model;
  LoadProject(model, project);
  JournalContents journal = TRunJournal::Read(project);
  if (std::string text = RecoveryText(ReplayJournal(model, journal)); !text.empty())
    std::fprintf(stderr, "%s\n", ForTerminal(text).c_str());
  bool onlyFailed = parser.Has("--failed");
  bool detail = parser.Has("--detail");
  std::vector<const JournalRecord*> outcomes;
  if (detail) outcomes = LastOutcomes(model, journal);

  // Rows of ANSI cells: check, email, result, fields.
  std::vector<std::string> header{"Checked", "Email", "Result"};
  for (std::size_t k = 2; k < model.Columns.size(); ++k) header.push_back(model.Columns[k].Caption);
  if (detail) header.insert(header.end(), {"Code", "Meaning", "Last reply"});
  std::vector<std::vector<std::string>> rows;
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
      const JournalRecord* outcome = outcomes[position];
      row.push_back(outcome ? std::to_string(outcome->code) : "");
      row.push_back(outcome ? Utf8ToAnsi(OutcomeMeaning(outcome->code)) : "");
      row.push_back(outcome ? outcome->reply : "");
    }
    rows.push_back(std::move(row));
  }

  std::string out;
  if (parser.Has("--csv")) {
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
    out += std::to_string(model.Items.size()) + " recipients: " + std::to_string(delivered) + " delivered, " +
           std::to_string(failed) + " not delivered, " + std::to_string(pending) + " not sent yet\n";
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace norvane::cli
