#include "import/dbase_table.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/locale_formats.h"
#include "support/dbase_fixture.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::DbfBuilder;
using test::DbtBuilder;

// A German-style user: day first, four-digit year, comma as decimal separator,
// so every value visibly goes through the user's formats.
class DbaseTableTest : public ::testing::Test {
 protected:
  DbaseTableTest() : formats_(GermanFormats()), clock_(0), scopedClock_(clock_) {
    LocalDateTime now;
    now.year = 2026;
    clock_.SetNow(now);
  }

  static LocaleFormats GermanFormats() {
    LocaleFormats formats;
    formats.ShortDateFormat = "dd.MM.yyyy";
    formats.DecimalSeparator = ',';
    return formats;
  }

  std::string Path(const std::string& name) const { return dir_.File(name); }

  test::TempDir dir_;
  ScopedLocaleFormats formats_;
  FakeClock clock_;
  ScopedClock scopedClock_;
};

int ErrorNumber(TDbaseTable& table, std::string* detail = nullptr) {
  try {
    table.Open();
  } catch (const EDbaseError& error) {
    if (detail) *detail = error.Detail();
    return error.Number();
  }
  return 0;
}

TEST_F(DbaseTableTest, DecodesEveryFieldKindAsText) {
  DbtBuilder memo;
  uint32_t counted = memo.AddCounted("counted memo");
  uint32_t terminated = memo.AddTerminated("ended by 1A");
  memo.Write(Path("all.dbt"));
  DbfBuilder()
      .Version(0x83)
      .Field("name", 'C', 10)
      .Field("BORN", 'D', 8)
      .Field("PRICE", 'N', 8, 2)
      .Field("QTY", 'N', 11)
      .Field("OK", 'L', 1)
      .Field("RATE", 'F', 10, 3)
      .Field("NOTE", 'M', 10)
      .Record({"  Ann", "19840229", "12.50", "-42", "y", "1.5E3", std::to_string(counted)})
      .Record({"Bob", "", "2.00", "", "N", "", std::to_string(terminated)})
      .Record({"Cy", "20261210", "-0.004", "+7", "?", "0.12345678", "0"})
      .Record({"Di", "", "", "99999999999", " ", "12a", ""})
      .Write(Path("all.dbf"));

  TDbaseTable table;
  table.SetDbfFileName(Path("all.dbf"));
  table.Open();
  ASSERT_EQ(table.FieldCount(), 7);
  EXPECT_EQ(table.FieldName(0), "NAME");
  ASSERT_EQ(table.RecordCount(), 4);

  std::vector<std::vector<std::string>> want = {
      {"  Ann", "29.02.1984", "12,5", "-42", "True", "1500", "counted memo"},
      {"Bob", "", "2", "0", "False", "0", "ended by 1A"},
      {"Cy", "10.12.2026", "0", "7", "False", "0,123", ""},
      // Beyond 32 bits or not a number: the stored text, not a made-up value.
      {"Di", "", "0", "99999999999", "False", "12a", ""},
  };
  table.First();
  for (const auto& row : want) {
    ASSERT_FALSE(table.Eof());
    for (int i = 0; i < 7; ++i)
      EXPECT_EQ(table.FieldText(i), row[i]) << "record " << table.RecNo() << " field " << i;
    table.Next();
  }
  EXPECT_TRUE(table.Eof());
}

TEST_F(DbaseTableTest, ListsFieldNamesInUpperCaseAndAtMostTenCharacters) {
  DbfBuilder().Field("email", 'C', 5).Field("ABCDEFGHIJK", 'C', 5).Record({"a", "b"}).Write(Path("n.dbf"));
  TDbaseTable table;
  table.SetDbfFileName(Path("n.dbf"));
  table.Open();
  EXPECT_EQ(table.FieldName(0), "EMAIL");
  EXPECT_EQ(table.FieldName(1), "ABCDEFGHIJ");
}

TEST_F(DbaseTableTest, DeletedRecordsAreReadUnlessHidden) {
  DbfBuilder()
      .Field("E", 'C', 4)
      .Record({"one"}, /*deleted=*/true)
      .Record({"two"})
      .Record({"thr"}, true)
      .Record({"fou"})
      .Write(Path("d.dbf"));
  for (bool hide : {false, true}) {
    TDbaseTable table;
    table.HideDeletedRecs = hide;
    table.SetDbfFileName(Path("d.dbf"));
    table.Open();
    EXPECT_EQ(table.RecordCount(), 4);
    std::vector<std::string> seen;
    for (table.First(); !table.Eof(); table.Next()) seen.push_back(table.FieldText(0));
    std::vector<std::string> want =
        hide ? std::vector<std::string>{"two", "fou"} : std::vector<std::string>{"one", "two", "thr", "fou"};
    EXPECT_EQ(seen, want) << "hide " << hide;
  }
}

TEST_F(DbaseTableTest, CountsRecordsFromTheFileLength) {
  // Record length 50, ten stray bytes after three records, a stored count that lies.
  DbfBuilder builder;
  builder.Field("E", 'C', 49).StoredRecordCount(99).Trailer(std::string(10, '\x1A'));
  for (int i = 0; i < 3; ++i) builder.Record({"r" + std::to_string(i)});
  builder.Write(Path("c.dbf"));
  TDbaseTable table;
  table.SetDbfFileName(Path("c.dbf"));
  table.Open();
  EXPECT_EQ(table.RecordCount(), 3);
  int n = 0;
  for (table.First(); !table.Eof(); table.Next()) ++n;
  EXPECT_EQ(n, 3);
}

TEST_F(DbaseTableTest, TranslatesOemTextUnlessAnsi) {
  DbtBuilder memo;
  uint32_t translated = memo.AddTerminated("M\x81nchen");
  uint32_t binary = memo.AddCounted(std::string("\x81\0x", 3));  // a NUL keeps the memo untouched
  memo.Write(Path("o.dbt"));
  DbfBuilder()
      .Version(0x83)
      .Field("CITY", 'C', 8)
      .Field("M", 'M', 10)
      .Record({"K\x94ln", std::to_string(translated)})
      .Record({"x", std::to_string(binary)})
      .Write(Path("o.dbf"));
  TDbaseTable oem;
  oem.SetDbfFileName(Path("o.dbf"));
  oem.Open();
  EXPECT_EQ(oem.FieldText(0), "K\xF6ln");
  EXPECT_EQ(oem.FieldText(1), "M\xFCnchen");
  oem.Next();
  EXPECT_EQ(oem.FieldText(1), std::string("\x81\0x", 3));

  TDbaseTable ansi;
  ansi.TableLanguage = tlAnsi;
  ansi.SetDbfFileName(Path("o.dbf"));
  ansi.Open();
  EXPECT_EQ(ansi.FieldText(0), "K\x94ln");
}

TEST_F(DbaseTableTest, MemoFiles) {
  // Version 0x8B: the memo file states its block size.
  DbtBuilder small(64, /*statedBlockSize=*/true);
  uint32_t first = small.AddCounted(std::string(100, 'a'));  // spans two 64-byte blocks
  uint32_t second = small.AddTerminated("line one\r\nline two");
  small.Write(Path("m.dbt"));
  DbfBuilder()
      .Version(0x8B)
      .Field("M", 'M', 10)
      .Record({std::to_string(first)})
      .Record({std::to_string(second)})
      .Record({""})
      .Record({"999999"})
      .Write(Path("m.dbf"));
  TDbaseTable table;
  table.SetDbfFileName(Path("m.dbf"));
  table.Open();
  EXPECT_EQ(table.FieldText(0), std::string(100, 'a'));
  table.Next();
  EXPECT_EQ(table.FieldText(0), "line one\r\nline two");
  table.Next();
  EXPECT_EQ(table.FieldText(0), "");
  table.Next();
  try {
    table.FieldText(0);
    FAIL() << "a block beyond the memo file must fail";
  } catch (const EDbaseError& error) {
    EXPECT_EQ(error.Number(), 1003);
  }

  // A counted memo whose length runs past the file ends at the file's end.
  DbtBuilder liar;
  std::string head("\xFF\xFF\x08\x00\xFF\xFF\xFF\x7F", 8);
  uint32_t block = liar.AddRaw(head + "short");
  std::string bytes = liar.Bytes();
  bytes.resize(512 + 8 + 5);
  test::WriteFile(Path("l.dbt"), bytes);
  DbfBuilder().Version(0x83).Field("M", 'M', 10).Record({std::to_string(block)}).Write(Path("l.dbf"));
  TDbaseTable lying;
  lying.SetDbfFileName(Path("l.dbf"));
  lying.Open();
  EXPECT_EQ(lying.FieldText(0), "short");
}

TEST_F(DbaseTableTest, MemoFieldWithoutMemoFile) {
  DbfBuilder().Version(0x83).Field("M", 'M', 10).Record({"1"}).Write(Path("nomemo.dbf"));
  TDbaseTable table;
  table.SetDbfFileName(Path("nomemo.dbf"));
  std::string detail;
  EXPECT_EQ(ErrorNumber(table, &detail), 2);
  EXPECT_EQ(detail, "Memo file not found: " + Path("nomemo.dbt") + " [USE]");

  // Bit 7 clear: the table opens, and reading the memo says there is no memo file.
  DbfBuilder().Version(0x03).Field("M", 'M', 10).Record({"1"}).Write(Path("flagless.dbf"));
  TDbaseTable flagless;
  flagless.SetDbfFileName(Path("flagless.dbf"));
  flagless.Open();
  try {
    flagless.FieldText(0);
    FAIL();
  } catch (const EDbaseError& error) {
    EXPECT_EQ(error.Number(), 1019);
  }
}

TEST_F(DbaseTableTest, RejectsFilesThatAreNoTables) {
  struct Case {
    std::string name;
    std::string bytes;
    int number;
    std::string detailPart;
  } cases[] = {
      {"v30.dbf", DbfBuilder().Version(0x30).Field("A", 'C', 1).Bytes(), 210, "(Invalid version byte)"},
      {"vF5.dbf", DbfBuilder().Version(0xF5).Field("A", 'C', 1).Bytes(), 210, "(Invalid version byte)"},
      {"short.dbf", std::string("\x03\x01\x02", 3), 210, "(Prolog is less than 32 bytes)"},
      {"none.dbf", DbfBuilder().Field("A", 'C', 1).HeaderLength(63).Bytes(), 210,
       "none.dbf is not a dBASE database. (Number of fields is out of range) [Use/OpenDbf]"},
      {"many.dbf", DbfBuilder().Field("A", 'C', 1).HeaderLength(32 * 257).Bytes(), 210,
       "Number of fields is out of range"},
      {"cut.dbf", DbfBuilder().Field("A", 'C', 1).Field("B", 'C', 1).Bytes().substr(0, 70), 100,
       "Error reading "},
      {"type.dbf", DbfBuilder().Field("A", 'C', 1).Field("WHAT", 'X', 3).Bytes(), 211, "Field: WHAT [X] in "},
      {"zero.dbf", DbfBuilder().Field("A", 'C', 1).RecordLength(0).Bytes(), 210, "Record length is zero"},
  };
  for (const Case& c : cases) {
    test::WriteFile(Path(c.name), c.bytes);
    TDbaseTable table;
    table.SetDbfFileName(Path(c.name));
    std::string detail;
    EXPECT_EQ(ErrorNumber(table, &detail), c.number) << c.name;
    EXPECT_NE(detail.find(c.detailPart), std::string::npos) << c.name << ": " << detail;
    EXPECT_FALSE(table.Active()) << c.name;
  }

  TDbaseTable missing;
  missing.SetDbfFileName(Path("absent"));
  std::string detail;
  EXPECT_EQ(ErrorNumber(missing, &detail), 2);
  EXPECT_EQ(detail, "Failure to open " + Path("absent.DBF") + " [USE/OpenDbf]");
}

TEST_F(DbaseTableTest, HeaderLengthWithATrailingByteGivesTheFieldCount) {
  // 32 * (n + 1) + 1 with n = 2.
  DbfBuilder().Field("A", 'C', 2).Field("B", 'C', 2).Record({"a1", "b1"}).Write(Path("h.dbf"));
  TDbaseTable table;
  table.SetDbfFileName(Path("h.dbf"));
  table.Open();
  EXPECT_EQ(table.FieldCount(), 2);
  EXPECT_EQ(table.FieldText(1), "b1");
}

TEST_F(DbaseTableTest, ErrorMessageCarriesNumberTextAndDetail) {
  EDbaseError error(212, "detail");
  EXPECT_STREQ(error.what(), "Error # 212 (Request beyond range)\r\ndetail");
  EXPECT_STREQ(DbaseErrorText(4711), "Undefined error");
}

TEST_F(DbaseTableTest, InvalidDateFailsReadingItsRecord) {
  DbfBuilder()
      .Field("D", 'D', 8)
      .Record({"20260101"})
      .Record({"00000000"})
      .Record({"20261301"})
      .Write(Path("bad.dbf"));
  TDbaseTable table;
  table.SetDbfFileName(Path("bad.dbf"));
  table.Open();
  EXPECT_EQ(table.FieldText(0), "01.01.2026");
  try {
    table.Next();
    FAIL();
  } catch (const EDbaseError&) {
    FAIL() << "a bad date is not a table error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "'00.00.0000' is not a valid date");
  }

  // A bad first record does not fail the open: the fields are still listed.
  DbfBuilder().Field("D", 'D', 8).Record({"20261301"}).Write(Path("first.dbf"));
  TDbaseTable first;
  first.SetDbfFileName(Path("first.dbf"));
  first.Open();
  EXPECT_EQ(first.FieldName(0), "D");
  EXPECT_THROW(first.First(), std::runtime_error);
}

TEST_F(DbaseTableTest, TwoDigitYearFormatsRestoreTheCenturyThroughAWindow) {
  LocaleFormats formats;
  formats.ShortDateFormat = "ddd dd/MM/yy";
  ScopedLocaleFormats shortYear(formats);
  // In 2026 the window is 1956 to 2055; weekdays show which century was chosen.
  DbfBuilder()
      .Field("D", 'D', 8)
      .Record({"18500101"})  // read as 2050: a Saturday
      .Record({"20700101"})  // read as 1970: a Thursday
      .Record({"19000229"})  // 1900 had no 29 February, 2000 had
      .Write(Path("yy.dbf"));
  TDbaseTable table;
  table.SetDbfFileName(Path("yy.dbf"));
  table.Open();
  EXPECT_EQ(table.FieldText(0), "Sat 01/01/50");
  table.Next();
  EXPECT_EQ(table.FieldText(0), "Thu 01/01/70");
  table.Next();
  EXPECT_EQ(table.FieldText(0), "Tue 29/02/00");
}

TEST_F(DbaseTableTest, FileNameGetsTheDefaultExtension) {
  TDbaseTable table;
  table.SetDbfFileName("  /data/list  ");
  EXPECT_EQ(table.DbfFileName(), "/data/list.DBF");
  table.SetDbfFileName("/data/list.");
  EXPECT_EQ(table.DbfFileName(), "/data/list.");
  table.SetDbfFileName("/data.d/list");
  EXPECT_EQ(table.DbfFileName(), "/data.d/list.DBF");
}

TEST_F(DbaseTableTest, FieldsReachingPastTheRecordReadAsEmpty) {
  // The descriptors claim 20 bytes, the header's record length only 6.
  DbfBuilder()
      .Field("A", 'C', 5)
      .Field("B", 'C', 15)
      .RecordLength(6)
      .Record({"abcde", "zzz"})
      .Record({"fghij"})
      .Write(Path("p.dbf"));
  TDbaseTable table;
  table.SetDbfFileName(Path("p.dbf"));
  table.Open();
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(table.FieldText(0), "abcde");
  EXPECT_EQ(table.FieldText(1), "");
  table.Next();
  EXPECT_EQ(table.FieldText(0), "fghij");
}

}  // namespace
}  // namespace norvane
