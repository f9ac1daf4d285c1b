// Feeds arbitrary bytes to the run journal's reader and replays them into a
// small project: a journal left damaged by a crash or an editor must never
// crash the opening of its project, and whatever parses must read back the
// same after it is written again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "project/journal_format.h"
#include "project/journal_replay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  JournalContents contents = ParseJournal(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string again = kJournalHeader;
  for (const JournalRecord& record : contents.records) again += FormatJournalRecord(record);
  JournalContents reread = ParseJournal(again);
  if (reread.records.size() != contents.records.size() || reread.damagedLines != 0) __builtin_trap();
  for (std::size_t i = 0; i < reread.records.size(); ++i)
    if (FormatJournalRecord(reread.records[i]) != FormatJournalRecord(contents.records[i])) __builtin_trap();

  ProjectModel model;
  for (const char* address : {"a@x.test", "b@x.test", "c@x.test"}) model.Items.push_back({address, {}, 1});
  ReplayJournal(model, contents);
  return 0;
}
