#include "app/startup_sequence.h"

#include <gtest/gtest.h>

#include "app/tools_help_commands.h"
#include "app_fixture.h"
#include "platform/clock.h"
#include "platform/event_loop.h"

namespace norvane {
namespace {

using Strings = std::vector<std::string>;

class RecordingStartupUi : public TStartupUi {
 public:
  void ShowSplash() override { events.push_back("splash shown"); }
  void SetApplicationTitle(const std::string& title) override { events.push_back("title " + title); }
  void ShowMainWindow() override { events.push_back("main window shown"); }
  void DestroySplash() override { events.push_back("splash destroyed"); }
  void EnableMainWindow() override { events.push_back("main window enabled"); }
  Strings events;
};

TEST(StartupSequence, TheSplashStaysTwoSecondsBeforeTheWindowIsEnabledAndTheDialogsShow) {
  FakeClock clock(1000);
  EventLoop loop(clock);
  RecordingStartupUi ui;
  TStartupSequence start(ui, loop);
  start.CreateSettings = [&] { ui.events.push_back("settings created"); };
  start.CreateMainWindow = [&] { ui.events.push_back("main window created disabled"); };
  start.StartupDialogs = [&] { ui.events.push_back("start-up dialogs"); };

  start.Run();
  const Strings first = {"splash shown", "title Norvane", "settings created", "main window created disabled",
                         "main window shown"};
  EXPECT_EQ(ui.events, first);
  loop.RunOnce(0);
  clock.Advance(kSplashMs - 1);
  loop.RunOnce(0);
  EXPECT_EQ(ui.events, first);
  EXPECT_FALSE(start.Finished());

  clock.Advance(1);
  loop.RunOnce(0);
  Strings all = first;
  for (const char* event : {"splash destroyed", "main window enabled", "start-up dialogs"})
    all.push_back(event);
  EXPECT_EQ(ui.events, all);
  EXPECT_TRUE(start.Finished());
  clock.Advance(10 * kSplashMs);
  loop.RunOnce(0);
  EXPECT_EQ(ui.events, all) << "once only";
}

TEST(StartupSequence, ASequenceGoneBeforeThePauseEndsLeavesNoTimerBehind) {
  FakeClock clock;
  EventLoop loop(clock);
  RecordingStartupUi ui;
  {
    TStartupSequence start(ui, loop);
    start.Run();
  }
  clock.Advance(kSplashMs);
  EXPECT_FALSE(loop.RunOnce(0));
  EXPECT_EQ(ui.events.size(), 3u);
}

// The whole start with the main window's logic: the tip of the day and the
// getting-started dialog appear only once the window is enabled, tips first.
class StartupWithMainWindow : public test::AppFixture, public ::testing::Test {};

TEST_F(StartupWithMainWindow, TheDialogsFollowTheEnabledWindow) {
  FakeClock clock;
  EventLoop loop(clock);
  RecordingStartupUi startUi;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<TToolsHelpCommands> tools;
  TStartupSequence start(startUi, loop);
  start.CreateMainWindow = [&] {
    form = std::make_unique<TMainForm>(ui, ini, Hive(), loop);
    tools = std::make_unique<TToolsHelpCommands>(form->Project, form->Window, ui, ini, form->Sending,
                                                 form->Commands);
    tools->FileFolders = {};
    tools->PrepareTips();
    form->FormCreate({});
  };
  start.StartupDialogs = [&] {
    startUi.events.push_back("dialogs");
    form->Guarded([&] { tools->StartupDialogs(); });
  };
  start.Run();
  EXPECT_TRUE(ui.modalCaptions.empty());
  clock.Advance(kSplashMs);
  loop.RunOnce(0);
  EXPECT_EQ(startUi.events.back(), "dialogs");
  EXPECT_EQ(ui.modalCaptions, (Strings{"Tip of The Day", "Getting Started"}));
  EXPECT_TRUE(ui.errors.empty());
}

}  // namespace
}  // namespace norvane
