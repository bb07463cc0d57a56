#include "core/japanese_calendar.h"

#include <cstring>

#include "core/profile_values.h"

namespace zorvane {
namespace {

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Years far outside any clock's reach are refused before any arithmetic,
// so nothing below can overflow.
bool Exists(int y, int m, int d) {
  return y >= 1 && y <= 100000 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

// Days since 1970-01-01 of a proleptic Gregorian date.
long DayNumber(int y, int m, int d) {
  y -= m <= 2;
  const long era = y / 400;
  const long yearOfEra = y - era * 400;
  const long dayOfYear = (153L * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// 0 = Sunday; 1970-01-01 was a Thursday.
int Weekday(long dayNumber) { return static_cast<int>(((dayNumber + 4) % 7 + 7) % 7); }

struct Date {
  int y, m, d;
};

Date FromDayNumber(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long dayOfEra = z - era * 146097;
  const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long mp = (5 * dayOfYear + 2) / 153;
  const int d = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yearOfEra + era * 400 + (m <= 2)), m, d};
}

// The day of the month of the `nth` Monday.
int NthMonday(int y, int m, int nth) {
  const int first = Weekday(DayNumber(y, m, 1));
  return 1 + (8 - first) % 7 + (nth - 1) * 7;
}

// The holidays the act names (国民の祝日), without the days they bring
// (振替休日, 国民の休日). 2020 and 2021 moved three of them for the Olympic
// Games by special acts.
const char* NamedHoliday(int y, int m, int d) {
  if (y < kFirstHolidayYear || y > kLastHolidayYear) return nullptr;
  int umiNoHi = NthMonday(y, 7, 3);
  int yamaNoHi = 11;          // in August
  int sportsMonth = 10;
  int sportsDay = NthMonday(y, 10, 2);
  if (y == 2020) {
    umiNoHi = 23; yamaNoHi = 10; sportsMonth = 7; sportsDay = 24;
  } else if (y == 2021) {
    umiNoHi = 22; yamaNoHi = 8; sportsMonth = 7; sportsDay = 23;
  }
  if (m == sportsMonth && d == sportsDay) return "スポーツの日";
  switch (m) {
    case 1:
      if (d == 1) return "元日";
      if (d == NthMonday(y, 1, 2)) return "成人の日";
      break;
    case 2:
      if (d == 11) return "建国記念の日";
      if (d == 23) return "天皇誕生日";
      break;
    case 3:
      if (d == SpringEquinoxDay(y)) return "春分の日";
      break;
    case 4:
      if (d == 29) return "昭和の日";
      break;
    case 5:
      if (d == 3) return "憲法記念日";
      if (d == 4) return "みどりの日";
      if (d == 5) return "こどもの日";
      break;
    case 7:
      if (d == umiNoHi) return "海の日";
      break;
    case 8:
      if (d == yamaNoHi) return "山の日";
      break;
    case 9:
      if (d == NthMonday(y, 9, 3)) return "敬老の日";
      if (d == AutumnEquinoxDay(y)) return "秋分の日";
      break;
    case 11:
      if (d == 3) return "文化の日";
      if (d == 23) return "勤労感謝の日";
      break;
  }
  return nullptr;
}

const char* NamedHoliday(long dayNumber) {
  const Date date = FromDayNumber(dayNumber);
  return NamedHoliday(date.y, date.m, date.d);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads `count` digits at `p`; false if any is not a digit.
bool ReadDigits(const char* p, int count, int& value) {
  value = 0;
  for (int i = 0; i < count; ++i) {
    if (!IsDigit(p[i])) return false;
    value = value * 10 + (p[i] - '0');
  }
  return true;
}

bool ParseStart(const char* name, int& y, int& m, int& d) {
  // "YYYY MM DD", nothing more; checked byte by byte so a short name stops
  // at its NUL.
  return ReadDigits(name, 4, y) && name[4] == ' ' && ReadDigits(name + 5, 2, m) && name[7] == ' ' &&
         ReadDigits(name + 8, 2, d) && name[10] == '\0' && Exists(y, m, d);
}

// Splits code page 932 `data` at its '_' separators, stepping over two-byte
// characters whole (a trail byte can be 0x5F). Fields are [begin, end) byte
// ranges; false when the count is not `count` or a character is cut off.
bool SplitFields(const char* data, const char* (&begin)[4], const char* (&end)[4]) {
  int field = 0;
  begin[0] = data;
  const char* p = data;
  for (;;) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\0' || c == '_') {
      end[field] = p;
      if (c == '\0') return field == 3;
      if (++field == 4) return false;
      begin[field] = ++p;
    } else if (CodePage932().Of(c) == 2) {  // its second byte may be '_'
      if (p[1] == '\0') return false;
      p += 2;
    } else {
      ++p;
    }
  }
}

bool Before(const Era& a, int y, int m, int d) {
  if (a.year != y) return a.year < y;
  if (a.month != m) return a.month < m;
  return a.day < d;
}

bool SameStart(const Era& a, const Era& b) { return a.year == b.year && a.month == b.month && a.day == b.day; }

const EraList kBuiltIn = {{{1868, 1, 1, "明治", "M"},
                           {1912, 7, 30, "大正", "T"},
                           {1926, 12, 25, "昭和", "S"},
                           {1989, 1, 8, "平成", "H"},
                           {2019, 5, 1, "令和", "R"}},
                          5};

}  // namespace

const EraList& BuiltInEras() { return kBuiltIn; }

bool ParseEraValue(const char* valueName, const char* data, Era& era) {
  if (valueName == nullptr || data == nullptr) return false;
  Era parsed{};
  if (!ParseStart(valueName, parsed.year, parsed.month, parsed.day)) return false;
  const char* begin[4];
  const char* end[4];
  if (!SplitFields(data, begin, end)) return false;

  const std::size_t nameLength = static_cast<std::size_t>(end[0] - begin[0]);
  if (nameLength == 0 || nameLength >= kEraNameSize) return false;
  // Whole code page 932 characters only: a lead byte before a byte that
  // cannot follow it would show as a stray glyph.
  for (const char* p = begin[0]; p < end[0]; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20) return false;
    if (CodePage932().Of(c) == 2) {
      const unsigned char trail = static_cast<unsigned char>(*++p);
      if (!((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC))) return false;
    }
  }
  // The Latin initial is what "R8.12.07" starts with: ASCII letters only.
  const std::size_t initialLength = static_cast<std::size_t>(end[3] - begin[3]);
  if (initialLength == 0 || initialLength >= kEraInitialSize) return false;
  for (const char* p = begin[3]; p < end[3]; ++p) {
    if (!((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'))) return false;
  }
  std::memcpy(parsed.name, begin[0], nameLength);
  std::memcpy(parsed.initial, begin[3], initialLength);
  era = parsed;
  return true;
}

bool AddSystemEra(EraList& list, const char* valueName, const char* data) {
  Era era;
  if (!ParseEraValue(valueName, data, era)) return false;
  const Era& lastBuiltIn = kBuiltIn.eras[kBuiltIn.count - 1];
  if (!Before(lastBuiltIn, era.year, era.month, era.day)) return false;
  if (list.count < 0 || list.count > kMaxEras) return false;

  int at = 0;
  while (at < list.count && Before(list.eras[at], era.year, era.month, era.day)) ++at;
  if (at < list.count && SameStart(list.eras[at], era)) {
    list.eras[at] = era;
    return true;
  }
  if (list.count == kMaxEras) return false;
  for (int i = list.count; i > at; --i) list.eras[i] = list.eras[i - 1];
  list.eras[at] = era;
  ++list.count;
  return true;
}

const Era* EraOf(const EraList& list, int year, int month, int day) {
  if (!Exists(year, month, day)) return nullptr;
  const int count = list.count < 0 ? 0 : list.count > kMaxEras ? kMaxEras : list.count;
  const Era* found = nullptr;
  for (int i = 0; i < count; ++i) {
    const Era& era = list.eras[i];
    if (Before(era, year, month, day) || (era.year == year && era.month == month && era.day == day)) {
      found = &era;
    }
  }
  return found;
}

int SpringEquinoxDay(int year) {
  if (year < 1980 || year > 2099) return 0;
  // floor(20.8431 + 0.242194 n - floor(n / 4)) in millionths, exactly.
  const int n = year - 1980;
  return (20843100 + 242194 * n) / 1000000 - n / 4;
}

int AutumnEquinoxDay(int year) {
  if (year < 1980 || year > 2099) return 0;
  const int n = year - 1980;
  return (23248800 + 242194 * n) / 1000000 - n / 4;
}

const char* HolidayName(int year, int month, int day) {
  if (!Exists(year, month, day)) return nullptr;
  if (const char* name = NamedHoliday(year, month, day)) return name;
  if (year < kFirstHolidayYear || year > kLastHolidayYear) return nullptr;

  // 振替休日: the first day that is not a holiday after a holiday on a
  // Sunday, however many holidays follow that Sunday.
  const long today = DayNumber(year, month, day);
  for (long before = today - 1; NamedHoliday(before) != nullptr; --before) {
    if (Weekday(before) == 0) return "振替休日";
  }
  // 国民の休日: an ordinary day between two holidays.
  if (NamedHoliday(today - 1) != nullptr && NamedHoliday(today + 1) != nullptr) return "国民の休日";
  return nullptr;
}

}  // namespace zorvane
