#include "app/project_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app_fixture.h"
#include "project/project_file.h"

namespace norvane {
namespace {

using test::AppFixture;
using test::ReadFile;

constexpr char kSaveQuestion[] = "Project has been modified.  Would you like to save it?";

class ProjectCommands : public AppFixture, public ::testing::Test {
 protected:
  ProjectCommands() : form(NewForm()) {}
  TProjectCommands& commands() { return form->Commands; }
  // A handler as the view runs it.
  bool Run(bool (TProjectCommands::*handler)()) {
    bool result = false;
    form->Guarded([&] { result = (commands().*handler)(); });
    return result;
  }
  std::string WriteProject(const std::string& name, const std::string& subject) {
    ProjectModel model;
    model.Subject = subject;
    AddFixtureRow(model);
    std::string path = dir.File(name);
    SaveProject(model, path);
    return path;
  }
  static void AddFixtureRow(ProjectModel& model) { AddRow(model, "a@x.test", true, {"", ""}); }
  std::vector<std::string> Mru() const { return form->MostRecentUsedList1.Filenames(); }

  std::unique_ptr<TMainForm> form;
};

TEST_F(ProjectCommands, NewAsksAboutChangesAndCancelKeepsEverything) {
  form->Project.SetSubject("draft");
  ui.yesNoCancel = {TModalResult::mrCancel};
  EXPECT_FALSE(Run(&TProjectCommands::acNewExecute));
  EXPECT_EQ(form->Project.Subject, "draft");

  // Yes on a project without a name asks for one; cancelling that dialog cancels New too.
  ui.yesNoCancel = {TModalResult::mrYes};
  EXPECT_FALSE(Run(&TProjectCommands::acNewExecute));
  EXPECT_EQ(ui.saveDialogs.size(), 1u);
  EXPECT_EQ(form->Project.Subject, "draft");
  EXPECT_TRUE(form->Project.FProjectFileName.empty());
  EXPECT_TRUE(form->Project.FModified);

  ui.yesNoCancel = {TModalResult::mrNo};
  EXPECT_TRUE(Run(&TProjectCommands::acNewExecute));
  EXPECT_EQ(form->Project.Subject, "");
  EXPECT_EQ(form->Project.To, "<email>");
  EXPECT_FALSE(form->Project.FModified);
  EXPECT_EQ(form->Window.Caption, "Norvane - [New Project]  ");
  EXPECT_EQ(ui.questions, std::vector<std::string>(3, kSaveQuestion));
  EXPECT_TRUE(ui.errors.empty());
}

TEST_F(ProjectCommands, SaveAsNamesSavesAndRemembers) {
  form->Project.SetSubject("news");
  std::string path = dir.File("mailing.nvp");
  ui.files = {path};
  EXPECT_TRUE(Run(&TProjectCommands::acSaveExecute));
  EXPECT_EQ(ui.saveDialogs.at(0).Filter, "Norvane Projects|*.nvp");
  EXPECT_EQ(ui.saveDialogs.at(0).DefaultExt, "nvp");
  EXPECT_TRUE(ui.saveDialogs.at(0).OverwritePrompt);
  EXPECT_EQ(form->Project.FProjectFileName, path);
  EXPECT_FALSE(form->Project.FModified);
  EXPECT_EQ(form->Window.Caption, "Norvane - [mailing.nvp]  ");
  EXPECT_EQ(Mru(), std::vector<std::string>{path});
  ProjectModel back;
  LoadProject(back, path);
  EXPECT_EQ(back.Subject, "news");

  // A named project saves without asking; Save As offers the last name.
  form->Project.SetSubject("news 2");
  EXPECT_TRUE(Run(&TProjectCommands::acSaveExecute));
  EXPECT_EQ(ui.saveDialogs.size(), 1u);
  ui.files = {std::nullopt};
  EXPECT_FALSE(Run(&TProjectCommands::acSaveAsExecute));
  EXPECT_EQ(ui.saveDialogs.at(1).FileName, path);
}

TEST_F(ProjectCommands, FailedSaveKeepsTheProjectModified) {
  form->Project.SetSubject("new");
  std::string path = dir.File("missing-folder/p.nvp");
  ui.files = {path};
  Run(&TProjectCommands::acSaveAsExecute);
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(ui.errors[0].rfind("Cannot create file " + path, 0), 0u) << ui.errors[0];
  EXPECT_TRUE(form->Project.FModified);
  EXPECT_EQ(form->Project.FProjectFileName, path);  // Save As has taken the name
  EXPECT_EQ(Mru().front(), path);                   // remembered also after a failed save
  EXPECT_EQ(ui.cursor(), TCursor::crDefault);

  // New after a failed save in the question does not throw the project away.
  ui.yesNoCancel = {TModalResult::mrYes};
  EXPECT_FALSE(Run(&TProjectCommands::acNewExecute));
  EXPECT_EQ(form->Project.Subject, "new");
  EXPECT_EQ(ui.errors.size(), 2u);
}

TEST_F(ProjectCommands, OpenLoadsAndRemembersAndABadFileChangesNothing) {
  std::string good = WriteProject("good.nvp", "from file");
  std::string bad = dir.File("bad.nvp");
  test::WriteFile(bad, "not a project");
  ui.files = {good};
  EXPECT_TRUE(Run(&TProjectCommands::acOpenExecute));
  EXPECT_TRUE(ui.openDialogs.at(0).MustExist);
  EXPECT_EQ(form->Project.Subject, "from file");
  EXPECT_EQ(form->Window.Caption, "Norvane - [good.nvp]  ");
  EXPECT_EQ(form->Window.StatusPanels[1], "Total:");
  EXPECT_EQ(Mru(), std::vector<std::string>{good});
  EXPECT_EQ(ui.cursor(), TCursor::crDefault);

  ui.files = {bad};
  Run(&TProjectCommands::acOpenExecute);
  EXPECT_EQ(ui.errors, std::vector<std::string>{"Invalid stream format at offset 0."});
  EXPECT_EQ(form->Project.FProjectFileName, good);
  EXPECT_EQ(form->Project.Subject, "from file");
  EXPECT_EQ(Mru(), std::vector<std::string>{good});
  EXPECT_EQ(ui.cursor(), TCursor::crDefault);
}

TEST_F(ProjectCommands, RecentFileDeletedOrWhileBusy) {
  std::string gone = dir.File("gone.nvp");
  form->Project.SetSubject("mine");
  ui.yesNoCancel = {TModalResult::mrNo};
  form->Guarded([&] { commands().MostRecentUsedList1SelectFilename(gone); });
  EXPECT_EQ(ui.errors, std::vector<std::string>{"File " + gone + " has been deleted."});
  EXPECT_EQ(form->Project.Subject, "mine");

  std::string there = WriteProject("there.nvp", "recent");
  commands().Busy = [] { return true; };
  form->Guarded([&] { commands().MostRecentUsedList1SelectFilename(there); });
  EXPECT_EQ(form->Project.Subject, "mine");
  EXPECT_EQ(ui.questions.size(), 1u);
  commands().Busy = [] { return false; };
  ui.yesNoCancel = {TModalResult::mrNo};
  form->Guarded([&] { commands().MostRecentUsedList1SelectFilename(there); });
  EXPECT_EQ(form->Project.Subject, "recent");
}

TEST_F(ProjectCommands, TheFieldMenuFollowsTheColumns) {
  ProjectModel model;
  model.AddColumn("First Name", 120);
  model.AddColumn("CITY", 120);
  std::string path = dir.File("fields.nvp");
  SaveProject(model, path);
  EXPECT_EQ(form->Window.FieldMenu, std::vector<std::string>{"<email>"});
  form->Guarded([&] { commands().LoadProject(path); });
  EXPECT_EQ(form->Window.FieldMenu, (std::vector<std::string>{"<email>", "<first name>", "<city>"}));
}

// Commands that need a selected row are off once New or Open has emptied the
// list, as a cleared selection leaves them.
TEST_F(ProjectCommands, NewAndOpenLeaveNoRowSelected) {
  std::string path = WriteProject("rows.nvp", "rows");
  for (bool open : {false, true}) {
    SCOPED_TRACE(open ? "Open" : "New");
    AddFixtureRow(form->Project);
    form->RecipientCommands.ListView1SelectItem(0);
    ASSERT_TRUE(form->Window.Actions.acRecipientEdit.Enabled);
    form->Project.FModified = false;
    if (open) ui.files = {path};
    EXPECT_TRUE(form->ExecuteAction(open ? "acOpen" : "acNew"));
    EXPECT_EQ(form->Window.Selected, -1);
    const TMainActions& a = form->Window.Actions;
    for (const TAction* action :
         {&a.acCheck, &a.acPreview, &a.acFind, &a.acFindNext, &a.acRecipientEdit, &a.acRecipientDelete})
      EXPECT_FALSE(action->Enabled) << action->Name;
  }
}

// A recently used file moves to the top only when it opened.
TEST_F(ProjectCommands, RecentFileThatDidNotOpenKeepsItsPlace) {
  std::string first = WriteProject("first.nvp", "first");
  std::string second = WriteProject("second.nvp", "second");
  std::string broken = dir.File("broken.nvp");
  test::WriteFile(broken, "TPF0");
  for (const std::string& file : {broken, second, first}) form->MostRecentUsedList1.AddFilename(file);
  std::filesystem::remove(second);
  auto click = [&](const std::string& name) {
    for (const auto& item : form->Window.File1.Items())
      if (item.Id > 0 && item.Caption.ends_with(" " + name)) form->MostRecentUsedList1Click(item.Id);
  };
  const std::vector<std::string> order{first, second, broken};
  struct Case {
    const char* name;
    TModalResult answer;
    bool busy;
    std::vector<std::string> order;
    std::size_t errors;
  } cases[] = {
      {"second.nvp", TModalResult::mrNo, false, order, 1},  // deleted
      {"broken.nvp", TModalResult::mrNo, false, order, 2},  // unreadable
      {"broken.nvp", TModalResult::mrCancel, false, order, 2},
      {"broken.nvp", TModalResult::mrNo, true, order, 2},  // during a run
      {"broken.nvp", TModalResult::mrNo, false, order, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->Project.SetSubject("changed");
    ui.yesNoCancel = {c.answer};
    commands().Busy = [&] { return c.busy; };
    click(c.name);
    EXPECT_EQ(Mru(), c.order);
    EXPECT_EQ(ui.errors.size(), c.errors);
  }
  EXPECT_EQ(ui.errors[0], "File " + second + " has been deleted.");
  commands().Busy = [] { return false; };
  ui.yesNoCancel = {TModalResult::mrNo};
  test::WriteFile(second, test::ReadFile(first));
  click("second.nvp");
  EXPECT_EQ(Mru(), (std::vector<std::string>{second, first, broken}));
  EXPECT_EQ(form->Project.Subject, "first");
}

}  // namespace
}  // namespace norvane
