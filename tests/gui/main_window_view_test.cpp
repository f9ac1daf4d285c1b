// The main window's layout and texts, and what typing, clicking and closing
// do to the logic behind it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "gui/actions_without_view.h"
#include "gui/ansi_text.h"
#include "gui/body_editor.h"
#include "gui/recipient_table_view.h"
#include "main_window_fixture.h"

namespace norvane {
namespace {

using test::MainWindowFixture;
using test::Type;

QStringList Texts(const QList<QAction*>& actions) {
  QStringList texts;
  for (QAction* action : actions) texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
  return texts;
}

class MainWindowView_ : public MainWindowFixture {};

TEST_F(MainWindowView_, OpensWithTheTextsAndLayoutOfTheMainWindow) {
  Open();
  EXPECT_EQ(window->windowTitle(), FromAnsi(form->Window.Caption));
  EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("New Project")));
  EXPECT_EQ(window->size(), QSize(648, 526));
  EXPECT_EQ(window->minimumSize(), QSize(300, 100));

  QStringList bar;
  for (QAction* menu : window->menuBar()->actions()) bar << menu->text();
  EXPECT_EQ(bar, (QStringList{"&File", "&Search", "&Insert", "&Tools", "&Help"}));
  EXPECT_EQ(
      Texts(window->FileMenu()->actions()),
      (QStringList{"&New", "&Open...", "&Save", "Save &As...", "-", "I&mport Message...", "-", "&Preview...",
                   "-", "S&end", "S&top", "-", "&Recipient", "&Import Recipient List...", "-", "E&xit"}));
  auto* recipient = window->FileMenu()->findChild<QMenu*>(QStringLiteral("Recipient1"));
  ASSERT_NE(recipient, nullptr);
  EXPECT_EQ(Texts(recipient->actions()),
            (QStringList{"&New...", "&Properties...", "&Delete...", "D&elete All Checked...", "-",
                         "&Check All", "&Uncheck All", "&Invert Selection"}));
  auto* tools = window->findChild<QMenu*>(QStringLiteral("Tools1"));
  EXPECT_EQ(Texts(tools->actions()), (QStringList{"&Options...", "-", "&Spell Checker...", "&Thesaurus..."}));
  auto* help = window->findChild<QMenu*>(QStringLiteral("Help1"));
  EXPECT_EQ(Texts(help->actions()), (QStringList{"&Contents...", "-", "&Tip of The Day...",
                                                 "&Getting Started...", "&Mailing Wizard...", "-",
                                                 "&Kalvento Software Home Page...", "&About Norvane...."}));

  // Shortcuts and hints come from the actions.
  EXPECT_EQ(window->ActionEntry("acPreview")->shortcut(), QKeySequence(Qt::Key_F9));
  EXPECT_EQ(window->ActionEntry("acCheckAll")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
  EXPECT_EQ(window->ActionEntry("acFindNext")->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_EQ(window->ActionEntry("acStart")->statusTip(), "Start sending e-mails");

  // Toolbar: New, Open, Save; Preview; Find; Send, Stop; Options; Spell Checker.
  QStringList tools_;
  for (QAction* action : window->ToolBar()->actions())
    if (action->isVisible()) tools_ << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
  EXPECT_EQ(tools_,
            (QStringList{"ToolButton8", "ToolButton9", "ToolButton1", "-", "ToolButton2", "-", "ToolButton14",
                         "-", "ToolButton3", "ToolButton5", "-", "ToolButton7", "ToolButton12"}));
  EXPECT_EQ(window->ToolBar()->actions()[4]->toolTip(), "Preview message");
  EXPECT_FALSE(window->findChild<QComboBox*>(QStringLiteral("cbContentType"))->isVisible());

  // List, splitter, the To / Subject panel and the body; no attachments yet.
  EXPECT_EQ(window->Splitter()->widget(0), window->Recipients());
  EXPECT_EQ(window->Splitter()->handleWidth(), 3);
  EXPECT_GE(window->findChild<QWidget*>(QStringLiteral("Panel2"))->height(), 52);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label1"))->text(), "&To:");
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label2"))->text(), "S&ubject:");
  EXPECT_EQ(window->ToBox()->text(), "<email>");
  EXPECT_TRUE(QFontInfo(window->Body()->font()).fixedPitch());
  EXPECT_EQ(window->Body()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_FALSE(window->Attachments()->isVisible());

  for (int i = 0; i < 5; ++i) EXPECT_EQ(window->StatusPanel(i)->width(), 120);
  QStringList panels;
  for (int i = 0; i < 5; ++i) panels << window->StatusPanel(i)->text();
  EXPECT_EQ(panels, (QStringList{"Elapsed:", "Total:", "Waiting:", "Good:", "Bad:"}));
}

TEST_F(MainWindowView_, EveryEntryFollowsItsActionAndCommandsWithoutADialogViewStayOff) {
  Open();
  form->Project.Items.push_back({"ann@a.test", {""}, 1});
  window->LoadFromLogic();
  window->Recipients()->selectRow(0);
  ASSERT_EQ(form->Window.Selected, 0);
  for (TAction* action : form->Window.Actions.All()) {
    SCOPED_TRACE(action->Name);
    QAction* entry = window->ActionEntry(action->Name);
    if (action->Name == "acCheck") continue;  // only in the list's pop-up menu, built when it opens
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->isEnabled(), action->Enabled && !HasNoView(action->Name));
    if (HasNoView(action->Name)) {
      // Off in the logic too, so a double click cannot reach it either.
      EXPECT_FALSE(action->Enabled);
      EXPECT_FALSE(window->Run(action->Name));
    }
  }
  EXPECT_TRUE(window->ActionEntry("acPreview")->isEnabled());
  EXPECT_TRUE(window->ActionEntry("acRecipientDelete")->isEnabled());
  EXPECT_FALSE(window->ActionEntry("acAbort")->isEnabled());
}

TEST_F(MainWindowView_, TypedTextReachesTheProjectAsWindows1252) {
  Open();
  window->ToBox()->clear();
  Type(window->ToBox(), QStringLiteral("<name> <email>"));
  Type(window->SubjectBox(), QStringLiteral("Caf\u00e9 \u20ac5"));
  window->Body()->setFocus();
  Type(window->Body(), QStringLiteral("Hello"));
  QTest::keyClick(window->Body(), Qt::Key_Return);
  Type(window->Body(), QStringLiteral("\u201cworld\u201d"));

  EXPECT_EQ(form->Project.To, "<name> <email>");
  EXPECT_EQ(form->Project.Subject,
            "Caf\xE9 \x80"
            "5");
  EXPECT_EQ(form->Project.Body, "Hello\r\n\x93world\x94");
  EXPECT_TRUE(form->Project.FModified);
  // The logic's caret counts the line break as two bytes.
  EXPECT_EQ(form->Window.Memo1SelStart, 14);
}

TEST_F(MainWindowView_, TheThesaurusShortcutFollowsTheFocusedTextBox) {
  Open();
  QAction* thesaurus = window->ActionEntry("acThesaurus");
  window->findChild<RecipientTableView*>()->setFocus();
  QCoreApplication::processEvents();
  EXPECT_FALSE(thesaurus->isEnabled());
  window->Body()->setFocus();
  QCoreApplication::processEvents();
  EXPECT_TRUE(thesaurus->isEnabled());
}

TEST_F(MainWindowView_, ACharacterWithoutAWindows1252FormIsRefusedWithANote) {
  Open();
  Type(window->SubjectBox(), QStringLiteral("ab"));
  Type(window->SubjectBox(), QStringLiteral("\u03a9"));
  EXPECT_EQ(form->Project.Subject, "ab");
  EXPECT_EQ(window->SubjectBox()->text(), "ab");
  EXPECT_EQ(window->statusBar()->currentMessage(), RefusedCharacterNote());

  window->statusBar()->clearMessage();
  window->Body()->setFocus();
  Type(window->Body(), QStringLiteral("x\u4e2dy"));
  EXPECT_EQ(form->Project.Body, "xy");
  EXPECT_EQ(window->statusBar()->currentMessage(), RefusedCharacterNote());

  // A paste with such a character is refused whole.
  QApplication::clipboard()->setText(QStringLiteral("z\u0394"));
  window->Body()->paste();
  EXPECT_EQ(form->Project.Body, "xy");
}

TEST_F(MainWindowView_, NewProjectFromTheToolbarAsksAboutChangesAndClearsTheWindow) {
  Open();
  Type(window->SubjectBox(), QStringLiteral("Draft"));
  QAction* newButton = window->findChild<QAction*>(QStringLiteral("ToolButton8"));
  QWidget* button = window->ToolBar()->widgetForAction(newButton);

  answers = {QMessageBox::Cancel};
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Confirm");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
  EXPECT_EQ(window->SubjectBox()->text(), "Draft");

  answers = {QMessageBox::No};
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(window->SubjectBox()->text(), "");
  EXPECT_EQ(form->Project.Subject, "");
  EXPECT_FALSE(form->Project.FModified);
}

TEST_F(MainWindowView_, AnErrorIsShownInTheErrorBox) {
  Open();
  window->Run("acStart");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Norvane");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(boxes[0].text.endsWith(QLatin1Char('.'))) << boxes[0].text.toStdString();
}

TEST_F(MainWindowView_, FilesDroppedOnTheWindowBecomeAttachmentsAndFoldersAreSkipped) {
  Open();
  std::string file = dir.File("notes.txt");
  std::ofstream(file) << "x";
  std::filesystem::create_directory(dir.File("folder"));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.File("folder"))),
                QUrl::fromLocalFile(QString::fromStdString(file))});
  QDragEnterEvent enter(QPoint(200, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(200, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.get(), &drop);
  EXPECT_TRUE(drop.isAccepted());

  ASSERT_EQ(form->Project.Attachments.size(), 1u);
  EXPECT_EQ(form->Project.Attachments[0].Caption, "notes.txt");
  EXPECT_TRUE(window->Attachments()->isVisible());
  EXPECT_EQ(window->Attachments()->topLevelItemCount(), 1);
  EXPECT_FALSE(window->Attachments()->topLevelItem(0)->icon(0).isNull());

  // Only the report style shows the header and the folder column.
  form->AttachmentCommands.SmallIcon1Click(kTagList);
  window->LoadFromLogic();
  EXPECT_TRUE(window->Attachments()->isHeaderHidden());
  EXPECT_TRUE(window->Attachments()->isColumnHidden(1));
  form->AttachmentCommands.SmallIcon1Click(kTagIcon);
  window->LoadFromLogic();
  EXPECT_EQ(window->Attachments()->iconSize(), QSize(32, 32));
  form->AttachmentCommands.SmallIcon1Click(kTagReport);
  window->LoadFromLogic();
  EXPECT_FALSE(window->Attachments()->isHeaderHidden());
  EXPECT_FALSE(window->Attachments()->isColumnHidden(1));

  // Delete in the list removes it and hides the list again.
  window->Attachments()->setFocus();
  window->Attachments()->topLevelItem(0)->setSelected(true);
  QTest::keyClick(window->Attachments(), Qt::Key_Delete);
  EXPECT_TRUE(form->Project.Attachments.empty());
  EXPECT_FALSE(window->Attachments()->isVisible());
}

TEST_F(MainWindowView_, ClosingAsksAboutUnsavedChanges) {
  Open();
  Type(window->SubjectBox(), QStringLiteral("Unsaved"));
  answers = {QMessageBox::Cancel};
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Confirm");

  answers = {QMessageBox::No};
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowView_, TheMaximizedStateIsStoredOnCloseAndRestoredAtTheNextStart) {
  Open();
  window->showMaximized();
  QCoreApplication::processEvents();
  ASSERT_TRUE(window->isMaximized());
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(ini.isMaximized().AsBoolean());
  window.reset();
  form.reset();

  Open();
  EXPECT_TRUE(window->isMaximized());
}

TEST_F(MainWindowView_, AProjectNamedOnTheCommandLineIsOpenedAndListed) {
  Open();
  form->Project.Items.push_back({"ann@a.test", {"", "Ann"}, 1});
  form->Project.AddColumn("Name", 100);
  std::string path = dir.File("named.nvp");
  form->Commands.SaveProject(path);
  window.reset();
  form.reset();

  Open({path});
  EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("named.nvp")));
  EXPECT_EQ(window->Recipients()->model()->rowCount(), 1);
  EXPECT_EQ(window->Recipients()->model()->data(window->Recipients()->model()->index(0, 0)).toString(),
            "ann@a.test");
  // The recently used file stands in the File menu after "&Import Recipient List...".
  QStringList file = Texts(window->FileMenu()->actions());
  int at = static_cast<int>(file.indexOf("&Import Recipient List..."));
  ASSERT_GE(at, 0);
  EXPECT_TRUE(file[at + 2].endsWith(QStringLiteral("named.nvp"))) << file.join(" | ").toStdString();
}

}  // namespace
}  // namespace norvane

namespace norvane {
namespace {

// Outcomes reach the list and the counters together from the repaint timer,
// never one repaint per outcome.
TEST_F(MainWindowView_, RowChangesOfARunAreShownTogetherWithTheCounters) {
  Open();
  for (int i = 0; i < 3; ++i) form->Project.Items.push_back({"r" + std::to_string(i) + "@a.test", {""}, 1});
  window->LoadFromLogic();
  QSignalSpy changed(window->Recipients()->model(), &QAbstractItemModel::dataChanged);
  form->Window.StatusPanels[3] = "Good: 2";
  form->Sending.OnRowChanged(0);
  form->Sending.OnRowChanged(0);
  form->Sending.OnRowChanged(2);
  EXPECT_EQ(changed.count(), 0);
  EXPECT_EQ(window->StatusPanel(3)->text(), "Good:");

  ASSERT_TRUE(RunUntil([&] { return changed.count() > 0; }));
  EXPECT_EQ(window->StatusPanel(3)->text(), "Good: 2");
  ASSERT_EQ(changed.count(), 2);
  EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 0);
  EXPECT_EQ(changed[1][0].value<QModelIndex>().row(), 2);
}

}  // namespace
}  // namespace norvane
