// `norvane new`, `edit`, `recipients` and `show` as a user runs them: a
// mailing written from scratch on scratch files, every result read back
// through the project reader, and every refusal leaving the file byte for
// byte as it was.
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_fixture.h"

namespace norvane {
namespace {

using test::CliRun;
using test::NorvaneCli;

class MailingCommands : public NorvaneCli {
 protected:
  MailingCommands() {
    // "Jürgen", "Köln" and a dash in UTF-8, as people's files are written today.
    test::WriteFile(dir.File("people.csv"),
                    "\xEF\xBB\xBF"
                    "Name,Email,City\nJ\xC3\xBCrgen,jue@x.test,K\xC3\xB6ln\nAnn,ann@x.test,Oslo\n");
    test::WriteFile(dir.File("body.txt"), "Dear <name>,\nsee you in <city> \xE2\x80\x93 soon.\n");
    test::WriteFile(dir.File("prices.pdf"), "%PDF");
  }
  // A mailing made by `new`, as the tests below start from it.
  std::string Mailing() {
    std::string project = dir.File("m.nvp");
    CliRun made =
        Run("new " + project + " --from 'Shop <shop@example.com>' --subject 'Hello <name>' --body " +
            dir.File("body.txt") + " --recipients " + dir.File("people.csv") + " --attach " +
            dir.File("prices.pdf"));
    EXPECT_EQ(made.status, 0) << made.out;
    return project;
  }
  static std::vector<std::string> Captions(const ProjectModel& model) {
    std::vector<std::string> out;
    for (const TListColumn& column : model.Columns) out.push_back(column.Caption);
    return out;
  }
  static std::vector<std::string> Rows(const ProjectModel& model) {
    std::vector<std::string> out;
    for (const TListItem& item : model.Items) {
      std::string row = (item.Checked() ? "[x] " : "[ ] ") + item.Caption;
      for (std::size_t i = 1; i < item.SubItems.size(); ++i) row += " | " + item.SubItems[i];
      out.push_back(row);
    }
    return out;
  }
};

TEST_F(MailingCommands, NewWritesTheWholeMailingInWindows1252) {
  std::string project = Mailing();
  ProjectModel model = Load(project);
  // The byte-order mark is no part of the first column's name.
  EXPECT_EQ(Captions(model), (std::vector<std::string>{"Email", "Result", "Name", "City"}));
  EXPECT_EQ(Rows(model), (std::vector<std::string>{"[x] jue@x.test | J\xFCrgen | K\xF6ln",
                                                   "[x] ann@x.test | Ann | Oslo"}));
  EXPECT_EQ(model.Subject, "Hello <name>");
  EXPECT_EQ(model.To, "<email>");
  // As the message import reads a file: the last line end adds no empty line.
  EXPECT_EQ(model.Body, "Dear <name>,\r\nsee you in <city> \x96 soon.");
  ASSERT_EQ(model.Attachments.size(), 1u);
  EXPECT_EQ(model.Attachments[0].FullPath(), "prices.pdf");  // beside the project: stored relative to it
  // The sender went into the settings, as the wizard stores it.
  EXPECT_NE(test::ReadFile(config()).find("\"From\"=\"Shop <shop@example.com>\""), std::string::npos);

  // Without a sender anywhere, the terminal's way to give one is named.
  std::filesystem::remove(config());
  CliRun bare = Run("new " + dir.File("bare.nvp"));
  EXPECT_EQ(bare.status, 2);
  EXPECT_NE(bare.out.find("give --from ADDRESS, or set it once with `norvane config set Connection/From"),
            std::string::npos)
      << bare.out;
  EXPECT_FALSE(std::filesystem::exists(dir.File("bare.nvp")));
}

TEST_F(MailingCommands, EditAndRecipientsChangeOnlyWhatIsNamed) {
  std::string project = Mailing();
  test::WriteFile(dir.File("other.txt"), "x");
  test::WriteFile(dir.File("hi.txt"), "Hi <name>\n");
  struct Step {
    std::string command;
    std::string printed;
    std::string input = "";  // standard input, when not empty
  } steps[] = {
      {"edit " + project +
           " --subject 'Gr\xC3\xBC\xC3\x9F"
           "e, <name>' --detach prices.pdf --attach " +
           dir.File("other.txt"),
       "Saved"},
      {"edit " + project + " --body -", "Saved", dir.File("hi.txt")},
      {"recipients " + project + " add bo@y.test --field city=Bergen --field NAME=Bo", "as recipient 3 of 3"},
      {"recipients " + project + " edit 1 --email ' jue@x.org ' --field City=Berlin",
       "Recipient 1 is now jue@x.org"},
      {"recipients " + project + " uncheck 2", "2 of 3 recipients checked"},
      {"recipients " + project + " invert --all", "1 of 3 recipients checked"},
      {"recipients " + project + " delete --checked", "Deleted 1 recipient; 2 recipients left"},
      {"recipients " + project + " check 2", "1 of 2 recipients checked"},
  };
  for (const Step& step : steps) {
    CliRun run = step.input.empty() ? Run(step.command)
                                    : test::RunShell("NORVANE_CONFIG='" + config() + "' " + NORVANE_BINARY +
                                                     " " + step.command + " < '" + step.input + "' 2>&1");
    ASSERT_EQ(run.status, 0) << step.command << "\n" << run.out;
    EXPECT_NE(run.out.find(step.printed), std::string::npos) << step.command << "\n" << run.out;
  }
  ProjectModel model = Load(project);
  EXPECT_EQ(model.Subject,
            "Gr\xFC\xDF"
            "e, <name>");
  EXPECT_EQ(model.Body, "Hi <name>");
  EXPECT_EQ(model.To, "<email>");
  ASSERT_EQ(model.Attachments.size(), 1u);
  EXPECT_EQ(model.Attachments[0].Caption, "other.txt");
  EXPECT_EQ(Rows(model),
            (std::vector<std::string>{"[ ] jue@x.org | J\xFCrgen | Berlin", "[x] bo@y.test | Bo | Bergen"}));

  CliRun found = Run("recipients " + project + " find BERLIN");
  EXPECT_EQ(found.status, 0) << found.out;
  EXPECT_NE(found.out.find("1  [ ]  jue@x.org"), std::string::npos) << found.out;
  EXPECT_EQ(Run("recipients " + project + " find --match-case BERLIN").status, 1);
}

TEST_F(MailingCommands, ForceReplacesAProjectAndCheckFailedPicksTheUndelivered) {
  std::string project = Mailing();
  CliRun replaced = Run("new " + project + " --force --subject Again");
  ASSERT_EQ(replaced.status, 0) << replaced.out;
  EXPECT_NE(replaced.out.find("0 recipients, 0 attachments"), std::string::npos) << replaced.out;
  EXPECT_EQ(Load(project).Subject, "Again");

  ProjectModel model;
  model.Items = {{"ok@x.test", {"Delivered"}, 0, kImageDelivered},
                 {"bad@x.test", {"Failed"}, 0, kImageFailed},
                 {"cut@x.test", {"Sending..."}, 0, kImageSending},
                 {"new@x.test", {}, 0}};
  SaveProject(model, project);
  CliRun checked = Run("recipients " + project + " check --failed");
  ASSERT_EQ(checked.status, 0) << checked.out;
  EXPECT_NE(checked.out.find("2 of 4 recipients checked"), std::string::npos) << checked.out;
  EXPECT_EQ(Rows(Load(project)), (std::vector<std::string>{"[ ] ok@x.test", "[x] bad@x.test",
                                                           "[x] cut@x.test", "[ ] new@x.test"}));
}

TEST_F(MailingCommands, EveryRefusalLeavesTheFileAsItWas) {
  std::string project = Mailing();
  const std::string before = test::ReadFile(project);
  test::WriteFile(dir.File("han.txt"), "Hello \xE4\xB8\xAD\n");
  struct Case {
    std::string command;
    std::string says;
  } cases[] = {
      {"new " + project + " --from a@b.test", "already exists; give --force"},
      {"recipients " + project + " add x@y.test --field country=NO", "no column 'country' in the project"},
      {"recipients " + project + " add ' '", "E-mail address cannot be blank"},
      {"recipients " + project + " edit 2 --email ''", "E-mail address cannot be blank"},
      {"recipients " + project + " edit 9 --email a@b.test", "no recipient at position '9'"},
      {"recipients " + project + " delete 1 7", "no recipient at position '7'"},
      {"recipients " + project + " frobnicate", "unknown recipients command"},
      {"edit " + project + " --subject 'caf\xC3\xA9 \xE2\x9C\x93'",
       "column 6: U+2713 has no Windows-1252 form"},
      {"edit " + project + " --body " + dir.File("han.txt"), "line 1, column 7: U+4E2D"},
      {"edit " + project + " --subject ok --attach " + dir.File("gone.pdf"),
       "gone.pdf: no such file to attach"},
      {"edit " + project + " --detach nothing.pdf", "no attachment 'nothing.pdf'"},
      {"edit " + project + " --body " + dir.File("nowhere.txt"), "cannot open " + dir.File("nowhere.txt")},
      {"edit " + project, "edit needs something to change"},
  };
  for (const Case& c : cases) {
    CliRun run = Run(c.command);
    EXPECT_EQ(run.status, 2) << c.command << "\n" << run.out;
    EXPECT_NE(run.out.find(c.says), std::string::npos) << c.command << "\n" << run.out;
    EXPECT_EQ(test::ReadFile(project), before) << c.command;
  }
  // The same text with "?" in place of what Windows-1252 lacks, when asked for.
  ASSERT_EQ(Run("edit " + project + " --body " + dir.File("han.txt") + " --replace-unmappable").status, 0);
  EXPECT_EQ(Load(project).Body, "Hello ?");
}

TEST_F(MailingCommands, ShowTellsWhetherTheMailingIsReadyToSend) {
  std::string project = Mailing();
  CliRun ready = Run("show " + project);
  EXPECT_EQ(ready.status, 0) << ready.out;
  for (const char* line : {"Subject: Hello <name>", "  | see you in <city> \xE2\x80\x93 soon.", "  <city>\n",
                           "prices.pdf  4 bytes", "Columns: Email, Result, Name, City",
                           "Recipients: 2 recipients, 2 checked; 0 delivered, 0 failed, 2 never tried"})
    EXPECT_NE(ready.out.find(line), std::string::npos) << line << "\n" << ready.out;

  ASSERT_EQ(Run("edit " + project + " --subject 'Hi <cuntry>'").status, 0);
  std::filesystem::remove(dir.File("prices.pdf"));
  CliRun incomplete = Run("show " + project);
  EXPECT_EQ(incomplete.status, 1) << incomplete.out;
  EXPECT_NE(incomplete.out.find("<cuntry>  NO COLUMN"), std::string::npos) << incomplete.out;
  EXPECT_NE(incomplete.out.find("prices.pdf  MISSING"), std::string::npos) << incomplete.out;
}

TEST_F(MailingCommands, EveryCommandAndSubcommandHasHelpWithAnExample) {
  for (const char* words : {"new",
                            "edit",
                            "show",
                            "import",
                            "send",
                            "preview",
                            "spell",
                            "results",
                            "log",
                            "sandbox",
                            "config",
                            "config get",
                            "config set",
                            "password",
                            "password set",
                            "dkim",
                            "dkim keygen",
                            "dkim check",
                            "recipients",
                            "recipients p.nvp add",
                            "recipients p.nvp edit",
                            "recipients p.nvp delete",
                            "recipients p.nvp check",
                            "recipients p.nvp uncheck",
                            "recipients p.nvp invert",
                            "recipients p.nvp find"}) {
    for (const char* flag : {"--help", "-h"}) {
      CliRun run = Run(std::string(words) + " " + flag);
      EXPECT_EQ(run.status, 0) << words << " " << flag << "\n" << run.out;
      std::string last = words;
      last = last.substr(last.rfind(' ') + 1);
      EXPECT_EQ(run.out.rfind("Usage: norvane ", 0), 0u) << words << "\n" << run.out;
      EXPECT_NE(
          run.out.find("\nExample:\n  norvane " + std::string(words).substr(0, std::string(words).find(' '))),
          std::string::npos)
          << words << "\n"
          << run.out;
      EXPECT_NE(run.out.find(" " + last), std::string::npos) << words << "\n" << run.out;
    }
  }
}

}  // namespace
}  // namespace norvane
