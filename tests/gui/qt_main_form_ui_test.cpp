// The Qt side of the UI services: file filters, box texts, the preview
// window and the event-loop bridge.
#include "gui/qt_main_form_ui.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "app/ui_services.h"
#include "gui/ansi_text.h"
#include "gui/event_loop_bridge.h"
#include "gui/file_filter.h"
#include "gui/preview_window.h"

namespace norvane {
namespace {

TEST(QtNameFilters, TurnTheLogicsFiltersIntoQtsOwn) {
  struct Case {
    const char* filter;
    QStringList want;
  };
  const Case cases[] = {
      {"Norvane Projects|*.nvp", {"Norvane Projects (*.nvp)"}},
      {"Text files (*.txt)|*.txt|All files (*.*)|*.*", {"Text files (*.txt)", "All files (*)"}},
      {"Text files (*.txt)|*.txt|Comma Separated Values (*.csv)|*.csv|dBase tables (*.dbf)|*.dbf",
       {"Text files (*.txt)", "Comma Separated Values (*.csv)", "dBase tables (*.dbf)"}},
      {"Pictures|*.png;*.jpg", {"Pictures (*.png *.jpg)"}},
      {"", {"All files (*)"}},
      {"Odd|", {"Odd ()"}},
      {"Lone description", {"All files (*)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(QtNameFilters(c.filter), c.want) << c.filter;
}

TEST(AnsiText, ConvertsAtTheEdgeAndTellsWhatCannotBeStored) {
  EXPECT_EQ(FromAnsi("Caf\xE9 \x80"), QStringLiteral("Caf\u00e9 \u20ac"));
  EXPECT_EQ(ToAnsi(QStringLiteral("\u201cq\u201d")), "\x93q\x94");
  EXPECT_EQ(BodyFromAnsi("a\r\nb\rc"), QStringLiteral("a\nb\nc"));
  EXPECT_EQ(BodyToAnsi(QStringLiteral("a\nb")), "a\r\nb");
  EXPECT_TRUE(IsAnsiText(QStringLiteral("\u00ff\u0152\u2122 ?")));
  for (const char* refused : {"\u03a9", "\u4e2d", "\U0001F600", "\u0081", "\ufffd"})
    EXPECT_FALSE(IsAnsiText(QString::fromUtf8(refused))) << refused;
  EXPECT_EQ(BoxText("one\rtwo\r\nthree"), QStringLiteral("one\ntwo\nthree"));
}

TEST(PreviewWindowView, ShowsTheLinesReadOnlyInAFixedPitchFontAndEscapeCloses) {
  TFormPreview form;
  form.Lines = {{"To: ann@a.test", true},
                {"", false},
                {"Gr\xFC\xDF"
                 "e",
                 false}};
  QtMainFormUi ui;
  bool checked = false;
  QTimer::singleShot(0, [&] {
    auto* window = qobject_cast<PreviewWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Preview Message");
    EXPECT_TRUE(window->Text()->isReadOnly());
    EXPECT_EQ(window->Text()->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(QFontInfo(window->Text()->font()).fixedPitch());
    EXPECT_EQ(window->Text()->toPlainText(), QStringLiteral("To: ann@a.test\n\nGr\u00fc\u00dfe"));
    EXPECT_EQ(window->Text()->textCursor().position(), 0);
    checked = true;
    QTest::keyClick(window, Qt::Key_Escape);
  });
  ui.ShowPreview(form);  // returns once Escape has closed it
  EXPECT_TRUE(checked);
}

TEST(EventLoopBridgeRun, TheCoreLoopRunsUnderQtAndNestedDispatchPumpsQt) {
  EventLoop loop;
  EventLoopBridge bridge(loop);
  int dispatched = 0;
  QObject::connect(&bridge, &EventLoopBridge::Dispatched, [&] { ++dispatched; });

  bool fired = false;
  loop.AddTimer(1, [&] { fired = true; });
  bool posted = false;
  loop.Post([&] { posted = true; });
  while (!(fired && posted)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  EXPECT_GT(dispatched, 0);

  // A Qt call queued before a nested dispatch is delivered inside it.
  bool qtCall = false;
  QMetaObject::invokeMethod(
      &bridge, [&] { qtCall = true; }, Qt::QueuedConnection);
  loop.ProcessMessages();
  EXPECT_TRUE(qtCall);
}

TEST(QtMainFormUiBoxes, CaptionsAndIconsOfEveryBox) {
  QtMainFormUi ui;
  std::vector<MessageBoxRequest> boxes;
  ui.BoxHook = [&](const MessageBoxRequest& request) {
    boxes.push_back(request);
    return QMessageBox::Yes;
  };
  EXPECT_TRUE(ui.ConfirmYesNo("Delete?"));
  EXPECT_EQ(ui.ConfirmYesNoCancel("Save?"), TModalResult::mrYes);
  ui.ShowInformation("Done");
  ui.ShowError(ErrorBoxText("Nothing to send"));
  ui.ShowMessage("Finished!");
  ASSERT_EQ(boxes.size(), 5u);
  EXPECT_EQ(boxes[0].caption, "Confirm");
  EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(boxes[1].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(boxes[1].icon, QMessageBox::Question);
  EXPECT_EQ(boxes[2].caption, "Information");
  EXPECT_EQ(boxes[2].icon, QMessageBox::Information);
  EXPECT_EQ(boxes[3].caption, "Norvane");
  EXPECT_EQ(boxes[3].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes[3].text, "Nothing to send.");
  EXPECT_EQ(boxes[4].icon, QMessageBox::NoIcon);
}

TEST(QtMainFormUiBoxes, ARealBoxIsAnsweredByItsButton) {
  QtMainFormUi ui;
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Confirm");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
  });
  EXPECT_EQ(ui.ConfirmYesNoCancel("Save changes?"), TModalResult::mrNo);
}

}  // namespace
}  // namespace norvane
