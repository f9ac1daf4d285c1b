// The user's regional formats that outside data passes through: the short
// date format, the decimal separator and the day and month names. They come
// from the process locale's LC_TIME and LC_NUMERIC categories (the environment
// decides, as LANG/LC_* do for every other program); tests install fixed ones.
#pragma once

#include <array>
#include <string>

namespace norvane {

struct LocaleFormats {
  // Picture letters: d/dd day, ddd/dddd day name, M/MM month, MMM/MMMM month
  // name, yy/yyyy year; every other character is copied. Text inside single
  // or double quotes is copied without its quotes.
  std::string ShortDateFormat = "MM/dd/yy";
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';  // '\0' when the locale groups without one
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
};

// Reads the formats of the locale named by the environment (LC_ALL, LC_TIME,
// LC_NUMERIC, LANG); the defaults above when that locale is not installed.
LocaleFormats SystemLocaleFormats();

// The formats in use: SystemLocaleFormats() on first use unless a test
// installed others.
const LocaleFormats& CurrentLocaleFormats();

// Installs `formats` as CurrentLocaleFormats() for the lifetime of this object.
class ScopedLocaleFormats {
 public:
  explicit ScopedLocaleFormats(LocaleFormats formats);
  ~ScopedLocaleFormats();
  ScopedLocaleFormats(const ScopedLocaleFormats&) = delete;
  ScopedLocaleFormats& operator=(const ScopedLocaleFormats&) = delete;

 private:
  LocaleFormats formats_;
  const LocaleFormats* previous_;
};

// Turns a strftime date picture (nl_langinfo(D_FMT), e.g. "%d.%m.%Y") into a
// ShortDateFormat picture ("dd.MM.yyyy").
std::string DatePictureFromStrftime(const std::string& strftimeFormat);

// True when the picture shows the year with two digits only, so the century
// is lost on the way through it.
bool ShortDateHasTwoDigitYear(const std::string& picture);

// A date written with a picture. The month and weekday must be in range for
// names; an out-of-range value there writes its number instead.
std::string FormatDate(const std::string& picture, int year, int month, int day,
                       const LocaleFormats& formats);

// The day of the week of a date of the proleptic Gregorian calendar, 0 = Sunday.
int DayOfWeek(int year, int month, int day);
bool IsValidDate(int year, int month, int day);

}  // namespace norvane
