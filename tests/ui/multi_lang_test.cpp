// The word-table grammar and the rules by which components take their
// entries, on small tables written inline (two languages: English, German).
#include "ui/multi_lang.h"

#include <gtest/gtest.h>

#include "ui/scripted_prompts.h"

namespace norvane {
namespace {

using Lines = std::vector<std::string>;
using test::ScriptedPrompts;

struct MultiLangFixture : ::testing::Test {
  TComponentTree tree;
  ScriptedPrompts prompts;
  TMultiLang multiLang{tree, &prompts};

  void Load(Lines words, uint8_t startLanguage = 0) {
    TMultiLangDesign design;
    design.Words = std::move(words);
    multiLang.Load(design, startLanguage);
  }
};

TEST_F(MultiLangFixture, WalkSetsTheWindowCaptionAndNamedComponentsAndSkipsEverythingElse) {
  tree.Form.Caption = "design";
  tree.Add("Label1", TComponentKind::Label).Caption = "design";
  tree.Add("edName", TComponentKind::Edit).Text = "design";
  tree.Add("Button1", TComponentKind::Button).Caption = "design";
  Load({
      "%Form%",
      "Window",
      "Fenster",  //
      "LABEL1",
      "&Name:",
      "&Name:",  // letter case of names is ignored
      "Nobody",
      "x",
      "y",  // no component bears the name
      "\"",
      "stray",
      "verirrt",  // a continuation with nothing before it
      "edName",
      "John",
      "Hans",  //
      "\".hINT",
      "Type the name",
      "Namen eingeben",  //
      "\".Hint",
      "stray hint",
      "verirrter Hinweis",  // a second hint is stray
      "Button1",
      "OK",
      "Gut",
  });
  EXPECT_EQ(tree.Form.Caption, "Window");
  EXPECT_EQ(tree.Find("label1")->Caption, "&Name:");
  EXPECT_EQ(tree.Find("edName")->Text, "John");
  EXPECT_EQ(tree.Find("edName")->Hint, "Type the name");
  EXPECT_EQ(tree.Find("Button1")->Caption, "OK");

  ASSERT_TRUE(multiLang.SetActiveLanguage(1));
  EXPECT_EQ(tree.Form.Caption, "Fenster");
  EXPECT_EQ(tree.Find("edName")->Text, "Hans");
  EXPECT_EQ(tree.Find("edName")->Hint, "Namen eingeben");
  EXPECT_EQ(tree.Find("Button1")->Caption, "Gut");
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(MultiLangFixture, ListRuleFillsFromContinuationsAndEmptiesTheElementsLeftOver) {
  TUiComponent& combo = tree.Add("cbKind", TComponentKind::ComboBox);
  combo.Items = {"one", "two", "three"};
  combo.ItemIndex = 2;
  tree.Add("Memo1", TComponentKind::Memo).Items = {"design line 1", "design line 2"};
  tree.Add("lbShort", TComponentKind::ListBox).Items = {"only"};
  tree.Add("Label1", TComponentKind::Label);
  Load({
      "cbKind",
      "Text",
      "Text",
      "\"",
      "HTML",
      "HTML",  // three items, two entries
      "Memo1",
      "",
      "",  // two empty texts
      "lbShort",
      "first",
      "erstes",
      "\"",
      "extra",
      "zusätzlich",
      "Label1",
      "after",
      "danach",
  });
  EXPECT_EQ(tree.Find("cbKind")->Items, (Lines{"Text", "HTML", ""}));
  EXPECT_EQ(tree.Find("cbKind")->ItemIndex, 2);  // the same item stays selected
  EXPECT_EQ(tree.Find("Memo1")->Items, (Lines{"", ""}));
  EXPECT_EQ(tree.Find("lbShort")->Items, (Lines{"first"}));
  EXPECT_EQ(tree.Find("Label1")->Caption, "after");  // the extra continuation was skipped
}

TEST_F(MultiLangFixture, ContentTypeSelectorTakesItemsAndHintAndKeepsItsSelection) {
  TUiComponent& combo = tree.Add("cbContentType", TComponentKind::ComboBox);
  combo.Items = {"x", "y"};
  combo.ItemIndex = 0;
  Load({"cbContentType", "Text", "Text", "\"", "HTML", "HTML", "\".Hint", "Content type", "Art des Inhalts"});
  EXPECT_EQ(tree.Find("cbContentType")->Items, (Lines{"Text", "HTML"}));
  EXPECT_EQ(tree.Find("cbContentType")->Hint, "Content type");
  EXPECT_EQ(tree.Find("cbContentType")->ItemIndex, 0);
}

TEST_F(MultiLangFixture, SequenceRuleKeepsTheTextsOfElementsWithoutEntries) {
  TUiComponent& list = tree.Add("ListView1", TComponentKind::ListView);
  list.Columns = {"c0", "c1", "c2"};
  list.Rows = {{"r0", {"s0", "s1"}}, {"r1", {"t0"}}};
  TUiComponent& bar = tree.Add("StatusBar1", TComponentKind::StatusBar);
  bar.Panels = {"p0", "p1", "p2"};
  tree.Add("TreeView1", TComponentKind::TreeView).Items = {"n0", "n1"};
  tree.Add("HeaderControl1", TComponentKind::HeaderControl).Columns = {"h0", "h1"};
  Load({
      "ListView1",      "E-mail",  "E-Mail",    "\"",      "Result",   "Ergebnis", "\"",        "Status",
      "Status",         "\"",      "row 0",     "Zeile 0", "\"",       "sub 0",    "Unter 0",  // a row, then
                                                                                               // its
                                                                                               // sub-items as
                                                                                               // a list
      "StatusBar1",     "Norvane", "Vintrella", "\"",      "Elapsed:", "Dauer:",   "TreeView1", "node",
      "Knoten",  //
      "HeaderControl1", "Name",    "Name",      "\"",      "Size",     "Größe",
  });
  const TUiComponent& view = *tree.Find("ListView1");
  EXPECT_EQ(view.Columns, (Lines{"E-mail", "Result", "Status"}));
  EXPECT_EQ(view.Rows[0].Caption, "row 0");
  EXPECT_EQ(view.Rows[0].SubItems, (Lines{"sub 0", ""}));
  EXPECT_EQ(view.Rows[1].Caption, "r1");
  EXPECT_EQ(tree.Find("StatusBar1")->Text, "Norvane");
  EXPECT_EQ(tree.Find("StatusBar1")->Panels, (Lines{"Elapsed:", "p1", "p2"}));
  EXPECT_EQ(tree.Find("TreeView1")->Items, (Lines{"node", "n1"}));
  EXPECT_EQ(tree.Find("HeaderControl1")->Columns, (Lines{"Name", "Size"}));
}

TEST_F(MultiLangFixture, KindsWithTwoTextsTakeTwoEntries) {
  TUiComponent& group = tree.Add("rgMode", TComponentKind::RadioGroup);
  group.Items = {"a", "b"};
  group.ItemIndex = 1;
  tree.Add("Notebook", TComponentKind::Notebook).Pages = {"p0", "p1"};
  tree.Add("OpenDlg", TComponentKind::OpenDialog);
  tree.Add("cbFilter", TComponentKind::FilterComboBox);
  tree.Add("File1", TComponentKind::MenuItem);
  tree.Add("maskPhone", TComponentKind::MaskEdit).Text = "(000)";
  Load({
      "rgMode",
      "Mode:",
      "Mode:",
      "\"",
      "&Append",
      "&Anhängen",
      "\"",
      "&Replace",
      "&Ersetzen",
      "Notebook",
      "Welcome",
      "Willkommen",
      "\"",
      "From",
      "Von",
      "OpenDlg",
      "Import Message",
      "Import Nachricht",
      "\"",
      "Text files (*.txt)|*.txt",
      "Text-Dateien (*.txt)|*.txt",
      "cbFilter",
      "All files (*.*)|*.*",
      "Alle Dateien (*.*)|*.*",  //
      "File1",
      "&File",
      "&Datei",  //
      "maskPhone",
      "never",
      "nie",
  });
  EXPECT_EQ(tree.Find("rgMode")->Caption, "Mode:");
  EXPECT_EQ(tree.Find("rgMode")->Items, (Lines{"&Append", "&Replace"}));
  EXPECT_EQ(tree.Find("rgMode")->ItemIndex, 1);
  EXPECT_EQ(tree.Find("Notebook")->Pages, (Lines{"Welcome", "From"}));
  EXPECT_EQ(tree.Find("OpenDlg")->Caption, "Import Message");
  EXPECT_EQ(tree.Find("OpenDlg")->Filter, "Text files (*.txt)|*.txt");
  EXPECT_EQ(tree.Find("cbFilter")->Filter, "All files (*.*)|*.*");
  EXPECT_EQ(tree.Find("File1")->Caption, "&File");
  EXPECT_EQ(tree.Find("maskPhone")->Text, "(000)");  // a masked edit's text is never set
}

TEST_F(MultiLangFixture, HintRules) {
  tree.Add("PBar", TComponentKind::ProgressBar);  // a hint but no text: its own entry is skipped
  tree.Add("Label1", TComponentKind::Label).Hint = "kept";
  tree.Add("SaveDlg", TComponentKind::SaveDialog);  // no hint at all
  tree.Add("Label2", TComponentKind::Label);
  tree.Add("lbEmpty", TComponentKind::ListBox);  // an empty list takes nothing
  Load({
      "PBar",    "ignored", "ignoriert", "\".Hint", "Progress", "Fortschritt",  //
      "Label1",  "Caption", "Titel",     "\".Hint", "",         "",  // an empty hint changes nothing
      "SaveDlg", "Save",    "Speichern", "\"",      "*.nvp",    "*.nvp",
      "\".Hint", "never",   "nie",       "Label2",  "next",     "weiter",  //
      "lbEmpty", "x",       "x",         "\".Hint", "List",     "Liste",
  });
  EXPECT_EQ(tree.Find("PBar")->Hint, "Progress");
  EXPECT_EQ(tree.Find("PBar")->Caption, "");
  EXPECT_EQ(tree.Find("Label1")->Hint, "kept");
  EXPECT_EQ(tree.Find("SaveDlg")->Filter, "*.nvp");
  EXPECT_EQ(tree.Find("SaveDlg")->Hint, "");
  EXPECT_EQ(tree.Find("Label2")->Caption, "next");
  EXPECT_TRUE(tree.Find("lbEmpty")->Items.empty());
  EXPECT_EQ(tree.Find("lbEmpty")->Hint, "List");
}

TEST_F(MultiLangFixture, EmptyTextsEmptyTheTargetUnlessTheDefaultLanguageStandsIn) {
  tree.Add("Label1", TComponentKind::Label);
  Load({"Label1", "English", ""}, 1);
  EXPECT_EQ(tree.Find("Label1")->Caption, "");

  multiLang.SetDefaultEnabled(true);  // applies the active language again
  EXPECT_EQ(tree.Find("Label1")->Caption, "English");
}

TEST_F(MultiLangFixture, IncompleteEntriesAtTheEndAreIgnored) {
  tree.Add("Label1", TComponentKind::Label).Caption = "design";
  tree.Add("cbKind", TComponentKind::ComboBox).Items = {"a", "b"};
  for (uint8_t language : {0, 1}) {
    SCOPED_TRACE(language);
    // The label's entry lacks its German line; the combo box's continuation does too.
    tree.Find("Label1")->Caption = "design";
    tree.Find("cbKind")->Items = {"a", "b"};
    Load({"cbKind", "Text", "Text", "\"", "HTML"}, language);
    EXPECT_EQ(tree.Find("cbKind")->Items, language == 0 ? (Lines{"Text", "HTML"}) : (Lines{"Text", ""}));
    Load({"Label1", "English only"}, language);
    EXPECT_EQ(tree.Find("Label1")->Caption, "design");
  }
}

TEST_F(MultiLangFixture, SettingALanguageOutOfRangeIsRefusedWithAMessage) {
  tree.Add("Label1", TComponentKind::Label);
  Load({"Label1", "One", "Eins"});
  EXPECT_FALSE(multiLang.SetActiveLanguage(2));
  EXPECT_FALSE(multiLang.SetDefaultLanguage(2));
  EXPECT_EQ(prompts.messages, (Lines{kLanguageTooHigh, kLanguageTooHigh}));
  EXPECT_EQ(multiLang.ActiveLanguage(), 0);
  EXPECT_EQ(multiLang.DefaultLanguage(), 0);
  EXPECT_EQ(tree.Find("Label1")->Caption, "One");
}

TEST_F(MultiLangFixture, BeforeLanguageChangeMayRefuseAndAfterLanguageChangedFollowsTheWalk) {
  tree.Add("Label1", TComponentKind::Label);
  Load({"Label1", "One", "Eins"});
  std::vector<std::string> events;
  bool allow = false;
  multiLang.BeforeLanguageChange = [&](TBaseMultiLang&, uint8_t language, bool& allowIt) {
    events.push_back("before " + std::to_string(language) + (allowIt ? " allowed" : ""));
    allowIt = allow;
  };
  multiLang.AfterLanguageChanged = [&](TBaseMultiLang&, uint8_t language) {
    events.push_back("after " + std::to_string(language) + " " + tree.Find("Label1")->Caption);
  };
  EXPECT_FALSE(multiLang.SetActiveLanguage(1));
  EXPECT_EQ(tree.Find("Label1")->Caption, "One");
  allow = true;
  EXPECT_TRUE(multiLang.SetActiveLanguage(1));
  EXPECT_EQ(events, (Lines{"before 1 allowed", "before 1 allowed", "after 1 Eins"}));
}

TEST_F(MultiLangFixture, AddingALanguageGivesEveryEntryAQuestionMark) {
  tree.Add("Label1", TComponentKind::Label);
  Load({"Label1", "One", "Eins", "\".Hint", "h", "H"});
  ASSERT_TRUE(multiLang.SetLanguages(3));
  EXPECT_EQ(multiLang.Words(), (Lines{"Label1", "One", "Eins", "?", "\".Hint", "h", "H", "?"}));
  ASSERT_TRUE(multiLang.SetActiveLanguage(2));
  EXPECT_EQ(tree.Find("Label1")->Caption, "?");
  EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(MultiLangFixture, RemovingLanguagesAsksFirstAndLeavesAllAsItWasWithoutYes) {
  tree.Add("Label1", TComponentKind::Label);
  const Lines words{"Label1", "One", "Eins", "\"", "x", "y"};
  Load(words, 1);

  EXPECT_FALSE(multiLang.SetLanguages(0));
  EXPECT_EQ(prompts.messages, (Lines{kNeedOneLanguage}));

  EXPECT_FALSE(multiLang.SetLanguages(1));  // the script answers No
  EXPECT_EQ(prompts.questions, (Lines{kDropActiveLanguageQuestion}));
  EXPECT_EQ(multiLang.Languages(), 2);
  EXPECT_EQ(multiLang.Words(), words);
  EXPECT_EQ(tree.Find("Label1")->Caption, "Eins");

  prompts.answers = {true};
  ASSERT_TRUE(multiLang.SetLanguages(1));  // the German texts go, English is shown first
  EXPECT_EQ(multiLang.Words(), (Lines{"Label1", "One", "\"", "x"}));
  EXPECT_EQ(multiLang.ActiveLanguage(), 0);
  EXPECT_EQ(tree.Find("Label1")->Caption, "One");
}

TEST_F(MultiLangFixture, RemovingALanguageThatIsNotShownAsksTheShorterQuestion) {
  // The last entry lacks its German line: it is never padded into a complete one.
  const Lines words{"Label1", "One", "Eins", "Label2", "Two"};
  Load(words);
  ASSERT_TRUE(multiLang.SetLanguages(3));
  EXPECT_EQ(multiLang.Words(), (Lines{"Label1", "One", "Eins", "?", "Label2", "Two"}));
  prompts.answers = {true};
  ASSERT_TRUE(multiLang.SetLanguages(2));
  EXPECT_EQ(prompts.questions, (Lines{kDropLanguageQuestion}));
  EXPECT_EQ(multiLang.Words(), words);
}

TEST(LanguageNames, EnglishAndGermanByNumberOrName) {
  EXPECT_EQ(LanguageFromName("0"), 0);
  EXPECT_EQ(LanguageFromName("EN"), 0);
  EXPECT_EQ(LanguageFromName("de"), 1);
  EXPECT_EQ(LanguageFromName("German"), 1);
  EXPECT_EQ(LanguageFromName("2"), std::nullopt);
  EXPECT_EQ(LanguageFromName(""), std::nullopt);
}

}  // namespace
}  // namespace norvane
