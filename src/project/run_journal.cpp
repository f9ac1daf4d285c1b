#include "project/run_journal.h"

#include <algorithm>
#include <filesystem>

#include "platform/path_names.h"

namespace norvane {

namespace {

bool IsSaveMark(std::string_view line) {
  return line.size() >= 2 && line[0] == JournalRecord::kSaved && line[1] == '\t';
}

}  // namespace

JournalContents TRunJournal::Read(const std::string& projectPath, bool sinceLastSave, bool* exists) {
  JournalContents contents;
  LineFileReader reader(PathFor(projectPath));
  if (exists) *exists = reader.exists();
  std::string_view line;
  uint64_t offset = 0, start = 0;
  bool complete = false;
  if (sinceLastSave) {
    while (reader.Next(line, offset, complete))
      if (complete && IsSaveMark(line)) start = offset;
    reader.Seek(start);
  }
  const std::string_view header(kJournalHeader, sizeof kJournalHeader - 2);  // without its LF
  while (reader.Next(line, offset, complete)) {
    if (offset == 0 && complete && line == header) {
      contents.recognised = true;
      continue;
    }
    JournalRecord record;
    if (complete && ParseJournalRecord(line, record))
      contents.records.push_back(std::move(record));
    else
      ++contents.damagedLines;  // a line cut off by a crash in the middle of its write included
  }
  if (start > 0)
    contents.recognised = ReadFileStart(PathFor(projectPath), header.size() + 1) == kJournalHeader;
  return contents;
}

TRunJournal::TRunJournal(const std::string& projectPath, EventLoop& loop)
    : loop_(loop), file_(PathFor(projectPath)) {
  if (file_.Size() == 0) {
    file_.Append(kJournalHeader);
  } else {
    std::string start = ReadFileStart(file_.path(), sizeof kJournalHeader - 1);
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
  // Two passes over the file, so that a journal of a million outcomes costs their
  // positions in memory, not their text: where each row's last outcome is, then
  // those lines copied in row order.
  struct Line {
    int row;
    uint64_t offset;
    uint32_t length;
  };
  std::vector<Line> outcomes;
  LineFileReader reader(file_.path());
  std::string_view line;
  uint64_t offset = 0;
  bool complete = false;
  JournalRecord record;
  while (reader.Next(line, offset, complete)) {
    if (complete && !line.empty() && line[0] == JournalRecord::kOutcome && ParseJournalRecord(line, record))
      outcomes.push_back({record.row, offset, static_cast<uint32_t>(line.size() + 1)});
  }
  // The last outcome of each row; stable, so a row's lines keep their file order.
  std::stable_sort(outcomes.begin(), outcomes.end(),
                   [](const Line& a, const Line& b) { return a.row < b.row; });
  std::vector<Line> last;
  for (std::size_t i = 0; i < outcomes.size(); ++i)
    if (i + 1 == outcomes.size() || outcomes[i + 1].row != outcomes[i].row) last.push_back(outcomes[i]);
  outcomes = {};
  const std::string mark = SaveMark();
  file_.Replace([&](const AppendOnlyFile::PieceWriter& write) {
    write(kJournalHeader);
    for (const Line& kept : last) write(reader.ReadAt(kept.offset, kept.length));
    write(mark);
  });
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
  JournalContents contents = TRunJournal::Read(projectPath, true, &exists);
  if (!exists) return {};
  return ReplayJournal(model, contents);
}

void MarkJournalSaved(const std::string& projectPath) {
  std::error_code error;
  if (!std::filesystem::exists(TRunJournal::PathFor(projectPath), error)) return;
  TRunJournal journal(projectPath);
  journal.RecordSaved();
}

}  // namespace norvane
