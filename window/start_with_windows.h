#pragma once
// Whether Windows starts the clock at sign-in: a value of the user's Run
// key naming this executable, not disabled in the system's start-up list
// (Settings > Apps > Startup, Task Manager's Startup tab). The user's own
// keys only: no elevation is ever needed.

#include <windows.h>

namespace start_with_windows {

// Where the entry lives, below HKEY_CURRENT_USER: the Run key, and the key
// where the system's start-up list marks an entry disabled.
struct Keys {
  const wchar_t* run;
  const wchar_t* approved;
};
extern const Keys kUserKeys;

// The value's name in both keys.
constexpr const wchar_t* kValueName = L"Zorvane";

// Whether Windows will start `exe` at sign-in: the Run value holds `exe`'s
// full path in double quotes (any case), and the start-up list does not
// mark it disabled (its first byte odd).
bool IsOn(const Keys& keys, const wchar_t* exe);

// Writes or removes the Run value for `exe`, and clears a disable mark;
// false when the registry could not be written.
bool Set(const Keys& keys, const wchar_t* exe, bool on);

// This executable's full path into `path`; false when it does not fit.
bool ThisExecutable(wchar_t* path, DWORD size);

}  // namespace start_with_windows
