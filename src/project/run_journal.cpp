#include "project/run_journal.h"

#include <algorithm>
#include <filesystem>

#include "platform/line_file_reader.h"
#include "platform/path_names.h"

namespace norvane {

namespace {

bool IsSaveMark(std::string_view line) {
  return line.size() >= 2 && line[0] == JournalRecord::kSaved && line[1] == '\t';
}

// Where the last save mark's line starts; 0 when there is none. Looks at each line's first
// bytes only.
uint64_t LastSaveMarkOffset(const std::string& path) {
  LineFileReader reader(path);
  std::string_view line;
  uint64_t offset = 0, last = 0;
  bool complete = false;
  while (reader.Next(line, offset, complete))
    if (complete && IsSaveMark(line)) last = offset;
  return last;
}

}  // namespace

JournalScan ScanJournalFile(const std::string& path, uint64_t from, const JournalRecordVisitor& each) {
  JournalScan scan;
  LineFileReader reader(path);
  scan.exists = reader.exists();
  reader.Seek(from);
  const std::string_view header(kJournalHeader, sizeof kJournalHeader - 2);  // without its LF
  std::string_view line;
  uint64_t offset = 0;
  bool complete = false;
  JournalRecord record;
  while (reader.Next(line, offset, complete)) {
    if (offset == 0 && complete && line == header) {
      scan.recognised = true;
      continue;
    }
    if (complete && ParseJournalRecord(line, record))
      each(record, offset, line.size() + 1);
    else
      ++scan.damagedLines;  // a line cut off by a crash in the middle of its write included
  }
  if (from > 0) scan.recognised = ReadFileStart(path, header.size() + 1) == kJournalHeader;
  return scan;
}

JournalContents TRunJournal::Read(const std::string& projectPath, bool sinceLastSave, bool* exists) {
  const std::string path = PathFor(projectPath);
  JournalContents contents;
  const JournalScan scan = ScanJournalFile(
      path, sinceLastSave ? LastSaveMarkOffset(path) : 0,
      [&](JournalRecord& record, uint64_t, std::size_t) { contents.records.push_back(std::move(record)); });
  if (exists) *exists = scan.exists;
  contents.recognised = scan.recognised;
  contents.damagedLines = scan.damagedLines;
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
  ScanJournalFile(file_.path(), 0, [&](JournalRecord& record, uint64_t offset, std::size_t length) {
    if (record.kind == JournalRecord::kOutcome)
      outcomes.push_back({record.row, offset, static_cast<uint32_t>(length)});
  });
  // The last outcome of each row; stable, so a row's lines keep their file order.
  std::stable_sort(outcomes.begin(), outcomes.end(),
                   [](const Line& a, const Line& b) { return a.row < b.row; });
  std::vector<Line> last;
  for (std::size_t i = 0; i < outcomes.size(); ++i)
    if (i + 1 == outcomes.size() || outcomes[i + 1].row != outcomes[i].row) last.push_back(outcomes[i]);
  outcomes = {};
  const std::string mark = SaveMark();
  LineFileReader reader(file_.path());
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
