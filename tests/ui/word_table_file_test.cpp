// Word-table data files: what the reader takes from them, what it refuses and
// where it looks for them.
#include "ui/word_table_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"
#include "ui/word_tables.h"

namespace norvane {
namespace {

using Lines = std::vector<std::string>;
using test::TempDir;
using namespace std::string_literals;

// The message of the TWordTableError `read` throws, or "accepted".
template <typename Read>
std::string Refusal(Read read) {
  try {
    read();
  } catch (const TWordTableError& error) {
    return error.what();
  }
  return "accepted";
}

TEST(WordTableFile, ReadsEverySectionAndTakesTextLinesAsTheyAre) {
  const std::string bytes =
      "; the options dialog\r\n"
      "[Properties]\r\n"
      "Languages = 2\r\n"
      "ActiveLanguage=1\n"
      "DefaultLanguage=1\n"
      "DefaultEnabled=TRUE\n"
      "SwitchPositions=spFormAndControls\n"
      "\n"
      "[Words]\n"
      "%Form%\n"
      "Options\n"
      "Optionen\n"
      "\n"
      "; between entries: a comment\n"
      "Memo1\n"
      "\n"         // texts may be empty,
      "[DoNot]\n"  // look like a section
      "\".Hint\n"
      "; not a comment\n"
      "  \n"  // or hold only blanks
      "[DoNot]\n"
      "%Form%\n"
      "[Positions]\n"
      "%Form%,0.0.640.480,0.0.800.600\n"
      "button1,..75.23,1.2.75.23\n"
      "[CharSets]\n"
      "MS Sans Serif,1\n"
      "Arial,238";  // no final line end
  TMultiLangDesign design = ParseWordTable(bytes, "options.txt");
  EXPECT_EQ(design.Languages, 2);
  EXPECT_EQ(design.ActiveLanguage, 1);
  EXPECT_EQ(design.DefaultLanguage, 1);
  EXPECT_TRUE(design.DefaultEnabled);
  EXPECT_EQ(design.SwitchPositions, TSwitchPositions::spFormAndControls);
  EXPECT_EQ(design.Words, (Lines{"%Form%", "Options", "Optionen", "Memo1", "", "[DoNot]", "\".Hint",
                                 "; not a comment", "  "}));
  EXPECT_EQ(design.DoNot, (Lines{"%Form%"}));
  EXPECT_EQ(design.Positions, (Lines{"%Form%,0.0.640.480,0.0.800.600", "button1,..75.23,1.2.75.23"}));
  EXPECT_EQ(design.CharSets, (Lines{"MS Sans Serif,1", "Arial,238"}));
}

TEST(WordTableFile, DefaultsWithoutProperties) {
  TMultiLangDesign design = ParseWordTable("[Words]\nLabel1\nOne\nEins\n", "t");
  EXPECT_EQ(design.Languages, 2);
  EXPECT_EQ(design.ActiveLanguage, 0);
  EXPECT_FALSE(design.DefaultEnabled);
  EXPECT_EQ(design.SwitchPositions, TSwitchPositions::spNone);
  EXPECT_EQ(design.Words, (Lines{"Label1", "One", "Eins"}));
  EXPECT_TRUE(ParseWordTable("", "t").Words.empty());
}

TEST(WordTableFile, RefusesBrokenFilesNamingTheFileAndLine) {
  struct Case {
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {
      {"Label1\n", "t.txt:1: text before the first section"},
      {"[Words]\n[Strings]\n", "t.txt:2: unknown section [Strings]"},
      {"[Words]\n[Words]\n", "t.txt:2: [Words] appears twice"},
      {"[Words]\n[Properties]\n", "t.txt:2: [Properties] must come first"},
      {"[Properties]\nLanguages=0\n", "t.txt:2: Languages must be a number from 1 to 255"},
      {"[Properties]\nLanguages=256\n", "t.txt:2: Languages must be a number from 1 to 255"},
      {"[Properties]\nLanguages\n", "t.txt:2: expected Name=Value"},
      {"[Properties]\nColour=red\n", "t.txt:2: unknown property Colour"},
      {"[Properties]\nDefaultEnabled=yes\n", "t.txt:2: DefaultEnabled must be true or false"},
      {"[Properties]\nSwitchPositions=all\n", "t.txt:2: SwitchPositions must be"},
      {"[Properties]\nActiveLanguage=2\n", "t.txt:2: ActiveLanguage must be below Languages (2)"},
      {"[Properties]\nLanguages=3\nDefaultLanguage=3\n",
       "t.txt:3: DefaultLanguage must be below Languages (3)"},
      {"[Words]\nLabel1\nOne\n", "t.txt:2: the entry Label1 has 1 of 2 text lines"},
      // A text line missing in the middle shifts the next text into the marker's place.
      {"[Words]\nLabel1\nOne\nLabel2\nTwo words\nZwei Worte\n", "t.txt:5: 'Two words' is no component name"},
      {"[Words]\nLabel 1\nOne\nEins\n", "t.txt:2: 'Label 1' is no component name"},
      {"[Positions]\nlabel1,1.2.3.4\n", "t.txt:2: a position line holds one field per language (2)"},
      {"[Positions]\nlabel1,1.2.3.4,1.2.3\n", "t.txt:2: '1.2.3' is not left.top.width.height"},
      {"[Positions]\nlabel1,1.2.3.4,1.2.x.4\n", "t.txt:2: '1.2.x.4' is not left.top.width.height"},
      {"[Positions]\n,1.2.3.4,1.2.3.4\n", "t.txt:2: a position line starts with the component's name"},
      {"[CharSets]\nMS Sans Serif\n", "t.txt:2: a character set line is 'font name,number'"},
      {"[CharSets]\nMS Sans Serif,300\n", "t.txt:2: a character set line"},
      {"[Words]\nLabel1\nO\0e\nEins\n"s, "t.txt: holds a NUL byte"},
      {"\xEF\xBB\xBF[Words]\n", "t.txt:1: starts with a UTF-8 mark; word tables are Windows-1252"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::string message = Refusal([&] { ParseWordTable(c.bytes, "t.txt"); });
    EXPECT_EQ(message.substr(0, c.message.size()), c.message) << message;
  }
}

TEST(WordTableFile, ReadingAMissingOrOversizedFileSaysWhich) {
  TempDir dir;
  const std::string missing = dir.File("missing.txt");
  EXPECT_EQ(Refusal([&] { ReadWordTableFile(missing); }),
            "Cannot open word table " + missing + ": No such file or directory");
  const std::string big = dir.File("big.txt");
  std::ofstream(big) << "[DoNot]\n" << std::string(kMaxWordTableBytes, 'x');
  EXPECT_EQ(Refusal([&] { ReadWordTableFile(big); }),
            big + ": larger than " + std::to_string(kMaxWordTableBytes) + " bytes");
}

TEST(LanguageFolder, CandidatesInOrderAndTheFirstThatHoldsTheMainWindowsTableWins) {
  Lines candidates = LanguageFolderCandidates("/opt/data", "/usr/local/bin");
  ASSERT_EQ(candidates.size(), 4u);
  EXPECT_EQ(candidates[0], "/opt/data/lang");
  EXPECT_EQ(candidates[1], "/usr/local/bin/data/lang");
  EXPECT_EQ(candidates[2], "/usr/local/share/norvane/lang");
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(candidates[3]) / "main_form.txt"))
      << candidates[3];
  EXPECT_EQ(LanguageFolderCandidates("", "").size(), 1u);

  TempDir dir;
  const std::string empty = dir.File("empty"), other = dir.File("other"), good = dir.File("good");
  for (const auto& folder : {empty, other, good}) std::filesystem::create_directories(folder);
  std::ofstream(other + "/form_options.txt") << "[Words]\n";
  std::ofstream(good + "/main_form.txt") << "[Words]\n";
  EXPECT_EQ(FindLanguageFolder({dir.File("absent"), empty, other, good, candidates[3]}), good);
  EXPECT_EQ(FindLanguageFolder({empty, other}), std::nullopt);
}

TEST(WordTables, ReadsEveryWindowFromAFolderAndNamesTheOneThatIsMissing) {
  TempDir dir;
  for (const std::string& name : WindowWordTableNames())
    if (name != kFormPreviewWords)
      std::ofstream(dir.File(name + ".txt")) << "[Words]\n%Form%\n" << name << "\nx\n";
  std::string message = Refusal([&] { TWordTables::ReadFolder(dir.path()); });
  EXPECT_NE(message.find(dir.File("form_preview.txt")), std::string::npos) << message;
  std::ofstream(dir.File("form_preview.txt")) << "[Words]\n%Form%\nPreview Message\nPreview Message\n";
  TWordTables tables = TWordTables::ReadFolder(dir.path());
  EXPECT_EQ(tables.Of(kFormPreviewWords).Words[1], "Preview Message");
  EXPECT_EQ(tables.Of(kAboutBoxWords).Words[1], "about_box");
  EXPECT_THROW(tables.Of("no_such_window"), TWordTableError);
}

}  // namespace
}  // namespace norvane
