// The dialogs driven by simulated input from their commands: options stored
// in the settings file, tips stepped through, a project chosen in getting
// started, a recipient added and edited in the properties grid.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <filesystem>

#include "dialog_test_support.h"
#include "main_form_fixture.h"
#include "modal_script.h"
#include "ui/tips.h"

namespace norvane {
namespace {

using test::Child;
using test::Click;

class DialogFlows : public ::testing::Test, public test::MainFormFixture {
 protected:
  test::ModalScript script;
};

// Replaces a line box's text as typing would.
void Retype(QWidget& dialog, const char* name, const QString& text) {
  auto& box = Child<QLineEdit>(dialog, name);
  box.setFocus();
  box.selectAll();
  QTest::keyClicks(&box, text);
}

TEST_F(DialogFlows, OptionsChangedByTypingAndClickingAreStoredInTheSettingsFile) {
  script.Then([](QWidget& dialog) {
    auto& connections = Child<QSpinBox>(dialog, "edConnections");
    EXPECT_EQ(connections.value(), 200);
    connections.setFocus();
    connections.selectAll();
    QTest::keyClicks(&connections, "25");
    QTest::keyClick(&connections, Qt::Key_Up);  // the up arrow: one more
    Retype(dialog, "edFrom", "Sales <sales@example.org>");
    EXPECT_FALSE(Child<QLineEdit>(dialog, "edHost").isEnabled());
    Click(dialog, "edSpecifyHost");
    EXPECT_TRUE(Child<QLineEdit>(dialog, "edHost").isEnabled());
    Retype(dialog, "edHost", "mail.example.org");
    Retype(dialog, "edDNS2", "127.0.0.53");  // a lone second server becomes the first
    Click(dialog, "cbRunSpellChecker");
    Click(dialog, "Button1");
  });
  ASSERT_TRUE(form->ExecuteAction("acOptions"));
  ASSERT_TRUE(script.Done());

  TINI stored(RegistryHive(dir.File("Norvane.reg")));  // read afresh from the file
  EXPECT_EQ(stored.ilConnections().AsInteger(), 26);
  EXPECT_EQ(stored.ilFrom().Text(), "Sales <sales@example.org>");
  EXPECT_EQ(stored.ilHostFromDomain().AsInteger(), 0);
  EXPECT_EQ(stored.ilHost().Text(), "mail.example.org");
  EXPECT_EQ(stored.ilDNS1().Text(), "127.0.0.53");
  EXPECT_EQ(stored.ilDNS2().Text(), "");
  EXPECT_FALSE(stored.ilRunSpellChecker().AsBoolean());
}

TEST_F(DialogFlows, OptionsOfTheRelayPagesAreCheckedOnOkAndARefusedValueKeepsTheDialogOnItsPage) {
  script.Then([](QWidget& dialog) {
    Retype(dialog, "edGateway", "relay.example.org");
    Retype(dialog, "edGatewayPort", "port");
    Child<QComboBox>(dialog, "cbGatewayTls").setCurrentText("implicit");
    Retype(dialog, "edDkimSelector", "s2026");
    Click(dialog, "Button1");
  });
  script.Then([](QWidget& dialog) {
    EXPECT_TRUE(Child<QLabel>(dialog, "lbError").isVisible());
    EXPECT_FALSE(Child<QLabel>(dialog, "lbError").text().isEmpty());
    auto& pages = Child<QTabWidget>(dialog, "PageControl1");
    EXPECT_EQ(pages.currentWidget()->objectName(), "TabSheet1") << "the page of the refused value";
    Retype(dialog, "edGatewayPort", "2525");
    Click(dialog, "Button1");
  });
  ASSERT_TRUE(form->ExecuteAction("acOptions"));
  ASSERT_TRUE(script.Done());
  TINI stored(RegistryHive(dir.File("Norvane.reg")));
  const TINIArquivo& file = stored.INIArquivo1();
  EXPECT_EQ(file.ReadString("Connection", "Gateway", ""), "relay.example.org");
  EXPECT_EQ(file.ReadString("Connection", "GatewayPort", ""), "2525");
  EXPECT_EQ(file.ReadString("Security", "GatewayTls", ""), "implicit");
  EXPECT_EQ(file.ReadString("DKIM", "Selector", ""), "s2026");
  EXPECT_EQ(file.ReadString("Security", "DirectTls", "(unset)"), "(unset)")
      << "an unchanged box is not pinned";
}

TEST_F(DialogFlows, OptionsCancelledStoreNothing) {
  script.Then([](QWidget& dialog) {
    Retype(dialog, "edFrom", "nobody@example.org");
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  ASSERT_TRUE(form->ExecuteAction("acOptions"));
  ASSERT_TRUE(script.Done());
  TINI stored(RegistryHive(dir.File("Norvane.reg")));
  EXPECT_EQ(stored.ilFrom().Text(), "");
}

TEST_F(DialogFlows, TipsStepForwardAndBackInARingAndTheCheckBoxTurnsThemOff) {
  form->ToolsHelp.Tips.SetTips({"First tip.", "Second tip.", "Third tip."});
  form->ToolsHelp.Tips.Random = [](int) { return 0; };
  script.Then([](QWidget& dialog) {
    auto tip = [&] { return Child<QLabel>(dialog, "TipText").text(); };
    EXPECT_EQ(tip(), "First tip.");
    Click(dialog, "Next");
    EXPECT_EQ(tip(), "Second tip.");
    Click(dialog, "Next");
    Click(dialog, "Next");
    EXPECT_EQ(tip(), "First tip.") << "after the last tip comes the first";
    Click(dialog, "Last");
    EXPECT_EQ(tip(), "Third tip.");
    EXPECT_FALSE(Child<QWidget>(dialog, "btTutorial").isVisible());
    Click(dialog, "NotShowAtStart");
    QTest::keyClick(&dialog, Qt::Key_Escape);  // Escape is the OK button's
  });
  ASSERT_TRUE(form->ExecuteAction("acTipOfThDay"));
  ASSERT_TRUE(script.Done());
  EXPECT_FALSE(TINI(RegistryHive(dir.File("Norvane.reg"))).riShowTipOfTheDay().AsBoolean());
}

TEST_F(DialogFlows, GettingStartedOpensTheProjectChosenInTheList) {
  const std::string folder = dir.File("projects");
  std::filesystem::create_directory(folder);
  const auto demo =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data/demo/demo.nvp";
  std::filesystem::copy_file(demo, folder + "/Beta.nvp");
  std::filesystem::copy_file(demo, folder + "/alpha.nvp");
  ini.riProjectsDirectory().SetText(folder);

  script.Then([](QWidget& dialog) {
    auto& list = Child<QListWidget>(dialog, "Scripts");
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->text(), "alpha");
    EXPECT_EQ(list.item(1)->text(), "Beta");
    EXPECT_TRUE(Child<QRadioButton>(dialog, "rbNothing").isChecked());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
    EXPECT_TRUE(Child<QRadioButton>(dialog, "rdScript").isChecked());
    Click(dialog, "btOK");
  });
  ASSERT_TRUE(form->ExecuteAction("acGettingStarted"));
  ASSERT_TRUE(script.Done());
  EXPECT_EQ(std::filesystem::path(form->Project.FProjectFileName).filename(), "Beta.nvp");
  EXPECT_FALSE(form->Project.Items.empty());
}

// The grid's open editor; closed ones may linger until deleted later.
QLineEdit* OpenEditor(QTableWidget& grid) {
  for (QLineEdit* editor : grid.viewport()->findChildren<QLineEdit*>())
    if (editor->isVisible()) return editor;
  return nullptr;
}

// Types `text` into the value cell of grid line `row`.
void TypeValue(QTableWidget& grid, int row, const QString& text) {
  grid.setCurrentCell(row, 1);
  grid.editItem(grid.item(row, 1));
  QLineEdit* editor = OpenEditor(grid);
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  // One key event carrying the whole text: keyClicks knows ASCII keys only.
  QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, text, Qt::NoModifier);
}

TEST_F(DialogFlows, ARecipientIsAddedAndEditedInThePropertiesGrid) {
  script.Then([](QWidget& dialog) {
    auto& grid = Child<QTableWidget>(dialog, "VerticalGrid");
    EXPECT_EQ(dialog.focusWidget(), &grid) << "the grid has the focus when shown";
    ASSERT_GE(grid.rowCount(), 1);
    EXPECT_EQ(grid.item(0, 0)->text(), "<email>");
    EXPECT_FALSE(grid.item(0, 0)->flags() & Qt::ItemIsEditable);
    Click(dialog, "Button1");  // a blank address is refused and the dialog stays
  });
  script.Then([](QWidget& dialog) {
    auto& grid = Child<QTableWidget>(dialog, "VerticalGrid");
    TypeValue(grid, 0, "  new@example.org ");
    Click(dialog, "Button1");
  });
  ASSERT_TRUE(form->ExecuteAction("acRecipientAdd"));
  ASSERT_TRUE(script.Done());
  EXPECT_EQ(boxes, std::vector<std::string>{"E-mail address cannot be blank."});
  ASSERT_EQ(form->Project.Items.size(), 1u);
  EXPECT_EQ(form->Project.Items[0].Caption, "new@example.org");

  form->Window.Selected = 0;
  script.Then([](QWidget& dialog) {
    auto& grid = Child<QTableWidget>(dialog, "VerticalGrid");
    EXPECT_EQ(dialog.windowTitle(), "Properties");
    EXPECT_EQ(grid.item(0, 1)->text(), "new@example.org");
    TypeValue(grid, 0, "Ren\u00E9e@example.org");
    Click(dialog, "Button1");  // OK takes the value still being typed
  });
  ASSERT_TRUE(form->ExecuteAction("acRecipientEdit"));
  ASSERT_TRUE(script.Done());
  EXPECT_EQ(form->Project.Items[0].Caption,
            "Ren\xE9"
            "e@example.org");
}

}  // namespace
}  // namespace norvane
