// Whether Windows starts the clock at sign-in, read from keys of the test's
// own below HKEY_CURRENT_USER, laid out as the system's. Choosing the menu
// item is shown end to end.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "window/start_with_windows.h"

namespace {

const start_with_windows::Keys kTestKeys = {L"Software\\ZorvaneTest\\Run", L"Software\\ZorvaneTest\\Approved"};
const std::wstring kExe = L"C:\\Users\\ユーザー\\Documents\\Zorvane\\Zorvane.exe";

}  // namespace

// Ticked only when the Run value names this exe, quoted, in any case, and
// the start-up list does not mark it disabled (an odd first byte).
TEST(StartWithWindows, OnlyAnEntryForThisExeThatTheStartupListAllowsCounts) {
  const std::wstring quoted = L"\"" + kExe + L"\"";
  struct Case {
    std::wstring run;  // empty: no value
    int state;         // -1: no mark in the start-up list
    bool on;
  } const cases[] = {
      {L"", -1, false},           {quoted, -1, true},          {quoted, 2, true},  {quoted, 6, true},
      {quoted, 3, false},         {quoted, 7, false},          {kExe, -1, false},  {quoted + L" /x", -1, false},
      {L"\"C:\\Old\\Zorvane.exe\"", -1, false}, {L"\"c:\\users\\ユーザー\\documents\\zorvane\\ZORVANE.EXE\"", -1, true},
  };
  for (const Case& c : cases) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZorvaneTest");
    if (!c.run.empty()) {
      RegSetKeyValueW(HKEY_CURRENT_USER, kTestKeys.run, L"Zorvane", REG_SZ, c.run.c_str(),
                      static_cast<DWORD>((c.run.size() + 1) * sizeof(wchar_t)));
    }
    const BYTE state[12] = {static_cast<BYTE>(c.state)};
    if (c.state >= 0) RegSetKeyValueW(HKEY_CURRENT_USER, kTestKeys.approved, L"Zorvane", REG_BINARY, state, 12);
    EXPECT_EQ(c.on, start_with_windows::IsOn(kTestKeys, kExe.c_str())) << c.run.size() << " " << c.state;
  }
  // A key the registry cannot create (its name too long): the write is
  // reported as failed.
  const std::wstring tooLong = L"Software\\ZorvaneTest\\" + std::wstring(300, L'x');
  EXPECT_FALSE(start_with_windows::Set({tooLong.c_str(), kTestKeys.approved}, kExe.c_str(), true));
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZorvaneTest");
}
