// `norvane log PROJECT.nvp [--row N | --address A]`: the transcripts the run
// journal holds (the DNS steps, the hosts tried, every command and reply of
// each recipient's last attempt, and of earlier attempts not yet compacted
// away), oldest first, for every row or for one row or address.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/outcome_meaning.h"
#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/terminal_text.h"
#include "platform/codepage.h"
#include "project/run_journal.h"

namespace norvane::cli {

int LogCommand(const Args& args) {
  OptionParser parser(args, {"--row", "--address"}, {});
  if (parser.Positional().size() != 1) throw std::invalid_argument("log needs one project file");
  if (parser.Has("--row") && parser.Has("--address"))
    throw std::invalid_argument("give --row or --address, not both");
  const std::string& project = parser.Positional()[0];
  std::optional<long> row = parser.Number("--row", 1, 1L << 30);
  std::optional<std::string> address;
  if (auto text = parser.Value("--address")) address = AnsiLowerCase(Utf8ToAnsi(*text));

  // Printed as it is read: a journal of a million outcomes is never held whole.
  int shown = 0;
  const JournalScan scan =
      ScanJournalFile(TRunJournal::PathFor(project), 0, [&](JournalRecord& record, uint64_t, std::size_t) {
        if (record.kind == JournalRecord::kSaved) return;
        if (row && record.row != *row) return;
        if (address && AnsiLowerCase(record.address) != *address) return;
        ++shown;
        std::string head = "Row " + std::to_string(record.row) + "  " + record.address + "  " + record.time;
        if (record.kind == JournalRecord::kHandedOver) {
          std::printf("%s  handed over (final \".\" sent)\n", ForTerminal(head).c_str());
          return;
        }
        std::printf("%s  %d %s\n", ForTerminal(head).c_str(), record.code,
                    ForTerminal(record.result).c_str());
        std::printf("  %s\n", EscapeControls(OutcomeMeaning(record.code)).c_str());
        for (const std::string& line : record.transcript) std::printf("    %s\n", ForTerminal(line).c_str());
      });
  if (!scan.exists) {
    std::fprintf(stderr, "norvane log: %s has no run journal yet\n", EscapeControls(project).c_str());
    return 1;
  }
  if (scan.damagedLines > 0)
    std::fprintf(stderr, "norvane log: %zu damaged journal lines skipped\n", scan.damagedLines);
  if (shown == 0) {
    std::fprintf(stderr, "norvane log: no journal records for %s\n",
                 row       ? ("row " + std::to_string(*row)).c_str()
                 : address ? EscapeControls(AnsiToUtf8(*address)).c_str()
                           : "this project");
    return 1;
  }
  return 0;
}

}  // namespace norvane::cli
