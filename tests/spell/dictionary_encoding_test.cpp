// Words crossing into a dictionary's character set and back, with a small
// dictionary in ISO 8859-1 written by the test and the installed UTF-8 ones.
#include "spell/dictionary_encoding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "spell/dictionary_catalog.h"
#include "spell/spell_dictionary.h"
#include "spell/spell_error.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(DictionaryEncoding, ConvertsExactlyOrNotAtAll) {
  TDictionaryEncoding utf8("UTF-8");
  EXPECT_EQ(utf8.FromAnsi("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(utf8.ToAnsi("caf\xC3\xA9"), "caf\xE9");
  EXPECT_EQ(utf8.ToAnsi("\xD0\x96uk"), std::nullopt);  // Ж has no place in 1252
  EXPECT_EQ(utf8.ToAnsi("caf\xE9"), std::nullopt);     // not UTF-8

  TDictionaryEncoding latin1("ISO8859-1");
  EXPECT_EQ(latin1.FromAnsi("na\xEFve"), "na\xEFve");
  EXPECT_EQ(latin1.FromAnsi("\x80uro"), std::nullopt);  // € is not in 8859-1
  EXPECT_EQ(latin1.ToAnsi("gr\xFC\xDF"), "gr\xFC\xDF");

  TDictionaryEncoding cyrillic("microsoft-cp1251");
  EXPECT_EQ(cyrillic.FromAnsi("abc"), "abc");
  EXPECT_EQ(cyrillic.FromAnsi("caf\xE9"), std::nullopt);
  EXPECT_EQ(cyrillic.ToAnsi("\xC6uk"), std::nullopt);  // Ж

  try {
    TDictionaryEncoding unknown("NO-SUCH-SET");
    FAIL() << "no error";
  } catch (const SpellError& error) {
    EXPECT_EQ(std::string(error.what()),
              "The character set 'NO-SUCH-SET' of the dictionary is not supported");
  }
}

TEST(SpellDictionary, ChecksAndSuggestsInTheDictionarysOwnCharacterSet) {
  TempDir dir;
  WriteFile(dir.File("xx_LATIN.aff"), "SET ISO8859-1\nTRY esianrtolcdugmphbyfvkwz\n");
  WriteFile(dir.File("xx_LATIN.dic"), "3\ncaf\xE9\nna\xEFve\nword\n");
  TSpellDictionary dictionary(dir.File("xx_LATIN.aff"), dir.File("xx_LATIN.dic"));
  EXPECT_EQ(dictionary.Encoding(), "ISO8859-1");
  EXPECT_TRUE(dictionary.Check("caf\xE9"));
  EXPECT_TRUE(dictionary.Check("na\xEFve"));
  EXPECT_FALSE(dictionary.Check("cafe"));
  EXPECT_FALSE(dictionary.Check("\x80uro"));  // cannot even be asked
  std::vector<std::string> suggestions = dictionary.Suggest("cafe");
  ASSERT_FALSE(suggestions.empty());
  EXPECT_EQ(suggestions[0], "caf\xE9");
  dictionary.Add("Kalvento");
  EXPECT_TRUE(dictionary.Check("Kalvento"));
  EXPECT_FALSE(dictionary.Check(std::string(kMaxWordBytes + 1, 'a')));
}

TEST(SpellDictionary, MissingFilesAreReported) {
  TempDir dir;
  try {
    TSpellDictionary missing(dir.File("xx.aff"), dir.File("xx.dic"));
    FAIL() << "no error";
  } catch (const SpellError& error) {
    EXPECT_EQ(std::string(error.what()), "The dictionary file " + dir.File("xx.aff") + " cannot be read");
  }
}

TEST(DictionaryCatalog, PairsDictionariesWithTheirLanguagesThesaurus) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("dict"));
  std::filesystem::create_directories(dir.File("th"));
  for (const char* name :
       {"en_GB.aff", "en_GB.dic", "de_CH.aff", "de_CH.dic", "fr_FR.aff", "fr_FR.dic", "orphan.aff",
        "th_en_GB_v2.idx", "th_en_GB_v2.dat", "th_de_DE.idx", "th_de_DE.dat", "th_fr_FR.idx"})
    WriteFile(dir.File(std::string(name).rfind("th_", 0) == 0 ? std::string("th/") + name
                                                              : std::string("dict/") + name),
              "");
  std::vector<TDictionaryInfo> found =
      FindDictionaries({{dir.File("dict"), dir.File("missing")}, {dir.File("th")}});
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].Code, "de_CH");
  EXPECT_EQ(found[0].Name, "German (de_CH)");
  EXPECT_EQ(found[0].ThesaurusIdx, dir.File("th/th_de_DE.idx"));  // same language, other region
  EXPECT_EQ(found[1].Code, "en_GB");
  EXPECT_EQ(found[1].AffPath, dir.File("dict/en_GB.aff"));
  EXPECT_EQ(found[1].DicPath, dir.File("dict/en_GB.dic"));
  EXPECT_EQ(found[1].ThesaurusDat, dir.File("th/th_en_GB_v2.dat"));
  EXPECT_EQ(found[2].Code, "fr_FR");
  EXPECT_EQ(found[2].Name, "fr_FR");
  EXPECT_EQ(found[2].ThesaurusIdx, "");  // its .dat is missing
}

}  // namespace
}  // namespace norvane
