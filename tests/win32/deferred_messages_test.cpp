// Messages kept while the clock waits in its own call: each kind once, in
// the order they came, and a display state record that outlives its send.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "window/deferred_messages.h"

TEST(DeferredMessages, EachKindIsKeptOnceInTheOrderItCameAndTheDisplayStateOutlivesItsSend) {
  DeferredMessages kept;
  const struct { UINT message; WPARAM wParam; LPARAM lParam; bool byLParam; bool first; } arrivals[] = {
      {WM_TIMECHANGE, 0, 0, false, true},          {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, false, false},
      {WM_TIMECHANGE, 0, 0, false, false},         {WM_USER, 7, WM_LBUTTONUP, true, false},
      {WM_USER, 7, WM_MOUSEMOVE, true, false},     {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, false, false},
      {WM_DPICHANGED, MAKEWPARAM(96, 96), 1, false, false}, {WM_DPICHANGED, MAKEWPARAM(96, 96), 2, false, false}};
  for (const auto& a : arrivals) EXPECT_EQ(a.first, kept.Keep(a.message, a.wParam, a.lParam, true, a.byLParam));

  DeferredMessages::Message out[DeferredMessages::kCapacity];
  const UINT order[] = {WM_TIMECHANGE, WM_POWERBROADCAST, WM_USER, WM_USER, WM_DPICHANGED};
  ASSERT_EQ(sizeof order / sizeof order[0], kept.Take(out));
  for (size_t i = 0; i < sizeof order / sizeof order[0]; ++i) EXPECT_EQ(order[i], out[i].message) << i;
  EXPECT_EQ(LPARAM{WM_LBUTTONUP}, out[2].lParam) << "a click is not lost to a later move";
  EXPECT_EQ(LPARAM{2}, out[4].lParam) << "the latest of a kind";
  EXPECT_EQ(0u, kept.Take(out));

  const GUID display = {0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
  const auto* record = reinterpret_cast<const POWERBROADCAST_SETTING*>(kept.KeepPowerSetting(display, 2));
  EXPECT_TRUE(record->PowerSetting == display);
  ASSERT_EQ(sizeof(DWORD), record->DataLength);
  DWORD state = 0;
  std::memcpy(&state, record->Data, sizeof state);
  EXPECT_EQ(2u, state);

  for (UINT i = 0; i < 2 * DeferredMessages::kCapacity; ++i) kept.Keep(WM_COMMAND, i, 0, false, false);
  EXPECT_EQ(DeferredMessages::kCapacity, kept.Take(out)) << "a flood beyond the kinds is dropped";
}
