#include "project/run_journal.h"

#include <algorithm>
#include <filesystem>

#include "platform/path_names.h"

namespace norvane {

JournalContents TRunJournal::Read(const std::string& projectPath) {
  return ParseJournal(ReadWholeFile(PathFor(projectPath)));
}

TRunJournal::TRunJournal(const std::string& projectPath, EventLoop& loop)
    : loop_(loop), file_(PathFor(projectPath)) {
  if (file_.Size() == 0) {
    file_.Append(kJournalHeader);
  } else {
    std::string start = ReadWholeFile(file_.path()).substr(0, sizeof kJournalHeader - 1);
    if (start != kJournalHeader) {
      throw JournalError("File " + BaseNameOf(file_.path()) +
                         " is not a run journal; move it away before sending");
    }
  }
  // A journal from earlier runs has an unknown share of superseded records:
  // the first save compacts it once it is large.
  compactedSize_ = 0;
  lastSync_ = loop_.TickCount() - kSyncIntervalMs;
}

TRunJournal::~TRunJournal() {
  *alive_ = false;
  if (syncTimer_) loop_.CancelTimer(syncTimer_);
  try {
    if (dirty_) file_.DataSync();
  } catch (const JournalError&) {
    // Nobody is left to tell; the records themselves are in the file already.
  }
}

void TRunJournal::Append(const JournalRecord& record) {
  file_.Append(FormatJournalRecord(record));
  dirty_ = true;
  ScheduleSync();
}

void TRunJournal::RecordOutcome(int row, const std::string& address, int code, const std::string& result,
                                const std::vector<std::string>& transcript) {
  JournalRecord record;
  record.kind = JournalRecord::kOutcome;
  record.time = JournalTimeNow();
  record.row = row + 1;
  record.address = address;
  record.code = code;
  record.result = result;
  record.reply = LastReplyOf(transcript);
  record.transcript = transcript;
  Append(record);
  handedOver_.erase(row);
}

void TRunJournal::RecordHandedOver(int row, const std::string& address) {
  JournalRecord record;
  record.kind = JournalRecord::kHandedOver;
  record.time = JournalTimeNow();
  record.row = row + 1;
  record.address = address;
  Append(record);
  handedOver_[row] = address;
}

void TRunJournal::RecordSaved(bool mayCompact) {
  if (mayCompact && file_.Size() - compactedSize_ > std::max<uint64_t>(CompactAfterBytes, compactedSize_)) {
    Compact();
  } else {
    file_.Append(SaveMark());
  }
  Sync();
}

std::string TRunJournal::SaveMark() const {
  JournalRecord mark;
  mark.kind = JournalRecord::kSaved;
  mark.time = JournalTimeNow();
  std::string text = FormatJournalRecord(mark);
  // Hand-overs still waiting for their outcome are not in the saved file as such.
  for (const auto& [row, address] : handedOver_) {
    JournalRecord pending;
    pending.kind = JournalRecord::kHandedOver;
    pending.time = mark.time;
    pending.row = row + 1;
    pending.address = address;
    text += FormatJournalRecord(pending);
  }
  return text;
}

void TRunJournal::Compact() {
  JournalContents contents = ParseJournal(ReadWholeFile(file_.path()));
  std::map<int, const JournalRecord*> last;  // row -> its last outcome
  for (const JournalRecord& record : contents.records)
    if (record.kind == JournalRecord::kOutcome) last[record.row] = &record;
  std::string text = kJournalHeader;
  for (const auto& [row, record] : last) text += FormatJournalRecord(*record);
  text += SaveMark();
  file_.Replace(text);
  compactedSize_ = file_.Size();
  dirty_ = false;
}

void TRunJournal::Sync() {
  if (syncTimer_) {
    loop_.CancelTimer(syncTimer_);
    syncTimer_ = 0;
  }
  lastSync_ = loop_.TickCount();
  if (!dirty_) return;
  dirty_ = false;
  file_.DataSync();
}

void TRunJournal::ScheduleSync() {
  if (syncTimer_) return;
  uint32_t since = loop_.TickCount() - lastSync_;
  if (since >= kSyncIntervalMs) {
    Sync();
    return;
  }
  std::weak_ptr<bool> alive = alive_;
  syncTimer_ = loop_.AddTimer(kSyncIntervalMs - since, [this, alive] {
    if (alive.expired()) return;
    syncTimer_ = 0;
    try {
      Sync();
    } catch (const JournalError& error) {
      if (OnSyncFailed) OnSyncFailed(error.what());
    }
  });
}

std::string LockedText(const std::string& projectPath) {
  return "Another run is sending " + BaseNameOf(projectPath) + "; wait for it to end";
}

JournalRecovery RecoverFromJournal(ProjectModel& model, const std::string& projectPath) {
  bool exists = false;
  std::string bytes = ReadWholeFile(TRunJournal::PathFor(projectPath), &exists);
  if (!exists) return {};
  return ReplayJournal(model, ParseJournal(bytes));
}

void MarkJournalSaved(const std::string& projectPath) {
  std::error_code error;
  if (!std::filesystem::exists(TRunJournal::PathFor(projectPath), error)) return;
  TRunJournal journal(projectPath);
  journal.RecordSaved();
}

}  // namespace norvane
