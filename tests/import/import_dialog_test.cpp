#include "import/import_dialog.h"

#include <gtest/gtest.h>

#include "import/scripted_ui.h"
#include "platform/locale_formats.h"
#include "support/dbase_fixture.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using Strings = std::vector<std::string>;

class ImportDialogTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& content) {
    std::string path = dir_.File(name);
    test::WriteFile(path, content);
    return path;
  }

  // A dialog inspected on `path`, as FormShow leaves it.
  std::unique_ptr<TImportDialog> Open(const std::string& path) {
    auto dialog = std::make_unique<TImportDialog>(model_, ui_);
    dialog->BuildFieldMenu = [this] { ++fieldMenus_; };
    dialog->lbFilename = path;
    dialog->FormShow();
    return dialog;
  }

  Strings Captions() const {
    Strings out;
    for (const auto& column : model_.Columns) out.push_back(column.Caption);
    return out;
  }
  Strings Addresses() const {
    Strings out;
    for (const auto& item : model_.Items) out.push_back(item.Caption);
    return out;
  }
  Strings Column(std::size_t position) const {
    Strings out;
    for (const auto& item : model_.Items) out.push_back(item.SubItem(position - 1));
    return out;
  }

  test::TempDir dir_;
  ProjectModel model_;
  test::ScriptedUi ui_;
  int fieldMenus_ = 0;
};

TEST(ProposeEmailColumn, PrefersTheNameThenAnAddress) {
  struct Case {
    Strings items;
    int index;
    bool found;
    int firstLine;  // the choice after proposing, starting from 1 ("Header")
  } cases[] = {
      {{"Name", "EMail", "City"}, 1, true, 1},
      {{"e-mail", "email"}, 1, true, 1},  // "email" wins over an earlier "e-mail"
      {{"x", "E-MAIL"}, 1, true, 1},
      {{"ann@x.test"}, 0, true, 0},
      {{"Ann", "ann@x.test", "b@y"}, 1, true, 0},
      {{"Name", "Mail"}, 0, false, 1},  // nothing proposed, the choice stays
      {{"e mail", "emails"}, 0, false, 1},
  };
  ProjectModel model;
  test::ScriptedUi ui;
  for (const Case& c : cases) {
    TImportDialog dialog(model, ui);
    dialog.cbEmail.Items = c.items;
    dialog.rgFirstLine.ItemIndex = 1;
    dialog.ProposeEmailColumn();
    EXPECT_EQ(dialog.cbEmail.ItemIndex, c.index) << c.items[0];
    EXPECT_EQ(dialog.FProposalFound, c.found) << c.items[0];
    EXPECT_EQ(dialog.rgFirstLine.ItemIndex, c.firstLine) << c.items[0];
  }
}

TEST(FileKind, ComesFromTheExtension) {
  EXPECT_EQ(FileKindOfPath("/a/list.TXT"), TFileKind::fkText);
  EXPECT_EQ(FileKindOfPath("list.Csv"), TFileKind::fkText);
  EXPECT_EQ(FileKindOfPath("list.dBf"), TFileKind::fkTable);
  EXPECT_EQ(FileKindOfPath("list.dat"), TFileKind::fkNone);
  EXPECT_EQ(FileKindOfPath("/dir.csv/list"), TFileKind::fkNone);
}

TEST_F(ImportDialogTest, OneAddressPerLineWithoutHeader) {
  auto dialog = Open(Write("list.txt", "ann@x.test\n\n  \nbob@y.test\n"));
  EXPECT_EQ(dialog->lbKind, kKindText);
  EXPECT_EQ(dialog->cbEmail.Items, Strings{"ann@x.test"});
  EXPECT_EQ(dialog->cbEmail.ItemIndex, 0);
  EXPECT_EQ(dialog->rgFirstLine.ItemIndex, 0);
  EXPECT_TRUE(dialog->FProposalFound);
  EXPECT_EQ(dialog->PBar.Max, 4);

  dialog->btImportClick();
  EXPECT_EQ(Addresses(), (Strings{"ann@x.test", "bob@y.test"}));
  EXPECT_EQ(Captions(), (Strings{"Email", "Result"}));
  for (const auto& item : model_.Items) {
    EXPECT_EQ(item.StateIndex, 1);
    EXPECT_EQ(item.ImageIndex, -1);
    EXPECT_EQ(item.SubItems, Strings{""});
  }
  EXPECT_TRUE(model_.FModified);
  EXPECT_TRUE(dialog->Closed);
  EXPECT_EQ(fieldMenus_, 1);
  EXPECT_EQ(dialog->PBar.Position, 4);  // blank lines advance the bar too
  EXPECT_FALSE(ui_.busy);
}

TEST_F(ImportDialogTest, LineEndsOfEveryKindGiveTheSameRows) {
  for (std::string end : {"\r\n", "\n", "\r"}) {
    ProjectModel model;
    test::ScriptedUi ui;
    std::string path = Write("ends.csv", "Name,EMail" + end + "Ann,ann@x.test" + end + "Bob,bob@y.test");
    TImportDialog dialog(model, ui);
    dialog.lbFilename = path;
    dialog.FormShow();
    dialog.RunImport();
    ASSERT_EQ(model.Items.size(), 2u);
    EXPECT_EQ(model.Items[1].Caption, "bob@y.test");
    EXPECT_EQ(model.Items[1].SubItem(1), "Bob");
  }
}

// Text inside one quoted field stays in that field, however many lines it
// spans: neither its "Bcc:" line nor its "." line may become a recipient.
TEST_F(ImportDialogTest, QuotedLineBreaksStayInsideTheirField) {
  auto dialog = Open(
      Write("notes.csv",
            "EMail,Note\r\nann@x.test,\"Hi\r\nBcc: eve@evil.test\r\n.\r\n\"\r\nbob@y.test,\"a\nb\rc\"\r\n"));
  EXPECT_EQ(dialog->PBar.Max, 3);  // records, not physical lines: both passes agree
  dialog->RunImport();
  EXPECT_EQ(Addresses(), (Strings{"ann@x.test", "bob@y.test"}));
  EXPECT_EQ(Column(2), (Strings{"Hi Bcc: eve@evil.test .", "a b c"}));
  EXPECT_EQ(dialog->PBar.Position, 2);
}

TEST_F(ImportDialogTest, HeaderLineNamesTheColumns) {
  auto dialog =
      Open(Write("people.csv", "Name,EMail,City\r\nAnn,ann@x.test,Oslo\r\n\"Doe, Bob\",bob@y.test,Rome\r\n"));
  EXPECT_EQ(dialog->cbEmail.ItemIndex, 1);
  EXPECT_EQ(dialog->rgFirstLine.ItemIndex, 1);
  dialog->RunImport();
  EXPECT_EQ(Captions(), (Strings{"Email", "Result", "Name", "City"}));
  EXPECT_EQ(Addresses(), (Strings{"ann@x.test", "bob@y.test"}));
  EXPECT_EQ(Column(2), (Strings{"Ann", "Doe, Bob"}));
  EXPECT_EQ(Column(3), (Strings{"Oslo", "Rome"}));
  EXPECT_EQ(dialog->PBar.Position, 2);  // the dropped header does not count
}

TEST_F(ImportDialogTest, DataChosenForAHeaderFileImportsTheHeaderToo) {
  auto dialog = Open(Write("people.csv", "Name,EMail\nAnn,ann@x.test\n"));
  dialog->rgFirstLine.ItemIndex = 0;
  dialog->RunImport();
  EXPECT_EQ(Addresses(), (Strings{"EMail", "ann@x.test"}));
}

TEST_F(ImportDialogTest, NoProposalKeepsTheFirstItemAndTheChoice) {
  auto dialog = Open(Write("mail.csv", "Name,Mail\nAnn,ann@x.test\n"));
  EXPECT_FALSE(dialog->FProposalFound);
  EXPECT_EQ(dialog->cbEmail.ItemIndex, 0);
  EXPECT_EQ(dialog->rgFirstLine.ItemIndex, 0);
}

TEST_F(ImportDialogTest, ShortAndLongLines) {
  auto dialog = Open(Write("ragged.csv", "EMail,A,B\na@x,1\nb@x,1,2,3,4\n,,\n"));
  dialog->RunImport();
  EXPECT_EQ(Addresses(), (Strings{"a@x", "b@x", ""}));  // ",," is not blank: a row with no address
  EXPECT_EQ(Column(2), (Strings{"1", "1", ""}));
  EXPECT_EQ(Column(3), (Strings{"", "2", ""}));
  EXPECT_EQ(Captions().size(), 4u);
  for (const auto& item : model_.Items) EXPECT_EQ(item.SubItems.size(), 3u);
}

TEST_F(ImportDialogTest, AppendMatchesExistingColumnsByName) {
  model_.AddColumn("city", 120);
  model_.AddColumn("zip", 120);
  TListItem old;
  old.Caption = "old@x.test";
  old.SubItems = {"Delivered", "Paris", "75001"};
  model_.Items.push_back(old);

  auto dialog = Open(Write("c.csv", "EMail,City,Name\nann@x.test,Oslo,Ann\n"));
  dialog->RunImport();
  EXPECT_EQ(Captions(), (Strings{"Email", "Result", "city", "zip", "Name"}));
  ASSERT_EQ(model_.Items.size(), 2u);
  EXPECT_EQ(model_.Items[0].SubItems, old.SubItems);
  EXPECT_EQ(model_.Items[1].SubItems, (Strings{"", "Oslo", "", "Ann"}));
}

TEST_F(ImportDialogTest, ReplaceStartsFromAnEmptyList) {
  model_.AddColumn("zip", 120);
  model_.Items.push_back(TListItem{});
  auto dialog = Open(Write("r.csv", "EMail,City\nann@x.test,Oslo\n"));
  dialog->rgMode.ItemIndex = 1;
  dialog->RunImport();
  EXPECT_EQ(Captions(), (Strings{"Email", "Result", "City"}));
  EXPECT_EQ(Addresses(), Strings{"ann@x.test"});
}

TEST_F(ImportDialogTest, CancelDuringTheImport) {
  std::string content;
  for (int i = 0; i < 10; ++i) content += "r" + std::to_string(i) + "@x.test\n";
  for (bool confirm : {true, false}) {
    ProjectModel model;
    test::ScriptedUi ui;
    ui.answers = {confirm};
    TImportDialog dialog(model, ui);
    dialog.lbFilename = Write("ten.txt", content);
    dialog.FormShow();
    ui.onProcess = [&](int calls) {
      if (calls == 3) dialog.btCancelClick();
    };
    dialog.RunImport();
    EXPECT_EQ(ui.questions, Strings{kCancelImportQuestion});
    // Stopped: the row being read when Cancel was pressed is the last one.
    EXPECT_EQ(model.Items.size(), confirm ? 3u : 10u);
    EXPECT_TRUE(dialog.Closed);
    EXPECT_TRUE(dialog.FStopped);
  }
}

TEST_F(ImportDialogTest, CancelWhileIdleClosesWithoutAQuestion) {
  auto dialog = Open(Write("a.txt", "a@x\n"));
  dialog->btCancelClick();
  EXPECT_TRUE(dialog->Closed);
  EXPECT_TRUE(ui_.questions.empty());
  EXPECT_TRUE(model_.Items.empty());
}

TEST_F(ImportDialogTest, UnknownKindImportsNothing) {
  model_.AddColumn("zip", 120);
  model_.Items.push_back(TListItem{});
  auto dialog = Open(Write("list.dat", "a@x\n"));
  EXPECT_EQ(dialog->lbKind, kKindCaption);
  EXPECT_TRUE(dialog->cbEmail.Items.empty());
  dialog->rgMode.ItemIndex = 1;
  dialog->RunImport();
  EXPECT_TRUE(model_.Items.empty());
  EXPECT_EQ(Captions(), (Strings{"Email", "Result"}));
  EXPECT_TRUE(model_.FModified);
}

TEST_F(ImportDialogTest, AtMost255ListColumnsAreFilled) {
  std::string header = "EMail", row = "a@x";
  for (int i = 0; i < 300; ++i) {
    header += ",F" + std::to_string(i);
    row += "," + std::to_string(i);
  }
  auto dialog = Open(Write("wide.csv", header + "\n" + row + "\n"));
  dialog->RunImport();
  EXPECT_EQ(model_.Columns.size(), 302u);  // every source column gets a column
  ASSERT_EQ(model_.Items.size(), 1u);
  EXPECT_EQ(model_.Items[0].SubItems.size(), 254u);  // but only positions below 255 are filled
  EXPECT_EQ(model_.Items[0].SubItems.back(), "252");
}

TEST_F(ImportDialogTest, MissingTextFileFailsTheInspection) {
  TImportDialog dialog(model_, ui_);
  dialog.lbFilename = dir_.File("absent.csv");
  EXPECT_THROW(dialog.FormShow(), EInOutError);
}

// Files that would flood the list with garbage or memory are refused while
// the dialog inspects them, so nothing reaches the list.
TEST_F(ImportDialogTest, BinaryOverlongAndUnclosedFilesAreRefusedBeforeAnyRow) {
  std::string endless(kMaxRecordBytes + 10, 'z');
  struct Case {
    std::string name, bytes, message;
  } cases[] = {
      {"image.csv", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "image.csv is not a text file"},
      {"endless.csv", "EMail\n" + endless, "Line 2 of " + dir_.File("endless.csv") + " is longer than 1 MB"},
      {"open.csv", "EMail\na@x\n\"b@x\nc@x\n",
       "Line 3 of " + dir_.File("open.csv") + ": a quoted field is not closed"},
  };
  for (const Case& c : cases) {
    TImportDialog dialog(model_, ui_);
    dialog.lbFilename = Write(c.name, c.bytes);
    try {
      dialog.FormShow();
      ADD_FAILURE() << "no error for " << c.name;
    } catch (const ETextFileError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
    EXPECT_TRUE(model_.Items.empty()) << c.name;
  }
}

class ImportTableTest : public ImportDialogTest {
 protected:
  ImportTableTest() : formats_(LocaleFormats{}) {}
  ScopedLocaleFormats formats_;
};

TEST_F(ImportTableTest, ImportsEveryRecordWithItsFields) {
  test::DbtBuilder memo;
  uint32_t block = memo.AddTerminated("two\r\nlines\n");
  memo.Write(dir_.File("t.dbt"));
  test::DbfBuilder()
      .Version(0x83)
      .Field("NAME", 'C', 10)
      .Field("email", 'C', 20)
      .Field("NOTE", 'M', 10)
      .Record({"Ann", "ann@x.test", std::to_string(block)})
      .Record({"Gone", "gone@x.test", ""}, /*deleted=*/true)
      .Write(dir_.File("t.dbf"));
  auto dialog = Open(dir_.File("t.dbf"));
  EXPECT_EQ(dialog->lbKind, kKindTable);
  EXPECT_EQ(dialog->cbEmail.Items, (Strings{"NAME", "EMAIL", "NOTE"}));
  EXPECT_EQ(dialog->cbEmail.ItemIndex, 1);
  EXPECT_FALSE(dialog->rgFirstLine.Enabled);
  EXPECT_EQ(dialog->PBar.Max, 2);

  dialog->RunImport();
  EXPECT_EQ(Addresses(), (Strings{"ann@x.test", "gone@x.test"}));  // deleted records too
  EXPECT_EQ(Captions(), (Strings{"Email", "Result", "NAME", "NOTE"}));
  EXPECT_EQ(Column(3), (Strings{"two  lines", ""}));  // no line break reaches the list
}

TEST_F(ImportTableTest, AnErrorKeepsTheRowsBeforeItAndStillCloses) {
  test::DbfBuilder()
      .Field("EMAIL", 'C', 10)
      .Field("D", 'D', 8)
      .Record({"a@x", "20200101"})
      .Record({"b@x", "20201340"})
      .Record({"c@x", "20200101"})
      .Write(dir_.File("bad.dbf"));
  auto dialog = Open(dir_.File("bad.dbf"));
  EXPECT_THROW(dialog->RunImport(), std::runtime_error);
  EXPECT_EQ(Addresses(), Strings{"a@x"});
  EXPECT_TRUE(dialog->Closed);
  EXPECT_EQ(fieldMenus_, 1);
  EXPECT_FALSE(ui_.busy);
}

TEST_F(ImportTableTest, NotATableFailsTheInspection) {
  std::string path = Write("no.dbf", "just text");
  TImportDialog dialog(model_, ui_);
  dialog.lbFilename = path;
  EXPECT_THROW(dialog.FormShow(), EDbaseError);
}

}  // namespace
}  // namespace norvane

namespace norvane {
namespace {

// The command line hands over a converted UTF-8 file's text: it is what the
// dialog reads, while the file's name still stands in its messages.
TEST_F(ImportDialogTest, ReadsTextHandedOverInsteadOfTheFile) {
  std::string path = Write("people.csv", "ignored@file.test\n");
  TImportDialog dialog(model_, ui_);
  dialog.lbFilename = path;
  dialog.FTextBytes = "Name,Email\r\nJ\xFCrgen,jue@x.test\r\n";
  dialog.FormShow();
  EXPECT_EQ(dialog.cbEmail.Items, (Strings{"Name", "Email"}));
  dialog.RunImport();
  EXPECT_EQ(Addresses(), (Strings{"jue@x.test"}));
  EXPECT_EQ(Column(2), (Strings{"J\xFCrgen"}));

  TImportDialog open(model_, ui_);
  open.lbFilename = path;
  open.FTextBytes = std::string("\"never closed\n");
  try {
    open.FormShow();
    FAIL() << "an open quote was read";
  } catch (const ETextFileError& error) {
    EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace norvane
