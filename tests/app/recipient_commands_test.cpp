#include "app/recipient_commands.h"

#include <gtest/gtest.h>

#include "editing_fixture.h"

namespace norvane {
namespace {

using test::PropertiesStep;
using RowTexts = std::vector<std::string>;

class RecipientCommands : public test::EditingFixture, public ::testing::Test {
 protected:
  RecipientCommands() {
    SetRows({{1, {"ann@x.test", "Delivered", "Ann", "Paris"}},
             {0, {"bob@y.test", "", "Bob"}},
             {-1, {"cy@z.test"}}});
  }
  TRecipientCommands& commands() { return form->RecipientCommands; }
};

TEST_F(RecipientCommands, AddInsertsAtTheSelectionOrAppends) {
  struct Case {
    const char* name;
    int selected;
    std::vector<PropertiesStep> answers;
    RowTexts rows;
    int selectedAfter;
    std::vector<std::string> errors;
  } cases[] = {
      {"before the selected third row",
       2,
       {{{{0, "  new@w.test "}, {1, "\tNew "}}}},
       {"[x] ann@x.test | Delivered | Ann | Paris", "[ ] bob@y.test |  | Bob", "[x] new@w.test |  | New | ",
        "[-] cy@z.test"},
       2,
       {}},
      {"at the end without a selection",
       -1,
       {{{{0, "new@w.test"}, {2, "Oslo"}}}},
       {"[x] ann@x.test | Delivered | Ann | Paris", "[ ] bob@y.test |  | Bob", "[-] cy@z.test",
        "[x] new@w.test |  |  | Oslo"},
       3,
       {}},
      {"cancelled",
       1,
       {{{{0, "new@w.test"}}, false}},
       {"[x] ann@x.test | Delivered | Ann | Paris", "[ ] bob@y.test |  | Bob", "[-] cy@z.test"},
       1,
       {}},
      // A blank address keeps the dialog open with what was typed.
      {"blank address, then an address",
       0,
       {{{{0, "  "}, {1, "Kept"}}}, {{{0, "k@w.test"}}}},
       {"[x] k@w.test |  | Kept | ", "[x] ann@x.test | Delivered | Ann | Paris", "[ ] bob@y.test |  | Bob",
        "[-] cy@z.test"},
       0,
       {"E-mail address cannot be blank."}},
      {"blank address, then Cancel",
       -1,
       {{{{0, ""}}}, {{}, false}},
       {"[x] ann@x.test | Delivered | Ann | Paris", "[ ] bob@y.test |  | Bob", "[-] cy@z.test"},
       -1,
       {"E-mail address cannot be blank."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetRows({{1, {"ann@x.test", "Delivered", "Ann", "Paris"}},
             {0, {"bob@y.test", "", "Bob"}},
             {-1, {"cy@z.test"}}});
    ui.errors.clear();
    Select(c.selected);
    AnswerProperties(c.answers);
    EXPECT_TRUE(form->ExecuteAction("acRecipientAdd"));
    EXPECT_EQ(seen.caption, "New Recipient");
    EXPECT_EQ(seen.titles, (std::vector<std::string>{"<email>", "<Name>", "<City>"}));
    EXPECT_EQ(Rows(), c.rows);
    EXPECT_EQ(window().Selected, c.selectedAfter);
    EXPECT_EQ(ui.errors, c.errors);
    EXPECT_TRUE(project().FModified);  // also when cancelled
  }
  // The new row has no icon and an empty result.
  EXPECT_EQ(project().Items[0].ImageIndex, kImageNone);
}

TEST_F(RecipientCommands, PropertiesEditTheSelectedRowAndKeepItsState) {
  project().Items[0].ImageIndex = kImageDelivered;
  struct Case {
    const char* name;
    int selected;
    PropertiesStep answer;
    std::vector<std::string> shown;
    std::string row;
  } cases[] = {
      {"trimmed values",
       0,
       {{{0, " ann@v.test "}, {2, " Rome\t"}}},
       {"ann@x.test", "Ann", "Paris"},
       "[x] ann@v.test | Delivered | Ann | Rome"},
      {"missing values are created", 2, {{{2, "Oslo"}}}, {"cy@z.test", "", ""}, "[-] cy@z.test |  |  | Oslo"},
      {"cancelled", 1, {{{0, "zzz@y.test"}}, false}, {"bob@y.test", "Bob", ""}, "[ ] bob@y.test |  | Bob"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    project().FModified = false;
    Select(c.selected);
    AnswerProperties({c.answer});
    EXPECT_TRUE(form->ExecuteAction("acRecipientEdit"));
    EXPECT_EQ(seen.caption, "Properties");
    EXPECT_EQ(seen.titles, (std::vector<std::string>{"<email>", "<Name>", "<City>"}));
    EXPECT_EQ(seen.values, c.shown);
    EXPECT_EQ(Rows()[c.selected], c.row);
    EXPECT_TRUE(project().FModified);  // also when cancelled
  }
  EXPECT_EQ(project().Items[0].ImageIndex, kImageDelivered);
}

TEST_F(RecipientCommands, GridOfARowWithMoreValuesThanColumns) {
  project().Items[1].SubItems = {"", "Bob", "Rome", "stray"};
  Select(1);
  AnswerProperties({{{{1, "Robert"}}}});
  form->ExecuteAction("acRecipientEdit");
  EXPECT_EQ(seen.values, (std::vector<std::string>{"bob@y.test", "Bob", "Rome"}));
  EXPECT_EQ(Rows()[1], "[ ] bob@y.test |  | Robert | Rome | stray");
}

TEST_F(RecipientCommands, DoubleClickEditsOnlyWhenEditingIsOn) {
  Select(0);
  form->Guarded([&] { commands().ListView1DblClick(); });
  EXPECT_EQ(ui.modalCaptions, std::vector<std::string>{"Properties"});
  StartRun();
  Select(0);
  form->Guarded([&] { commands().ListView1DblClick(); });
  EXPECT_FALSE(form->ExecuteAction("acRecipientEdit"));
  EXPECT_FALSE(form->ExecuteAction("acRecipientAdd"));
  EXPECT_EQ(ui.modalCaptions.size(), 1u);
  EndRun();
  Select(-1);
  EXPECT_FALSE(form->ExecuteAction("acRecipientEdit"));
  EXPECT_EQ(ui.modalCaptions.size(), 1u);
}

TEST_F(RecipientCommands, DeleteOneOrAllChecked) {
  struct Case {
    const char* name;
    const char* action;
    std::vector<std::pair<int32_t, std::vector<std::string>>> before;
    int selected;
    bool yes;
    RowTexts rows;
    int selectedAfter;
    bool modified;
  } cases[] = {
      {"one, Yes",
       "acRecipientDelete",
       {{1, {"a"}}, {0, {"b"}}, {1, {"c"}}},
       1,
       true,
       {"[x] a", "[x] c"},
       -1,
       true},
      {"one, No", "acRecipientDelete", {{1, {"a"}}, {0, {"b"}}}, 1, false, {"[x] a", "[ ] b"}, 1, false},
      // Neighbouring checked rows: each one moves into the place just emptied.
      {"checked, Yes",
       "acRecipientDeleteSelected",
       {{1, {"a"}}, {1, {"b"}}, {0, {"c"}}, {1, {"d"}}, {1, {"e"}}, {-1, {"f"}}, {1, {"g"}}},
       5,
       true,
       {"[ ] c", "[-] f"},
       1,
       true},
      {"checked, the selected row goes",
       "acRecipientDeleteSelected",
       {{0, {"a"}}, {1, {"b"}}},
       1,
       true,
       {"[ ] a"},
       -1,
       true},
      {"checked, No", "acRecipientDeleteSelected", {{1, {"a"}}}, 0, false, {"[x] a"}, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetRows(c.before);
    Select(c.selected);
    ui.questions.clear();
    ui.yesNo = {c.yes};
    EXPECT_TRUE(form->ExecuteAction(c.action));
    EXPECT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(Rows(), c.rows);
    EXPECT_EQ(window().Selected, c.selectedAfter);
    EXPECT_EQ(window().Actions.acRecipientDelete.Enabled, c.selectedAfter >= 0);
    EXPECT_EQ(project().FModified, c.modified);
    EXPECT_EQ(ui.cursor(), TCursor::crDefault);
  }
  EXPECT_EQ(ui.questions[0], "Would you like to delete all checked recipients?");
}

TEST_F(RecipientCommands, DeleteAsksAboutThisRecipient) {
  Select(0);
  form->ExecuteAction("acRecipientDelete");
  EXPECT_EQ(ui.questions, std::vector<std::string>{"Would you like to delete this recipient?"});
}

TEST_F(RecipientCommands, CheckMarks) {
  // Rows start checked, unchecked and without a box (-1).
  struct Case {
    const char* action;
    int selected;
    std::vector<int32_t> states;
  } cases[] = {
      {"acCheckAll", -1, {1, 1, 1}}, {"acUnCheckAll", -1, {0, 0, 0}}, {"acInvertSelection", -1, {0, 1, 1}},
      {"acCheck", 0, {0, 0, -1}},    {"acCheck", 1, {1, 1, -1}},      {"acCheck", 2, {1, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.action) + " on row " + std::to_string(c.selected));
    for (int i = 0; i < 3; ++i) project().Items[i].StateIndex = std::vector<int32_t>{1, 0, -1}[i];
    project().FModified = false;
    Select(c.selected);
    EXPECT_TRUE(form->ExecuteAction(c.action));
    std::vector<int32_t> states;
    for (const auto& item : project().Items) states.push_back(item.StateIndex);
    EXPECT_EQ(states, c.states);
    EXPECT_TRUE(project().FModified);
    EXPECT_EQ(ui.cursor(), TCursor::crDefault);
  }
  // The bulk commands are off during a run; a single row can still be toggled.
  StartRun();
  Select(0);
  EXPECT_FALSE(form->ExecuteAction("acCheckAll"));
  EXPECT_FALSE(form->ExecuteAction("acInvertSelection"));
  EXPECT_TRUE(form->ExecuteAction("acCheck"));
}

// What the person sees in the "&Recipient" submenu is what the entry does,
// although the two bulk-check actions carry each other's captions.
TEST_F(RecipientCommands, BulkCheckEntriesDoWhatTheySay) {
  for (const TMenuEntry& entry : window().Menus.Recipient1) {
    if (entry.Caption != "&Check All" && entry.Caption != "&Uncheck All") continue;
    SCOPED_TRACE(entry.Caption);
    EXPECT_TRUE(form->ExecuteAction(entry.Action));
    int32_t want = entry.Caption == "&Check All" ? 1 : 0;
    for (const auto& item : project().Items) EXPECT_EQ(item.StateIndex, want);
    EXPECT_EQ(entry.Hint, entry.Caption == "&Check All" ? "Check all recipients" : "Uncheck all recipients");
  }
}

TEST_F(RecipientCommands, ClickOnTheCheckBoxToggles) {
  struct Case {
    int row, x;
    int32_t state;
    bool modified;
  } cases[] = {
      {0, 0, 0, true}, {0, 15, 0, true},  {0, 16, 1, false},
      {2, 3, 1, true}, {-1, 3, 1, false}, {7, 3, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.row) + " at " + std::to_string(c.x));
    project().Items[0].StateIndex = 1;
    project().Items[2].StateIndex = -1;
    project().FModified = false;
    form->Guarded([&] { commands().ListView1MouseDown(c.row, c.x); });
    EXPECT_EQ(project().Items[c.row == 2 ? 2 : 0].StateIndex, c.state);
    EXPECT_EQ(project().FModified, c.modified);
  }
}

class FindRecipients : public RecipientCommands {
 protected:
  FindRecipients() {
    SetRows({{1, {"ann@x.test", "Failed: Mailbox unavailable", "Ann", "Paris"}},
             {1, {"bob@y.test", "", "Bob", "Rome"}},
             {0, {"cy@z.test", "Rome", "Cy", "Z\xFCrich"}},
             {1, {"dee@x.test", "", "Dee", "rome"}}});
    window().OnMakeVisible = [this](int row) { madeVisible.push_back(row); };
  }
  std::vector<int> madeVisible;
};

TEST_F(FindRecipients, FindNextFromTheSelectedRow) {
  struct Case {
    int selected;
    const char* text;
    bool down, matchCase;
    int found;  // -1: "Not found"
  } cases[] = {
      {0, "ROME", true, false, 1},
      {1, "ROME", true, false, 3},       // row 2's result says Rome, but results are not searched
      {1, "Rome", true, true, -1},       // with the case: row 3 holds "rome"
      {3, "ann", true, false, -1},       // no wrap-around to row 0
      {3, "ANN", false, false, 0},       // up
      {0, "ann", false, false, -1},      // up from the first row
      {0, "Mailbox", true, false, -1},   // only in a result
      {0, "@Y.T", true, false, 1},       // the address is searched
      {0, "Z\xDCRICH", true, false, 2},  // the code page's capital of a small u with diaeresis
      {0, "Z\xDCRICH", true, true, -1},
      {-1, "ann", true, false, 0},  // nothing selected: from the first row down
      {-1, "rome", false, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.selected) + " " + c.text + (c.down ? " down" : " up"));
    Select(c.selected);
    ui.errors.clear();
    madeVisible.clear();
    TFindDialog& dialog = commands().FindDialog1;
    dialog.FindText = c.text;
    dialog.Down = c.down;
    dialog.MatchCase = c.matchCase;
    form->Guarded([&] { commands().FindDialog1Find(); });
    if (c.found >= 0) {
      EXPECT_EQ(window().Selected, c.found);
      EXPECT_EQ(madeVisible, std::vector<int>{c.found});
      EXPECT_TRUE(ui.errors.empty());
    } else {
      EXPECT_EQ(window().Selected, c.selected);
      EXPECT_TRUE(madeVisible.empty());
      EXPECT_EQ(ui.errors, std::vector<std::string>{std::string("Not found '") + c.text + "'"});
    }
    EXPECT_FALSE(project().FModified);
  }
}

TEST_F(FindRecipients, TheDialogStartsDownAndAnEmptyTextShowsIt) {
  EXPECT_TRUE(commands().FindDialog1.Down);
  EXPECT_TRUE(commands().FindDialog1.HideWholeWord);
  EXPECT_FALSE(form->ExecuteAction("acFind"));  // no row selected
  Select(0);
  EXPECT_TRUE(form->ExecuteAction("acFind"));
  EXPECT_EQ(ui.findDialogsShown, 1);
  EXPECT_TRUE(form->ExecuteAction("acFindNext"));
  EXPECT_EQ(ui.findDialogsShown, 2);
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_EQ(window().Selected, 0);
}

}  // namespace
}  // namespace norvane
