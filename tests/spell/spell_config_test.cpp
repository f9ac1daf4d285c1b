// The spell checker's configuration file, the user dictionary file and the
// configuration dialog.
#include "spell/spell_config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "spell/spell_config_dialog.h"
#include "spell/spell_error.h"
#include "spell/user_dictionary.h"
#include "spell_fixture.h"

namespace norvane {
namespace {

using test::ReadFile;
using test::SpellTest;
using test::WriteFile;

TEST(SpellConfigFile, ReadsWhatItCanAndPassesOverTheRest) {
  struct Case {
    std::string text;
    TSpellConfig config;
  } cases[] = {
      {"Dictionary=de_DE\nUserDictionary=/home/me/words.txt\n", {"de_DE", "/home/me/words.txt"}},
      {"; comment\r\n[Spell]\r\n  dictionary = en_US \r\nUSERDICTIONARY=w.txt", {"en_US", "w.txt"}},
      {"Dictionary=a\nDictionary=b\n", {"b", ""}},
      {"no equals sign\n=value\nOther=x\n#Dictionary=de\n", {"", ""}},
      {std::string("Dictionary=de\x01_DE\nUserDictionary=a=b\n"), {"", "a=b"}},
      {std::string("Dictionary=en\0US\n", 17), {"", ""}},
      {"", {"", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSpellConfig(c.text), c.config) << c.text;
  TSpellConfig config{"de_DE", "/x y/w\xE9.txt"};
  EXPECT_EQ(ParseSpellConfig(FormatSpellConfig(config)), config);
}

TEST_F(SpellTest, ConfigurationFileErrorsNameTheFile) {
  EXPECT_EQ(LoadSpellConfig(dir.File("missing.dci")), TSpellConfig{});
  WriteFile(dir.File("big.dci"), std::string(kMaxSpellConfigBytes + 1, 'x'));
  EXPECT_THROW(
      {
        try {
          LoadSpellConfig(dir.File("big.dci"));
        } catch (const SpellError& error) {
          EXPECT_EQ(std::string(error.what()),
                    "The spell checker configuration " + dir.File("big.dci") + " is larger than 64 KB");
          throw;
        }
      },
      SpellError);
  EXPECT_THROW(SaveSpellConfig(dir.File("x.dci"), {"en\nUS", ""}), SpellError);
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.dci")));
}

TEST(UserWordsFile, KeepsEveryWordItCanUse) {
  struct Case {
    std::string bytes;
    std::vector<std::string> words;
  } cases[] = {
      {"Kalvento\nNorvane\r\n", {"Kalvento", "Norvane"}},
      {"\xEF\xBB\xBF"
       "caf\xC3\xA9\n  M\xC3\xBCnchen  \n",
       {"caf\xE9",
        "M\xFC"
        "nchen"}},
      {"# note\n\nword\nword\n", {"word"}},
      // Invalid UTF-8, a character 1252 lacks, blanks inside, a control byte, an endless line.
      {"caf\xE9\n\xE2\x82\xAC"
       "uro\n\xD0\x96uk\ntwo words\nta\x01"
       "b\n" +
           std::string(500, 'x') + "\nlast",
       {"\x80"
        "uro",
        "last"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseUserWords(c.bytes), c.words) << c.bytes;
}

TEST_F(SpellTest, AddingAWordKeepsEveryByteTheFileHeld) {
  std::string path = dir.File("sub/words.txt");
  TUserDictionary words(path);
  words.Load();
  EXPECT_TRUE(words.Words().empty());
  words.Add("Kalvento");
  EXPECT_EQ(ReadFile(path), "Kalvento\n");

  WriteFile(path, "# mine\r\nKalvento\r\nnot valid \xFF");
  words.Add("caf\xE9");
  words.Add("Kalvento");  // already there: the file is left alone
  EXPECT_EQ(ReadFile(path), "# mine\r\nKalvento\r\nnot valid \xFF\ncaf\xC3\xA9\n");
  EXPECT_EQ(words.Words(), (std::vector<std::string>{"Kalvento", "caf\xE9"}));
  EXPECT_THROW(words.Add("two words"), SpellError);
  EXPECT_THROW(words.Add(""), SpellError);
}

class ScriptedConfigUi : public TSpellConfigUi {
 public:
  void ShowSpellConfig(TSpellConfigDialog& dialog) override {
    if (answer) answer(dialog);
  }
  std::optional<std::string> ChooseUserDictionary(const std::string& current) override {
    offered = current;
    return chosen;
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }

  std::function<void(TSpellConfigDialog&)> answer;
  std::optional<std::string> chosen;
  std::string offered;
  std::vector<std::string> errors;
};

TEST_F(SpellTest, ConfigurationDialogOffersTheInstalledDictionariesAndSavesOnOk) {
  auto checker = std::make_unique<TSpellChecker>(Files());
  checker->SelectFirstLanguage();
  ScriptedConfigUi ui;
  TSpellConfigDialog dialog(*checker, ui);
  EXPECT_EQ(dialog.Caption, "Spell Checker Configuration");
  ASSERT_EQ(dialog.cbDictionary.size(), checker->Dictionaries().size());
  std::vector<std::string> names = dialog.cbDictionary;
  auto german = std::find(names.begin(), names.end(), "German (de_DE)");
  ASSERT_NE(german, names.end());
  ASSERT_GE(dialog.cbDictionaryIndex, 0);
  EXPECT_EQ(names[static_cast<std::size_t>(dialog.cbDictionaryIndex)], "English (en_US)");
  EXPECT_EQ(dialog.lbThesaurus, "Thesaurus available");
  EXPECT_EQ(dialog.edUserDictionary, dir.File("norvane-words.txt"));

  dialog.cbDictionaryChange(static_cast<int>(german - names.begin()));
  ui.chosen = dir.File("mine.txt");
  dialog.btBrowseClick();
  EXPECT_EQ(ui.offered, dir.File("norvane-words.txt"));
  EXPECT_EQ(dialog.edUserDictionary, dir.File("mine.txt"));
  dialog.btOkClick();
  EXPECT_EQ(dialog.ModalResult, TModalFormResult::mrOk);
  EXPECT_EQ(checker->Language()->Code, "de_DE");
  EXPECT_EQ(ReadFile(dir.File("norvane.dci")),
            "; Norvane spell checker\nDictionary=de_DE\nUserDictionary=" + dir.File("mine.txt") + "\n");

  // A new checker (the next start) starts with it.
  TSpellChecker next(Files());
  next.SelectFirstLanguage();
  EXPECT_EQ(next.Language()->Code, "de_DE");
  EXPECT_EQ(next.UserDictionaryPath(), dir.File("mine.txt"));
}

TEST_F(SpellTest, ConfigurationDialogCancelAndFailedSaveChangeNothing) {
  TSpellChecker checker(Files());
  checker.SelectFirstLanguage();
  ScriptedConfigUi ui;
  {
    TSpellConfigDialog dialog(checker, ui);
    dialog.cbDictionaryChange(0);
    dialog.edUserDictionary = "elsewhere.txt";
    dialog.btCancelClick();
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("norvane.dci")));
  EXPECT_EQ(checker.Language()->Code, "en_US");

  TSpellConfigDialog dialog(checker, ui);
  dialog.cbDictionaryChange(0);
  AtomicFile::FailAfterBytesForTesting(0);
  dialog.btOkClick();
  AtomicFile::FailAfterBytesForTesting(-1);
  EXPECT_FALSE(dialog.Closed());
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_NE(ui.errors[0].find("no space left on device"), std::string::npos) << ui.errors[0];
  EXPECT_EQ(checker.Language()->Code, "en_US");
  EXPECT_EQ(checker.Configuration(), TSpellConfig{});
  // The default user dictionary is saved unnamed, so it follows the settings folder.
  dialog.btOkClick();
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(checker.Configuration().UserDictionary, "");
}

TEST_F(SpellTest, ConfigurationDialogWithoutDictionaries) {
  TSpellChecker checker(Files(), {{dir.File("none")}, {}});
  checker.SelectFirstLanguage();
  ScriptedConfigUi ui;
  TSpellConfigDialog dialog(checker, ui);
  EXPECT_TRUE(dialog.cbDictionary.empty());
  EXPECT_EQ(dialog.cbDictionaryIndex, -1);
  EXPECT_EQ(dialog.lbThesaurus, "No dictionary is installed");
  dialog.btOkClick();
  EXPECT_TRUE(dialog.Closed());
}

}  // namespace
}  // namespace norvane
