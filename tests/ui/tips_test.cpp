#include "ui/tips.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "ui/home_page.h"

namespace norvane {
namespace {

using namespace std::string_literals;
using test::TempDir;
using test::WriteFile;

// Shows a tip form by running a script on it; without a script the close box closes it.
class ScriptedModalUi : public ModalUi {
 public:
  void ShowModal(TModalForm& form) override {
    auto& tips = dynamic_cast<TTipForm&>(form);
    shown.push_back(tips);
    if (script) script(tips);
    if (!form.Closed()) form.CloseBoxClick();
  }
  std::function<void(TTipForm&)> script;
  std::vector<TTipForm> shown;  // as the form stood when it appeared
};

RandomIndex Fixed(int index) {
  return [index](int) { return index; };
}

TEST(TipForm, StepsThroughTheTipsInARing) {
  enum Click { kNext, kPrevious };
  struct Case {
    std::vector<std::string> tips;
    int start;
    std::vector<Click> clicks;
    std::vector<std::string> shown;  // the first tip, then one after each click
    bool nextEnabled;
  };
  const Case cases[] = {
      {{"1", "2"}, 0, {kNext, kNext, kNext}, {"1", "2", "1", "2"}, true},
      {{"1", "2"}, 1, {kNext, kNext, kNext}, {"2", "1", "2", "1"}, true},
      {{"1", "2", "3"}, 0, {kPrevious, kPrevious, kNext}, {"1", "3", "2", "3"}, true},
      {{"1", "2", "3"}, 2, {kNext, kPrevious, kPrevious}, {"3", "1", "3", "2"}, true},
      // One tip: Next is off, Previous stays on and keeps the tip.
      {{"only"}, 0, {kPrevious}, {"only", "only"}, false},
      {{}, 0, {kPrevious}, {kNoTip, kNoTip}, false},
      // A random source out of range starts at the first tip.
      {{"1", "2"}, 7, {kNext}, {"1", "2"}, true},
      {{"1", "2"}, -1, {}, {"1"}, true},
  };
  for (const auto& c : cases) {
    TTipForm form;
    form.Tips = c.tips;
    form.Random = Fixed(c.start);
    form.FormShow();
    std::vector<std::string> shown = {form.TipText};
    for (Click click : c.clicks) {
      if (click == kNext) form.NextClick();
      if (click == kPrevious) form.LastClick();
      shown.push_back(form.TipText);
    }
    EXPECT_EQ(shown, c.shown) << "tips " << c.tips.size() << ", start " << c.start;
    EXPECT_EQ(form.NextEnabled, c.nextEnabled) << c.tips.size();
    EXPECT_TRUE(form.LastEnabled);
  }
}

TEST(TipForm, TheRandomStartCoversTheWholeListAndNoMore) {
  for (int count : {1, 2, 12}) {
    std::vector<bool> seen(static_cast<std::size_t>(count));
    for (int i = 0; i < 400; ++i) {
      int index = SystemRandomIndex(count);
      ASSERT_GE(index, 0);
      ASSERT_LT(index, count);
      seen[static_cast<std::size_t>(index)] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), count) << count;
  }
}

TEST(Tips, ExecuteHandsItsTextsToTheDialogAndTakesTheCheckBoxBackHoweverItCloses) {
  enum Close { kOk, kCloseBox };
  struct Case {
    bool before;
    bool tick;  // the person clicks the check box
    Close close;
    bool result;
    bool after;
  };
  const Case cases[] = {
      {false, true, kCloseBox, false, true}, {false, true, kOk, true, true},   {true, true, kOk, true, false},
      {true, false, kCloseBox, false, true}, {false, false, kOk, true, false},
  };
  for (const auto& c : cases) {
    TTips tips;
    tips.SetTips({"first", "second"});
    tips.Title = "Tip of The Day";
    tips.TipHelp = "Did you know that...";
    tips.TipWelcome = "Welcome!";
    tips.CaptionOK = "OK";
    tips.NotShowAtStart = c.before;
    tips.Random = Fixed(1);
    ScriptedModalUi ui;
    ui.script = [&](TTipForm& form) {
      if (c.tick) form.NotShowAtStart = !form.NotShowAtStart;
      if (c.close == kOk) form.OkClick();
    };
    EXPECT_EQ(tips.Execute(ui), c.result);
    EXPECT_EQ(tips.NotShowAtStart, c.after);
    ASSERT_EQ(ui.shown.size(), 1u);
    const TTipForm& shown = ui.shown[0];
    EXPECT_EQ(shown.Caption, "Tip of The Day");
    EXPECT_EQ(shown.TipHelp, "Did you know that...");
    EXPECT_EQ(shown.TipCaption, "Welcome!");
    EXPECT_EQ(shown.TipText, "second");
    EXPECT_EQ(shown.OkCaption, "OK");
    EXPECT_EQ(shown.NextCaption, "&Pr\xF3xima Dica");  // the component's own default
    EXPECT_EQ(shown.NotShowAtStart, c.before);
    EXPECT_FALSE(shown.btTutorialVisible);
    EXPECT_FALSE(shown.bvSeparatorVisible);
  }
}

TEST(Tips, TheTutorialButtonShowsOnlyWithAHandlerAndCallsIt) {
  TTips tips;
  int calls = 0;
  tips.OnTutorClick = [&] { ++calls; };
  ScriptedModalUi ui;
  ui.script = [](TTipForm& form) { form.btTutorialClick(); };
  tips.Execute(ui);
  EXPECT_TRUE(ui.shown[0].btTutorialVisible);
  EXPECT_TRUE(ui.shown[0].bvSeparatorVisible);
  EXPECT_EQ(calls, 1);
}

TEST(Tips, TheDialogWorksOnACopyOfTheList) {
  TTips tips;
  tips.SetTips({"a"});
  tips.SetTips(tips.Tips());
  ScriptedModalUi ui;
  tips.Execute(ui);  // the empty-list tip is never added to an empty list
  EXPECT_EQ(tips.Tips(), std::vector<std::string>{"a"});
  TTips empty;
  empty.Execute(ui);
  EXPECT_EQ(ui.shown.back().TipText, kNoTip);
  EXPECT_EQ(empty.TipsCount(), 0u);
}

TEST(Tips, TheBuiltInTipsNameTheMakersSite) {
  ASSERT_EQ(BuiltInTips().size(), 12u);
  const std::string& seventh = BuiltInTips()[6];
  EXPECT_EQ(seventh.substr(seventh.size() - std::string(kHomePageAddress).size()), kHomePageAddress);
}

TEST(TipsFile, OneTipPerLine) {
  struct Case {
    std::string text;
    std::vector<std::string> tips;
  };
  const Case cases[] = {
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\ntwo", {"one", "two"}},
      {"one\rtwo\r", {"one", "two"}},
      {"one\n\r\n  \t \ntwo\n\n", {"one", "two"}},  // blank lines are not tips
      {"a\tb  c", {"a\tb  c"}},
      {"bell\x07 and nul\0!"s, {"bell and nul!"}},
      {"caf\xE9", {"caf\xE9"}},  // ANSI stays
      {"\xEF\xBB\xBF"
       "caf\xC3\xA9\n\xE2\x82\xAC 5",
       {"caf\xE9", "\x80 5"}},  // UTF-8 with its mark
      {"", {}},
      {"\r\n\r\n", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(TipsFromText(c.text), c.tips) << c.text;
}

TEST(TipsFile, MissingFileIsNoTipsFileAndUnreadableOnesAreRefused) {
  TempDir dir;
  EXPECT_FALSE(LoadTipsFile(dir.File("tips.txt")).has_value());

  WriteFile(dir.File("tips.txt"), "first\r\nsecond\r\n");
  EXPECT_EQ(LoadTipsFile(dir.File("tips.txt")), (std::vector<std::string>{"first", "second"}));

  WriteFile(dir.File("big.txt"), std::string(kMaxTipsFileBytes + 1, 'x'));
  WriteFile(dir.File("limit.txt"), std::string(kMaxTipsFileBytes, 'x'));
  EXPECT_EQ(LoadTipsFile(dir.File("limit.txt"))->size(), 1u);
  ASSERT_EQ(::mkdir(dir.File("folder.txt").c_str(), 0700), 0);
  // A pipe would block a plain read forever.
  ASSERT_EQ(::mkfifo(dir.File("pipe.txt").c_str(), 0600), 0);
  const std::pair<const char*, const char*> refused[] = {
      {"big.txt", "larger than 1048576 bytes"},
      {"folder.txt", "not a regular file"},
      {"pipe.txt", "not a regular file"},
  };
  for (const auto& [name, reason] : refused) {
    try {
      LoadTipsFile(dir.File(name));
      ADD_FAILURE() << name;
    } catch (const TipsFileError& error) {
      EXPECT_EQ(std::string(error.what()), "Cannot read tips file " + dir.File(name) + ": " + reason);
    }
  }
}

}  // namespace
}  // namespace norvane
