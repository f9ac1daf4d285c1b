// The live side of the run journal (PROJECT.nvp.journal beside the project):
// every outcome is appended with one write before its row shows it, and a
// "handed over" record before a message's final "." goes out, so a killed
// process loses nothing it reported and never leaves a delivered message
// looking unsent. Syncs to the disk are grouped (at most one per 50 ms) so
// thousands of outcomes a second cost a few fdatasync calls, not thousands.
//
// After each successful save of the project a save mark says that the file
// holds everything above it; messages handed over without an outcome yet are
// carried past the mark. The journal is compacted after a save once it has
// grown: the last outcome of every row (for `results --detail` and `log`), the
// mark, the pending hand-overs.
//
// The journal file is also the run lock: one run at a time per project.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/append_only_file.h"
#include "platform/event_loop.h"
#include "project/journal_format.h"
#include "project/journal_replay.h"

namespace norvane {

// The journal could not be read, written or locked; what() says why.
using JournalError = AppendFileError;

class TRunJournal {
 public:
  static constexpr uint32_t kSyncIntervalMs = 50;

  static std::string PathFor(const std::string& projectPath) { return projectPath + ".journal"; }
  // Reads the journal of a project; an absent journal reads as empty. With
  // `sinceLastSave` only the records after the last save mark (those a replay
  // applies), so that the records of every earlier run cost no memory.
  static JournalContents Read(const std::string& projectPath, bool sinceLastSave = false,
                              bool* exists = nullptr);

  // Opens (creating) the journal of the project at `projectPath`. Throws JournalError,
  // also when the file is not a journal.
  explicit TRunJournal(const std::string& projectPath, EventLoop& loop = EventLoop::Default());
  ~TRunJournal();
  TRunJournal(const TRunJournal&) = delete;
  TRunJournal& operator=(const TRunJournal&) = delete;

  // The run lock; false when another run holds it.
  bool TryLock() { return file_.TryLock(); }

  // `row` counts from 0 as the model does. Each throws JournalError when the
  // record cannot be written.
  void RecordOutcome(int row, const std::string& address, int code, const std::string& result,
                     const std::vector<std::string>& transcript);
  void RecordHandedOver(int row, const std::string& address);
  // The project file was saved with everything recorded so far. `mayCompact`
  // false during a run: compaction re-reads the whole journal, which a run's
  // periodic saves should not pay for.
  void RecordSaved(bool mayCompact = true);

  // Writes what is unsynced to the disk now.
  void Sync();
  // A grouped sync that failed later, from the loop.
  std::function<void(const std::string& reason)> OnSyncFailed;

  const std::string& path() const { return file_.path(); }

  // Past this many bytes appended since the last compaction a save compacts.
  uint64_t CompactAfterBytes = 4u << 20;

 private:
  void Append(const JournalRecord& record);
  void ScheduleSync();
  void Compact();
  // A save mark followed by the hand-overs still waiting for their outcome.
  std::string SaveMark() const;

  EventLoop& loop_;
  AppendOnlyFile file_;
  std::map<int, std::string> handedOver_;  // row -> address, no outcome yet
  bool dirty_ = false;
  uint32_t lastSync_ = 0;
  EventLoop::TimerId syncTimer_ = 0;
  uint64_t compactedSize_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// What a pass over a journal file found besides its records.
struct JournalScan {
  bool exists = false;           // the file is there
  bool recognised = false;       // its header line is there
  std::size_t damagedLines = 0;  // lines that are no whole record (a torn last line included)
};
// Called with each whole record (which it may move from), where its line starts and its
// length with the LF.
using JournalRecordVisitor = std::function<void(JournalRecord& record, uint64_t offset, std::size_t length)>;
// Reads the journal file at `path` a line at a time from `from` (the start of a line) on and
// hands each record to `each`, so a journal of any size costs one record of memory. A missing
// file reads as empty; throws JournalError when it cannot be read.
JournalScan ScanJournalFile(const std::string& path, uint64_t from, const JournalRecordVisitor& each);

// "Another run is sending demo.nvp": the lock is held by someone else.
std::string LockedText(const std::string& projectPath);

// Reads the project's journal and replays into `model` what it holds beyond
// the last save (see ReplayJournal). Throws JournalError when the journal
// exists but cannot be read.
JournalRecovery RecoverFromJournal(ProjectModel& model, const std::string& projectPath);

// After a successful save of the project outside a run: marks the journal,
// when the project has one.
void MarkJournalSaved(const std::string& projectPath);

}  // namespace norvane
