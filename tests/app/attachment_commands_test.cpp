#include "app/attachment_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "editing_fixture.h"
#include "project/project_file.h"

namespace norvane {
namespace {

class AttachmentCommands : public test::EditingFixture, public ::testing::Test {
 protected:
  AttachmentCommands() {
    // Icons by file type, as a desktop reports them.
    ui.iconIndex = [](const std::string& path) { return path.ends_with(".pdf") ? 7 : 3; };
    for (const char* name : {"a.pdf", "b.txt", "c.pdf"}) test::WriteFile(dir.File(name), name);
    std::filesystem::create_directory(dir.File("folder"));
  }
  TAttachmentCommands& commands() { return form->AttachmentCommands; }
  // "name in directory (icon)" per row.
  std::vector<std::string> Attached() const {
    std::vector<std::string> rows;
    for (const TAttachmentItem& item : form->Project.Attachments)
      rows.push_back(item.Caption + " in " + item.Directory + " (" + std::to_string(item.ImageIndex) + ")");
    return rows;
  }
  std::string In() const { return dir.path() + "/"; }
};

TEST_F(AttachmentCommands, InsertAddsTheChosenFilesInTheDialogsOrder) {
  window().InsertAttachDialog.FileName = "left over";
  ui.fileLists = {{dir.File("c.pdf"), dir.File("a.pdf"), dir.File("b.txt")}};
  EXPECT_TRUE(form->ExecuteAction("acInsertAttachment"));
  ASSERT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_EQ(ui.openDialogs[0].Title, "Insert Attachment");
  EXPECT_EQ(ui.openDialogs[0].FileName, "");
  EXPECT_TRUE(ui.openDialogs[0].MustExist);
  EXPECT_EQ(Attached(), (std::vector<std::string>{"c.pdf in " + In() + " (7)", "a.pdf in " + In() + " (7)",
                                                  "b.txt in " + In() + " (3)"}));
  EXPECT_TRUE(project().AttachmentsVisible());
  EXPECT_TRUE(project().FModified);

  // The same file again is a second row; a cancelled dialog adds nothing.
  project().FModified = false;
  ui.fileLists = {{dir.File("a.pdf")}, {}};
  form->ExecuteAction("acInsertAttachment");
  form->ExecuteAction("acInsertAttachment");
  EXPECT_EQ(Attached().size(), 4u);
  StartRun();
  EXPECT_FALSE(form->ExecuteAction("acInsertAttachment"));
}

TEST_F(AttachmentCommands, DroppedFilesButNotFolders) {
  struct Case {
    const char* name;
    std::vector<std::string> dropped;
    bool running;
    std::vector<std::string> attached;
    bool modified;
  } cases[] = {
      {"a folder and two files",
       {dir.File("folder"), dir.File("b.txt"), dir.File("a.pdf")},
       false,
       {"b.txt in " + In() + " (3)", "a.pdf in " + In() + " (7)"},
       true},
      {"only a folder and a missing file", {dir.File("folder"), dir.File("gone.txt")}, false, {}, true},
      {"during a run", {dir.File("a.pdf")}, true, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    project().Attachments.clear();
    if (c.running) StartRun();
    project().FModified = false;
    form->Guarded([&] { commands().WMDROPFILES(c.dropped); });
    EXPECT_EQ(Attached(), c.attached);
    EXPECT_EQ(project().FModified, c.modified);
    EXPECT_EQ(project().AttachmentsVisible(), !c.attached.empty());
    if (c.running) EndRun();
  }
  EXPECT_TRUE(ui.errors.empty());
}

TEST_F(AttachmentCommands, DeleteTheSelectedOnes) {
  struct Case {
    const char* name;
    std::set<int> selected;
    bool byKey, running;
    std::vector<std::string> left;
    bool modified;
  } cases[] = {
      {"menu, first and last", {0, 2}, false, false, {"b.txt"}, true},
      {"menu during a run", {1}, false, true, {"a.pdf", "c.pdf"}, true},
      {"Delete key", {1}, true, false, {"a.pdf", "c.pdf"}, true},
      {"Delete key during a run", {1}, true, true, {"a.pdf", "b.txt", "c.pdf"}, false},
      {"all of them", {0, 1, 2}, false, false, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    project().Attachments.clear();
    for (const char* name : {"a.pdf", "b.txt", "c.pdf"}) commands().AddAttachment(dir.File(name));
    window().AttachmentsSelected = c.selected;
    if (c.running) StartRun();
    project().FModified = false;
    form->Guarded([&] {
      if (c.byKey)
        commands().lvAttachmentsKeyDown(TKey::kDelete);
      else
        commands().Delete3Click();
    });
    std::vector<std::string> left;
    for (const auto& item : project().Attachments) left.push_back(item.Caption);
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(project().FModified, c.modified);
    EXPECT_EQ(project().AttachmentsVisible(), !c.left.empty());
    if (c.running) EndRun();
  }
  commands().lvAttachmentsKeyDown(TKey::kOther);
  EXPECT_TRUE(project().Attachments.empty());
}

TEST_F(AttachmentCommands, PopupFollowsSelectionAndStyleWhichIsNoChange) {
  TMenu& menu = window().Menus.AttachMenu;
  auto entry = [&](const std::string& caption) -> TMenuEntry& {
    for (TMenuEntry& e : menu)
      if (e.Caption == caption) return e;
    throw std::runtime_error("no entry " + caption);
  };
  commands().AddAttachment(dir.File("a.pdf"));
  project().FModified = false;
  const std::pair<const char*, TViewStyle> styles[] = {{"I&con", TViewStyle::vsIcon},
                                                       {"&Small Icon", TViewStyle::vsSmallIcon},
                                                       {"&List", TViewStyle::vsList},
                                                       {"&Report", TViewStyle::vsReport}};
  for (const auto& [caption, style] : styles) {
    SCOPED_TRACE(caption);
    commands().SmallIcon1Click(entry(caption).Tag);
    EXPECT_EQ(project().AttachmentViewStyle, style);
    commands().AttachMenuPopup();
    for (const auto& [other, unused] : styles) EXPECT_EQ(entry(other).Checked, other == caption) << other;
  }
  EXPECT_FALSE(project().FModified);

  window().AttachmentsSelected.clear();
  commands().AttachMenuPopup();
  EXPECT_FALSE(entry("&Delete").Enabled);
  window().AttachmentsSelected = {0};
  commands().AttachMenuPopup();
  EXPECT_TRUE(entry("&Delete").Enabled);
  EXPECT_EQ(entry("&Insert...").Action, "acInsertAttachment");
}

// Icons are not taken from the file: they are asked for again for each file,
// found beside the project.
TEST_F(AttachmentCommands, OpeningAProjectAsksForEveryIconAgain) {
  std::filesystem::create_directory(dir.File("p"));
  test::WriteFile(dir.File("p/report.pdf"), "%PDF");
  ProjectModel stored;
  stored.Attachments.push_back({"report.pdf", "", 1234});
  stored.Attachments.push_back({"b.txt", In(), 1234});
  SaveProject(stored, dir.File("p/icons.nvp"));
  std::vector<std::string> asked;
  ui.iconIndex = [&](const std::string& path) {
    asked.push_back(path);
    return path.ends_with(".pdf") ? 7 : 3;
  };
  form->Guarded([&] { form->Commands.LoadProject(dir.File("p/icons.nvp")); });
  EXPECT_EQ(asked, (std::vector<std::string>{dir.File("p/report.pdf"), dir.File("b.txt")}));
  EXPECT_EQ(Attached(), (std::vector<std::string>{"report.pdf in  (7)", "b.txt in " + In() + " (3)"}));
  EXPECT_TRUE(ui.errors.empty());
}

}  // namespace
}  // namespace norvane
