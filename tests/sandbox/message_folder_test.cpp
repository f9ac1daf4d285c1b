#include "sandbox/message_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace norvane {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class MessageFolderTest : public ::testing::Test {
 protected:
  MessageFolderTest() {
    LocalDateTime now;
    now.year = 2026, now.month = 12, now.day = 10, now.hour = 2, now.minute = 5, now.second = 9;
    now.utcOffsetMinutes = 60;
    clock.SetNow(now);
  }
  test::TempDir temp;
  FakeClock clock;
};

TEST_F(MessageFolderTest, StoresExactBytesAndIndexesMessagesAndRefusals) {
  MessageFolder folder(temp.File("mail/sub"), clock);  // created, parents included
  MessageFolderSink sink(folder);
  std::string id = sink.BeginMessage({"from@a", {"x@b", "y\t@b"}});
  EXPECT_EQ(id, "20261210-020509-000001");
  sink.AppendMessageData("Subject: s\r\n\r\n");
  sink.AppendMessageData(std::string("body\0\xff\n", 7));
  EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{"." + id + ".part"}));  // not yet an .eml
  ASSERT_TRUE(sink.EndMessage("250 ok " + id));
  sink.RecordRefusal("from@a", "reject-550@b", "550 no");

  EXPECT_EQ(test::ReadFile(folder.path() + "/" + id + ".eml"),
            std::string("Subject: s\r\n\r\nbody\0\xff\n", 21));
  EXPECT_EQ(test::ReadFile(folder.indexPath()),
            "2026-12-10T02:05:09+01:00\tfrom@a\tx@b,y\\t@b\t21\t250 ok " + id + "\t" + id +
                ".eml\n"
                "2026-12-10T02:05:09+01:00\tfrom@a\treject-550@b\t-\t550 no\t-\n");
}

TEST_F(MessageFolderTest, AbandonedMessagesLeaveNothingBehind) {
  MessageFolder folder(temp.path(), clock);
  {
    MessageFolderSink sink(folder);
    sink.BeginMessage({"f", {"t"}});
    sink.AppendMessageData("half");
    sink.AbandonMessage();
    sink.BeginMessage({"f", {"t"}});
    sink.AppendMessageData("half again");
  }  // released mid-message, as when a session ends with its connection
  EXPECT_TRUE(Names(temp.path()).empty());
}

TEST_F(MessageFolderTest, NeverReusesAnIdentifierAlreadyInTheFolder) {
  test::WriteFile(temp.File("20261210-020509-000001.eml"), "earlier run");
  test::WriteFile(temp.File(".20261210-020509-000002.part"), "");
  MessageFolder folder(temp.path(), clock);
  MessageFolderSink a(folder), b(folder);
  EXPECT_EQ(a.BeginMessage({"f", {"t"}}), "20261210-020509-000003");
  EXPECT_EQ(b.BeginMessage({"f", {"t"}}), "20261210-020509-000004");  // two sessions at once
  a.AppendMessageData("A");
  b.AppendMessageData("B");
  EXPECT_TRUE(b.EndMessage("250"));
  EXPECT_TRUE(a.EndMessage("250"));
  EXPECT_EQ(test::ReadFile(temp.File("20261210-020509-000001.eml")), "earlier run");
  EXPECT_EQ(test::ReadFile(temp.File("20261210-020509-000003.eml")), "A");
  EXPECT_EQ(test::ReadFile(temp.File("20261210-020509-000004.eml")), "B");
}

TEST_F(MessageFolderTest, UnwritableFolderIsAClearErrorOrARefusal) {
  test::WriteFile(temp.File("file"), "");
  EXPECT_THROW(MessageFolder(temp.File("file/sub"), clock), std::runtime_error);

  MessageFolder folder(temp.File("gone"), clock);
  MessageFolderSink sink(folder);
  fs::remove_all(folder.path());  // the folder vanished under a running sandbox
  EXPECT_EQ(sink.BeginMessage({"f", {"t"}}), "");
  EXPECT_FALSE(sink.EndMessage("250"));
}

}  // namespace
}  // namespace norvane
