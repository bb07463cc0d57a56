#pragma once
// The clock's time format language: '$' date and era, '%' time of day, '#'
// weekday, half-day word, Internet time and national holiday, each followed
// by one letter. Portable: works on code page 932 bytes and needs nothing
// from the platform.

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "core/japanese_calendar.h"
#include "core/time_zones.h"

namespace zorvane {

// Size of the clock text and of the stored format buffer.
constexpr std::size_t kTextSize = 1024;

// Appends `value` in decimal to the NUL-terminated `text`. With `padDigits`
// a value below 100 gets two digits, a larger one four ("%02d" / "%04d").
// Never writes past the buffer: what does not fit is dropped.
void AppendNumber(char (&text)[kTextSize], long long value, int padDigits);

// Runs `timeFormat` (lead-in included: its first byte is skipped) over the
// broken-down local time and rewrites `text`. `padDigits` is the leading-zero
// flag that each marker sets; it is passed in so the caller can keep it.
// `eras` is the era list of the system (BuiltInEras() where it gives none).
// Any field of `localTime` may hold any int: numbers are computed in a wider
// type, and fields that make no date give no era or holiday.
// Truncation: the text is cut where the buffer ends. A character that does
// not fit there (a two-byte one is never split) ends the text, and nothing
// after it is added, not even a one-byte character that would fit: the text
// is always a clean prefix of the whole output.
void FormatTime(const char* timeFormat, const std::tm& localTime,
                char (&text)[kTextSize], int& padDigits,
                const EraList& eras = BuiltInEras());

// One reading of the clock: the local time, the same instant in seconds
// since 1970 (UTC), and where to ask for zones only the system knows (null
// when none is known).
struct Reading {
  std::tm local;
  std::int64_t utc;
  ZoneSource* zones;
};

// FormatTime with other zones: "#{NAME}" makes the fields after it show
// the date and time in zone NAME (ParseZoneName), until the next "#{…}";
// "#{}" goes back to local time. "#z" is the offset from UTC of the zone in
// use (+09:00). A zone the system does not know, or a "#{" without its
// "}", appends "error" and ends the pass. The overload above knows no
// instant: there every "#{" and "#z" gives "error".
void FormatTime(const char* timeFormat, const Reading& reading, char (&text)[kTextSize], int& padDigits,
                const EraList& eras = BuiltInEras());

// Internet time for a local time kept at UTC+9: 0-999 beats.
int Beats(int hour, int minute, int second);

}  // namespace zorvane
