#include "app/message_commands.h"

#include <gtest/gtest.h>

#include "editing_fixture.h"
#include "import/message_file.h"

namespace norvane {
namespace {

class MessageCommands : public test::EditingFixture, public ::testing::Test {
 protected:
  MessageCommands() { project().FModified = false; }
  TMessageCommands& commands() { return form->MessageCommands; }
};

TEST_F(MessageCommands, ImportMessage) {
  using namespace std::string_literals;
  test::WriteFile(dir.File("mail.txt"), "Dear <name>,\nline\r\rend\0ignored"s);
  test::WriteFile(dir.File("huge.txt"), std::string(kMemoCapacity + 1, 'x'));
  const std::string question = "You will loose the changes in the current message.  Confirm to proceed?";
  struct Case {
    const char* name;
    std::string body;
    std::deque<bool> answers;
    std::deque<std::optional<std::string>> files;
    std::vector<std::string> questions;
    std::string bodyAfter;
    bool modified;
    std::vector<std::string> errors;
  } cases[] = {
      {"empty body: no question",
       "",
       {},
       {dir.File("mail.txt")},
       {},
       "Dear <name>,\r\nline\r\n\r\nend",
       true,
       {}},
      {"Yes", "old", {true}, {dir.File("mail.txt")}, {question}, "Dear <name>,\r\nline\r\n\r\nend", true, {}},
      {"No", "old", {false}, {dir.File("mail.txt")}, {question}, "old", false, {}},
      {"dialog cancelled", "", {}, {std::nullopt}, {}, "", false, {}},
      {"missing file",
       "old",
       {true},
       {dir.File("none.txt")},
       {question},
       "old",
       false,
       {"Cannot open file " + dir.File("none.txt") + "."}},
      {"too long", "", {}, {dir.File("huge.txt")}, {}, "", false, {"Text exceeds memo capacity."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    project().Body = c.body;
    project().FModified = false;
    ui.questions.clear();
    ui.errors.clear();
    ui.openDialogs.clear();
    ui.yesNo = c.answers;
    ui.files = c.files;
    window().ImportMessageDialog.FileName = "last.txt";
    EXPECT_TRUE(form->ExecuteAction("acImportMessage"));
    EXPECT_EQ(ui.questions, c.questions);
    EXPECT_EQ(project().Body, c.bodyAfter);
    EXPECT_EQ(project().FModified, c.modified);
    EXPECT_EQ(ui.errors, c.errors);
    if (!ui.openDialogs.empty()) {
      EXPECT_EQ(ui.openDialogs[0].Title, "Import Message");
      EXPECT_EQ(ui.openDialogs[0].FileName, "");
    }
    EXPECT_EQ(ui.openDialogs.size(), c.answers.empty() || c.answers[0] ? 1u : 0u);
  }
}

// The command's hint is what the status bar says about it.
TEST_F(MessageCommands, ImportMessageHasAHint) {
  EXPECT_EQ(window().Actions.acImportMessage.Hint, "Import message from a text file");
}

TEST_F(MessageCommands, ImportingTheSameTextStillMarksTheProject) {
  test::WriteFile(dir.File("same.txt"), "same");
  project().Body = "same";
  ui.yesNo = {true};
  ui.files = {dir.File("same.txt")};
  form->ExecuteAction("acImportMessage");
  EXPECT_TRUE(project().FModified);
  StartRun();
  EXPECT_FALSE(form->ExecuteAction("acImportMessage"));
}

TEST_F(MessageCommands, FieldTagGoesThroughTheClipboardToTheCaret) {
  struct Case {
    const char* name;
    int selStart, selLength;
    std::string body;
    int caret;
  } cases[] = {
      {"at the caret", 6, 0, "Hello <name>, bye\r\nAnn", 12},
      {"over the selection", 6, 5, "Hello <name>\r\nAnn", 12},
      {"at the end", 99, 0, "Hello , bye\r\nAnn<name>", 22},
      {"not between CR and LF", 12, 0, "Hello , bye\r\n<name>Ann", 19},
      {"selection ending between CR and LF", 7, 5, "Hello ,<name>Ann", 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    project().Body = "Hello , bye\r\nAnn";
    project().FModified = false;
    ui.clipboard = "what the person had copied";
    window().Memo1SelStart = c.selStart;
    window().Memo1SelLength = c.selLength;
    form->Guarded([&] { commands().InsertFieldTag("<name>"); });
    EXPECT_EQ(ui.clipboard, "<name>");
    EXPECT_EQ(project().Body, c.body);
    EXPECT_EQ(window().Memo1SelStart, c.caret);
    EXPECT_EQ(window().Memo1SelLength, 0);
    EXPECT_TRUE(project().FModified);
  }
  // A disabled body takes no paste; the clipboard has the tag all the same.
  StartRun();
  project().Body = "during";
  ui.clipboard.clear();
  commands().InsertFieldTag("<email>");
  EXPECT_EQ(project().Body, "during");
  EXPECT_EQ(ui.clipboard, "<email>");
}

TEST_F(MessageCommands, TagMenusFollowTheColumns) {
  EXPECT_EQ(window().FieldMenu, (std::vector<std::string>{"<email>", "<name>", "<city>"}));
  EXPECT_EQ(window().InsertField, window().FieldMenu);
  ui.yesNoCancel = {TModalResult::mrNo};
  form->ExecuteAction("acNew");
  EXPECT_EQ(window().FieldMenu, std::vector<std::string>{"<email>"});
  EXPECT_EQ(window().InsertField, std::vector<std::string>{"<email>"});
  // Opening the Insert menu refills its submenu from the body's menu.
  window().FieldMenu.push_back("<ZIP>");
  window().Insert1Click();
  EXPECT_EQ(window().InsertField, (std::vector<std::string>{"<email>", "<ZIP>"}));
}

}  // namespace
}  // namespace norvane

namespace norvane {
namespace {

TEST_F(MessageCommands, ImportMessageTextFollowsTheFileImportsRules) {
  using namespace std::string_literals;
  project().SetBody("old");
  project().FModified = false;
  commands().ImportMessageText("Dear <name>,\nline\r\rend\0ignored"s);
  EXPECT_EQ(project().Body, "Dear <name>,\r\nline\r\n\r\nend");
  EXPECT_TRUE(project().FModified);
  EXPECT_TRUE(ui.questions.empty());

  project().FModified = false;
  EXPECT_THROW(commands().ImportMessageText(std::string(kMemoCapacity + 1, 'x')), EMemoCapacityError);
  EXPECT_EQ(project().Body, "Dear <name>,\r\nline\r\n\r\nend");
  EXPECT_FALSE(project().FModified);
}

}  // namespace
}  // namespace norvane
