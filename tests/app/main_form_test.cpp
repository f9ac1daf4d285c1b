#include "app/main_form.h"

#include <gtest/gtest.h>

#include "app_fixture.h"
#include "project/project_file.h"

namespace norvane {
namespace {

using test::AppFixture;

TEST(ErrorBoxText, FullStopOnlyAfterCharactersAboveTheDot) {
  const std::pair<const char*, const char*> cases[] = {
      {"Nothing to send", "Nothing to send."},
      {"Ends in a bracket (Tools | Options)", "Ends in a bracket (Tools | Options)"},
      {"Already.", "Already."},
      {"Question?", "Question?."},  // '?' is above '.'
      {"Dash-", "Dash-"},
      {"Port 25", "Port 25."},
      {"caf\xE9", "caf\xE9."},  // bytes above 127 count as high
      {"", ""},
  };
  for (const auto& [message, shown] : cases) EXPECT_EQ(ErrorBoxText(message), shown) << message;
}

class MainFormLifecycle : public AppFixture, public ::testing::Test {};

TEST_F(MainFormLifecycle, CommandLineProjectIsOpenedAndRemembered) {
  ProjectModel model;
  model.Subject = "from the command line";
  std::string path = dir.File("Start.NVP");
  SaveProject(model, path);

  auto form = NewForm({path});
  EXPECT_EQ(form->Project.Subject, "from the command line");
  EXPECT_EQ(form->Window.Caption, "Norvane - [Start.NVP]  ");
  EXPECT_FALSE(form->Project.FModified);
  EXPECT_EQ(form->MostRecentUsedList1.Filenames(), std::vector<std::string>{path});
  // The File menu shows it from position 14, after a separator.
  auto captions = form->Window.File1.Captions();
  ASSERT_GT(captions.size(), 16u);
  EXPECT_EQ(captions[13], "&Import Recipient List...");
  EXPECT_EQ(captions[14], "-");
  EXPECT_EQ(captions[15], "&1 Start.NVP");
  EXPECT_TRUE(form->Window.AcceptFiles);
  EXPECT_TRUE(form->Window.Actions.acStart.Enabled);
  EXPECT_FALSE(form->Window.Actions.acAbort.Enabled);
  form->FormDestroy();

  // The list outlives the window.
  auto next = NewForm({"notes.txt"});
  EXPECT_EQ(next->Window.Caption, "Norvane - [New Project]  ");
  EXPECT_EQ(next->Project.Subject, "");
  EXPECT_EQ(next->MostRecentUsedList1.Filenames(), std::vector<std::string>{path});
  EXPECT_TRUE(ui.errors.empty());
}

TEST_F(MainFormLifecycle, UnreadableCommandLineProjectStartsNew) {
  std::string path = dir.File("broken.nvp");
  test::WriteFile(path, "TPF0");
  auto form = NewForm({path});
  EXPECT_EQ(ui.errors, std::vector<std::string>{"Stream read error at offset 4 in ListView1."});
  EXPECT_EQ(form->Window.Caption, "Norvane - [New Project]  ");
  EXPECT_TRUE(form->Project.FProjectFileName.empty());
  EXPECT_TRUE(form->MostRecentUsedList1.Filenames().empty());
}

TEST_F(MainFormLifecycle, MaximizedStateSurvivesARestart) {
  auto form = NewForm();
  EXPECT_FALSE(form->Window.Maximized);
  form->Window.Maximized = true;
  form->FormDestroy();
  form.reset();
  TINI fresh(Hive());
  TMainForm next(ui, fresh, Hive());
  next.FormCreate({});
  EXPECT_TRUE(next.Window.Maximized);
}

TEST_F(MainFormLifecycle, PreviewOfTheSelectedRow) {
  ini.ilFrom().SetText("Team <team@sender.test>");
  auto form = NewForm();
  form->Project.AddColumn("Name", 120);
  AddRow(form->Project, "ann@x.test", true, {"", "Ann"});
  form->Project.Subject = "For <NAME>";
  form->Project.Body = "Hello <name>";

  form->acPreviewExecute();  // nothing selected
  EXPECT_TRUE(ui.previews.empty());

  form->Window.ListView1SelectItem(0, false);
  form->acPreviewExecute();
  ASSERT_EQ(ui.previews.size(), 1u);
  EXPECT_EQ(ui.previews[0].Caption, "Preview Message");
  EXPECT_EQ(ui.previews[0].Lines, (std::vector<PreviewLine>{{"From: Team <team@sender.test>", true},
                                                            {"To: ann@x.test", true},
                                                            {"Subject: For Ann", true},
                                                            {"", false},
                                                            {"Hello Ann", false}}));
  EXPECT_EQ(ui.cursor(), TCursor::crDefault);
}

}  // namespace
}  // namespace norvane
