// The run journal: its format survives any byte a server or an imported file
// can hold, a crash mid-record costs only that record, replay brings a saved
// project up to date exactly as the run left its rows, and the live writer
// keeps hand-overs without an outcome past every save mark.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/append_only_file.h"
#include "platform/event_loop.h"
#include "project/journal_replay.h"
#include "project/run_journal.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::ReadFile;
using test::TempDir;

JournalRecord Outcome(int row, std::string address, int code, std::string result = "r") {
  JournalRecord record;
  record.kind = JournalRecord::kOutcome;
  record.time = "2026-12-10T10:00:00+0000";
  record.row = row;
  record.address = std::move(address);
  record.code = code;
  record.result = std::move(result);
  return record;
}

JournalRecord HandedOver(int row, std::string address) {
  JournalRecord record;
  record.kind = JournalRecord::kHandedOver;
  record.time = "t";
  record.row = row;
  record.address = std::move(address);
  return record;
}

JournalRecord Saved() {
  JournalRecord record;
  record.kind = JournalRecord::kSaved;
  record.time = "t";
  return record;
}

std::string Journal(const std::vector<JournalRecord>& records) {
  std::string text = kJournalHeader;
  for (const auto& record : records) text += FormatJournalRecord(record);
  return text;
}

ProjectModel Rows(const std::vector<std::string>& addresses) {
  ProjectModel model;
  for (const auto& address : addresses)
    model.Items.push_back({address, {"Sending... (waiting acknowledgement)"}, 1, 2});
  return model;
}

TEST(JournalFormat, EveryByteSurvivesTheRoundTripOnOneLine) {
  std::string hostile;
  for (int c = 0; c < 256; ++c) hostile += static_cast<char>(c);
  JournalRecord record = Outcome(7, "a\tb\\c@x.test", -2, "line\r\nbreak");
  record.reply = "250-\x1b[31mred";
  record.transcript = {"Trying \"mx\"", hostile, "", "\\n is not a line feed"};
  std::string line = FormatJournalRecord(record);
  ASSERT_EQ(line.find('\n'), line.size() - 1);
  JournalContents parsed = ParseJournal(kJournalHeader + line);
  ASSERT_EQ(parsed.records.size(), 1u);
  const JournalRecord& back = parsed.records[0];
  EXPECT_EQ(back.row, 7);
  EXPECT_EQ(back.address, record.address);
  EXPECT_EQ(back.code, -2);
  EXPECT_EQ(back.result, record.result);
  EXPECT_EQ(back.reply, record.reply);
  EXPECT_EQ(back.transcript, record.transcript);
  EXPECT_TRUE(parsed.recognised);
  EXPECT_EQ(parsed.damagedLines, 0u);
}

TEST(JournalFormat, ATornOrDamagedLineCostsOnlyItself) {
  std::string whole = Journal({Outcome(1, "a@x.test", 0), Outcome(2, "b@x.test", 550)});
  const std::vector<std::pair<std::string, std::size_t>> cases = {
      {whole + "O\t2026\t3\tc@x.test\t0\tDeliv", 2},    // killed in the middle of a write
      {whole + "O\tt\t0\tzero@x.test\t0\tr\t\t\n", 2},  // no row 0
      {whole + "O\tt\t3\tc@x.test\tcode\tr\t\t\n", 2},  // code not a number
      {whole + "X\tt\n", 2},
      {whole + "\n", 2},
  };
  for (const auto& [bytes, good] : cases) {
    JournalContents parsed = ParseJournal(bytes);
    EXPECT_EQ(parsed.records.size(), good) << bytes;
    EXPECT_EQ(parsed.damagedLines, 1u) << bytes;
  }
  EXPECT_FALSE(ParseJournal("something else\n").recognised);
}

TEST(JournalReplay, AppliesOnlyWhatCameAfterTheLastSave) {
  ProjectModel model = Rows({"a@x.test", "b@x.test", "c@x.test", "d@x.test"});
  model.Items[0].SetSubItem(0, "saved text");
  JournalContents journal = ParseJournal(Journal({
      Outcome(1, "a@x.test", 550, "old failure"),  // already in the file
      Saved(), Outcome(2, "b@x.test", 0, "Delivered and available to the recipient!"),
      Outcome(3, "c@x.test", 550, "Failed: Mailbox unavailable"),
      Outcome(4, "someone-else@x.test", 0, "Delivered"),  // the row holds another address now
  }));
  JournalRecovery recovery = ReplayJournal(model, journal);
  EXPECT_EQ(recovery.outcomes, 2);
  EXPECT_EQ(recovery.unmatched, 1);
  EXPECT_EQ(model.Items[0].SubItem(0), "saved text");
  EXPECT_EQ(model.Items[1].StateIndex, 0);
  EXPECT_EQ(model.Items[1].ImageIndex, kImageDelivered);
  EXPECT_EQ(model.Items[2].StateIndex, 1);  // failed rows stay checked for the next Send
  EXPECT_EQ(model.Items[2].ImageIndex, kImageFailed);
  EXPECT_EQ(model.Items[2].SubItem(0), "Failed: Mailbox unavailable");
  EXPECT_EQ(model.Items[3].StateIndex, 1);
  EXPECT_EQ(model.Items[3].ImageIndex, kImageSending);
  EXPECT_TRUE(model.FModified);
}

// A message whose final "." went out may have been delivered: unless a server
// reply says otherwise, it must never be sent again without the user choosing to.
TEST(JournalReplay, HandedOverWithoutAConfirmationIsLeftUnchecked) {
  struct Case {
    std::vector<JournalRecord> records;
    int image;
    int state;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{HandedOver(1, "a@x.test")}, kImageDelivered, 0, kUnconfirmedText},
      {{HandedOver(1, "a@x.test"), Outcome(1, "a@x.test", -8, "Aborted by user")},
       kImageDelivered,
       0,
       kUnconfirmedText},
      {{HandedOver(1, "a@x.test"), Outcome(1, "a@x.test", 10004, "Failed")},
       kImageDelivered,
       0,
       kUnconfirmedText},
      {{HandedOver(1, "a@x.test"), Outcome(1, "a@x.test", 554, "Failed: Transaction failed")},
       kImageFailed,
       1,
       "Failed: Transaction failed"},
      {{HandedOver(1, "a@x.test"), Outcome(1, "a@x.test", 0, "Delivered")}, kImageDelivered, 0, "Delivered"},
      // Carried past a save mark: the saved file still shows the row as sending.
      {{HandedOver(1, "a@x.test"), Saved(), HandedOver(1, "a@x.test")}, kImageDelivered, 0, kUnconfirmedText},
  };
  for (const Case& c : cases) {
    ProjectModel model = Rows({"a@x.test"});
    ReplayJournal(model, ParseJournal(Journal(c.records)));
    EXPECT_EQ(model.Items[0].ImageIndex, c.image) << FormatJournalRecord(c.records.back());
    EXPECT_EQ(model.Items[0].StateIndex, c.state) << FormatJournalRecord(c.records.back());
    EXPECT_EQ(model.Items[0].SubItem(0), c.text);
  }
}

TEST(JournalReplay, SaysWhatItRecovered) {
  EXPECT_EQ(RecoveryText({1234, 0, 0}), "Recovered 1,234 results of an interrupted run");
  EXPECT_EQ(RecoveryText({1, 0, 0}), "Recovered 1 result of an interrupted run");
  EXPECT_EQ(RecoveryText({2, 1, 0}),
            "Recovered 3 results of an interrupted run; 1 message was handed over without a confirmation and "
            "left unchecked");
  EXPECT_EQ(RecoveryText({0, 0, 2}), "2 journal records no longer match their rows");
  EXPECT_EQ(RecoveryText({}), "");
  EXPECT_EQ(GroupedNumber(1000000), "1,000,000");
  EXPECT_EQ(GroupedNumber(999), "999");
}

class RunJournalTest : public ::testing::Test {
 protected:
  std::string project() const { return dir.File("p.nvp"); }
  JournalContents Read() const { return TRunJournal::Read(project()); }

  TempDir dir;
  EventLoop loop;
};

TEST_F(RunJournalTest, EveryRecordIsInTheFileWhenTheCallReturns) {
  TRunJournal journal(project(), loop);
  journal.RecordHandedOver(0, "a@x.test");
  EXPECT_EQ(Read().records.size(), 1u);
  journal.RecordOutcome(0, "a@x.test", 0, "Delivered", {"220 hi", "QUIT", "221 bye", "Connection closed"});
  JournalContents contents = Read();
  ASSERT_EQ(contents.records.size(), 2u);
  EXPECT_EQ(contents.records[1].row, 1);  // rows count from 1 in the file
  EXPECT_EQ(contents.records[1].reply, "221 bye");
}

TEST_F(RunJournalTest, SaveMarksCarryPendingHandOversAndCompactionKeepsWhatReplayNeeds) {
  TRunJournal journal(project(), loop);
  journal.RecordOutcome(0, "a@x.test", 550, "Failed", {"550 no"});
  journal.RecordHandedOver(1, "b@x.test");
  journal.RecordHandedOver(2, "c@x.test");
  journal.RecordOutcome(2, "c@x.test", 0, "Delivered", {"250 ok"});
  journal.RecordSaved();

  ProjectModel model = Rows({"a@x.test", "b@x.test", "c@x.test"});
  JournalRecovery recovery = ReplayJournal(model, Read());
  EXPECT_EQ(recovery.outcomes, 0);
  EXPECT_EQ(recovery.unconfirmed, 1);
  EXPECT_EQ(model.Items[1].SubItem(0), kUnconfirmedText);

  journal.RecordOutcome(0, "a@x.test", 0, "Delivered", {"250 second try"});
  journal.CompactAfterBytes = 0;
  journal.RecordSaved();  // compacts
  JournalContents compacted = Read();
  int outcomes = 0;
  for (const JournalRecord& record : compacted.records) outcomes += record.kind == JournalRecord::kOutcome;
  EXPECT_EQ(outcomes, 2);  // the last one of rows 1 and 3
  EXPECT_EQ(compacted.records.back().kind, JournalRecord::kHandedOver);
  EXPECT_EQ(compacted.records[0].reply, "250 second try");

  ProjectModel again = Rows({"a@x.test", "b@x.test", "c@x.test"});
  recovery = ReplayJournal(again, compacted);
  EXPECT_EQ(recovery.outcomes, 0);
  EXPECT_EQ(recovery.unconfirmed, 1);

  journal.RecordOutcome(1, "b@x.test", 0, "Delivered", {});
  journal.RecordSaved();
  ProjectModel settled = Rows({"a@x.test", "b@x.test", "c@x.test"});
  EXPECT_EQ(ReplayJournal(settled, Read()).total(), 0);
}

TEST_F(RunJournalTest, OneRunAtATime) {
  auto first = std::make_unique<TRunJournal>(project(), loop);
  ASSERT_TRUE(first->TryLock());
  first->CompactAfterBytes = 0;
  first->RecordOutcome(0, "a@x.test", 0, "Delivered", {});
  first->RecordSaved();  // replaces the file: the lock must move with it
  TRunJournal second(project(), loop);
  EXPECT_FALSE(second.TryLock());
  first.reset();
  EXPECT_TRUE(second.TryLock());
}

TEST_F(RunJournalTest, AFailedWriteLeavesNoPartialRecordAndSaysWhy) {
  TRunJournal journal(project(), loop);
  journal.RecordOutcome(0, "a@x.test", 0, "Delivered", {});
  std::string before = ReadFile(journal.path());
  AppendOnlyFile::FailAfterBytesForTesting(10);
  {
    TRunJournal failing(project(), loop);
    try {
      failing.RecordOutcome(1, "b@x.test", 0, "Delivered", {"a transcript long enough to be cut"});
      ADD_FAILURE() << "no error";
    } catch (const JournalError& error) {
      EXPECT_EQ(std::string(error.what()), "Cannot write to file p.nvp.journal: no space left on device");
    }
  }
  AppendOnlyFile::FailAfterBytesForTesting(-1);
  EXPECT_EQ(ReadFile(journal.path()), before);
  journal.RecordOutcome(2, "c@x.test", 0, "Delivered", {});
  EXPECT_EQ(Read().records.size(), 2u);
  EXPECT_EQ(Read().damagedLines, 0u);
}

TEST_F(RunJournalTest, RefusesAFileThatIsNoJournal) {
  test::WriteFile(TRunJournal::PathFor(project()), "my notes\n");
  try {
    TRunJournal journal(project(), loop);
    ADD_FAILURE() << "no error";
  } catch (const JournalError& error) {
    EXPECT_EQ(std::string(error.what()),
              "File p.nvp.journal is not a run journal; move it away before sending");
  }
  EXPECT_EQ(ReadFile(TRunJournal::PathFor(project())), "my notes\n");
}

TEST_F(RunJournalTest, TheFileIsReadAPieceAtATimeAsTheWholeTextWouldBe) {
  // Lines across the reader's 64 KB pieces, one longer than a piece, a torn last
  // line: the file read line by line gives what parsing its whole text gives.
  std::vector<JournalRecord> records;
  for (int i = 1; i <= 3000; ++i) {
    records.push_back(Outcome(i, "r" + std::to_string(i) + "@x.test", i % 7 ? 0 : 550));
    if (i % 1000 == 0) records.push_back(Saved());
  }
  records[1500].transcript = {std::string(200000, 'x'), "250 ok"};
  records.push_back(HandedOver(3001, "last@x.test"));
  const std::string text = Journal(records) + "O\t2026\t3002\tcut@x.test\t0\tDeliv";
  test::WriteFile(TRunJournal::PathFor(project()), text);

  const JournalContents whole = ParseJournal(text);
  const JournalContents read = Read();
  ASSERT_EQ(read.records.size(), whole.records.size());
  EXPECT_EQ(read.damagedLines, 1u);
  EXPECT_TRUE(read.recognised);
  for (std::size_t i = 0; i < whole.records.size(); ++i)
    ASSERT_EQ(FormatJournalRecord(read.records[i]), FormatJournalRecord(whole.records[i])) << i;

  // Since the last save mark only: the mark itself, the outcomes after it, the hand-over.
  const JournalContents recent = TRunJournal::Read(project(), true);
  ASSERT_EQ(recent.records.size(), 2u);
  EXPECT_EQ(recent.records.front().kind, JournalRecord::kSaved);
  EXPECT_EQ(recent.records.back().row, 3001);
  EXPECT_TRUE(recent.recognised);
  ProjectModel a = Rows(std::vector<std::string>(3001, "r@x.test"));
  ProjectModel b = a;
  EXPECT_EQ(ReplayJournal(a, whole).unmatched, ReplayJournal(b, recent).unmatched);
}

TEST_F(RunJournalTest, ACompactionThatFailsHalfWayLeavesTheJournalAsItWas) {
  TRunJournal journal(project(), loop);
  for (int row = 0; row < 200; ++row)
    journal.RecordOutcome(row, "r@x.test", 0, "Delivered", {std::string(100, 'x')});
  const std::string before = ReadFile(journal.path());
  journal.CompactAfterBytes = 0;
  AppendOnlyFile::FailAfterBytesForTesting(5000);
  {
    TRunJournal failing(project(), loop);
    failing.CompactAfterBytes = 0;
    EXPECT_THROW(failing.RecordSaved(), JournalError);
  }
  AppendOnlyFile::FailAfterBytesForTesting(-1);
  EXPECT_EQ(ReadFile(journal.path()), before);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.File(""))) ++files;
  EXPECT_EQ(files, 1u);  // no temporary file left behind
}

}  // namespace
}  // namespace norvane
