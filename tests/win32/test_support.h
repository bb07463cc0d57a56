#pragma once
// Helpers shared by the Win32 tests: the settings file beside the test
// program, written and read back as raw bytes.

#include <windows.h>

#include <string>

#include "app/clock_app.h"
#include "clock/window_style.h"
#include "res/resource.h"
#include "settings/profile_section.h"
#include "tests/test_files.h"

namespace testing_support {

using test_files::Lines;
using test_files::ModuleDirectory;

inline std::string IniPath() { return ModuleDirectory() + "\\" + kSettingsFile; }

inline void WriteIni(const std::string& bytes) { test_files::WriteBytes(IniPath(), bytes); }

inline bool IniExists() { return GetFileAttributesA(IniPath().c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadIni() { return test_files::ReadBytes(IniPath()); }

inline void RemoveIni() { DeleteFileA(IniPath().c_str()); }

// A clock window of the program's own style, hidden and without the
// single-copy guard, of class `className`.
inline CreateParams ClockParams(const char* className, WNDPROC proc) {
  CreateParams p{};
  p.instance = GetModuleHandleA(nullptr);
  p.windowProcedure = proc;
  p.title = "FrameworkTest";
  p.className = className;
  p.iconId = IDI_CLOCK;
  p.smallIconId = IDI_CLOCK;
  p.cursorId = 0xFFFF;
  p.exStyle = window_style::kExStyle;
  p.style = window_style::kCaptionStyle;
  p.x = p.y = -1;
  p.width = 200;
  p.height = 80;
  p.showCommand = SW_HIDE;
  p.flags = kCreateNoGuard;
  return p;
}

// The clock window posts WM_QUIT when destroyed; take it out of the queue
// so that it does not end a later test's modal loop.
inline void DestroyClock(HWND w) {
  DestroyWindow(w);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

// Each test starts and ends without a settings file.
class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveIni(); }
  void TearDown() override { RemoveIni(); }
};

}  // namespace testing_support
