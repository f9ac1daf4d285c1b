// `norvane spell` and the spell check of `norvane send` as a user runs them:
// the real binary, the installed dictionaries, a private settings folder that
// also holds the spell checker's configuration and user dictionary.
#include <filesystem>
#include <string>

#include "cli/cli_fixture.h"

namespace norvane {
namespace {

using test::CliRun;
using test::kSourceRoot;
using test::NorvaneCli;

class SpellCli : public NorvaneCli {
 protected:
  std::string Written(const std::string& to, const std::string& subject, const std::string& body,
                      const std::string& name = "s.nvp") {
    ProjectModel model;
    model.Items.push_back({"a@x.test", {}, 1});
    model.To = to;
    model.Subject = subject;
    model.Body = body;
    std::string path = dir.File(name);
    SaveProject(model, path);
    return path;
  }
  bool Has(const CliRun& run, const std::string& text) { return run.out.find(text) != std::string::npos; }
};

TEST_F(SpellCli, ListsEveryUnknownWordWithItsFieldLineAndSuggestions) {
  std::string project = Written("<name> <email>", "We recieve orders",
                                "Dear <name>,\r\nplease check the adress at https://recieve.example\r\n"
                                "or write to adress@example.com. caf\xE9"
                                "e");
  CliRun run = Run("spell " + project);
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_TRUE(Has(run, "Subject:1: recieve -> receive, ")) << run.out;
  EXPECT_TRUE(Has(run, "Body:2: adress -> ")) << run.out;
  EXPECT_TRUE(Has(run, "address")) << run.out;
  EXPECT_TRUE(Has(run,
                  "Body:3: caf\xC3\xA9"
                  "e -> "))
      << run.out;  // UTF-8 on the terminal
  EXPECT_TRUE(Has(run, "3 unknown words (en_US)")) << run.out;
  EXPECT_FALSE(Has(run, "To:")) << run.out;

  CliRun german = Run("spell " +
                      Written("", "Strasse",
                              "Stra\xDF"
                              "e",
                              "g.nvp") +
                      " --lang de_DE");
  EXPECT_EQ(german.status, 1) << german.out;
  EXPECT_TRUE(Has(german,
                  "Subject:1: Strasse -> Stra\xC3\x9F"
                  "e"))
      << german.out;
  EXPECT_TRUE(Has(german, "1 unknown word (de_DE)")) << german.out;
}

TEST_F(SpellCli, TheDemoProjectHasNoUnknownWord) {
  CliRun run = Run("spell " + kSourceRoot + "/data/demo/demo.nvp");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "No unknown words (en_US)\n");
}

TEST_F(SpellCli, UsesTheConfigurationAndUserDictionaryOfTheSettingsFolder) {
  std::string project = Written("", "Kalventic wares", "");
  EXPECT_EQ(Run("spell " + project).status, 1);
  test::WriteFile(dir.File("norvane-words.txt"), "Kalventic\n");
  EXPECT_EQ(Run("spell " + project).status, 0);
  test::WriteFile(dir.File("norvane.dci"), "Dictionary=de_DE\n");
  CliRun german = Run("spell " + project);
  EXPECT_TRUE(Has(german, "Subject:1: wares -> ")) << german.out;
  EXPECT_TRUE(Has(german, "(de_DE)")) << german.out;
}

TEST_F(SpellCli, RefusesWhatItCannotCheck) {
  CliRun language = Run("spell " + Written("", "x", "") + " --lang xx_XX");
  EXPECT_EQ(language.status, 2);
  EXPECT_TRUE(Has(language, "No dictionary for 'xx_XX' is installed (installed: ")) << language.out;
  EXPECT_EQ(Run("spell " + dir.File("missing.nvp")).status, 2);
  EXPECT_EQ(Run("spell").status, 2);
}

TEST_F(SpellCli, SendWithoutATerminalStopsAtTheQuestionAndYesGoesOn) {
  std::string project = Written("<email>", "We recieve", "Hello");
  ASSERT_EQ(Run("config set Connection/From me@sender.test").status, 0);
  ASSERT_EQ(Run("config get Spelling/RunSpellChecker").out, "True\n");  // the default

  CliRun stopped = Run("send " + project + " --sandbox --dir " + dir.File("mail"));
  EXPECT_EQ(stopped.status, 2) << stopped.out;
  EXPECT_TRUE(Has(stopped, "Subject:1: recieve -> receive")) << stopped.out;
  EXPECT_TRUE(Has(stopped,
                  "norvane send: The spell checker has been aborted.  Send the message anyway? "
                  "(no terminal to answer; --yes answers Yes)\n"))
      << stopped.out;
  EXPECT_FALSE(Has(stopped, "Sending to")) << stopped.out;
  EXPECT_EQ(Load(project).Items[0].SubItem(0), "");

  CliRun yes = Run("send " + project + " --yes --sandbox --dir " + dir.File("mail"));
  EXPECT_EQ(yes.status, 0) << yes.out;
  EXPECT_TRUE(Has(yes, "The spell checker has been aborted.  Send the message anyway? yes (--yes)"))
      << yes.out;
  EXPECT_TRUE(Has(yes, "a@x.test: Delivered and available to the recipient!")) << yes.out;
  // Nothing is corrected without a dialog.
  EXPECT_EQ(Load(project).Subject, "We recieve");
}

TEST_F(SpellCli, SendChecksOnlyWhenTheSettingAsks) {
  ASSERT_EQ(Run("config set Connection/From me@sender.test").status, 0);
  std::string clean = Written("<email>", "We receive", "Hello", "clean.nvp");
  CliRun checked = Run("send " + clean + " --sandbox --dir " + dir.File("mail"));
  EXPECT_EQ(checked.status, 0) << checked.out;
  EXPECT_FALSE(Has(checked, "spell checker")) << checked.out;

  ASSERT_EQ(Run("config set Spelling/RunSpellChecker false").status, 0);
  std::string misspelt = Written("<email>", "We recieve", "Hello", "misspelt.nvp");
  CliRun unchecked = Run("send " + misspelt + " --sandbox --dir " + dir.File("mail"));
  EXPECT_EQ(unchecked.status, 0) << unchecked.out;
  EXPECT_FALSE(Has(unchecked, "recieve")) << unchecked.out;
}

}  // namespace
}  // namespace norvane
