#include "app/main_window.h"

#include <gtest/gtest.h>

#include <set>

#include "editing_fixture.h"

namespace norvane {
namespace {

// An action missing from All() would never have its rule applied nor be
// found by name.
TEST(MainActions, AllListsEveryActionOnce) {
  TMainActions actions;
  std::vector<TAction*> all = actions.All();
  EXPECT_EQ(all.size() * sizeof(TAction), sizeof(TMainActions));
  std::set<std::string> names;
  for (TAction* action : all) EXPECT_TRUE(names.insert(action->Name).second) << action->Name;
}

TEST(MainMenus, EveryEntryRunsAnExistingAction) {
  TMainWindow window;
  const TMainMenus& m = window.Menus;
  for (const TMenu* menu : {&m.PopupMenuList, &m.Recipient1, &m.Search1, &m.Insert1, &m.AttachMenu}) {
    for (const TMenuEntry& entry : *menu) {
      if (entry.Caption == kSeparator) continue;
      EXPECT_NE(entry.Action.empty(), entry.Name.empty()) << entry.Caption;
      if (!entry.Action.empty()) {
        EXPECT_NE(window.Actions.Find(entry.Action), nullptr) << entry.Action;
      }
    }
  }
}

class ActionRules : public test::EditingFixture, public ::testing::Test {
 protected:
  ActionRules() { SetRows({{1, {"a@x.test"}}, {0, {"b@x.test"}}}); }
  // Enabled state of the actions the recipient commands follow.
  std::vector<bool> States() {
    std::vector<bool> states;
    for (const char* name : kNames) states.push_back(window().Actions.Find(name)->Enabled);
    return states;
  }
  static constexpr const char* kNames[] = {
      "acRecipientAdd", "acRecipientEdit", "acRecipientDelete", "acRecipientDeleteSelected",
      "acCheck",        "acFind",          "acImportMessage",   "acInsertAttachment",
      "acAbort"};
};

TEST_F(ActionRules, EnabledStateFollowsTheRunAndTheSelection) {
  struct Step {
    const char* name;
    std::function<void()> act;
    std::vector<bool> states;
  } steps[] = {
      {"idle, nothing selected", [] {}, {1, 0, 0, 1, 0, 0, 1, 1, 0}},
      {"a row selected", [&] { Select(1); }, {1, 1, 1, 1, 1, 1, 1, 1, 0}},
      {"run starts", [&] { StartRun(); }, {0, 0, 0, 0, 1, 1, 0, 0, 1}},
      {"selection cleared in the run", [&] { Select(-1); }, {0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {"selected in the run", [&] { Select(0); }, {0, 0, 0, 0, 1, 1, 0, 0, 1}},
      {"run ends", [&] { EndRun(); }, {1, 1, 1, 1, 1, 1, 1, 1, 0}},
      {"a row that is not there", [&] { Select(5); }, {1, 0, 0, 1, 0, 0, 1, 1, 0}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.act();
    EXPECT_EQ(States(), step.states);
  }
}

TEST_F(ActionRules, DisabledOrUnknownActionsDoNotRun) {
  EXPECT_FALSE(form->ExecuteAction("acRecipientDelete"));
  EXPECT_FALSE(form->ExecuteAction("acNoSuchThing"));
  EXPECT_TRUE(ui.questions.empty());
  Select(0);
  ui.yesNo = {true};
  EXPECT_TRUE(form->ExecuteAction("acRecipientDelete"));
  EXPECT_EQ(Rows(), std::vector<std::string>{"[ ] b@x.test"});
}

}  // namespace
}  // namespace norvane
