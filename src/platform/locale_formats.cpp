#include "platform/locale_formats.h"

#include <langinfo.h>
#include <locale.h>

#include "platform/codepage.h"

namespace norvane {

namespace {

const LocaleFormats* installed = nullptr;

std::string Info(nl_item item, locale_t locale) {
  const char* text = nl_langinfo_l(item, locale);
  return text ? std::string(text) : std::string();
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Number(int value, int width) {
  std::string text = std::to_string(value < 0 ? -value : value);
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), '0');
  if (value < 0) text.insert(0, 1, '-');
  return text;
}

}  // namespace

LocaleFormats SystemLocaleFormats() {
  LocaleFormats formats;
  if (locale_t time = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0))) {
    std::string picture = DatePictureFromStrftime(Info(D_FMT, time));
    if (!picture.empty()) formats.ShortDateFormat = picture;
    static const nl_item kAbDay[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4, ABDAY_5, ABDAY_6, ABDAY_7};
    static const nl_item kDay[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
    static const nl_item kAbMon[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                       ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    static const nl_item kMon[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                     MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
    for (int i = 0; i < 7; ++i) {
      formats.ShortDayNames[i] = Info(kAbDay[i], time);
      formats.LongDayNames[i] = Info(kDay[i], time);
    }
    for (int i = 0; i < 12; ++i) {
      formats.ShortMonthNames[i] = Info(kAbMon[i], time);
      formats.LongMonthNames[i] = Info(kMon[i], time);
    }
    freelocale(time);
  }
  if (locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0))) {
    std::string radix = Info(RADIXCHAR, numeric);
    // A multi-byte separator (none in practice) cannot stand in a single-byte text.
    if (radix.size() == 1) formats.DecimalSeparator = radix[0];
    // The multi-byte ones are spaces and apostrophes: the ANSI one when 1252 has it, else a blank.
    std::string thousands = Info(THOUSEP, numeric);
    if (thousands.size() > 1) thousands = Utf8ToAnsi(thousands);
    if (thousands.size() > 1 || thousands == "?") thousands = " ";
    formats.ThousandSeparator = thousands.empty() ? '\0' : thousands[0];
    freelocale(numeric);
  }
  return formats;
}

const LocaleFormats& CurrentLocaleFormats() {
  if (installed) return *installed;
  static const LocaleFormats system = SystemLocaleFormats();
  return system;
}

ScopedLocaleFormats::ScopedLocaleFormats(LocaleFormats formats)
    : formats_(std::move(formats)), previous_(installed) {
  installed = &formats_;
}

ScopedLocaleFormats::~ScopedLocaleFormats() {
  installed = previous_;
}

std::string DatePictureFromStrftime(const std::string& format) {
  std::string picture;
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%') {
      picture += c;
      continue;
    }
    if (++i >= format.size()) break;
    char conversion = format[i];
    // Flags and widths (glibc's "%-d", "%Ey") change nothing a picture can say.
    while ((conversion == '-' || conversion == '_' || conversion == '0' || conversion == 'E' ||
            conversion == 'O') &&
           i + 1 < format.size())
      conversion = format[++i];
    switch (conversion) {
      case 'd':
        picture += "dd";
        break;
      case 'e':
        picture += "d";
        break;
      case 'm':
        picture += "MM";
        break;
      case 'y':
        picture += "yy";
        break;
      case 'Y':
        picture += "yyyy";
        break;
      case 'b':
      case 'h':
        picture += "MMM";
        break;
      case 'B':
        picture += "MMMM";
        break;
      case 'a':
        picture += "ddd";
        break;
      case 'A':
        picture += "dddd";
        break;
      case 'D':
        picture += "MM/dd/yy";
        break;
      case 'F':
        picture += "yyyy-MM-dd";
        break;
      case '%':
        picture += '%';
        break;
      default:
        break;  // times and the like have no place in a date
    }
  }
  return picture;
}

bool ShortDateHasTwoDigitYear(const std::string& picture) {
  bool hasYear = false;
  for (std::size_t i = 0; i < picture.size();) {
    char c = picture[i];
    if (c == '\'' || c == '"') {
      std::size_t close = picture.find(c, i + 1);
      i = close == std::string::npos ? picture.size() : close + 1;
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && Lower(picture[i + run]) == Lower(c)) ++run;
    if (Lower(c) == 'y') {
      if (run > 2) return false;
      hasYear = true;
    }
    i += run;
  }
  return hasYear;
}

std::string FormatDate(const std::string& picture, int year, int month, int day,
                       const LocaleFormats& formats) {
  std::string text;
  bool valid = IsValidDate(year, month, day);
  for (std::size_t i = 0; i < picture.size();) {
    char c = picture[i];
    if (c == '\'' || c == '"') {
      std::size_t close = picture.find(c, i + 1);
      std::size_t end = close == std::string::npos ? picture.size() : close;
      text.append(picture, i + 1, end - i - 1);
      i = end == picture.size() ? end : end + 1;
      continue;
    }
    std::size_t run = 1;
    char letter = Lower(c);
    if (letter == 'd' || letter == 'm' || letter == 'y')
      while (i + run < picture.size() && Lower(picture[i + run]) == letter) ++run;
    switch (letter) {
      case 'd':
        if (run <= 2 || !valid)
          text += Number(day, run == 1 ? 1 : 2);
        else
          text += (run == 3 ? formats.ShortDayNames : formats.LongDayNames)[DayOfWeek(year, month, day)];
        break;
      case 'm':
        if (run <= 2 || month < 1 || month > 12)
          text += Number(month, run == 1 ? 1 : 2);
        else
          text += (run == 3 ? formats.ShortMonthNames : formats.LongMonthNames)[month - 1];
        break;
      case 'y':
        text += run <= 2 ? Number(((year % 100) + 100) % 100, 2) : Number(year, 4);
        break;
      default:
        text += c;
        break;
    }
    i += run;
  }
  return text;
}

int DayOfWeek(int year, int month, int day) {
  // Sakamoto's method.
  static const int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  int value = (year + year / 4 - year / 100 + year / 400 + offsets[(month - 1) % 12] + day) % 7;
  return (value + 7) % 7;
}

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace norvane
