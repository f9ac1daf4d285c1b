// Positions and fonts that switch with the language, and the lines of the
// Positions list they are kept in.
#include "ui/language_positions.h"

#include <gtest/gtest.h>

#include "ui/multi_lang.h"
#include "ui/scripted_prompts.h"

namespace norvane {
namespace {

using Lines = std::vector<std::string>;
using test::ScriptedPrompts;

std::string Bounds(const TUiComponent& c) {
  return PositionField(c).value_or("none");
}

TEST(PositionLines, StoringPadsOrAddsTheLineAndRestoringReadsTheLanguagesField) {
  Lines positions{"label1,1.1.1.1", "btnext,1.2.3.4,5.6.7.8", "btnext,9.9.9.9"};
  // The last line of a name counts; it is padded to one field per language.
  StorePositionField(positions, "btnext", "10.20.30.40", 1, 2);
  EXPECT_EQ(positions[2], "btnext,9.9.9.9,10.20.30.40");
  EXPECT_EQ(FindPositionField(positions, "btnext", 0), "9.9.9.9");
  // A name is matched whole: "label1" does not stand for "label10".
  StorePositionField(positions, "label10", "0.0.5.5", 0, 2);
  EXPECT_EQ(positions.back(), "label10,0.0.5.5,0.0.5.5");
  EXPECT_EQ(FindPositionField(positions, "label1", 1), std::nullopt);  // the line has no German field
  EXPECT_EQ(FindPositionField(positions, "nobody", 0), std::nullopt);
}

TEST(PositionLines, AFieldHoldsOnlyTheNumbersOfPropertiesTheComponentHas) {
  TUiComponent label;
  label.Name = "Label1";
  EXPECT_EQ(PositionField(label), std::nullopt);
  label.Left = 3;
  label.Height = -2;
  EXPECT_EQ(PositionField(label), "3...-2");

  ApplyPositionField(label, "7.x.y.+8");  // only Left and Height are read
  EXPECT_EQ(Bounds(label), "7...8");

  label.At(1, 2, 3, 4);
  for (const char* broken : {"1.2.3", "1.2.3.x", "1.2..4", "", "1.2.3.99999999999"}) {
    SCOPED_TRACE(broken);
    EXPECT_THROW(ApplyPositionField(label, broken), TPositionError);
    EXPECT_EQ(Bounds(label), "1.2.3.4");  // nothing changed
  }
}

struct SwitchingFixture : ::testing::Test {
  TComponentTree tree;
  ScriptedPrompts prompts;
  TMultiLang multiLang{tree, &prompts};
};

// The mailing wizard's case: designed in German (ActiveLanguage 1), positions
// of controls only. Loading shows English: each control with an entry moves
// to its English field, and the German fields take the designed positions.
TEST_F(SwitchingFixture, AWindowDesignedInGermanShowsEnglishPositionsAndKeepsItsDesignAsGerman) {
  tree.Add("btNext", TComponentKind::Button).At(1, 2, 3, 4);
  tree.Add("Label6", TComponentKind::Label).At(8, 8, 310, 58);
  tree.Add("edFrom", TComponentKind::Edit).At(5, 6, 7, 8);   // no entry and no line
  tree.Add("bevel1", TComponentKind::Bevel).At(0, 0, 1, 1);  // a line but no entry
  tree.Add("tbDbase", TComponentKind::Component);            // no position at all
  TMultiLangDesign design;
  design.ActiveLanguage = 1;
  design.SwitchPositions = TSwitchPositions::spControlsOnly;
  design.Words = {"btNext", "Ne&xt>", "&Vor >", "Label6", "Ready.", "Bereit."};
  design.Positions = {"btnext,324.280.75.23,300.280.99.23", "label6,8.8.310.44,0.0.0.0",
                      "bevel1,10.265.470.8,1.1.1.1", "%Form%,1.1.1.1,2.2.2.2"};
  multiLang.Load(design, 0);

  EXPECT_EQ(Bounds(*tree.Find("btNext")), "324.280.75.23");
  EXPECT_EQ(Bounds(*tree.Find("Label6")), "8.8.310.44");
  EXPECT_EQ(Bounds(*tree.Find("bevel1")), "0.0.1.1");
  EXPECT_EQ(Bounds(tree.Form), "none");  // the window's own line is not used in this mode
  EXPECT_EQ(multiLang.Positions(),
            (Lines{"btnext,324.280.75.23,1.2.3.4", "label6,8.8.310.44,8.8.310.58",
                   "bevel1,10.265.470.8,0.0.1.1", "%Form%,1.1.1.1,2.2.2.2", "edfrom,5.6.7.8,5.6.7.8"}));

  ASSERT_TRUE(multiLang.SetActiveLanguage(1));
  EXPECT_EQ(Bounds(*tree.Find("btNext")), "1.2.3.4");
  EXPECT_EQ(Bounds(*tree.Find("Label6")), "8.8.310.58");
  EXPECT_EQ(tree.Find("Label6")->Caption, "Bereit.");
}

TEST_F(SwitchingFixture, WindowPositionSwitchesOnlyWithFormAndControls) {
  tree.Form.At(0, 0, 640, 480);
  TMultiLangDesign design;
  design.SwitchPositions = TSwitchPositions::spFormAndControls;
  design.Positions = {"%Form%,0.0.640.480,0.0.800.600"};
  multiLang.Load(design, 1);
  EXPECT_EQ(Bounds(tree.Form), "0.0.800.600");
  tree.Form.Width = 700;  // the person resizes the German window
  ASSERT_TRUE(multiLang.SetActiveLanguage(0));
  EXPECT_EQ(Bounds(tree.Form), "0.0.640.480");
  EXPECT_EQ(multiLang.Positions(), (Lines{"%Form%,0.0.640.480,0.0.700.600"}));
}

TEST_F(SwitchingFixture, ABrokenPositionConfinesTheFailureToItsComponent) {
  tree.Add("rgMode", TComponentKind::RadioGroup).At(0, 0, 1, 1).Items = {"a", "b"};
  tree.Add("Label1", TComponentKind::Label).At(0, 0, 1, 1);
  TMultiLangDesign design;
  design.SwitchPositions = TSwitchPositions::spControlsOnly;
  design.Words = {"rgMode", "Mode:",    "Modus:",    "\"",     "&Append", "&Anhängen",
                  "\"",     "&Replace", "&Ersetzen", "Label1", "Next",    "Weiter"};
  design.Positions = {"rgmode,1.2.3.4,1.2.3.x", "label1,5.5.5.5,6.6.6.6"};
  multiLang.Load(design, 1);
  EXPECT_EQ(tree.Find("rgMode")->Caption, "");  // nothing of its entries was applied
  EXPECT_EQ(tree.Find("rgMode")->Items, (Lines{"a", "b"}));
  EXPECT_EQ(Bounds(*tree.Find("rgMode")), "0.0.1.1");
  EXPECT_EQ(tree.Find("Label1")->Caption, "Weiter");  // its continuations were skipped, the walk went on
  EXPECT_EQ(Bounds(*tree.Find("Label1")), "6.6.6.6");

  // Leaving a language stores the present position as its field, the broken one too
  // (loading had left English with the designed position the same way).
  ASSERT_TRUE(multiLang.SetActiveLanguage(0));
  EXPECT_EQ(tree.Find("rgMode")->Items, (Lines{"&Append", "&Replace"}));
  EXPECT_EQ(multiLang.Positions()[0], "rgmode,0.0.1.1,0.0.1.1");
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SwitchingFixture, DroppingPositionsAsksOnlyWhenLanguagesDiffer) {
  TMultiLangDesign design;
  design.SwitchPositions = TSwitchPositions::spFormAndControls;
  design.Positions = {"%Form%,0.0.640.480,0.0.800.600", "label1,1.1.1.1,1.1.1.1"};
  multiLang.Load(design, 0);

  EXPECT_FALSE(multiLang.SetSwitchPositions(TSwitchPositions::spControlsOnly));  // answered No
  EXPECT_EQ(prompts.questions, (Lines{kDropFormPositionsQuestion}));
  EXPECT_EQ(prompts.messages, (Lines{kCancelled}));
  EXPECT_EQ(multiLang.SwitchPositions(), TSwitchPositions::spFormAndControls);
  EXPECT_EQ(multiLang.Positions().size(), 2u);

  prompts.answers = {true};
  ASSERT_TRUE(multiLang.SetSwitchPositions(TSwitchPositions::spControlsOnly));
  EXPECT_EQ(multiLang.Positions(), (Lines{"label1,1.1.1.1,1.1.1.1"}));

  // The same values for every language go without a question.
  ASSERT_TRUE(multiLang.SetSwitchPositions(TSwitchPositions::spNone));
  EXPECT_TRUE(multiLang.Positions().empty());
  EXPECT_EQ(prompts.questions.size(), 2u);
}

TEST_F(SwitchingFixture, DroppingAllPositionsWithDifferentValuesAsksTheGeneralQuestion) {
  TMultiLangDesign design;
  design.SwitchPositions = TSwitchPositions::spControlsOnly;
  design.Positions = {"label1,1.1.1.1,2.2.2.2"};
  multiLang.Load(design, 0);
  EXPECT_FALSE(multiLang.SetSwitchPositions(TSwitchPositions::spNone));
  EXPECT_EQ(prompts.questions, (Lines{kDropPositionsQuestion}));
  EXPECT_EQ(multiLang.Positions().size(), 1u);
}

TEST_F(SwitchingFixture, TheWindowFontFollowsTheLanguagesCharSetLineAndIsRememberedWhenLeft) {
  tree.FontName = "Designer Font";
  tree.FontCharset = 0;
  TMultiLangDesign design;
  design.Languages = 3;
  design.CharSets = {"MS Sans Serif,1", "Arial,238", "Broken,x"};
  multiLang.Load(design, 1);  // leaving language 0 stores the designed font as its line
  EXPECT_EQ(tree.FontName, "Arial");
  EXPECT_EQ(tree.FontCharset, 238);

  ASSERT_TRUE(multiLang.SetActiveLanguage(2));
  EXPECT_EQ(tree.FontName, "Broken");
  EXPECT_EQ(tree.FontCharset, 238);  // a number that does not parse keeps the character set

  ASSERT_TRUE(multiLang.SetActiveLanguage(0));
  EXPECT_EQ(tree.FontName, "Designer Font");
  EXPECT_EQ(tree.FontCharset, 0);
  EXPECT_EQ(multiLang.CharSets(), (Lines{"Designer Font,0", "Arial,238", "Broken,238"}));
}

TEST_F(SwitchingFixture, AnEmptyCharSetListIsFilledWithTheWindowsFont) {
  tree.FontName = "Designer Font";
  tree.FontCharset = 0;
  multiLang.Load(TMultiLangDesign{}, 1);
  EXPECT_EQ(multiLang.CharSets(), (Lines{"Designer Font,0", "Designer Font,0"}));
  EXPECT_EQ(tree.FontName, "Designer Font");
}

}  // namespace
}  // namespace norvane
