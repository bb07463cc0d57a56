#include "window/deferred_messages.h"

#include <cstddef>

static_assert(offsetof(POWERBROADCAST_SETTING, Data) == 20, "the kept record is laid out as the system's");

bool DeferredMessages::Keep(UINT message, WPARAM wParam, LPARAM lParam, bool sent, bool byLParam) {
  const bool first = count == 0;
  for (std::size_t i = 0; i < count; ++i) {
    Message& m = kept[i];
    if (m.message == message && m.wParam == wParam && (!byLParam || m.lParam == lParam)) {
      m.lParam = lParam;
      m.sent = sent;
      return first;
    }
  }
  if (count < kCapacity) kept[count++] = Message{message, wParam, lParam, sent};
  return first;
}

LPARAM DeferredMessages::KeepPowerSetting(const GUID& setting, DWORD state) {
  power = PowerSetting{setting, sizeof(DWORD), state};
  return reinterpret_cast<LPARAM>(&power);
}

std::size_t DeferredMessages::Take(Message (&out)[kCapacity]) {
  const std::size_t n = count;
  for (std::size_t i = 0; i < n; ++i) out[i] = kept[i];
  count = 0;
  return n;
}
