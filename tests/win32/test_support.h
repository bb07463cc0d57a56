#pragma once
// Helpers shared by the Win32 tests: the settings file beside the test
// program, written and read back as raw bytes.

#include <windows.h>

#include <string>

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

// Each test starts and ends without a settings file.
class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveIni(); }
  void TearDown() override { RemoveIni(); }
};

}  // namespace testing_support
