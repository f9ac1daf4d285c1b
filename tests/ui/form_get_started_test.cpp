#include "ui/form_get_started.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::TempDir;
using test::WriteFile;

using Names = std::vector<std::string>;

TEST(FormGetStarted, ListsTheProjectsOfTheFolderWithoutRegardToCase) {
  TempDir dir;
  for (const char* name :
       {"March.nvp", "april.nvp", "q1.2004.nvp", "UPPER.NVP", "notes.txt", "x.nvpx", "nvp"})
    WriteFile(dir.File(name), "");
  ASSERT_EQ(::mkdir(dir.File("Folder.nvp").c_str(), 0700), 0);  // entries of every kind count

  for (const std::string& folder : {dir.path(), dir.path() + "/"}) {
    TFormGetStarted form(folder);
    EXPECT_EQ(form.Caption, "Getting Started");
    EXPECT_EQ(form.Folder, dir.path() + "/") << "one final slash, never two";
    EXPECT_EQ(form.Scripts, (Names{"april", "Folder", "March", "q1.2004", "UPPER"}));
    EXPECT_TRUE(form.ScriptsEnabled);
    EXPECT_TRUE(form.rdScriptEnabled);
    EXPECT_EQ(form.ScriptsColor, TSystemColor::clWindow);
    EXPECT_TRUE(form.rbNothing);
    EXPECT_EQ(form.ScriptsItemIndex, -1);
    EXPECT_EQ(form.SelectedProjectPath(), "");
    form.ScriptsClick(3);
    EXPECT_EQ(form.SelectedProjectPath(), dir.path() + "/q1.2004.nvp");
  }
}

TEST(FormGetStarted, AFolderWithoutProjectsOffersNoneAndLooksDisabled) {
  TempDir dir;
  WriteFile(dir.File("notes.txt"), "");
  for (const std::string& folder : {dir.path(), dir.File("missing")}) {
    TFormGetStarted form(folder);
    EXPECT_TRUE(form.Scripts.empty());
    EXPECT_FALSE(form.ScriptsEnabled);
    EXPECT_FALSE(form.rdScriptEnabled);
    EXPECT_EQ(form.ScriptsColor, TSystemColor::clBtnFace);
    form.rdScriptClick();
    form.ScriptsClick(0);
    EXPECT_TRUE(form.rbNothing) << folder;
    EXPECT_FALSE(form.rdScript) << folder;
  }
}

TEST(FormGetStarted, TheChoicesAndTheListFollowEachOther) {
  enum Click { kNothing, kWizard, kScript, kRow0, kRow1, kBelowRows };
  struct Case {
    std::vector<Click> clicks;
    bool nothing, wizard, script;
    int selected;
  };
  const Case cases[] = {
      {{kScript}, false, false, true, 0},  // the first project is selected
      {{kRow1}, false, false, true, 1},    // a click on the list chooses it
      {{kRow1, kScript}, false, false, true, 1},
      {{kRow1, kWizard}, false, true, false, -1},  // the selection goes
      {{kRow1, kNothing}, true, false, false, -1},
      {{kWizard, kBelowRows}, false, false, true, -1},
      {{kWizard, kBelowRows, kScript}, false, false, true, 0},
  };
  TempDir dir;
  WriteFile(dir.File("a.nvp"), "");
  WriteFile(dir.File("b.nvp"), "");
  for (const auto& c : cases) {
    TFormGetStarted form(dir.path());
    for (Click click : c.clicks) {
      switch (click) {
        case kNothing:
          form.rbNothingClick();
          break;
        case kWizard:
          form.rbWizardClick();
          break;
        case kScript:
          form.rdScriptClick();
          break;
        case kRow0:
          form.ScriptsClick(0);
          break;
        case kRow1:
          form.ScriptsClick(1);
          break;
        case kBelowRows:
          form.ScriptsClick(-1);
          break;
      }
    }
    EXPECT_EQ(form.rbNothing, c.nothing) << &c - cases;
    EXPECT_EQ(form.rbWizard, c.wizard) << &c - cases;
    EXPECT_EQ(form.rdScript, c.script) << &c - cases;
    EXPECT_EQ(form.ScriptsItemIndex, c.selected) << &c - cases;
  }
}

}  // namespace
}  // namespace norvane
