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

  // Read a line at a time: a journal of a million outcomes is printed without holding it.
  LineFileReader reader(TRunJournal::PathFor(project));
  if (!reader.exists()) {
    std::fprintf(stderr, "norvane log: %s has no run journal yet\n", EscapeControls(project).c_str());
    return 1;
  }
  std::size_t damaged = 0;
  int shown = 0;
  std::string_view line;
  uint64_t offset = 0;
  bool complete = false;
  while (reader.Next(line, offset, complete)) {
    if (offset == 0 && complete && line == std::string_view(kJournalHeader, sizeof kJournalHeader - 2))
      continue;
    JournalRecord record;
    if (!complete || !ParseJournalRecord(line, record)) {
      ++damaged;
      continue;
    }
    if (record.kind == JournalRecord::kSaved) continue;
    if (row && record.row != *row) continue;
    if (address && AnsiLowerCase(record.address) != *address) continue;
    ++shown;
    std::string head = "Row " + std::to_string(record.row) + "  " + record.address + "  " + record.time;
    if (record.kind == JournalRecord::kHandedOver) {
      std::printf("%s  handed over (final \".\" sent)\n", ForTerminal(head).c_str());
      continue;
    }
    std::printf("%s  %d %s\n", ForTerminal(head).c_str(), record.code, ForTerminal(record.result).c_str());
    std::printf("  %s\n", EscapeControls(OutcomeMeaning(record.code)).c_str());
    for (const std::string& text : record.transcript) std::printf("    %s\n", ForTerminal(text).c_str());
  }
  if (damaged > 0) std::fprintf(stderr, "norvane log: %zu damaged journal lines skipped\n", damaged);
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
