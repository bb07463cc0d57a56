#pragma once
// The time zones the system knows, for the format language's "#{…}" and
// for the zone picker. Windows keeps each zone under the key Time Zones:
// its present rule (TZI) and, for zones whose rules changed, the rule of
// each year (Dynamic DST). Reading them ourselves gives the same answers
// on every Windows and under Wine, which keeps the same keys.

#include <windows.h>

#include <cstdint>

#include "core/time_format.h"
#include "core/time_zones.h"

namespace system_zones {

// The key that holds the system's zones, under HKEY_LOCAL_MACHINE.
extern const wchar_t* const kZonesKey;

// Reads the zone `id` (a subkey of `zones`; key names ignore case) into
// `rules`. False when the zone is missing or its TZI is malformed. Of a
// long dynamic record the years closest to `aroundYear` are kept.
bool ReadRules(HKEY zones, const wchar_t* id, int aroundYear, zorvane::ZoneRules& rules);

// One zone of the system's list, as the picker shows it.
struct ListedZone {
  wchar_t id[64];        // the key name: "Tokyo Standard Time"
  wchar_t display[128];  // in the user's language where the system has it
  LONG bias;             // minutes west of UTC (TZI)
};

// Fills `out` with up to `capacity` zones of `zones` in the system's order:
// by offset from UTC, west first, then by display name. Returns the count.
int List(HKEY zones, ListedZone* out, int capacity);

// The zones a format names, resolved when the format is loaded and again
// after a time or zone change, so that a tick only converts. Holds the
// rules of each zone; a zone beyond its room is read at each use.
class SystemZones final : public zorvane::ZoneSource {
 public:
  SystemZones();

  // Forgets the zones resolved before and resolves those `timeFormat` (the
  // stored value, lead-in included) names.
  void Load(const char* timeFormat);

  bool TimeIn(const char* windowsId, std::int64_t utc, zorvane::ZoneTime& out) override;

  // Zones read from the system since construction.
  int Reads() const { return reads; }

 private:
  struct Zone {
    char id[zorvane::kZoneNameSize];
    bool known;
    zorvane::ZoneRules rules;
  };
  // Reads `id` into `zone`; `zone.known` says whether the system has it.
  void Resolve(const char* id, Zone& zone);

  static constexpr int kMaxZones = 12;
  Zone zones[kMaxZones];
  int count;
  int reads;
};

}  // namespace system_zones
