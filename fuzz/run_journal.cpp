// Feeds arbitrary bytes to the run journal's reader and replays them into a
// small project: a journal left damaged by a crash or an editor must never
// crash the opening of its project, and whatever parses must read back the
// same after it is written again. The file is read a piece at a time as well:
// that must give exactly what parsing the whole text gives.
#include "project/run_journal.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
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

  static const std::string project = "/tmp/norvane-fuzz-journal-" + std::to_string(getpid()) + ".nvp";
  if (FILE* file = std::fopen(TRunJournal::PathFor(project).c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    JournalContents read = TRunJournal::Read(project);
    if (read.records.size() != contents.records.size() || read.damagedLines != contents.damagedLines ||
        read.recognised != contents.recognised)
      __builtin_trap();
    for (std::size_t i = 0; i < read.records.size(); ++i)
      if (FormatJournalRecord(read.records[i]) != FormatJournalRecord(contents.records[i])) __builtin_trap();
    TRunJournal::Read(project, true);
    std::remove(TRunJournal::PathFor(project).c_str());
  }

  ProjectModel model;
  for (const char* address : {"a@x.test", "b@x.test", "c@x.test"}) model.Items.push_back({address, {}, 1});
  ReplayJournal(model, contents);
  return 0;
}
