#pragma once
// File helpers shared by the Win32 and end-to-end tests: the test program's
// directory, and files written and read back as raw bytes.

#include <windows.h>

#include <string>

namespace test_files {

inline std::string ModuleDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path);
  return s.substr(0, s.find_last_of('\\'));
}

// A text of the ANSI code page in UTF-16.
inline std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

// UTF-16 text in the ANSI code page, for messages.
inline std::string Narrow(const std::wstring& wide) {
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr, nullptr);
  return text;
}

// Files are opened by wide paths: a folder's name may have no form in the
// ANSI code page (é has none in 932).
inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
}

inline void WriteBytes(const std::string& path, const std::string& bytes) { WriteBytes(Wide(path), bytes); }

// "" when the file cannot be opened. Others may go on writing meanwhile.
inline std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(f);
  return bytes;
}

inline std::string ReadBytes(const std::string& path) { return ReadBytes(Wide(path)); }

// A settings file's lines without line ends and blank lines, each followed
// by "\n", for comparing contents and order.
inline std::string Lines(const std::string& bytes) {
  std::string out;
  for (char c : bytes)
    if (c != '\r' && (c != '\n' || (!out.empty() && out.back() != '\n'))) out += c;
  return out.empty() || out.back() == '\n' ? out : out + "\n";
}

}  // namespace test_files
