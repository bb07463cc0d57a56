#include "window/start_with_windows.h"

#include <cwchar>

namespace start_with_windows {

const Keys kUserKeys = {L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run"};

namespace {

// A path of the long form and its quotes.
constexpr DWORD kCommandSize = 32768 + 2;

bool DisabledInStartupList(const Keys& keys) {
  // The list keeps 12 bytes per entry: a state (2 or 6 enabled, 3 or 7
  // disabled: its low bit) and the time it was disabled.
  BYTE state[16] = {};
  DWORD size = sizeof state;
  const LSTATUS status =
      RegGetValueW(HKEY_CURRENT_USER, keys.approved, kValueName, RRF_RT_REG_BINARY, nullptr, state, &size);
  return status == ERROR_SUCCESS && size >= 1 && (state[0] & 1) != 0;
}

}  // namespace

bool IsOn(const Keys& keys, const wchar_t* exe) {
  static wchar_t command[kCommandSize];
  DWORD size = sizeof command;
  if (RegGetValueW(HKEY_CURRENT_USER, keys.run, kValueName, RRF_RT_REG_SZ, nullptr, command, &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  // "<exe>" exactly; paths compare without case, as the file system does.
  const int length = static_cast<int>(std::wcslen(command));
  const int exeLength = static_cast<int>(std::wcslen(exe));
  if (length != exeLength + 2 || command[0] != L'"' || command[length - 1] != L'"') return false;
  if (CompareStringOrdinal(command + 1, exeLength, exe, exeLength, TRUE) != CSTR_EQUAL) return false;
  return !DisabledInStartupList(keys);
}

bool Set(const Keys& keys, const wchar_t* exe, bool on) {
  LSTATUS status = ERROR_SUCCESS;
  if (on) {
    // "<exe>"; a path too long for the value is refused, not cut short.
    static wchar_t command[kCommandSize];
    const std::size_t exeLength = std::wcslen(exe);
    if (exeLength + 3 > kCommandSize) return false;
    command[0] = L'"';
    std::wmemcpy(command + 1, exe, exeLength);
    command[exeLength + 1] = L'"';
    command[exeLength + 2] = L'\0';
    const DWORD bytes = static_cast<DWORD>((std::wcslen(command) + 1) * sizeof(wchar_t));
    status = RegSetKeyValueW(HKEY_CURRENT_USER, keys.run, kValueName, REG_SZ, command, bytes);
  } else {
    status = RegDeleteKeyValueW(HKEY_CURRENT_USER, keys.run, kValueName);
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  }
  if (status != ERROR_SUCCESS) return false;
  // Chosen in the clock's menu, the user's latest word wins over a mark
  // the start-up list left.
  const LSTATUS mark = RegDeleteKeyValueW(HKEY_CURRENT_USER, keys.approved, kValueName);
  return on ? mark == ERROR_SUCCESS || mark == ERROR_FILE_NOT_FOUND : true;
}

bool ThisExecutable(wchar_t* path, DWORD size) {
  const DWORD n = GetModuleFileNameW(nullptr, path, size);
  return n > 0 && n < size;
}

}  // namespace start_with_windows
