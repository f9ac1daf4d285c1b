// The window over a real run into the local sandbox: open the demo, send,
// watch the rows and the counters, stop, save and reopen; and the loop stays
// answering during a large run.
#include <gtest/gtest.h>

#include <QEvent>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <chrono>
#include <filesystem>

#include "app/sending_controller.h"
#include "gui/recipient_table_model.h"
#include "gui/recipient_table_view.h"
#include "gui/sandbox_session.h"
#include "main_window_fixture.h"

namespace norvane {
namespace {

namespace fs = std::filesystem;
using test::MainWindowFixture;

const fs::path kSourceDir = fs::path(__FILE__).parent_path() / "../..";

class MainWindowSend : public MainWindowFixture {
 protected:
  MainWindowSend() {
    ini.ilFrom().SetText("Demo Shop <shop@example.com>");
    ini.ilConnections().SetAsInteger(8);
    ini.ilTimeOut().SetAsInteger(20);
  }
  ~MainWindowSend() override {
    window.reset();
    sandbox.reset();
  }

  // The demo beside its attachment, in the temporary folder.
  std::string CopyDemo() {
    fs::create_directories(dir.File("data/demo"));
    fs::copy_file(kSourceDir / "data/demo/demo.nvp", dir.File("demo.nvp"));
    fs::copy_file(kSourceDir / "data/demo/price-list.txt", dir.File("data/demo/price-list.txt"));
    return dir.File("demo.nvp");
  }
  void StartSandbox() { sandbox = std::make_unique<SandboxSession>(*form, dir.File("mail"), loop); }
  void Click(const char* toolButton) {
    QAction* action = window->findChild<QAction*>(QString::fromLatin1(toolButton));
    ASSERT_NE(action, nullptr);
    QTest::mouseClick(window->ToolBar()->widgetForAction(action), Qt::LeftButton);
  }
  QString Cell(int row, int column) {
    auto* model = window->Recipients()->model();
    return model->data(model->index(row, column)).toString();
  }
  QString Panels() {
    QStringList texts;
    for (int i = 0; i < 5; ++i) texts << window->StatusPanel(i)->text();
    return texts.join(QLatin1Char('|'));
  }
  bool Idle() { return !form->Busy(); }

  std::unique_ptr<SandboxSession> sandbox;
};

TEST_F(MainWindowSend, OpenTheDemoSendWatchTheResultsSaveAndReopen) {
  Open();
  std::string demo = CopyDemo();
  files = {{QString::fromStdString(demo)}};
  Click("ToolButton9");
  ASSERT_EQ(fileDialogs.size(), 1u);
  EXPECT_EQ(fileDialogs[0].nameFilters, QStringList{"Norvane Projects (*.nvp)"});
  const int rows = static_cast<int>(form->Project.Items.size());
  ASSERT_EQ(rows, 12);
  EXPECT_EQ(window->Recipients()->model()->rowCount(), rows);
  EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("demo.nvp")));
  EXPECT_FALSE(window->SubjectBox()->text().isEmpty());

  StartSandbox();
  Click("ToolButton3");
  EXPECT_TRUE(form->Busy());
  EXPECT_FALSE(window->ActionEntry("acStart")->isEnabled());
  EXPECT_TRUE(window->ActionEntry("acAbort")->isEnabled());
  EXPECT_FALSE(window->ToBox()->isEnabled());
  // Closing is refused while the run is busy, without a question.
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(boxes.empty());

  // When "Finished!" shows, the window behind it is already back at rest.
  bool restedAtFinish = false;
  onBox = [&] {
    restedAtFinish = window->ActionEntry("acStart")->isEnabled() && window->ToBox()->isEnabled();
  };
  ASSERT_TRUE(RunUntil([&] { return Idle() && !boxes.empty(); }));
  EXPECT_TRUE(restedAtFinish);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Finished!");
  EXPECT_EQ(boxes[0].caption, "Norvane");
  int good = 0, bad = 0;
  for (int row = 0; row < rows; ++row) {
    const TListItem& item = form->Project.Items[static_cast<std::size_t>(row)];
    EXPECT_EQ(Cell(row, 1).toStdString(), item.SubItem(0));
    (item.ImageIndex == kImageDelivered ? good : bad)++;
  }
  EXPECT_EQ(Cell(0, 1), kDeliveredText);
  EXPECT_GT(good, 0);
  EXPECT_GT(bad, 0);
  ASSERT_TRUE(RunUntil([&] { return Panels().contains(QStringLiteral("Good: %1").arg(good)); }));
  EXPECT_TRUE(Panels().contains(QStringLiteral("Bad: %1").arg(bad))) << Panels().toStdString();
  EXPECT_TRUE(window->ActionEntry("acStart")->isEnabled());
  EXPECT_TRUE(window->ToBox()->isEnabled());

  Click("ToolButton1");
  EXPECT_FALSE(form->Project.FModified);
  window.reset();
  form.reset();

  Open({demo});
  EXPECT_EQ(window->Recipients()->model()->rowCount(), rows);
  EXPECT_EQ(Cell(0, 1), kDeliveredText);
}

TEST_F(MainWindowSend, StopEndsTheRunAndTheAbortedRowsStayChecked) {
  Open();
  for (int i = 0; i < 6; ++i)
    form->Project.Items.push_back({"slow-30+" + std::to_string(i) + "@late.test", {""}, 1});
  window->LoadFromLogic();
  StartSandbox();
  Click("ToolButton3");
  ASSERT_TRUE(RunUntil([&] { return Cell(0, 1) == kSendingText; }));
  Click("ToolButton5");
  ASSERT_TRUE(RunUntil([&] { return Idle(); }));
  EXPECT_TRUE(boxes.empty());  // a stopped run says nothing
  for (int row = 0; row < 6; ++row) {
    EXPECT_EQ(Cell(row, 1), kAbortedText);
    EXPECT_TRUE(form->Project.Items[static_cast<std::size_t>(row)].Checked());
  }
  EXPECT_TRUE(window->ActionEntry("acStart")->isEnabled());
}

// A queued Qt call made every few milliseconds must come back quickly while
// ten thousand outcomes arrive: the core loop never holds Qt's for long.
TEST_F(MainWindowSend, TheLoopKeepsAnsweringDuringALargeRun) {
  Open();
  ini.ilConnections().SetAsInteger(50);
  for (int i = 0; i < 10000; ++i)
    form->Project.Items.push_back(
        {"user" + std::to_string(i) + "@d" + std::to_string(i % 50) + ".test", {""}, 1});
  window->LoadFromLogic();
  StartSandbox();
  Click("ToolButton3");
  ASSERT_TRUE(form->Busy());

  using Clock = std::chrono::steady_clock;
  Clock::duration worst{};
  int answered = 0;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const Clock::time_point posted = Clock::now();
    QMetaObject::invokeMethod(
        window.get(),
        [&, posted] {
          worst = std::max(worst, Clock::now() - posted);
          ++answered;
        },
        Qt::QueuedConnection);
  });
  probe.start(10);
  ASSERT_TRUE(RunUntil([&] { return Idle(); }, 600000));
  probe.stop();

  EXPECT_GT(answered, 10);
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(worst).count(), 100);
  EXPECT_EQ(form->Sending.FGood, 10000);
  ASSERT_TRUE(RunUntil([&] { return Panels().contains(QStringLiteral("Good: 10000")); }));
  EXPECT_EQ(Cell(9999, 1), kDeliveredText);
}

}  // namespace
}  // namespace norvane
