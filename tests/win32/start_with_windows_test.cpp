// Whether Windows starts the clock at sign-in, read from and written to
// keys of the test's own below HKEY_CURRENT_USER, laid out as the system's.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "window/start_with_windows.h"

namespace {

const start_with_windows::Keys kTestKeys = {L"Software\\ZorvaneTest\\Run", L"Software\\ZorvaneTest\\Approved"};
const wchar_t kExe[] = L"C:\\Users\\ユーザー\\Documents\\Zorvane\\Zorvane.exe";

void Clear() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZorvaneTest"); }

void SetRun(const wchar_t* command) {
  RegSetKeyValueW(HKEY_CURRENT_USER, kTestKeys.run, L"Zorvane", REG_SZ, command,
                  static_cast<DWORD>((wcslen(command) + 1) * sizeof(wchar_t)));
}

void SetState(BYTE state) {
  const BYTE value[12] = {state};
  RegSetKeyValueW(HKEY_CURRENT_USER, kTestKeys.approved, L"Zorvane", REG_BINARY, value, sizeof value);
}

bool Exists(const wchar_t* key) {
  DWORD size = 0;
  return RegGetValueW(HKEY_CURRENT_USER, key, L"Zorvane", RRF_RT_ANY, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

}  // namespace

// Ticked only when the Run value names this exe, quoted, in any case, and
// the start-up list does not mark it disabled (an odd first byte).
TEST(StartWithWindows, OnlyAnEntryForThisExeThatTheStartupListAllowsCounts) {
  struct Case {
    const wchar_t* run;  // null: no value
    int state;           // -1: no mark in the start-up list
    bool on;
  } const cases[] = {
      {nullptr, -1, false},
      {L"\"C:\\Users\\ユーザー\\Documents\\Zorvane\\Zorvane.exe\"", -1, true},
      {L"\"c:\\users\\ユーザー\\documents\\zorvane\\ZORVANE.EXE\"", -1, true},
      {L"C:\\Users\\ユーザー\\Documents\\Zorvane\\Zorvane.exe", -1, false},
      {L"\"C:\\Old\\Zorvane.exe\"", -1, false},
      {L"\"C:\\Users\\ユーザー\\Documents\\Zorvane\\Zorvane.exe\" /x", -1, false},
      {L"\"C:\\Users\\ユーザー\\Documents\\Zorvane\\Zorvane.exe\"", 2, true},
      {L"\"C:\\Users\\ユーザー\\Documents\\Zorvane\\Zorvane.exe\"", 6, true},
      {L"\"C:\\Users\\ユーザー\\Documents\\Zorvane\\Zorvane.exe\"", 3, false},
      {L"\"C:\\Users\\ユーザー\\Documents\\Zorvane\\Zorvane.exe\"", 7, false},
  };
  for (const Case& c : cases) {
    Clear();
    if (c.run != nullptr) SetRun(c.run);
    if (c.state >= 0) SetState(static_cast<BYTE>(c.state));
    EXPECT_EQ(c.on, start_with_windows::IsOn(kTestKeys, kExe))
        << (c.run ? std::wstring(c.run).size() : 0) << " characters, state " << c.state;
  }
  Clear();
}

// Setting writes the quoted path and clears a disable mark; removing takes
// the value away; a registry that cannot be written is told.
TEST(StartWithWindows, ChoosingSetsOrRemovesAndAFailedWriteIsTold) {
  Clear();
  SetRun(L"\"C:\\Old\\Zorvane.exe\"");
  SetState(3);
  ASSERT_TRUE(start_with_windows::Set(kTestKeys, kExe, true));
  wchar_t value[512] = {};
  DWORD size = sizeof value;
  ASSERT_EQ(ERROR_SUCCESS,
            RegGetValueW(HKEY_CURRENT_USER, kTestKeys.run, L"Zorvane", RRF_RT_REG_SZ, nullptr, value, &size));
  EXPECT_EQ(L"\"" + std::wstring(kExe) + L"\"", value);
  EXPECT_FALSE(Exists(kTestKeys.approved));
  EXPECT_TRUE(start_with_windows::IsOn(kTestKeys, kExe));

  ASSERT_TRUE(start_with_windows::Set(kTestKeys, kExe, false));
  EXPECT_FALSE(Exists(kTestKeys.run));
  EXPECT_TRUE(start_with_windows::Set(kTestKeys, kExe, false)) << "removing what is not there is no failure";

  // A key name longer than the registry allows cannot be created.
  const std::wstring tooLong = L"Software\\ZorvaneTest\\" + std::wstring(300, L'x');
  const start_with_windows::Keys unwritable = {tooLong.c_str(), kTestKeys.approved};
  EXPECT_FALSE(start_with_windows::Set(unwritable, kExe, true));
  Clear();
}
