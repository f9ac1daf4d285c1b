// What a user scripting a mailing meets around `norvane send` and `import`:
// the test copy to one's own mailbox, the questions before an incomplete
// run, the results as JSON, UTF-8 recipient files and duplicate addresses.
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_fixture.h"

namespace norvane {
namespace {

using test::CliRun;
using test::NorvaneCli;

std::vector<std::string> Messages(const std::string& folder) {
  std::vector<std::string> out;
  if (!std::filesystem::exists(folder)) return out;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".eml") out.push_back(test::ReadFile(entry.path().string()));
  return out;
}

TEST_F(NorvaneCli, TestCopyGoesToTheGivenAddressAndLeavesTheProjectAlone) {
  ProjectModel model;
  model.AddColumn("Name", 80);
  model.Items = {{"ann@x.test", {"", "Ann"}, 1}, {"bob@y.test", {"", "Bob"}, 0}};
  model.Subject = "Hello <name>";
  model.Body = "Dear <name>";
  std::string project = dir.File("p.nvp");
  SaveProject(model, project);
  const std::string before = test::ReadFile(project);

  CliRun run = Run("send " + project + " --test me@home.test --row 2 --sandbox --dir " + dir.File("mail") +
                   " --from shop@example.com");
  ASSERT_EQ(run.status, 0) << run.out;
  std::vector<std::string> mails = Messages(dir.File("mail"));
  ASSERT_EQ(mails.size(), 1u) << run.out;
  // Row 2's fields (an unchecked row too), the test address in place of the row's.
  EXPECT_NE(mails[0].find("Subject: Hello Bob"), std::string::npos) << mails[0];
  EXPECT_NE(mails[0].find("To: me@home.test"), std::string::npos) << mails[0];
  EXPECT_EQ(test::ReadFile(project), before);
  EXPECT_FALSE(std::filesystem::exists(project + ".journal"));

  CliRun noRow = Run("send " + project + " --test me@home.test --row 3 --sandbox --dir " + dir.File("mail"));
  EXPECT_EQ(noRow.status, 2) << noRow.out;
  EXPECT_NE(noRow.out.find("--row 3: the project holds 2 recipients"), std::string::npos) << noRow.out;
}

TEST_F(NorvaneCli, SendAsksBeforeAnIncompleteRunAndYesGoesAhead) {
  struct Case {
    const char* name;
    std::string subject, body;
    std::vector<std::string> addresses;
    std::string warning;
  } cases[] = {
      {"empty subject", "", "Hi", {"a@x.test"}, "The subject is empty."},
      {"empty body", "Hi", "", {"a@x.test"}, "The message body is empty."},
      {"tag without a column", "Hi <nmae>", "Hi", {"a@x.test"}, "The tag <nmae> has no column"},
      {"twice", "Hi", "Hi", {"a@x.test", "A@x.test"}, "A@x.test would get the message twice (rows 1 and 2)."},
  };
  for (const Case& c : cases) {
    ProjectModel model;
    for (const auto& address : c.addresses) model.Items.push_back({address, {}, 1});
    model.Subject = c.subject;
    model.Body = c.body;
    std::string project = dir.File("warn.nvp");
    SaveProject(model, project);
    const std::string before = test::ReadFile(project);
    std::string mail = dir.File(std::string("mail-") + std::to_string(&c - cases));

    CliRun stopped = Run("send " + project + " --sandbox --dir " + mail + " --from shop@example.com");
    EXPECT_EQ(stopped.status, 2) << c.name << "\n" << stopped.out;
    EXPECT_NE(stopped.out.find(c.warning), std::string::npos) << c.name << "\n" << stopped.out;
    EXPECT_NE(stopped.out.find("no terminal to answer; --yes answers Yes"), std::string::npos) << stopped.out;
    EXPECT_TRUE(Messages(mail).empty()) << c.name;
    EXPECT_EQ(test::ReadFile(project), before) << c.name;

    CliRun yes = Run("send " + project + " --yes --sandbox --dir " + mail + " --from shop@example.com");
    EXPECT_EQ(yes.status, 0) << c.name << "\n" << yes.out;
    EXPECT_NE(yes.out.find("Send anyway? yes (--yes)"), std::string::npos) << yes.out;
    EXPECT_EQ(Messages(mail).size(), c.addresses.size()) << c.name;
  }
}

TEST_F(NorvaneCli, ResultsAsJsonGiveOneObjectPerRow) {
  ProjectModel model;
  model.AddColumn("Name", 80);
  model.Items = {{"ann@x.test", {"Delivered", "Ann \"A\"\\\x01"}, 0, kImageDelivered},
                 {"b\xFC@y.test", {"", "B\xFC"}, 1}};
  std::string project = dir.File("p.nvp");
  SaveProject(model, project);
  CliRun all = Run("results " + project + " --json");
  ASSERT_EQ(all.status, 0) << all.out;
  EXPECT_EQ(all.out,
            "[\n"
            " {\"row\": 1, \"checked\": false, \"email\": \"ann@x.test\", \"result\": \"Delivered\", "
            "\"fields\": {\"Name\": \"Ann \\\"A\\\"\\\\\\u0001\"}},\n"
            " {\"row\": 2, \"checked\": true, \"email\": \"b\xC3\xBC@y.test\", \"result\": \"\", "
            "\"fields\": {\"Name\": \"B\xC3\xBC\"}}\n"
            "]\n");
  CliRun none = Run("results " + project + " --json --failed");
  EXPECT_EQ(none.out, "[]\n");
  EXPECT_EQ(Run("results " + project + " --json --csv").status, 2);
}

TEST_F(NorvaneCli, ImportConvertsUtf8AndReportsDuplicates) {
  std::string project = Project({"ann@x.test"});
  test::WriteFile(dir.File("more.csv"),
                  "\xEF\xBB\xBF"
                  "Name,Email\nAnn,ANN@x.test\nJ\xC3\xBCrgen,j\xC3\xBC@x.test\nJo,jo@x.test\n"
                  "again,J\xC3\x9C@x.test\n");
  CliRun kept = Run("import " + project + " " + dir.File("more.csv"));
  ASSERT_EQ(kept.status, 0) << kept.out;
  EXPECT_NE(kept.out.find("UTF-8, converted to Windows-1252"), std::string::npos) << kept.out;
  EXPECT_NE(kept.out.find("E-mail column: Email (column 2, proposed)"), std::string::npos) << kept.out;
  EXPECT_NE(kept.out.find("Duplicate: ANN@x.test (line 2 of the list) is already in the list on line 1"),
            std::string::npos)
      << kept.out;
  EXPECT_NE(kept.out.find("Duplicate: J\xC3\x9C@x.test (line 5 of the list) repeats line 3"),
            std::string::npos)
      << kept.out;
  EXPECT_NE(kept.out.find("Added 4 recipients"), std::string::npos) << kept.out;
  EXPECT_NE(kept.out.find("2 duplicates kept"), std::string::npos) << kept.out;
  ProjectModel model = Load(project);
  ASSERT_EQ(model.Columns.size(), 3u);
  EXPECT_EQ(model.Columns[2].Caption, "Name");  // no byte-order mark in it
  EXPECT_EQ(model.Items[2].Caption, "j\xFC@x.test");
  EXPECT_EQ(model.Items[2].SubItem(1), "J\xFCrgen");

  std::string skipping = Project({"ann@x.test"}, "skip.nvp");
  CliRun skipped = Run("import " + skipping + " " + dir.File("more.csv") + " --skip-duplicates");
  ASSERT_EQ(skipped.status, 0) << skipped.out;
  EXPECT_NE(skipped.out.find("Added 2 recipients"), std::string::npos) << skipped.out;
  EXPECT_NE(skipped.out.find("2 duplicates left out"), std::string::npos) << skipped.out;
  std::vector<std::string> addresses;
  for (const TListItem& item : Load(skipping).Items) addresses.push_back(item.Caption);
  EXPECT_EQ(addresses, (std::vector<std::string>{"ann@x.test", "j\xFC@x.test", "jo@x.test"}));

  // A character Windows-1252 lacks: listed with its place, nothing imported.
  test::WriteFile(dir.File("han.csv"), "Email,Name\nli@x.test,\xE6\x9D\x8E\n");
  const std::string before = test::ReadFile(skipping);
  CliRun refused = Run("import " + skipping + " " + dir.File("han.csv"));
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_NE(refused.out.find("line 2, column 11: U+674E has no Windows-1252 form"), std::string::npos)
      << refused.out;
  EXPECT_EQ(test::ReadFile(skipping), before);
  ASSERT_EQ(Run("import " + skipping + " " + dir.File("han.csv") + " --replace-unmappable").status, 0);
  EXPECT_EQ(Load(skipping).Items.back().SubItem(1), "?");

  // Windows-1252 files read as before.
  test::WriteFile(dir.File("ansi.csv"), "Email,Name\nfr@x.test,Fran\xE7ois\n");
  ASSERT_EQ(Run("import " + skipping + " " + dir.File("ansi.csv")).status, 0);
  EXPECT_EQ(Load(skipping).Items.back().SubItem(1), "Fran\xE7ois");
}

}  // namespace
}  // namespace norvane
