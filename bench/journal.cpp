// The run journal's cost per recipient: an outcome record (with a typical
// transcript) and a hand-over record, each formatted and appended with its
// own write, syncs grouped by the 50 ms rule on a real clock. Also the cost
// of reading a journal back, which every opening of a project pays.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "project/run_journal.h"

namespace norvane {
namespace {

const std::vector<std::string> kTranscript = {
    "Requesting SMTP servers for this domain (example.org)",
    "Trying DNS Server \"127.0.0.1\"",
    "Sending DNS Request",
    "1 SMTP Relay found: mx.example.org ",
    "Trying SMTP host \"mx.example.org\"",
    "Opening Connection",
    "220 mx.example.org ESMTP",
    "HELO sender.example.com",
    "250 mx.example.org",
    "MAIL FROM:<news@sender.example.com>",
    "250 2.1.0 Ok",
    "RCPT TO:<user1234@example.org>",
    "250 2.1.5 Ok",
    "DATA",
    "354 End data with <CR><LF>.<CR><LF>",
    "250 2.0.0 Ok: queued as 4F2A1C0B3D",
    "QUIT",
    "221 2.0.0 Bye",
};

std::string TempProject() {
  return (std::filesystem::temp_directory_path() / "norvane-bench-journal.nvp").string();
}

void BM_RecordPerRecipient(benchmark::State& state) {
  std::string project = TempProject();
  std::filesystem::remove(TRunJournal::PathFor(project));
  EventLoop loop;
  {
    TRunJournal journal(project, loop);
    journal.CompactAfterBytes = ~0ull;
    int row = 0;
    for (auto _ : state) {
      journal.RecordHandedOver(row, "user1234@example.org");
      journal.RecordOutcome(row, "user1234@example.org", 0, "Delivered and available to the recipient!",
                            kTranscript);
      loop.RunOnce(0);  // lets a due grouped sync run, as the send loop would
      ++row;
    }
  }
  std::filesystem::remove(TRunJournal::PathFor(project));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordPerRecipient);

void BM_FormatOutcome(benchmark::State& state) {
  JournalRecord record;
  record.time = "2026-12-10T11:24:19+0100";
  record.row = 1234;
  record.address = "user1234@example.org";
  record.result = "Delivered and available to the recipient!";
  record.reply = "221 2.0.0 Bye";
  record.transcript = kTranscript;
  for (auto _ : state) benchmark::DoNotOptimize(FormatJournalRecord(record));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatOutcome);

void BM_ParseJournal(benchmark::State& state) {
  JournalRecord record;
  record.time = "2026-12-10T11:24:19+0100";
  record.address = "user1234@example.org";
  record.result = "Delivered and available to the recipient!";
  record.transcript = kTranscript;
  std::string text = kJournalHeader;
  for (int row = 1; row <= state.range(0); ++row) {
    record.row = row;
    text += FormatJournalRecord(record);
  }
  for (auto _ : state) benchmark::DoNotOptimize(ParseJournal(text));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseJournal)->Arg(10000);

}  // namespace
}  // namespace norvane
