#pragma once
// Access to one section of the settings file, Zorvane.ini beside the
// executable. Holds no open file: every call reads, or reads and rewrites,
// the whole file.
//
// The file holds code page 932 text whatever the system's code page is, so
// it is read and written as bytes by the program itself (core/ini_text.h
// has the rules); the system's 8-bit profile functions would pass the text
// through the system's code page, which under UTF-8 or another double-byte
// code page does not give the bytes back. Its path is found in UTF-16, so
// a folder name outside the system's code page still leads to it.

#include <windows.h>

#include <cstddef>

#include "core/profile_values.h"

// The settings file's name; every caller binds to it.
constexpr const char* kSettingsFile = "Zorvane.ini";

class ProfileSection {
 public:
  ProfileSection();
  virtual ~ProfileSection() = default;

  ProfileSection(const ProfileSection&) = delete;
  ProfileSection& operator=(const ProfileSection&) = delete;

  // Locates `fileName` beside the module's executable and selects
  // `sectionName`. A null name keeps the one bound before. A path or name
  // that does not fit its buffer is refused: reads then give their
  // defaults and writes do nothing, so no other file is ever touched.
  void Bind(const char* fileName, const char* sectionName, HINSTANCE module);

  // At most 255 bytes of the key's text (blanks around it dropped), or of
  // `defaultText` when the key is absent, into `destination` of `size` bytes.
  void ReadString(const char* key, char* destination, const char* defaultText,
                  std::size_t size = 256) const;
  // The key's text read by atoi rules; `defaultValue` when the key is absent.
  int ReadInt(const char* key, int defaultValue) const;

  // Replace or add the key, creating the section and the file if needed.
  // True when the file holds the new value. On false the file is as it was
  // (a read-only or locked file, a folder without write access, no usable
  // path) and nothing was written anywhere else.
  bool WriteString(const char* key, const char* text) const;
  bool WriteInt(const char* key, int value) const;

  // The full path of the file, or L"" when binding was refused.
  const wchar_t* Path() const { return path; }

 private:
  bool Usable() const { return path[0] != L'\0' && section[0] != '\0'; }

  wchar_t path[zorvane::kPathSize];
  char section[zorvane::kPathSize];
};
