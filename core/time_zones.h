#pragma once
// Other time zones for the format language: "#{NAME}" names a zone, and
// the fields after it show that zone's date and time. Portable: the names,
// the IANA-to-Windows table and the rules of a zone (as Windows writes
// them, year by year) are worked out here; the system only supplies the
// rules, through ZoneSource.

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace zorvane {

// Days since 1970-01-01 of a date (proleptic Gregorian; any month and day
// count on from the year's start), and back.
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day);
void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day);

// The instant `utc` (seconds since 1970) seen `offsetMinutes` east of UTC,
// broken down with weekday and day of the year. A year beyond int's range
// is kept at its edge.
std::tm BreakDown(std::int64_t utc, int offsetMinutes);

// ISO 8601 week of a date: 1-53. Week 1 holds the year's first Thursday.
int IsoWeek(std::int64_t year, int month, int day);

// A date of a zone's rule as Windows writes it (SYSTEMTIME fields). With
// `year` 0 it recurs: `day` 1-5 is the week of the month (5: the last) on
// which weekday `dayOfWeek` (0 = Sunday) falls; otherwise the exact date.
struct ZoneDate {
  short year, month, dayOfWeek, day, hour, minute, second, millisecond;
};

// One year of a zone as Windows keeps it (TIME_ZONE_INFORMATION): minutes
// to add to local time to get UTC. `daylightDate` is when daylight time
// begins, in standard time; `standardDate` when it ends, in daylight time.
// A `month` of 0 in either means no daylight time.
struct ZoneRule {
  int bias;
  int standardBias;
  int daylightBias;
  ZoneDate standardDate;
  ZoneDate daylightDate;
};

// A zone's rules over the years: `years[i]` holds year `firstYear + i`.
// Earlier years take the first rule and later ones the last, as Windows
// does with its dynamic records; without any, `base` holds for all years.
constexpr int kMaxRuleYears = 40;
struct ZoneRules {
  ZoneRule base;
  int firstYear;
  int count;
  ZoneRule years[kMaxRuleYears];
};

const ZoneRule& RuleForYear(const ZoneRules& rules, std::int64_t year);

// The time in a zone, and how far east of UTC that zone is then, in
// minutes, daylight time included.
struct ZoneTime {
  std::tm time;
  int offsetMinutes;
};

// The instant `utc` in the zone of `rules`.
ZoneTime TimeByRules(const ZoneRules& rules, std::int64_t utc);

// Where the format language asks for zones that only the system knows.
// Called once for each "#{…}" of a format at each pass.
class ZoneSource {
 public:
  // The instant `utc` in the zone with the Windows ID `windowsId` (case
  // ignored); false for a zone the system does not know.
  virtual bool TimeIn(const char* windowsId, std::int64_t utc, ZoneTime& out) = 0;

 protected:
  ~ZoneSource() = default;
};

// What a zone name of the format language stands for.
struct ZoneName {
  enum Kind { Local, Fixed, System, Invalid } kind;
  int offsetMinutes;      // Fixed: "UTC", "+05:45", "-03:30"
  const char* windowsId;  // System: the Windows ID, NUL-terminated
};

// Room for a zone name in a format, NUL included; longer names are unknown.
constexpr std::size_t kZoneNameSize = 64;

// Reads the `length` bytes of `name`: empty is the local zone; "UTC" and
// "+HH:MM" / "-HH:MM" (up to 14:00) are fixed offsets; an IANA name
// (America/New_York) gives its Windows ID; any other name of ASCII
// letters, digits, blanks and ".-_+()" is taken as a Windows ID as typed,
// copied into `buffer`. Case is ignored throughout.
ZoneName ParseZoneName(const char* name, std::size_t length, char (&buffer)[kZoneNameSize]);

// The IANA table (core/windows_zones.cpp, generated), packed small. The
// names, sorted by their lower-case spelling, are one record each: a byte
// of how many leading bytes the name shares with the one before it, a byte
// of the index of its Windows ID, then the rest of the name and a NUL. The
// Windows IDs, sorted, are NUL-terminated one after another; a byte 1 in
// them stands for " Standard Time".
struct PackedZones {
  const char* bytes;
  std::size_t size;
};
PackedZones IanaZoneRecords();
PackedZones WindowsIdRecords();
// Every sixteenth IANA record shares nothing with the one before: where
// those begin, so that a search halves between them and walks only the
// few records after one.
struct PackedRestarts {
  const unsigned short* offsets;
  std::size_t count;
};
PackedRestarts IanaZoneRestarts();

// Reads the IANA table one name after another, from its start or from a
// record that shares nothing with the one before.
class IanaZoneReader {
 public:
  IanaZoneReader() = default;
  explicit IanaZoneReader(std::size_t restart) : at(restart) {}

  // Moves to the next name; false after the last.
  bool Next();

  const char* Name() const { return name; }
  int WindowsIndex() const { return windows; }

 private:
  PackedZones table = IanaZoneRecords();
  std::size_t at = 0;
  char name[kZoneNameSize] = {};
  int windows = 0;
};

// Whether two zone IDs are the same, ASCII case ignored (IDs are ASCII):
// a tick compares them, and the system's locale-aware comparisons cost
// more than the rest of a zone's conversion.
bool SameZoneId(const char* a, const char* b);

// Windows ID number `index` of the table, written to `buffer`; null for
// no such index.
const char* WindowsIdAt(int index, char (&buffer)[kZoneNameSize]);

// The Windows ID of an IANA name (case ignored), written to `buffer`; null
// for a name the table does not hold.
const char* WindowsIdOfIana(const char* name, std::size_t length, char (&buffer)[kZoneNameSize]);

}  // namespace zorvane
