// The spell checker against the installed dictionaries (hunspell-en-us,
// hunspell-de-de): what it flags, what it suggests, and corrections made in
// place through the scripted check dialog.
#include "spell/spell_checker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "spell/spell_error.h"
#include "spell_fixture.h"

namespace norvane {
namespace {

using test::ScriptedSpellUi;
using test::SpellTest;

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TEST_F(SpellTest, FindsMisspellingsWithTheirLinesAndSuggestions) {
  auto checker = Checker();
  std::vector<TUnknownWord> unknown =
      checker->UnknownWords("Dear <name>,\r\nwe recieve your order.\r\nPlease check the adress.", 5);
  ASSERT_EQ(unknown.size(), 2u);
  EXPECT_EQ(unknown[0].Text, "recieve");
  EXPECT_EQ(unknown[0].Line, 2u);
  EXPECT_TRUE(Contains(unknown[0].Suggestions, "receive"));
  EXPECT_EQ(unknown[1].Text, "adress");
  EXPECT_EQ(unknown[1].Line, 3u);
  EXPECT_TRUE(Contains(unknown[1].Suggestions, "address"));
  EXPECT_LE(unknown[1].Suggestions.size(), 5u);
}

TEST_F(SpellTest, LeavesTagsAddressesAndUrlsAlone) {
  auto checker = Checker();
  // Every misspelling sits inside something that is not prose.
  EXPECT_EQ(Unknown(*checker,
                    "Hello <recieve>, <adress line> mail recieve@adress.example or "
                    "https://adress.example/recieve, www.recieve.example, 3rd SMTPX"),
            std::vector<std::string>{});
  EXPECT_EQ(Unknown(*checker, "recieve <email> adress"), (std::vector<std::string>{"recieve", "adress"}));
}

TEST_F(SpellTest, GermanDictionaryJudgesSharpS) {
  auto checker = Checker("de_DE");
  EXPECT_TRUE(
      checker->IsKnown("Stra\xDF"
                       "e"));
  EXPECT_FALSE(checker->IsKnown("Strasse"));
  EXPECT_TRUE(Contains(checker->Suggestions("Strasse", 5),
                       "Stra\xDF"
                       "e"));
  EXPECT_EQ(Unknown(*checker,
                    "Gr\xFC\xDF"
                    "e aus der Stra\xDF"
                    "e in M\xFC"
                    "nchen"),
            std::vector<std::string>{});
}

TEST_F(SpellTest, CorrectionKeepsEveryOtherByteOfWindows1252Text) {
  auto checker = Checker("de_DE");
  // "Grüsse" is corrected to "Grüße"; the é, ü, the tag and the CR LF around it stay as they were.
  std::string text =
      "Caf\xE9 <name>,\r\nviele Gr\xFC"
      "sse aus M\xFC"
      "nchen \x80";
  ScriptedSpellUi ui;
  ui.Then([](TSpellCheckDialog& d) {
    auto at = std::find(d.lbSuggestions.begin(), d.lbSuggestions.end(),
                        "Gr\xFC\xDF"
                        "e");
    ASSERT_NE(at, d.lbSuggestions.end());
    d.lbSuggestionsClick(static_cast<int>(at - d.lbSuggestions.begin()));
    d.btChangeClick();
  });
  EXPECT_TRUE(checker->Check(text, ui));
  EXPECT_EQ(ui.asked, (std::vector<std::string>{"Gr\xFC"
                                                "sse"}));  // the dictionary knows "Café"
  EXPECT_EQ(text,
            "Caf\xE9 <name>,\r\nviele Gr\xFC\xDF"
            "e aus M\xFC"
            "nchen \x80");
}

TEST_F(SpellTest, ChangeAllReplacesEveryOccurrenceAndNothingElse) {
  auto checker = Checker();
  std::string subject = "We recieve";
  std::string body =
      "I recieve, you recieve; recieved <recieve> recieve@x.example Recieve\r\nrecieve-able recieve";
  ScriptedSpellUi ui;
  ui.ChangeTo("receive", true);
  EXPECT_TRUE(checker->Check(subject, ui));
  EXPECT_EQ(subject, "We receive");
  // The session remembers: the body's occurrences change without a question,
  // other words (and other letter cases) are asked about.
  ui.Ignore(3);  // recieved, Recieve, recieve-able
  EXPECT_TRUE(checker->Check(body, ui));
  EXPECT_EQ(body,
            "I receive, you receive; recieved <recieve> recieve@x.example Recieve\r\nrecieve-able receive");
  EXPECT_EQ(ui.asked, (std::vector<std::string>{"recieve", "recieved", "Recieve", "recieve-able"}));
}

TEST_F(SpellTest, KnowsTheProgramsOwnNames) {
  EXPECT_EQ(Unknown(*Checker(), "Norvane by Kalvento, NORVANE norvane"), std::vector<std::string>{"norvane"});
  EXPECT_EQ(Unknown(*Checker("de_DE"), "Norvane von Kalvento"), std::vector<std::string>{});
}

TEST_F(SpellTest, IgnoreSkipsOneOccurrenceAndIgnoreAllTheRestOfTheSession) {
  auto checker = Checker();
  std::string text = "wrod wrod Norvanian Norvanian";
  ScriptedSpellUi ui;
  ui.Ignore();  // first "wrod"
  ui.Ignore();  // asked again
  ui.Then([](TSpellCheckDialog& d) { d.btIgnoreAllClick(); });
  EXPECT_TRUE(checker->Check(text, ui));
  EXPECT_EQ(ui.asked, (std::vector<std::string>{"wrod", "wrod", "Norvanian"}));
  EXPECT_EQ(text, "wrod wrod Norvanian Norvanian");
  EXPECT_TRUE(checker->IsKnown("Norvanian"));
  EXPECT_FALSE(checker->IsKnown("wrod"));
}

TEST_F(SpellTest, AddedWordIsKeptInTheUserDictionaryForTheNextChecker) {
  {
    auto checker = Checker();
    std::string text = "Kalventic order, Kalventic again";
    ScriptedSpellUi ui;
    ui.Then([](TSpellCheckDialog& d) { d.btAddClick(); });
    EXPECT_TRUE(checker->Check(text, ui));
    EXPECT_EQ(ui.asked, std::vector<std::string>{"Kalventic"});
    EXPECT_TRUE(ui.errors.empty());
  }
  EXPECT_EQ(test::ReadFile(dir.File("norvane-words.txt")), "Kalventic\n");
  auto next = Checker();
  EXPECT_TRUE(next->IsKnown("Kalventic"));
  EXPECT_TRUE(next->IsKnown("KALVENTIC"));
  // Another language's checker reads the same user dictionary.
  EXPECT_TRUE(Checker("de_DE")->IsKnown("Kalventic"));
}

TEST_F(SpellTest, AddedWordThatCannotBeSavedIsReportedAndAcceptedForTheSession) {
  auto checker = Checker();
  std::string text = "Kalventic order, Kalventic again";
  ScriptedSpellUi ui;
  ui.Then([](TSpellCheckDialog& d) { d.btAddClick(); });
  AtomicFile::FailAfterBytesForTesting(0);
  bool completed = checker->Check(text, ui);
  AtomicFile::FailAfterBytesForTesting(-1);
  EXPECT_TRUE(completed);
  EXPECT_EQ(ui.asked, std::vector<std::string>{"Kalventic"});
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_NE(ui.errors[0].find("no space left on device"), std::string::npos) << ui.errors[0];
  EXPECT_FALSE(std::filesystem::exists(dir.File("norvane-words.txt")));
  EXPECT_FALSE(Checker()->IsKnown("Kalventic"));
}

TEST_F(SpellTest, UnreadableUserDictionaryStopsTheCheckWithItsName) {
  // The configured user dictionary is a folder.
  std::filesystem::create_directory(dir.File("words"));
  test::WriteFile(dir.File("norvane.dci"), "UserDictionary=words\n");
  TSpellChecker checker(Files());
  checker.SelectLanguage("en_US");
  EXPECT_EQ(checker.UserDictionaryPath(), dir.File("words"));
  std::string text = "wrod";
  ScriptedSpellUi ui;
  try {
    checker.Check(text, ui);
    FAIL() << "no error";
  } catch (const SpellError& error) {
    EXPECT_EQ(std::string(error.what()), "The user dictionary " + dir.File("words") + " is not a file");
  }
  EXPECT_EQ(text, "wrod");
}

TEST_F(SpellTest, CancelStopsTheCheckKeepsEarlierCorrectionsAndNotifies) {
  auto checker = Checker();
  int cancelled = 0;
  checker->OnSpellCheckCanceled = [&] { ++cancelled; };
  std::string text = "recieve and adress and wrod";
  ScriptedSpellUi ui;
  ui.ChangeTo("receive");
  ui.Then([](TSpellCheckDialog& d) { d.btCancelClick(); });
  EXPECT_FALSE(checker->Check(text, ui));
  EXPECT_EQ(cancelled, 1);
  EXPECT_EQ(text, "receive and adress and wrod");
  EXPECT_EQ(ui.asked, (std::vector<std::string>{"recieve", "adress"}));

  // The close box cancels too; a text with nothing unknown shows no dialog.
  ScriptedSpellUi closing;
  closing.Then([](TSpellCheckDialog& d) { d.CloseBoxClick(); });
  EXPECT_FALSE(checker->Check(text, closing));
  EXPECT_EQ(cancelled, 2);
  std::string clean = "All words here are fine.";
  ScriptedSpellUi silent;
  EXPECT_TRUE(checker->Check(clean, silent));
  EXPECT_EQ(silent.shown, 0);
}

TEST_F(SpellTest, DialogShowsTheWordInItsLineWithSuggestions) {
  auto checker = Checker();
  std::string text = "First line.\r\nWe recieve goods.\r\nLast.";
  ScriptedSpellUi ui;
  ui.Then([&](TSpellCheckDialog& d) {
    EXPECT_EQ(d.lbNotInDictionary, "recieve");
    EXPECT_EQ(d.lbContext, "We recieve goods.");
    EXPECT_EQ(d.lbContextWordOffset, 3u);
    EXPECT_EQ(d.Word, (TTextWord{16, 7}));
    ASSERT_FALSE(d.lbSuggestions.empty());
    EXPECT_EQ(d.lbSuggestionsIndex, 0);
    EXPECT_EQ(d.edChangeTo, d.lbSuggestions[0]);
    EXPECT_LE(d.lbSuggestions.size(), kDialogSuggestions);
    d.edChangeTo = "get";  // typed by hand
    d.btChangeClick();
  });
  EXPECT_TRUE(checker->Check(text, ui));
  EXPECT_EQ(text, "First line.\r\nWe get goods.\r\nLast.");
}

TEST_F(SpellTest, StartsWithTheConfiguredDictionaryElseEnglish) {
  TSpellChecker fresh(Files());
  fresh.SelectFirstLanguage();
  ASSERT_NE(fresh.Language(), nullptr);
  EXPECT_EQ(fresh.Language()->Code, "en_US");

  test::WriteFile(dir.File("norvane.dci"), "Dictionary=de_DE\n");
  TSpellChecker configured(Files());
  configured.SelectFirstLanguage();
  EXPECT_EQ(configured.Language()->Code, "de_DE");

  test::WriteFile(dir.File("norvane.dci"), "Dictionary=xx_YY\n");
  TSpellChecker missing(Files());
  missing.SelectFirstLanguage();
  EXPECT_EQ(missing.Language()->Code, "en_US");
}

TEST_F(SpellTest, UnknownLanguageAndMissingDictionariesAreClearErrors) {
  TSpellChecker checker(Files());
  try {
    checker.SelectLanguage("xx");
    FAIL() << "no error";
  } catch (const SpellError& error) {
    EXPECT_NE(std::string(error.what()).find("No dictionary for 'xx' is installed (installed: "),
              std::string::npos)
        << error.what();
    EXPECT_NE(std::string(error.what()).find("en_US"), std::string::npos) << error.what();
  }
  checker.SelectLanguage("en-us");
  EXPECT_EQ(checker.Language()->Code, "en_US");

  TSpellChecker none(Files(), {{dir.File("no-such-folder")}, {}});
  none.SelectFirstLanguage();
  EXPECT_EQ(none.Language(), nullptr);
  std::string text = "wrod";
  ScriptedSpellUi ui;
  try {
    none.Check(text, ui);
    FAIL() << "no error";
  } catch (const SpellError& error) {
    EXPECT_EQ(std::string(error.what()),
              "No spelling dictionary is installed (looked in " + dir.File("no-such-folder") + ")");
  }
  EXPECT_EQ(ui.shown, 0);
}

}  // namespace
}  // namespace norvane
