#include "project/project_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <regex>
#include <string>

#include "platform/atomic_file.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace norvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Builds component stream bytes by hand, straight from the format's tables,
// so that the writer is checked against an independent encoding.
class Bytes {
 public:
  Bytes& raw(std::string_view b) { return s.append(b), *this; }
  Bytes& u8(int v) { return s.push_back(static_cast<char>(v)), *this; }
  Bytes& u32(uint32_t v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF).u8((v >> 16) & 0xFF).u8(v >> 24); }
  Bytes& sstr(std::string_view t) { return u8(static_cast<int>(t.size())).raw(t); }
  Bytes& prop(std::string_view name) { return sstr(name); }
  Bytes& i8(int v) { return u8(2).u8(v & 0xFF); }
  Bytes& i16(int v) { return u8(3).u8(v & 0xFF).u8((v >> 8) & 0xFF); }
  Bytes& i32(int32_t v) { return u8(4).u32(static_cast<uint32_t>(v)); }
  Bytes& str(std::string_view t) { return u8(6).sstr(t); }
  Bytes& lstr(std::string_view t) { return u8(12).u32(static_cast<uint32_t>(t.size())).raw(t); }
  Bytes& ident(std::string_view t) { return u8(7).sstr(t); }
  Bytes& f() { return u8(8); }
  Bytes& t() { return u8(9); }
  Bytes& emptySet() { return u8(11).u8(0); }
  Bytes& list() { return u8(1); }
  Bytes& end() { return u8(0); }
  Bytes& collection() { return u8(14); }
  Bytes& binary(const std::string& block) {
    return u8(10).u32(static_cast<uint32_t>(block.size())).raw(block);
  }
  Bytes& record(std::string_view cls, std::string_view name) { return raw("TPF0").sstr(cls).sstr(name); }
  std::string s;
};

struct Row {
  int32_t image, state;
  std::string caption;
  std::vector<std::string> subs;
};

std::string RowBlock(const std::vector<Row>& rows) {
  Bytes body;
  for (const auto& row : rows) {
    body.u32(static_cast<uint32_t>(row.image)).u32(static_cast<uint32_t>(row.state)).u32(0xFFFFFFFF);
    body.u32(static_cast<uint32_t>(row.subs.size())).u32(0).sstr(row.caption);
    for (const auto& sub : row.subs) body.sstr(sub);
  }
  Bytes block;
  block.u32(static_cast<uint32_t>(8 + body.s.size())).u32(static_cast<uint32_t>(rows.size())).raw(body.s);
  return block.s;
}

void Font(Bytes& b, std::string_view name) {
  b.prop("Font.Charset").ident("DEFAULT_CHARSET").prop("Font.Color").ident("clWindowText");
  b.prop("Font.Height").i8(-11).prop("Font.Name").str(name).prop("Font.Style").emptySet();
}

void Edit(Bytes& b, std::string_view name, int top, std::string_view hint, int tab, std::string_view text,
          bool duringRun = false) {
  b.record("TEdit", name)
      .prop("Left")
      .i8(56)
      .prop("Top")
      .i8(top)
      .prop("Width")
      .i16(584)
      .prop("Height")
      .i8(21);
  b.prop("Hint").str(hint);
  if (duringRun) b.prop("Enabled").f();
  Font(b, "MS Sans Serif");
  b.prop("ParentFont").f().prop("ParentShowHint").f().prop("ShowHint").t().prop("TabOrder").i8(tab);
  if (!text.empty()) b.prop("Text").str(text);
  b.end().end();
}

const std::string k300x(300, 'x');
const std::string k300y(300, 'y');

// The project of the fixture: two field columns, three rows (delivered and
// unchecked, failed and checked with a 300-byte field, never tried and
// without sub-items), a body with a 300-byte line, two attachments shown
// in report view.
ProjectModel FixtureModel() {
  ProjectModel model;
  model.AddColumn("Name", 120);
  model.AddColumn("City", 120);
  model.Items.push_back(
      {"ann@a.test", {"Delivered and available to the recipient!", "Ann", "Berlin"}, 0, 0, -1, 0});
  model.Items.push_back({"bob@b.test", {"Failed: Mailbox unavailable", "Bob", k300x}, 1, 1, -1, 0});
  model.Items.push_back({"cy@c.test", {}, 1, -1, -1, 0});
  model.To = "<email>";
  model.Subject = "Hello <name>";
  model.Body = "Dear <name>,\r\n" + k300y + "\r\n\r\nBye";
  model.Attachments.push_back({"a.pdf", "/home/u/docs/", 3});
  model.Attachments.push_back({"b.txt", "/tmp/", 4});
  model.AttachmentViewStyle = TViewStyle::vsReport;
  return model;
}

std::string FixtureBytes(bool duringRun = false) {
  Bytes b;
  b.record("TListView", "ListView1").prop("Left").i8(0).prop("Top").i8(0).prop("Width").i16(640);
  b.prop("Height").i16(160).prop("Align").ident("alTop").prop("Columns").collection();
  b.list().prop("Caption").str("Email").prop("Width").i8(120).end();
  b.list().prop("Caption").str("Result").prop("Width").i16(290).end();
  b.list().prop("Caption").str("Name").prop("Width").i8(120).end();
  b.list().prop("Caption").str("City").prop("Width").i8(120).end();
  b.end();
  b.prop("ColumnClick").f().prop("HideSelection").f().prop("HotTrackStyles").emptySet();
  b.prop("Items.Data")
      .binary(RowBlock({
          {0, 0, "ann@a.test", {"Delivered and available to the recipient!", "Ann", "Berlin"}},
          {1, 1, "bob@b.test", {"Failed: Mailbox unavailable", "Bob", std::string(255, 'x')}},
          {-1, 1, "cy@c.test", {}},
      }));
  b.prop("ReadOnly").t().prop("RowSelect").t().prop("PopupMenu").ident("MainForm.PopupMenu1");
  b.prop("SmallImages").ident("MainForm.ImageList1").prop("StateImages").ident("MainForm.ImageList3");
  b.prop("TabOrder").i8(0).prop("ViewStyle").ident("vsReport").end().end();

  Edit(b, "edTo", 3, "Click here to type the recipient ", 0, "<email>", duringRun);
  Edit(b, "edSubject", 27, "Click here to type the subject ", 1, "Hello <name>", duringRun);

  b.record("TMemo", "Memo1").prop("Left").i8(0).prop("Top").i16(215).prop("Width").i16(640);
  b.prop("Height")
      .i16(150)
      .prop("Hint")
      .str("Click here to type the message ")
      .prop("Align")
      .ident("alClient");
  if (duringRun) b.prop("Enabled").f();
  Font(b, "Courier New");
  b.prop("Lines.Strings").list().str("Dear <name>,").lstr(k300y).str("").str("Bye").end();
  b.prop("ParentFont").f().prop("ParentShowHint").f().prop("PopupMenu").ident("MainForm.PopupMenuBody");
  b.prop("ScrollBars").ident("ssVertical").prop("ShowHint").t().prop("TabOrder").i8(2).end().end();

  b.record("TListView", "lvAttachments").prop("Left").i8(0).prop("Top").i16(365).prop("Width").i16(640);
  b.prop("Height").i8(76).prop("Align").ident("alBottom").prop("Columns").collection();
  b.list().prop("Caption").str("Filename").prop("Width").i16(200).end();
  b.list().prop("Caption").str("Path").prop("Width").i16(400).end();
  b.end();
  b.prop("ColumnClick").f().prop("HotTrackStyles").emptySet();
  b.prop("Items.Data").binary(RowBlock({{3, -1, "a.pdf", {"/home/u/docs/"}}, {4, -1, "b.txt", {"/tmp/"}}}));
  b.prop("MultiSelect").t().prop("ReadOnly").t().prop("PopupMenu").ident("MainForm.AttachMenu");
  b.prop("TabOrder").i8(3).prop("ViewStyle").ident("vsReport").end().end();
  return b.s;
}

// Five records without properties: the smallest valid file; `extra` goes
// into record `at` (0-based) to build faulty files.
std::string MinimalFile(int at = -1, const std::string& extra = "") {
  const char* records[][2] = {{"TListView", "ListView1"},
                              {"TEdit", "edTo"},
                              {"TEdit", "edSubject"},
                              {"TMemo", "Memo1"},
                              {"TListView", "lvAttachments"}};
  Bytes b;
  for (int i = 0; i < 5; ++i) {
    b.record(records[i][0], records[i][1]);
    if (i == at) b.raw(extra);
    b.end().end();
  }
  return b.s;
}

std::size_t FirstDifference(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return i;
}

std::string ErrorOf(std::string_view bytes, ProjectModel& model) {
  try {
    ReadProjectStream(bytes, model);
  } catch (const ProjectFileError& error) {
    return error.what();
  }
  return "no error";
}

TEST(ProjectFileTest, WritesTheFormatByteForByte) {
  std::string written = WriteProjectStream(FixtureModel());
  std::string want = FixtureBytes();
  EXPECT_EQ(written.size(), want.size());
  EXPECT_TRUE(written == want) << "first difference at byte " << FirstDifference(written, want);

  std::string duringRun = WriteProjectStream(FixtureModel(), {.DuringRun = true});
  EXPECT_TRUE(duringRun == FixtureBytes(true))
      << "first difference at byte " << FirstDifference(duringRun, FixtureBytes(true));
}

TEST(ProjectFileTest, ReadsAFileOfTheFormat) {
  ProjectModel model;
  model.ContentType = kContentHtml;
  ReadProjectStream(FixtureBytes(true), model);

  ProjectModel want = FixtureModel();
  want.Items[1].SubItems[2] = std::string(255, 'x');
  ASSERT_EQ(model.Columns.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(model.Columns[i].Caption, want.Columns[i].Caption);
    EXPECT_EQ(model.Columns[i].Width, want.Columns[i].Width);
  }
  ASSERT_EQ(model.Items.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(model.Items[i].Caption, want.Items[i].Caption);
    EXPECT_EQ(model.Items[i].SubItems, want.Items[i].SubItems);
    EXPECT_EQ(model.Items[i].StateIndex, want.Items[i].StateIndex);
    EXPECT_EQ(model.Items[i].ImageIndex, want.Items[i].ImageIndex);
  }
  EXPECT_EQ(model.To, want.To);
  EXPECT_EQ(model.Subject, want.Subject);
  EXPECT_EQ(model.Body, want.Body);
  ASSERT_EQ(model.Attachments.size(), 2u);
  EXPECT_EQ(model.Attachments[0].FullPath(), "/home/u/docs/a.pdf");
  EXPECT_EQ(model.Attachments[1].ImageIndex, 4);
  EXPECT_EQ(model.AttachmentViewStyle, TViewStyle::vsReport);
  EXPECT_EQ(model.ContentType, kContentHtml);  // not part of the file
  EXPECT_EQ(model.Layout.Memo.Height, 150);
}

TEST(ProjectFileTest, EmptyProjectLeavesOutEmptyDataAndReadsBackEmpty) {
  ProjectModel empty;
  empty.SetTo("");
  empty.AttachmentViewStyle = TViewStyle::vsIcon;
  std::string bytes = WriteProjectStream(empty);
  for (const char* absent : {"\x0AItems.Data", "\x04Text", "\x0DLines.Strings"})
    EXPECT_EQ(bytes.find(absent), std::string::npos) << absent;
  EXPECT_NE(bytes.find(std::string("\x07Visible\x08", 9)), std::string::npos);
  EXPECT_EQ(bytes.find("ViewStyle", bytes.find("lvAttachments")), std::string::npos)
      << "icon view is the default";

  ProjectModel model = FixtureModel();
  ReadProjectStream(bytes, model);
  EXPECT_EQ(model.Columns.size(), 2u);
  EXPECT_TRUE(model.Items.empty());
  EXPECT_EQ(model.To, "");
  EXPECT_EQ(model.Subject, "");
  EXPECT_EQ(model.Body, "");
  EXPECT_TRUE(model.Attachments.empty());
  EXPECT_EQ(model.AttachmentViewStyle, TViewStyle::vsIcon);
}

TEST(ProjectFileTest, BodyLinesAreStoredAsTypedAndJoinedWithCrLf) {
  struct Case {
    std::string body, readBack;
  } cases[] = {
      {"a\r\nb\r\n", "a\r\nb"},  // a break at the very end opens no line
      {"a\nb\rc", "a\r\nb\r\nc"},
      {"\r\n", ""},
      {std::string(70000, 'z'), std::string(70000, 'z')},  // no cut at any editor limit
  };
  for (const auto& c : cases) {
    ProjectModel model;
    model.Body = c.body;
    ProjectModel read;
    ReadProjectStream(WriteProjectStream(model), read);
    EXPECT_EQ(read.Body, c.readBack);
  }
}

TEST(ProjectFileTest, EarlierLayoutIsConverted) {
  Bytes subject;
  subject.prop("Top").i8(3).prop("Text").str("old");
  Bytes list;
  list.prop("Columns").collection();
  for (const char* caption : {"E-mail", "Name", "Result"}) list.list().prop("Caption").str(caption).end();
  list.end()
      .prop("Items.Data")
      .binary(RowBlock(
          {{1, 1, "a@x.test", {"Ann", "Failed"}}, {-1, 1, "b@x.test", {"Bob"}}, {-1, 0, "c@x.test", {}}}));
  std::string bytes = MinimalFile(0, list.s);
  // Put the subject box's Top of 3 into record 3.
  std::string withSubject = MinimalFile(2, subject.s);
  std::size_t cut = MinimalFile().find("TPF0", 4);
  bytes = bytes.substr(0, bytes.size() - (MinimalFile().size() - cut)) + withSubject.substr(cut);

  ProjectModel model;
  ReadProjectStream(bytes, model);
  EXPECT_EQ(model.Columns[1].Caption, "Result");
  EXPECT_EQ(model.Columns[2].Caption, "Name");
  EXPECT_EQ(model.Items[0].SubItems, (std::vector<std::string>{"Failed", "Ann"}));
  EXPECT_EQ(model.Items[1].SubItems, (std::vector<std::string>{"", "Bob"}));
  EXPECT_TRUE(model.Items[2].SubItems.empty());
  EXPECT_EQ(model.Layout.EditSubject.Top, 27);
  EXPECT_EQ(model.Subject, "old");
}

// Where `extra` begins in MinimalFile(at, extra).
std::size_t ExtraAt(int at) {
  return MinimalFile(at, "\xFF").find('\xFF');
}

// Every message says where the file is damaged: the byte offset of the value
// that could not be read, and the control and property being read.
TEST(ProjectFileTest, MalformedFilesSayWhereAndChangeNothing) {
  std::string tooMany = Bytes().u32(8 + 21).u32(1000000).raw(std::string(21, '\0')).s;
  std::string subCount = Bytes().u32(8 + 21).u32(1).u32(0).u32(0).u32(0).u32(0x7FFFFFFF).u32(0).u8(0).s;
  std::string rowPastBlock = Bytes().u32(8 + 21).u32(1).u32(0).u32(0).u32(0).u32(0).u32(0).u8(5).s;
  const std::size_t rows = ExtraAt(0) + 11 + 5;  // after "Items.Data", its type and its length
  struct Case {
    std::string bytes;
    std::string message;
  } cases[] = {
      {"", "Invalid stream format at offset 0"},
      {"TPF1" + MinimalFile().substr(4), "Invalid stream format at offset 0"},
      {MinimalFile().substr(0, MinimalFile().find("TPF0", 4) + 2),
       "Invalid stream format at offset " + std::to_string(MinimalFile().find("TPF0", 4))},
      {MinimalFile().substr(0, MinimalFile().size() - 1),
       "Stream read error at offset " + std::to_string(MinimalFile().size() - 1) + " in lvAttachments"},
      {MinimalFile(1, Bytes().prop("Colour").i8(1).s),
       "Error reading edTo.Colour: Property does not exist at offset " + std::to_string(ExtraAt(1))},
      {MinimalFile(1, Bytes().prop(std::string("Te\0\nt", 5)).i8(1).s),  // shown whole, on one line
       "Error reading edTo.Te??t: Property does not exist at offset " + std::to_string(ExtraAt(1))},
      {MinimalFile(1, Bytes().prop("Text").i8(1).s),
       "Error reading edTo.Text: Invalid property value at offset " + std::to_string(ExtraAt(1) + 5)},
      {MinimalFile(1, Bytes().prop("Top").u8(5).s),
       "Error reading edTo.Top: Invalid property value at offset " + std::to_string(ExtraAt(1) + 4)},
      {MinimalFile(2, Bytes().prop("Text").u8(12).u32(0xFFFFFF00).s),
       "Error reading edSubject.Text: Invalid property value at offset " + std::to_string(ExtraAt(2) + 6)},
      {MinimalFile(2, Bytes().prop("Text").u8(12).u32(1000).s),
       "Stream read error at offset " + std::to_string(ExtraAt(2) + 10) + " in edSubject.Text"},
      {MinimalFile(3, Bytes().prop("Lines.Strings").list().u8(99).s),
       "Error reading Memo1.Lines.Strings: Invalid property value at offset " +
           std::to_string(ExtraAt(3) + 15)},
      {MinimalFile(0, Bytes().prop("Items.Data").u8(10).u32(0xFFFFFFF0).s),
       "Stream read error at offset " + std::to_string(ExtraAt(0) + 12) + " in ListView1.Items.Data"},
      {MinimalFile(0, Bytes().prop("Items.Data").binary(tooMany).s),
       "Error reading ListView1.Items.Data: Invalid property value at offset " + std::to_string(rows + 4)},
      {MinimalFile(0, Bytes().prop("Items.Data").binary(subCount).s),
       "Error reading ListView1.Items.Data: Invalid property value at offset " + std::to_string(rows + 20)},
      {MinimalFile(0, Bytes().prop("Items.Data").binary(rowPastBlock).s),
       "Error reading ListView1.Items.Data: Invalid property value at offset " + std::to_string(rows + 28)},
      {MinimalFile(0, Bytes().prop("Columns").collection().list().prop("Foo").i8(1).s),
       "Error reading ListView1.Columns: Property does not exist at offset " +
           std::to_string(ExtraAt(0) + 10)},
      {MinimalFile(4, Bytes().prop("ViewStyle").ident("vsTiles").s),
       "Error reading lvAttachments.ViewStyle: Invalid property value at offset " +
           std::to_string(ExtraAt(4) + 11)},
      {MinimalFile(0, Bytes().end().record("TButton", "Child").s),
       "Invalid stream format at offset " + std::to_string(ExtraAt(0) + 1) + " in ListView1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    ProjectModel model = FixtureModel();
    model.FProjectFileName = "/p/before.nvp";
    model.FModified = true;
    EXPECT_EQ(ErrorOf(c.bytes, model), c.message);
    EXPECT_EQ(model.Items.size(), 3u);
    EXPECT_EQ(model.Subject, "Hello <name>");
    EXPECT_EQ(model.FProjectFileName, "/p/before.nvp");
    EXPECT_TRUE(model.FModified);
  }
}

// A file cut anywhere: inside a record's signature (or right before it) the
// file is not a project file; anywhere else it ends inside a record, and the
// message names that record and an offset no further than the cut.
TEST(ProjectFileTest, EveryCutOfAValidFileSaysWhereItEnds) {
  std::string bytes = FixtureBytes();
  const char* names[] = {"ListView1", "edTo", "edSubject", "Memo1", "lvAttachments"};
  std::vector<std::size_t> starts;
  for (std::size_t at = bytes.find("TPF0"); at != std::string::npos; at = bytes.find("TPF0", at + 1))
    starts.push_back(at);
  ASSERT_EQ(starts.size(), 5u);
  const std::regex streamError("Stream read error at offset ([0-9]+) in ([A-Za-z0-9]+)(\\.[A-Za-z.]+)?");
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    SCOPED_TRACE(length);
    std::size_t record = 0;
    while (record + 1 < starts.size() && starts[record + 1] <= length) ++record;
    ProjectModel model;
    std::string message = ErrorOf(std::string_view(bytes).substr(0, length), model);
    if (length < starts[record] + 4) {
      EXPECT_EQ(message, "Invalid stream format at offset " + std::to_string(starts[record]));
      continue;
    }
    std::smatch match;
    ASSERT_TRUE(std::regex_match(message, match, streamError)) << message;
    std::size_t offset = std::stoul(match[1]);
    EXPECT_LE(offset, length);
    EXPECT_GE(offset, starts[record] + 4);
    EXPECT_EQ(match[2], names[record]);
  }
}

TEST(ProjectFileTest, MissingColumnsAreRestoredSoTheListKeepsAddressAndResult) {
  std::string bytes =
      MinimalFile(0, Bytes().prop("Columns").collection().list().prop("Caption").str("Mail").end().end().s);
  ProjectModel model;
  ReadProjectStream(bytes, model);
  ASSERT_EQ(model.Columns.size(), 2u);
  EXPECT_EQ(model.Columns[0].Caption, "Mail");
  EXPECT_EQ(model.Columns[0].Width, 50);
  EXPECT_EQ(model.Columns[1].Caption, "Result");
}

TEST(ProjectFileTest, SaveAndLoadThroughFiles) {
  TempDir dir;
  std::string path = dir.File("mailing.nvp");
  ProjectModel model = FixtureModel();
  SaveProject(model, path);
  EXPECT_FALSE(model.FModified);
  EXPECT_EQ(ReadFile(path), WriteProjectStream(model));

  ProjectModel opened;
  opened.SetSubject("unsaved");
  LoadProject(opened, path);
  EXPECT_EQ(opened.FProjectFileName, path);
  EXPECT_FALSE(opened.FModified);
  EXPECT_EQ(opened.Items.size(), 3u);
  EXPECT_EQ(opened.Subject, "Hello <name>");
}

TEST(ProjectFileTest, LargeFileReadsBackAcrossReadBufferBoundaries) {
  TempDir dir;
  ProjectModel model;
  model.AddColumn("Name", 120);
  for (int i = 0; i < 20000; ++i)
    model.Items.push_back({"r" + std::to_string(i) + "@x.test",
                           {"", std::string(static_cast<std::size_t>(i % 256), 'n')},
                           i % 2,
                           -1,
                           -1,
                           0});
  model.Body = std::string(300000, 'b');  // one long string larger than the read buffer
  SaveProject(model, dir.File("big.nvp"));
  ProjectModel read;
  LoadProject(read, dir.File("big.nvp"));
  ASSERT_EQ(read.Items.size(), model.Items.size());
  for (std::size_t i = 0; i < model.Items.size(); i += 997) {
    EXPECT_EQ(read.Items[i].Caption, model.Items[i].Caption);
    EXPECT_EQ(read.Items[i].SubItems, model.Items[i].SubItems);
  }
  EXPECT_EQ(read.Items.back().SubItems, model.Items.back().SubItems);
  EXPECT_EQ(read.Body, model.Body);
}

std::string SaveError(const ProjectModel& model, const std::string& path) {
  try {
    SaveProject(model, path);
  } catch (const ProjectFileError& error) {
    return error.what();
  }
  return "no error";
}

TEST(ProjectFileTest, FailedSaveKeepsThePreviousFileAndSaysWhy) {
  TempDir dir;
  std::string path = dir.File("mailing.nvp");
  ProjectModel model = FixtureModel();
  SaveProject(model, path);
  std::string before = ReadFile(path);
  model.Items.resize(1);
  AtomicFile::FailAfterBytesForTesting(100);
  EXPECT_EQ(SaveError(model, path), "Cannot create file " + path + ": write failed: no space left on device");
  AtomicFile::FailAfterBytesForTesting(-1);
  EXPECT_EQ(ReadFile(path), before);

  EXPECT_EQ(SaveError(model, dir.File("no/such/folder.nvp")),
            "Cannot create file " + dir.File("no/such/folder.nvp") + ": no such file or directory");
}

// A save into a folder the user may not write to must say so, not just fail.
TEST(ProjectFileTest, SaveIntoAReadOnlyFolderSaysWhy) {
  TempDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  std::string message =
      test::RunUnprivileged([&] { return SaveError(FixtureModel(), dir.File("demo.nvp")); });
  ::chmod(dir.path().c_str(), 0700);
  EXPECT_EQ(message, "Cannot create file " + dir.File("demo.nvp") + ": permission denied");
}

TEST(ProjectFileTest, FailedLoadKeepsNameModifiedStateAndContent) {
  TempDir dir;
  ProjectModel model = FixtureModel();
  model.FProjectFileName = dir.File("current.nvp");
  model.FModified = false;

  try {
    LoadProject(model, dir.File("missing.nvp"));
    FAIL();
  } catch (const ProjectFileError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file " + dir.File("missing.nvp"));
  }
  std::string damaged = FixtureBytes();
  damaged.resize(damaged.size() / 2);
  WriteFile(dir.File("damaged.nvp"), damaged);
  EXPECT_THROW(LoadProject(model, dir.File("damaged.nvp")), ProjectFileError);
  EXPECT_EQ(model.FProjectFileName, dir.File("current.nvp"));
  EXPECT_FALSE(model.FModified);
  EXPECT_EQ(model.Items.size(), 3u);
  EXPECT_EQ(model.Body, FixtureModel().Body);
}

}  // namespace
}  // namespace norvane
