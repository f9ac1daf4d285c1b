#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "cli/cli_run.h"
#include "project/project_file.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace norvane {
namespace {

using test::CliRun;
using test::RunNorvane;

std::vector<std::string> Addresses(const std::string& project) {
  ProjectModel model;
  LoadProject(model, project);
  std::vector<std::string> out;
  for (const auto& item : model.Items) out.push_back(item.Caption);
  return out;
}

TEST(ImportCommand, CreatesAppendsAndReplaces) {
  test::TempDir dir;
  std::string project = dir.File("p.nvp");
  test::WriteFile(dir.File("a.csv"), "Name,EMail\nAnn,ann@x.test\nBob,bob@y.test\n");
  test::WriteFile(dir.File("b.txt"), "cy@z.test\n");

  CliRun sub = RunNorvane("import " + project + " " + dir.File("a.csv"));
  ASSERT_EQ(sub.status, 0) << sub.out;
  EXPECT_NE(sub.out.find("E-mail column: EMail (column 2, proposed)"), std::string::npos) << sub.out;
  EXPECT_NE(sub.out.find("Added 2 recipients"), std::string::npos) << sub.out;
  EXPECT_EQ(Addresses(project), (std::vector<std::string>{"ann@x.test", "bob@y.test"}));

  ASSERT_EQ(RunNorvane("import " + project + " " + dir.File("b.txt")).status, 0);
  EXPECT_EQ(Addresses(project).size(), 3u);

  CliRun replaced = RunNorvane("import " + project + " " + dir.File("a.csv") +
                               " --email-column 1 --first-line data --replace");
  ASSERT_EQ(replaced.status, 0) << replaced.out;
  EXPECT_EQ(Addresses(project), (std::vector<std::string>{"Name", "Ann", "Bob"}));
}

TEST(ImportCommand, TextInsideAQuotedFieldNeverBecomesARecipient) {
  test::TempDir dir;
  std::string project = dir.File("p.nvp");
  test::WriteFile(
      dir.File("a.csv"),
      "EMail,Note\r\nann@x.test,\"Dear Ann,\r\nBcc: eve@evil.test\r\n.\r\n\"\r\nbob@y.test,hi\r\n");
  CliRun run = RunNorvane("import " + project + " " + dir.File("a.csv"));
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("Added 2 recipients"), std::string::npos) << run.out;
  EXPECT_EQ(Addresses(project), (std::vector<std::string>{"ann@x.test", "bob@y.test"}));
}

TEST(ImportCommand, RefusesWithoutChangingTheProject) {
  test::TempDir dir;
  std::string project = dir.File("p.nvp");
  test::WriteFile(dir.File("a.txt"), "ann@x.test\n");
  ASSERT_EQ(RunNorvane("import " + project + " " + dir.File("a.txt")).status, 0);
  std::string before = test::ReadFile(project);

  test::WriteFile(dir.File("nomail.csv"), "Name,Mail\nAnn,ann@x.test\n");
  test::WriteFile(dir.File("binary.csv"), std::string("\x7F"
                                                      "ELF\x02\x01\x01\0\0\0\0a@x.test\n",
                                                      17));
  test::WriteFile(dir.File("endless.csv"), std::string(3 << 20, 'a'));
  struct Case {
    std::string arguments, message;
  } cases[] = {
      {dir.File("nomail.csv"), "choose one with --email-column"},
      {dir.File("nomail.csv") + " --email-column Phone", "no column 'Phone'"},
      {dir.File("list.dat"), "not a recipient file"},
      {dir.File("missing.csv"), "missing.csv"},
      {dir.File("a.txt") + " --first-line maybe", "--first-line takes"},
      {dir.File("binary.csv"), dir.File("binary.csv") + " is not a text file"},
      {dir.File("endless.csv"), "Line 1 of " + dir.File("endless.csv") + " is longer than 1 MB"},
  };
  for (const Case& c : cases) {
    CliRun run = RunNorvane("import " + project + " " + c.arguments);
    EXPECT_EQ(run.status, 2) << c.arguments;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    EXPECT_EQ(test::ReadFile(project), before);
  }
}

// The project is named as the user typed it, and the system says why it cannot be written.
TEST(ImportCommand, SaveIntoAReadOnlyFolderSaysWhy) {
  test::TempDir dir;
  test::WriteFile(dir.File("a.txt"), "ann@x.test\n");
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  std::string out = test::RunUnprivileged([&] {
    CliRun run =
        test::RunShell("cd '" + dir.path() + "' && " + NORVANE_BINARY + " import demo.nvp a.txt 2>&1");
    return std::to_string(run.status) + " " + run.out;
  });
  ::chmod(dir.path().c_str(), 0700);
  EXPECT_NE(out.find("norvane: Cannot create file demo.nvp: permission denied"), std::string::npos) << out;
  EXPECT_EQ(out.rfind("2 ", 0), 0u) << out;
}

}  // namespace
}  // namespace norvane
