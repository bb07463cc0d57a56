// Whether Windows starts the clock at sign-in, read from the test's own keys laid out
// as the system's below HKEY_CURRENT_USER. Choosing the menu item is shown end to end.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "window/start_with_windows.h"

// Ticked only when the Run value names this exe, quoted, in any case, and
// the start-up list does not mark it disabled (an odd first byte); a write
// the registry refuses is reported as failed.
TEST(StartWithWindows, OnlyAnEntryForThisExeThatTheStartupListAllowsCounts) {
  const start_with_windows::Keys keys = {L"Software\\ZorvaneTest\\Run", L"Software\\ZorvaneTest\\Approved"};
  const std::wstring exe = L"C:\\Users\\ユーザー\\Documents\\Zorvane\\Zorvane.exe", quoted = L"\"" + exe + L"\"";
  const struct { std::wstring run; int state; bool on; } cases[] = {  // run "": no value; state -1: no mark
      {L"", -1, false},  {quoted, -1, true}, {quoted, 2, true}, {quoted, 7, false}, {exe, -1, false},
      {quoted + L" /x", -1, false}, {L"\"C:\\Old\\Zorvane.exe\"", -1, false},
      {L"\"c:\\users\\ユーザー\\documents\\zorvane\\ZORVANE.EXE\"", -1, true},
  };
  for (const auto& c : cases) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZorvaneTest");
    const auto bytes = static_cast<DWORD>((c.run.size() + 1) * sizeof(wchar_t));
    if (!c.run.empty()) RegSetKeyValueW(HKEY_CURRENT_USER, keys.run, L"Zorvane", REG_SZ, c.run.c_str(), bytes);
    const BYTE state[12] = {static_cast<BYTE>(c.state)};
    if (c.state >= 0) RegSetKeyValueW(HKEY_CURRENT_USER, keys.approved, L"Zorvane", REG_BINARY, state, 12);
    EXPECT_EQ(c.on, start_with_windows::IsOn(keys, exe.c_str())) << c.run.size() << " " << c.state;
  }
  const std::wstring tooLong = L"Software\\ZorvaneTest\\" + std::wstring(300, L'x');  // no such key can be made
  EXPECT_FALSE(start_with_windows::Set({tooLong.c_str(), keys.approved}, exe.c_str(), true));
  // Written quoted; a path longer than any the system allows is refused and
  // leaves the entry as it was.
  EXPECT_TRUE(start_with_windows::Set(keys, exe.c_str(), true));
  EXPECT_TRUE(start_with_windows::IsOn(keys, exe.c_str()));
  EXPECT_FALSE(start_with_windows::Set(keys, std::wstring(40000, L'x').c_str(), true));
  EXPECT_TRUE(start_with_windows::IsOn(keys, exe.c_str()));
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZorvaneTest");
}
