// Cost of one clock tick's text and placement: the default format, the
// longest Japanese preset, and the docking geometry.

#include <benchmark/benchmark.h>

#include <ctime>

#include "core/placement.h"
#include "core/time_format.h"

namespace {

void Format(benchmark::State& state, const char* stored) {
  std::tm t{};  // Wednesday 3 July 2002 13:05:07
  t.tm_sec = 7; t.tm_min = 5; t.tm_hour = 13;
  t.tm_mday = 3; t.tm_mon = 6; t.tm_year = 102; t.tm_wday = 3;
  char text[zorvane::kTextSize];
  int pad = 0;
  for (auto _ : state) {
    zorvane::FormatTime(stored, t, text, pad);
    benchmark::DoNotOptimize(text);
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(Format, Default, "!$yy/$mm/$dd(#w) %hh:%mm:%ss");
BENCHMARK_CAPTURE(Format, JapanesePreset, "!$yy年$mm月$dd日(#W曜日)  #A %HH時%mm分%ss秒");

// The era and holiday pairs on 2026-05-06, a 振替休日 found by walking back
// over three holidays: the dearest day of the year for "#h".
void EraAndHoliday(benchmark::State& state) {
  std::tm t{};
  t.tm_sec = 7; t.tm_min = 5; t.tm_hour = 13;
  t.tm_mday = 6; t.tm_mon = 4; t.tm_year = 126; t.tm_wday = 3;
  char text[zorvane::kTextSize];
  int pad = 0;
  for (auto _ : state) {
    zorvane::FormatTime("!$g$E年$m月$d日(#W) #h %hh:%mm:%ss", t, text, pad);
    benchmark::DoNotOptimize(text);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(EraAndHoliday);

// A line of three clocks, two of them in other zones (with the rules of
// New York and Berlin), against the same line in local time only.
class TwoZones : public zorvane::ZoneSource {
 public:
  TwoZones() : rules{} {
    rules.base.bias = 300;
    rules.base.daylightBias = -60;
    rules.base.daylightDate = zorvane::ZoneDate{0, 3, 0, 2, 2, 0, 0, 0};
    rules.base.standardDate = zorvane::ZoneDate{0, 11, 0, 1, 2, 0, 0, 0};
  }
  bool TimeIn(const char*, std::int64_t utc, zorvane::ZoneTime& out) override {
    out = zorvane::TimeByRules(rules, utc);
    return true;
  }
  zorvane::ZoneRules rules;
};

void Zones(benchmark::State& state, const char* stored) {
  TwoZones zones;
  const std::int64_t utc = zorvane::DaysFromCivil(2026, 7, 1) * 86400 + 13 * 3600 + 5 * 60 + 7;
  const zorvane::Reading reading{zorvane::BreakDown(utc, 540), utc, &zones};
  char text[zorvane::kTextSize];
  int pad = 0;
  for (auto _ : state) {
    zorvane::FormatTime(stored, reading, text, pad);
    benchmark::DoNotOptimize(text);
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(Zones, LocalOnly, "!%hh:%mm:%ss  %hh:%mm:%ss  %hh:%mm:%ss");
BENCHMARK_CAPTURE(Zones, TwoOtherZones, "!%hh:%mm:%ss  #{America/New_York}%hh:%mm:%ss  #{Europe/Berlin}%hh:%mm:%ss");

void PlaceRect(benchmark::State& state) {
  const zorvane::Rect screen{0, 0, 1920, 1080}, taskbar{0, 1040, 1920, 1080};
  zorvane::Rect anchor{300, 200, 1500, 900};
  int position = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(anchor);
    benchmark::DoNotOptimize(
        zorvane::PlaceRect(position / 3, position % 3, screen, taskbar, anchor, 201, 24));
    position = position == 14 ? 0 : position + 1;
  }
}
BENCHMARK(PlaceRect);

}  // namespace

BENCHMARK_MAIN();
