#pragma once
// Helpers shared by the Win32 tests: the settings file beside the test
// program, written and read back as raw bytes.

#include <windows.h>

#include <string>

#include "settings/profile_section.h"

namespace testing_support {

inline std::string ModuleDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path);
  return s.substr(0, s.find_last_of('\\'));
}

inline std::string IniPath() { return ModuleDirectory() + "\\" + kSettingsFile; }

inline void WriteIni(const std::string& bytes) {
  HANDLE f = CreateFileA(IniPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
}

inline bool IniExists() { return GetFileAttributesA(IniPath().c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadIni() {
  std::string bytes;
  HANDLE f = CreateFileA(IniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(f);
  return bytes;
}

inline void RemoveIni() { DeleteFileA(IniPath().c_str()); }

// The file's lines without line ends and blank lines, for order checks.
inline std::string Lines(const std::string& bytes) {
  std::string out, line;
  for (char c : bytes) {
    if (c == '\r') continue;
    if (c == '\n') {
      if (!line.empty()) out += line + "\n";
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) out += line + "\n";
  return out;
}

// Each test starts and ends without a settings file.
class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveIni(); }
  void TearDown() override { RemoveIni(); }
};

}  // namespace testing_support
