// The thesaurus against the installed data (mythes-en-us, mythes-de) and the
// thesaurus dialog driven by a script.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "spell/thesaurus_data.h"
#include "spell/thesaurus_dialog.h"
#include "spell_fixture.h"

namespace norvane {
namespace {

using test::SpellTest;

class ScriptedThesaurusUi : public TThesaurusUi {
 public:
  void ShowThesaurus(TThesaurusDialog& dialog) override {
    ++shown;
    looked = dialog.edLookUp;
    if (answer) answer(dialog);
    if (!dialog.Closed()) dialog.CloseBoxClick();
  }
  std::function<void(TThesaurusDialog&)> answer;
  std::string looked;
  int shown = 0;
};

bool HasSynonym(const std::vector<TMeaning>& meanings, const std::string& word) {
  return std::any_of(meanings.begin(), meanings.end(), [&](const TMeaning& m) {
    return std::any_of(m.Synonyms.begin(), m.Synonyms.end(),
                       [&](const std::string& s) { return SynonymWord(s) == word; });
  });
}

TEST_F(SpellTest, ThesaurusOffersLargeForBig) {
  auto checker = Checker();
  TThesaurusData* thesaurus = checker->Thesaurus();
  ASSERT_NE(thesaurus, nullptr);
  std::vector<TMeaning> meanings = thesaurus->Lookup("big");
  ASSERT_FALSE(meanings.empty());
  EXPECT_EQ(meanings[0].Definition, "(adj) large");
  EXPECT_TRUE(HasSynonym(meanings, "large"));
  EXPECT_EQ(thesaurus->Lookup("Big"), meanings);  // the data lists it in lower case
  EXPECT_TRUE(thesaurus->Lookup("qwxzv").empty());
}

TEST_F(SpellTest, GermanThesaurusAnswersInWindows1252) {
  auto checker = Checker("de_DE");
  ASSERT_NE(checker->Thesaurus(), nullptr);
  std::vector<TMeaning> meanings = checker->Thesaurus()->Lookup(
      "Stra\xDF"
      "e");
  ASSERT_FALSE(meanings.empty());
  // Every entry came back as 1252 text (no UTF-8 lead bytes left).
  for (const TMeaning& meaning : meanings)
    for (const std::string& synonym : meaning.Synonyms)
      EXPECT_EQ(synonym.find('\xC3'), std::string::npos) << synonym;
}

TEST_F(SpellTest, ThesaurusReplacesTheWordAtTheCaretInItsCase) {
  auto checker = Checker();
  std::string text = "A Big \xE9t\xE9 house, <name>.";
  ScriptedThesaurusUi ui;
  ui.answer = [](TThesaurusDialog& d) {
    EXPECT_EQ(d.lbMeanings.front(), "(adj) large");
    EXPECT_EQ(d.edReplaceWith, "large");
    EXPECT_TRUE(d.btReplaceEnabled);
    d.btReplaceClick();
  };
  EXPECT_TRUE(RunThesaurus(checker->Thesaurus(), text, 4, ui));
  EXPECT_EQ(ui.looked, "Big");
  EXPECT_EQ(text, "A Large \xE9t\xE9 house, <name>.");

  // A synonym with a note is put in without it; another word can be looked up.
  ui.answer = [](TThesaurusDialog& d) {
    d.edLookUp = "house";
    d.btLookUpClick();
    for (std::size_t m = 0; m < d.lbMeanings.size(); ++m) {
      d.lbMeaningsClick(static_cast<int>(m));
      for (std::size_t s = 0; s < d.lbSynonyms.size(); ++s)
        if (d.lbSynonyms[s] == "building (generic term)") {
          d.lbSynonymsClick(static_cast<int>(s));
          EXPECT_EQ(d.edReplaceWith, "building");
          return d.btReplaceClick();
        }
    }
    ADD_FAILURE() << "no \"building (generic term)\" among the meanings of house";
  };
  EXPECT_TRUE(RunThesaurus(checker->Thesaurus(), text, text.find("house") + 2, ui));
  EXPECT_EQ(text, "A Large \xE9t\xE9 building, <name>.");

  // Cancel changes nothing.
  ui.answer = [](TThesaurusDialog& d) { d.btCancelClick(); };
  EXPECT_FALSE(RunThesaurus(checker->Thesaurus(), text, 3, ui));
  EXPECT_EQ(text, "A Large \xE9t\xE9 building, <name>.");
}

TEST_F(SpellTest, ThesaurusWithoutAWordInsertsAtTheCaret) {
  auto checker = Checker();
  std::string text = "a  b";
  ScriptedThesaurusUi ui;
  ui.answer = [](TThesaurusDialog& d) {
    EXPECT_TRUE(d.lbMeanings.empty());
    EXPECT_FALSE(d.btReplaceEnabled);
    d.edLookUp = "big";
    d.btLookUpClick();
    d.btReplaceClick();
  };
  EXPECT_TRUE(RunThesaurus(checker->Thesaurus(), text, 2, ui));
  EXPECT_EQ(text, "a large b");
}

TEST(ThesaurusDialog, SaysWhenThereIsNoThesaurusOrNoSynonym) {
  TThesaurusDialog none(nullptr, "big");
  EXPECT_EQ(none.lbStatus, "No thesaurus is installed for this language");
  EXPECT_TRUE(none.lbMeanings.empty());
  // Replace puts in what the box holds: the word itself, which changes nothing.
  EXPECT_EQ(none.edReplaceWith, "big");
}

TEST(SynonymWord, DropsTheNote) {
  EXPECT_EQ(SynonymWord("ample (similar term)"), "ample");
  EXPECT_EQ(SynonymWord("too large (similar term)"), "too large");
  EXPECT_EQ(SynonymWord("large"), "large");
  EXPECT_EQ(SynonymWord("(odd)"), "(odd)");
  EXPECT_EQ(SynonymWord(""), "");
}

}  // namespace
}  // namespace norvane
