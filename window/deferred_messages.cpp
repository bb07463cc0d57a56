#include "window/deferred_messages.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Whether `bytes` from `p` can be read: another program can send any value
// as a pointer.
bool Readable(const void* p, size_t bytes) {
  uintptr_t at = reinterpret_cast<uintptr_t>(p);
  const uintptr_t end = at + bytes;
  if (p == nullptr || end < at) return false;
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  while (at < end) {
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == 0) return false;
    if (region.State != MEM_COMMIT || (region.Protect & kReadable) == 0 || (region.Protect & PAGE_GUARD) != 0) {
      return false;
    }
    at = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
  }
  return true;
}

}  // namespace

static_assert(offsetof(POWERBROADCAST_SETTING, Data) == 20, "the kept record is laid out as the system's");

DeferredMessages::Verdict DeferredMessages::Consider(UINT message, WPARAM wParam, LPARAM lParam, bool sent,
                                                     const OwnMessages& own, LRESULT* answer) {
  *answer = 0;
  bool byLParam = false;
  switch (message) {
    case WM_TIMER: case WM_TIMECHANGE: case WM_COMMAND: case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_CLOSE:
    case WM_DPICHANGED: case WM_DISPLAYCHANGE: case WM_SYSCOLORCHANGE: case WM_THEMECHANGED: case WM_SETTINGCHANGE:
      break;
    case WM_SYSCOMMAND:
      if (wParam != SC_MOVE && wParam != SC_CLOSE) return Verdict::HandleNow;
      break;
    case WM_WTSSESSION_CHANGE:
    case WM_ENDSESSION:
      // Taken however they came (sent, notified, posted), as outside a call.
      break;
    case WM_POWERBROADCAST:
      *answer = TRUE;
      if (wParam == PBT_POWERSETTINGCHANGE) {
        // The record is the sender's, valid only during this send: read now.
        DWORD state = 0;
        if (!sent || !DisplayStateOf(lParam, own.displayState, &state)) return Verdict::Answered;
        power = PowerSetting{own.displayState, sizeof(DWORD), state};
        lParam = reinterpret_cast<LPARAM>(&power);
      }
      break;
    default:
      if (message == 0) return Verdict::HandleNow;
      if (message == own.tray) {
        byLParam = true;  // a click and a move are two requests
      } else if (message != own.follow && message != own.closeDialogs && message != own.taskbarCreated) {
        return Verdict::HandleNow;
      }
      break;
  }
  return Keep(message, wParam, lParam, sent, byLParam) ? Verdict::KeptFirst : Verdict::Answered;
}

bool DeferredMessages::DisplayStateOf(LPARAM record, const GUID& display, DWORD* state) {
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(record);
  constexpr size_t kHead = offsetof(POWERBROADCAST_SETTING, Data);
  if (!Readable(setting, kHead) || setting->PowerSetting != display || setting->DataLength < sizeof(DWORD) ||
      !Readable(setting, kHead + sizeof(DWORD))) {
    return false;
  }
  std::memcpy(state, setting->Data, sizeof *state);
  return true;
}

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

std::size_t DeferredMessages::Take(Message (&out)[kCapacity]) {
  const std::size_t n = count;
  for (std::size_t i = 0; i < n; ++i) out[i] = kept[i];
  count = 0;
  return n;
}
