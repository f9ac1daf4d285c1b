// The find dialog opened by its command: not modal, its texts in either
// language, and its find button searching the recipient list with the
// dialog's text, direction and match-case option.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>

#include "dialog_test_support.h"
#include "main_form_fixture.h"

namespace norvane {
namespace {

using test::Child;
using test::Click;

class FindDialog : public ::testing::Test, public test::MainFormFixture {
 protected:
  FindDialog() {
    for (const char* const* row : {kAnna, kBob, kCarl}) {
      TListItem item;
      item.Caption = row[0];
      item.SubItems = {"", row[1]};
      form->Project.Items.push_back(item);
    }
    form->Window.ListView1SelectItem(0, false);
  }

  QDialog& Open() {
    EXPECT_TRUE(form->ExecuteAction("acFind"));
    auto* dialog = window.findChild<QDialog*>("FindDialog");
    if (dialog == nullptr) throw std::runtime_error("no find dialog");
    return *dialog;
  }

  static constexpr const char* kAnna[] = {"anna@example.org", "Anna"};
  static constexpr const char* kBob[] = {"bob@example.org", "Bob Smith"};
  static constexpr const char* kCarl[] = {"carl@example.org", "SMITH Carl"};
};

TEST_F(FindDialog, OpensWithoutBlockingInEitherLanguageWithoutAWholeWordOption) {
  struct Case {
    uint8_t language;
    const char* title;
    const char* label;
    const char* matchCase;
    const char* findNext;
  };
  const Case cases[] = {
      {0, "Find", "Fi&nd what:", "Match &case", "&Find Next"},
      {1, "Suchen", "Su&chen nach:", "&Gro\u00DF-/Kleinschreibung beachten", "&Weitersuchen"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    test::StartLanguageScope scope(c.language);
    test::MainFormFixture fixture;
    fixture.form->Project.Items.push_back(TListItem{"a@example.org", {}});
    fixture.form->Window.ListView1SelectItem(0, false);
    ASSERT_TRUE(fixture.form->ExecuteAction("acFind"));
    auto* dialog = fixture.window.findChild<QDialog*>("FindDialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(test::Shown(*dialog, "%Form%"), QString::fromUtf8(c.title));
    EXPECT_EQ(test::Shown(*dialog, "Label1"), QString::fromUtf8(c.label));
    EXPECT_EQ(test::Shown(*dialog, "cbMatchCase"), QString::fromUtf8(c.matchCase));
    EXPECT_EQ(test::Shown(*dialog, "btFindNext"), QString::fromUtf8(c.findNext));
    EXPECT_TRUE(Child<QRadioButton>(*dialog, "rbDown").isChecked()) << "the search starts downwards";
    EXPECT_EQ(dialog->findChildren<QCheckBox*>().size(), 1) << "only the match-case option is offered";
  }
}

TEST_F(FindDialog, FindNextSearchesWithTheDialogsTextDirectionAndCase) {
  QDialog& dialog = Open();
  EXPECT_FALSE(Child<QWidget>(dialog, "btFindNext").isEnabled()) << "nothing to find yet";
  QTest::keyClicks(&Child<QLineEdit>(dialog, "edFindText"), "smith");
  Click(dialog, "btFindNext");
  EXPECT_EQ(form->Window.Selected, 1);
  Click(dialog, "btFindNext");
  EXPECT_EQ(form->Window.Selected, 2) << "without match case, SMITH is smith";

  Click(dialog, "cbMatchCase");
  Click(dialog, "rbUp");
  Click(dialog, "btFindNext");
  EXPECT_EQ(boxes, std::vector<std::string>{"Not found 'smith'"});
  EXPECT_EQ(form->Window.Selected, 2);

  Child<QLineEdit>(dialog, "edFindText").clear();
  QTest::keyClicks(&Child<QLineEdit>(dialog, "edFindText"), "Smith");
  Click(dialog, "btFindNext");
  EXPECT_EQ(form->Window.Selected, 1);
  EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open for the next search";

  EXPECT_EQ(&Open(), &dialog) << "the command brings the same dialog to the front";
  EXPECT_EQ(Child<QLineEdit>(dialog, "edFindText").text(), "Smith");
}

}  // namespace
}  // namespace norvane
