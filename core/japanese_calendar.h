#pragma once
// The Japanese calendar of the format language: era years (令和8年) and the
// national holidays. Pure functions of a date; names are code page 932
// bytes like the clock's other Japanese text.

#include <cstddef>

namespace zorvane {

// Room for an era's name and its Latin initial, NUL included. The system's
// list may hold longer names; such a value is treated as malformed.
constexpr std::size_t kEraNameSize = 16;
constexpr std::size_t kEraInitialSize = 8;
constexpr int kMaxEras = 16;

struct Era {
  int year;   // the first day, Gregorian
  int month;  // 1-12
  int day;    // 1-31
  char name[kEraNameSize];        // 令和
  char initial[kEraInitialSize];  // R
};

// Eras in the order they begin.
struct EraList {
  Era eras[kMaxEras];
  int count;
};

// The eras this release knows: 明治 1868-01-01 to 令和 2019-05-01, each
// beginning on the day Windows counts from.
const EraList& BuiltInEras();

// One value of the system's era list: the name "YYYY MM DD" (the first
// day) and the data "名前_略_English_I" (code page 932). False, with `era`
// untouched, when either is malformed: the name must be whole code page 932
// characters, the initial ASCII letters.
bool ParseEraValue(const char* valueName, const char* data, Era& era);

// Adds one value of the system's list to `list`. An era that begins after
// the last built-in one wins from its first day on, so a new era shows
// without a new release; an era the built-in list already covers, a
// malformed value or one beyond the list's room changes nothing (false).
// A value with the first day of an era already added replaces it.
bool AddSystemEra(EraList& list, const char* valueName, const char* data);

// The era that holds the date, or null before the first era or for a date
// that does not exist (month 1-12, day 1-31 as the month has them).
const Era* EraOf(const EraList& list, int year, int month, int day);

// The year of `era` in which Gregorian `year` lies: 1 in its first year.
inline int EraYear(const Era& era, int year) { return year - era.year + 1; }

// Holidays are known from kFirstHolidayYear, when the act took its present
// form, to kLastHolidayYear, the end of the equinox formula's range.
constexpr int kFirstHolidayYear = 2020;
constexpr int kLastHolidayYear = 2099;

// The day in March of 春分の日 and in September of 秋分の日, by the usual
// formula that matches the published days for 1980-2099; 0 outside.
int SpringEquinoxDay(int year);
int AutumnEquinoxDay(int year);

// The name of the national holiday on the date (祝日, 振替休日 or
// 国民の休日), or null on an ordinary day, outside the known years, or for a
// date that does not exist.
const char* HolidayName(int year, int month, int day);

}  // namespace zorvane
