#include "platform/locale_formats.h"

#include <gtest/gtest.h>

namespace norvane {
namespace {

TEST(LocaleFormats, StrftimePicturesBecomeDatePictures) {
  EXPECT_EQ(DatePictureFromStrftime("%m/%d/%y"), "MM/dd/yy");
  EXPECT_EQ(DatePictureFromStrftime("%d.%m.%Y"), "dd.MM.yyyy");
  EXPECT_EQ(DatePictureFromStrftime("%Y-%m-%d"), "yyyy-MM-dd");
  EXPECT_EQ(DatePictureFromStrftime("%e %b %Y"), "d MMM yyyy");
  EXPECT_EQ(DatePictureFromStrftime("%F"), "yyyy-MM-dd");
}

TEST(LocaleFormats, FormatsDatesWithThePicture) {
  LocaleFormats formats;
  struct Case {
    std::string picture, want;
  } cases[] = {
      {"dd.MM.yyyy", "05.03.2026"},
      {"d/M/yy", "5/3/26"},
      {"dddd, MMMM d, yyyy", "Thursday, March 5, 2026"},
      {"ddd dd-MMM-yyyy", "Thu 05-Mar-2026"},
      {"yyyy'y'MM", "2026y03"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDate(c.picture, 2026, 3, 5, formats), c.want) << c.picture;
  EXPECT_TRUE(ShortDateHasTwoDigitYear("dd/MM/yy"));
  EXPECT_FALSE(ShortDateHasTwoDigitYear("dd/MM/yyyy"));
  EXPECT_FALSE(ShortDateHasTwoDigitYear("'yy' dd/MM/yyyy"));
}

TEST(LocaleFormats, CalendarRules) {
  EXPECT_TRUE(IsValidDate(2000, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
  EXPECT_FALSE(IsValidDate(2026, 13, 1));
  EXPECT_FALSE(IsValidDate(0, 1, 1));
  EXPECT_EQ(DayOfWeek(1970, 1, 1), 4);
  EXPECT_EQ(DayOfWeek(2050, 1, 1), 6);
}

TEST(LocaleFormats, TestsInstallTheirOwn) {
  LocaleFormats mine;
  mine.DecimalSeparator = ',';
  {
    ScopedLocaleFormats scoped(mine);
    EXPECT_EQ(CurrentLocaleFormats().DecimalSeparator, ',');
  }
  // The tests run in the C locale.
  EXPECT_EQ(CurrentLocaleFormats().DecimalSeparator, '.');
  EXPECT_EQ(CurrentLocaleFormats().ShortDateFormat, "MM/dd/yy");
}

}  // namespace
}  // namespace norvane
