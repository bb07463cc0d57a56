#pragma once
// Access to one section of the settings file, Zorvane.ini beside the
// executable. Holds no open file: every call is a complete profile call.

#include <windows.h>

#include <cstddef>

#include "core/profile_values.h"

// The settings file's name; every caller binds to it.
constexpr const char* kSettingsFile = "Zorvane.ini";

// How the running system's ANSI code page splits text into characters, as
// the "A" calls split it: the rule for every cut of a path, a stored value
// or a face name. Read once; the code page does not change while the
// program runs.
const zorvane::CharWidths& SystemCharWidths();

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
  // A failed write is ignored: the next read shows what the file holds.
  void WriteString(const char* key, const char* text) const;
  void WriteInt(const char* key, int value) const;

  // The full path of the file, or "" when binding was refused.
  const char* Path() const { return path; }

 private:
  bool Usable() const { return path[0] != '\0' && section[0] != '\0'; }

  char directory[zorvane::kPathSize];
  char path[zorvane::kPathSize];
  char fileName[zorvane::kPathSize];
  char section[zorvane::kPathSize];
};
