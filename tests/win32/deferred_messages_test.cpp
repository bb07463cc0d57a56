// What waits while the clock is inside its own call: the messages whose work
// would touch what the call holds, each kind once, in the order they came,
// with a display state record that outlives its send.

#include <gtest/gtest.h>

#include <windows.h>
#include <wtsapi32.h>

#include <cstring>

#include "window/deferred_messages.h"

TEST(DeferredMessages, WorkWaitsOncePerKindInTheOrderItCame) {
  using V = DeferredMessages::Verdict;
  constexpr GUID kDisplay = {0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
  const DeferredMessages::OwnMessages own{WM_APP + 0x40, WM_USER + 0x1000, WM_APP + 1, 0xC123, kDisplay};
  struct { GUID setting; DWORD length; DWORD data; } displayOff{kDisplay, sizeof(DWORD), 0};
  const LPARAM record = reinterpret_cast<LPARAM>(&displayOff);
  const struct { UINT message; WPARAM wParam; LPARAM lParam; bool sent; V verdict; LRESULT answer; } arrivals[] = {
      {WM_PAINT, 0, 0, true, V::HandleNow, 0},  // reads only
      {WM_GETOBJECT, 0, 0, true, V::HandleNow, 0},
      {WM_TIMECHANGE, 0, 0, true, V::KeptFirst, 0},
      {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, true, V::Answered, TRUE},
      {WM_TIMECHANGE, 0, 0, true, V::Answered, 0},  // the same work: once
      {WM_USER + 0x1000, 100, WM_LBUTTONUP, true, V::Answered, 0},
      {WM_USER + 0x1000, 100, WM_MOUSEMOVE, true, V::Answered, 0},  // a move does not replace the click
      {WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0, false, V::Answered, 0},  // posted counts too: kept
      {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, record, true, V::Answered, TRUE},
      {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 1, true, V::Answered, TRUE},  // unreadable: ignored
      {WM_SYSCOMMAND, SC_SCREENSAVE, 0, true, V::HandleNow, 0},
      {0xC123, 0, 0, true, V::Answered, 0}};
  DeferredMessages deferred;
  for (const auto& a : arrivals) {
    LRESULT answer = -1;
    EXPECT_EQ(a.verdict, deferred.Consider(a.message, a.wParam, a.lParam, a.sent, own, &answer)) << a.message;
    if (a.verdict != V::HandleNow) {
      EXPECT_EQ(a.answer, answer) << a.message;
    }
  }
  displayOff.data = 1;  // the sender's record is gone or reused

  DeferredMessages::Message kept[DeferredMessages::kCapacity];
  const UINT order[] = {WM_TIMECHANGE,        WM_POWERBROADCAST, WM_USER + 0x1000, WM_USER + 0x1000,
                        WM_WTSSESSION_CHANGE, WM_POWERBROADCAST, 0xC123};
  ASSERT_EQ(sizeof order / sizeof order[0], deferred.Take(kept));
  for (size_t i = 0; i < sizeof order / sizeof order[0]; ++i) EXPECT_EQ(order[i], kept[i].message) << i;
  const auto* copy = reinterpret_cast<const POWERBROADCAST_SETTING*>(kept[5].lParam);
  DWORD state = 1;
  ASSERT_TRUE(DeferredMessages::DisplayStateOf(kept[5].lParam, kDisplay, &state));
  EXPECT_TRUE(copy != reinterpret_cast<const void*>(record));
  EXPECT_EQ(0u, state) << "the display's state as it was sent";
  EXPECT_EQ(0u, deferred.Take(kept));
}
