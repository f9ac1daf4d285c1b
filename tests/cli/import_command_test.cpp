#include <gtest/gtest.h>

#include <string>

#include "cli/cli_run.h"
#include "project/project_file.h"
#include "support/temp_dir.h"

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

TEST(ImportCommand, RefusesWithoutChangingTheProject) {
  test::TempDir dir;
  std::string project = dir.File("p.nvp");
  test::WriteFile(dir.File("a.txt"), "ann@x.test\n");
  ASSERT_EQ(RunNorvane("import " + project + " " + dir.File("a.txt")).status, 0);
  std::string before = test::ReadFile(project);

  test::WriteFile(dir.File("nomail.csv"), "Name,Mail\nAnn,ann@x.test\n");
  struct Case {
    std::string arguments, message;
  } cases[] = {
      {dir.File("nomail.csv"), "choose one with --email-column"},
      {dir.File("nomail.csv") + " --email-column Phone", "no column 'Phone'"},
      {dir.File("list.dat"), "not a recipient file"},
      {dir.File("missing.csv"), "missing.csv"},
      {dir.File("a.txt") + " --first-line maybe", "--first-line takes"},
  };
  for (const Case& c : cases) {
    CliRun run = RunNorvane("import " + project + " " + c.arguments);
    EXPECT_NE(run.status, 0) << c.arguments;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    EXPECT_EQ(test::ReadFile(project), before);
  }
}

}  // namespace
}  // namespace norvane
