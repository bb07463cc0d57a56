// The system's era list as the clock reads it: wide registry values turned
// into code page 932 and handed to the format language. Wine has no era
// key, so the values are injected into a key of the test's own.

#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
#include <string>

#include "app/system_eras.h"
#include "core/time_format.h"

namespace {

std::string Fmt(const char* stored, int year, int month, int day, const zorvane::EraList& eras) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  char text[zorvane::kTextSize];
  int pad = 0;
  zorvane::FormatTime(stored, t, text, pad, eras);
  return text;
}

// A key of the test's own under HKCU, removed again at the end.
class ScratchKey {
 public:
  static constexpr const wchar_t* kParent = L"Software\\ZorvaneTest";

  ScratchKey() {
    path_ = std::wstring(kParent) + L"\\Eras" + std::to_wstring(GetCurrentProcessId());
    RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  ~ScratchKey() {
    if (key_ != nullptr) RegCloseKey(key_);
    RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, kParent);  // fails, as it should, while another run uses it
  }
  HKEY Get() const { return key_; }
  void Set(const wchar_t* name, const std::wstring& data, DWORD type = REG_SZ) {
    RegSetValueExW(key_, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

// A later era from the system takes over; values that are not strings, do
// not fit code page 932, are too long or are malformed are skipped without
// stopping the rest. A string stored without its NUL still reads whole.
TEST(SystemEras, LaterErasFromTheRegistryReachTheFormat) {
  ScratchKey key;
  ASSERT_NE(key.Get(), nullptr);
  key.Set(L"1989 01 08", L"平成_平_Heisei_H");
  key.Set(L"2030 09 01", L"仮名_仮_Test Era_K");
  key.Set(L"2031 01 01", L"Café_カ_Cafe_C");                       // é has no CP932 form
  key.Set(L"2032 01 01", std::wstring(300, L'長') + L"_長_Long_L");  // beyond the buffer
  key.Set(L"2033 01 01", L"数値", REG_DWORD);
  key.Set(L"2034 01 01", L"壊れた値");
  const std::wstring unterminated = L"新元_新_Shingen_X";
  RegSetValueExW(key.Get(), L"2040 03 01", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated.c_str()),
                 static_cast<DWORD>(unterminated.size() * sizeof(wchar_t)));

  zorvane::EraList list = zorvane::BuiltInEras();
  system_eras::AddFromKey(key.Get(), list);
  EXPECT_EQ(list.count, zorvane::BuiltInEras().count + 2);
  EXPECT_EQ(Fmt("!$g$E $G", 2030, 8, 31, list), "令和12 R");
  EXPECT_EQ(Fmt("!$g$E $G", 2030, 9, 1, list), "仮名元 K");
  EXPECT_EQ(Fmt("!$g$E $G", 2035, 1, 1, list), "仮名6 K");
  EXPECT_EQ(Fmt("!$g$E $G", 2040, 3, 1, list), "新元元 X");
  EXPECT_EQ(Fmt("!$g$E $G", 1990, 1, 1, list), "平成2 H");
}

// Without the system's key (as under Wine) the built-in list holds.
TEST(SystemEras, WithoutTheSystemsKeyTheBuiltInListHolds) {
  HKEY key = nullptr;
  const bool present = RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                     L"SYSTEM\\CurrentControlSet\\Control\\Nls\\Calendars\\Japanese\\Eras", 0,
                                     KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
  if (key != nullptr) RegCloseKey(key);
  const zorvane::EraList list = system_eras::Load();
  EXPECT_EQ(Fmt("!$g$E $G$e", 2026, 12, 7, list), "令和8 R8");
  EXPECT_EQ(Fmt("!$g$E", 2019, 4, 30, list), "平成31");
  if (!present) {
    EXPECT_EQ(list.count, zorvane::BuiltInEras().count);
  }
}

}  // namespace
