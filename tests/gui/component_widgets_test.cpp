// A word table reaches the Qt widgets named after its components, in both
// languages, Windows-1252 letters arriving as Unicode.
#include "gui/component_widgets.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/multi_lang.h"

namespace norvane {
namespace {

struct SmallWindow {
  QDialog root;
  QLabel* label = new QLabel(&root);
  QPushButton* button = new QPushButton(&root);
  QCheckBox* check = new QCheckBox(&root);
  QGroupBox* group = new QGroupBox(&root);
  QGroupBox* radios = new QGroupBox(&root);
  QRadioButton* up = new QRadioButton(radios);
  QRadioButton* down = new QRadioButton(radios);
  QTabWidget* tabs = new QTabWidget(&root);
  QWidget* firstPage = new QWidget;
  QWidget* secondPage = new QWidget;
  QComboBox* combo = new QComboBox(&root);
  QAction* action = new QAction(&root);
  QMenu* menu = new QMenu(&root);
  QLabel* stranger = new QLabel("untouched", &root);

  SmallWindow() {
    label->setObjectName("Label1");
    button->setObjectName("btOK");
    check->setObjectName("cbCase");
    group->setObjectName("GroupBox1");
    radios->setObjectName("rgDirection");
    tabs->setObjectName("PageControl1");
    tabs->addTab(firstPage, QString());
    tabs->addTab(secondPage, QString());
    secondPage->setObjectName("tsSecond");
    combo->setObjectName("cbKind");
    combo->addItems({"a", "b"});
    combo->setCurrentIndex(1);
    action->setObjectName("acFind");
    menu->setObjectName("mnFile");
    stranger->setObjectName("Label2");
  }
};

// A tree as a window's logic fills it, with its word table loaded.
void LoadTree(TComponentTree& tree, uint8_t language) {
  tree.Add("Label1", TComponentKind::Label);
  tree.Add("btOK", TComponentKind::Button);
  tree.Add("cbCase", TComponentKind::CheckBox);
  tree.Add("GroupBox1", TComponentKind::GroupBox);
  tree.Add("rgDirection", TComponentKind::RadioGroup).Items = {"", ""};
  tree.Add("PageControl1", TComponentKind::PageControl);
  tree.Add("tsSecond", TComponentKind::TabSheet);
  tree.Add("cbKind", TComponentKind::ComboBox).Items = {"a", "b"};
  tree.Add("acFind", TComponentKind::Action);
  tree.Add("mnFile", TComponentKind::MenuItem);
  tree.Add("Timer1", TComponentKind::Component);
  TMultiLangDesign design;
  design.Words = {
      "%Form%",
      "Find",
      "Suchen",  //
      "label1",
      "&Find what:",
      "Suchen &nach:",  // letter case of names is ignored
      "btOK",
      "OK",
      "OK",  //
      "cbCase",
      "Match &case",
      "Gro\xDF/Kleinschreibung",  // Windows-1252 sharp s
      "\".Hint",
      "Case counts",
      "Gro\xDF z\xE4hlt",  //
      "GroupBox1",
      "Options",
      "Optionen",  //
      "rgDirection",
      "Direction",
      "Richtung",  //
      "\"",
      "&Up",
      "Nach &oben",  //
      "\"",
      "&Down",
      "Nach &unten",  //
      "tsSecond",
      "Second",
      "Zweite",  //
      "cbKind",
      "Text",
      "Text",  //
      "\"",
      "HTML",
      "HTML",  //
      "acFind",
      "&Find...",
      "&Suchen...",  //
      "\".Hint",
      "Find a recipient",
      "Empf\xE4nger suchen",  //
      "mnFile",
      "&File",
      "&Datei",  //
  };
  TMultiLang multiLang(tree, nullptr);
  multiLang.Load(design, language);
}

struct Expected {
  uint8_t language;
  const char* title;
  const char* label;
  const char* check;
  const char* checkHint;
  const char* group;
  const char* radioGroup;
  const char* up;
  const char* down;
  const char* page;
  const char* combo;
  const char* action;
  const char* actionHint;
  const char* menu;
};

TEST(ComponentWidgets, CaptionsItemsAndHintsReachTheNamedWidgetsInEitherLanguage) {
  const Expected cases[] = {
      {0, "Find", "&Find what:", "Match &case", "Case counts", "Options", "Direction", "&Up", "&Down",
       "Second", "HTML", "&Find...", "Find a recipient", "&File"},
      {1, "Suchen", "Suchen &nach:", "Gro\u00DF/Kleinschreibung", "Gro\u00DF z\u00E4hlt", "Optionen",
       "Richtung", "Nach &oben", "Nach &unten", "Zweite", "HTML", "&Suchen...", "Empf\u00E4nger suchen",
       "&Datei"},
  };
  for (const Expected& want : cases) {
    SCOPED_TRACE(want.language);
    SmallWindow window;
    TComponentTree tree;
    LoadTree(tree, want.language);
    ApplyComponents(tree, window.root);

    EXPECT_EQ(window.root.windowTitle(), QString::fromUtf8(want.title));
    EXPECT_EQ(window.label->text(), QString::fromUtf8(want.label));
    EXPECT_EQ(window.button->text(), "OK");
    EXPECT_EQ(window.check->text(), QString::fromUtf8(want.check));
    EXPECT_EQ(window.check->toolTip(), QString::fromUtf8(want.checkHint));
    EXPECT_EQ(window.check->statusTip(), QString::fromUtf8(want.checkHint));
    EXPECT_EQ(window.group->title(), QString::fromUtf8(want.group));
    EXPECT_EQ(window.radios->title(), QString::fromUtf8(want.radioGroup));
    EXPECT_EQ(window.up->text(), QString::fromUtf8(want.up));
    EXPECT_EQ(window.down->text(), QString::fromUtf8(want.down));
    EXPECT_EQ(window.tabs->tabText(1), QString::fromUtf8(want.page));
    ASSERT_EQ(window.combo->count(), 2);
    EXPECT_EQ(window.combo->itemText(1), QString::fromUtf8(want.combo));
    EXPECT_EQ(window.combo->currentIndex(), 1) << "the selected item stays";
    EXPECT_EQ(window.action->text(), QString::fromUtf8(want.action));
    EXPECT_EQ(window.action->statusTip(), QString::fromUtf8(want.actionHint));
    EXPECT_EQ(window.menu->title(), QString::fromUtf8(want.menu));
    EXPECT_EQ(window.stranger->text(), "untouched") << "a widget with no component keeps its text";
  }
}

TEST(ComponentWidgets, AHintSplitsIntoToolTipAndStatusTipAtTheBar) {
  QDialog root;
  auto* button = new QPushButton(&root);
  button->setObjectName("btGo");
  TComponentTree tree;
  TUiComponent& go = tree.Add("btGo", TComponentKind::Button);
  go.Caption = "&Go";
  go.Hint = "Go|Starts sending to every checked recipient";
  ApplyComponents(tree, root);
  EXPECT_EQ(button->toolTip(), "Go");
  EXPECT_EQ(button->statusTip(), "Starts sending to every checked recipient");
}

}  // namespace
}  // namespace norvane
