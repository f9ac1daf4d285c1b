#include "project/project_model.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace norvane {
namespace {

void ExpectOnlyTheTwoFixedColumns(const ProjectModel& model) {
  ASSERT_EQ(model.Columns.size(), 2u);
  EXPECT_EQ(model.Columns[0].Caption, "Email");
  EXPECT_EQ(model.Columns[0].Width, 120);
  EXPECT_EQ(model.Columns[1].Caption, "Result");
  EXPECT_EQ(model.Columns[1].Width, 290);
}

TEST(ProjectModel, NewProjectResetsEverythingButTheContentType) {
  ProjectModel model;
  model.AddColumn("Name", 120);
  model.Items.push_back({"a@b.c", {"Delivered", "Ann"}, 1, 0});
  model.Attachments.push_back({"x.pdf", "/tmp/", 3});
  model.SetTo("x");
  model.SetSubject("s");
  model.SetBody("b");
  model.ContentType = kContentHtml;
  model.FProjectFileName = "/home/u/m.nvp";

  model.NewProject();

  ExpectOnlyTheTwoFixedColumns(model);
  EXPECT_TRUE(model.Items.empty());
  EXPECT_TRUE(model.Attachments.empty());
  EXPECT_FALSE(model.AttachmentsVisible());
  EXPECT_EQ(model.To, "<email>");
  EXPECT_EQ(model.Subject, "");
  EXPECT_EQ(model.Body, "");
  EXPECT_FALSE(model.FModified);
  EXPECT_EQ(model.FProjectFileName, "");
  EXPECT_EQ(model.TitleText(), "Norvane - [New Project]  ");
  EXPECT_EQ(model.ContentType, kContentHtml);
}

TEST(ProjectModel, AddColumnAppendsAndResetColumnsKeepsOnlyEmailAndResult) {
  ProjectModel model;
  ExpectOnlyTheTwoFixedColumns(model);
  EXPECT_EQ(model.AddColumn("Name", 120), 2);
  EXPECT_EQ(model.AddColumn("City", 80), 3);
  EXPECT_EQ(model.Columns[3].Caption, "City");
  EXPECT_EQ(model.Columns[3].Width, 80);
  model.ResetColumns();
  ExpectOnlyTheTwoFixedColumns(model);
}

TEST(ProjectModel, TitleShowsTheFileNameWithoutItsFolder) {
  ProjectModel model;
  model.FProjectFileName = "/home/u/mailings/spring.nvp";
  EXPECT_EQ(model.TitleText(), "Norvane - [spring.nvp]  ");
  model.FProjectFileName = "plain.nvp";
  EXPECT_EQ(model.TitleText(), "Norvane - [plain.nvp]  ");
}

TEST(ProjectModel, EveryTextChangeMarksTheProjectModifiedButSettingTheSameTextDoesNot) {
  using Setter = void (ProjectModel::*)(std::string);
  for (Setter set : {&ProjectModel::SetTo, &ProjectModel::SetSubject, &ProjectModel::SetBody}) {
    ProjectModel model;
    model.SetSubject("");
    model.SetBody("");
    model.SetTo("<email>");
    EXPECT_FALSE(model.FModified);
    (model.*set)("changed");
    EXPECT_TRUE(model.FModified);
  }
}

TEST(ProjectModel, MissingSubItemsReadAsEmptyAndOnlyStateOneIsChecked) {
  TListItem row{"a@b.c", {}};
  EXPECT_EQ(row.SubItem(0), "");
  EXPECT_EQ(row.SubItem(5), "");
  row.SetSubItem(2, "v");
  EXPECT_EQ(row.SubItems, (std::vector<std::string>{"", "", "v"}));
  for (int state : {-1, 0, 2}) {
    row.StateIndex = state;
    EXPECT_FALSE(row.Checked()) << state;
  }
  row.StateIndex = 1;
  EXPECT_TRUE(row.Checked());
}

// A project moved with its attachments beside it must find them wherever it is
// opened from: a relative path is looked up from the project file's folder
// first, then from the current folder as before.
TEST(AttachmentPath, RelativePathsAreFoundFromTheProjectsFolderFirst) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("mailing/docs"));
  std::filesystem::create_directories(dir.File("work/docs"));
  test::WriteFile(dir.File("mailing/docs/both.pdf"), "beside the project");
  test::WriteFile(dir.File("work/docs/both.pdf"), "in the current folder");
  test::WriteFile(dir.File("work/docs/here.pdf"), "only in the current folder");
  test::WriteFile(dir.File("mailing/top.pdf"), "beside the project, no folder");
  const std::string previous = std::filesystem::current_path().string();
  std::filesystem::current_path(dir.File("work"));
  const std::string project = dir.File("mailing/p.nvp");
  struct Case {
    TAttachmentItem item;
    std::string projectFile, want;
  } cases[] = {
      {{"both.pdf", "docs/", -1}, project, dir.File("mailing/docs/both.pdf")},
      {{"top.pdf", "", -1}, project, dir.File("mailing/top.pdf")},
      {{"here.pdf", "docs/", -1}, project, "docs/here.pdf"},  // then the current folder
      {{"gone.pdf", "docs/", -1}, project, "docs/gone.pdf"},  // missing: as stored, for the error
      {{"both.pdf", "docs/", -1}, "", "docs/both.pdf"},       // a project not saved yet
      {{"both.pdf", "docs/", -1}, "p.nvp", "docs/both.pdf"},  // a project in the current folder
      {{"a.pdf", "/abs/", -1}, project, "/abs/a.pdf"},        // absolute paths stay
  };
  for (const Case& c : cases) EXPECT_EQ(c.item.FullPath(c.projectFile), c.want) << c.item.Caption;
  std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace norvane
