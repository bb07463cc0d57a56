#pragma once
// Access to one section of the settings file, Zorvane.ini beside the
// executable. Binding to the file reads it once, whole: every read then
// comes from that one snapshot, every write edits it in memory, and Save
// puts the edited text in the file's place in one replacement. No file
// stays open.
//
// The file holds code page 932 text whatever the system's code page is, so
// it is read and written as bytes by the program itself (core/ini_text.h
// has the rules, app/text_convert the encodings); the system's 8-bit
// profile functions would pass the text through the system's code page,
// which under UTF-8 or another double-byte code page does not give the
// bytes back. Its path is found in UTF-16, so a folder name outside the
// system's code page still leads to it.

#include <windows.h>

#include <cstddef>

#include "app/text_convert.h"
#include "core/profile_values.h"
#include "core/settings_value.h"

// The settings file's name; every caller binds to it.
constexpr const char* kSettingsFile = "Zorvane.ini";

class ProfileSection {
 public:
  ProfileSection();
  virtual ~ProfileSection() = default;

  ProfileSection(const ProfileSection&) = delete;
  ProfileSection& operator=(const ProfileSection&) = delete;

  // Locates `fileName` beside the module's executable, reads it, and
  // selects `sectionName`. A null name keeps the one bound before (and,
  // for the file, the text read then). A path or name that does not fit
  // its buffer is refused: reads then give their defaults and Save does
  // nothing, so no other file is ever touched.
  // A file that is missing while the backup a failed save left is there
  // (see Save) is put back from it first: the user's settings are read,
  // never replaced by defaults. Where it cannot go back, its text is read
  // and Save refuses, so no first file is written over it.
  void Bind(const char* fileName, const char* sectionName, HINSTANCE module);

  // At most 255 bytes of the key's text (blanks around it, or one pair of
  // quotes, dropped; never part of a character), or of `defaultText` when
  // the key is absent, into `destination` of `size` bytes.
  void ReadString(const char* key, char* destination, const char* defaultText,
                  std::size_t size = 256) const;
  // The key's text read by atoi rules; `defaultValue` when the key is absent.
  int ReadInt(const char* key, int defaultValue) const;

  // Every key of the settings table from the text read (with the writes
  // made since), each value parsed once; the section bound plays no part.
  zorvane::Settings Values() const;

  // Replace or add the key in the text read, creating the section if
  // needed; the file changes only at Save. A value with blanks at an end,
  // or in quotes, is written in quotes, so it reads back the same. False
  // when nothing is bound.
  bool WriteString(const char* key, const char* text);
  bool WriteInt(const char* key, int value);

  // The keys that `writer` stores, from `value`, each in its own section,
  // in the table's order; a key named `leftOut` keeps what the text holds.
  bool WriteKeys(const zorvane::Settings& value, zorvane::Writer writer, const char* leftOut);

  // Puts the text, with every write made since binding, in the file's place
  // in one step: a file that exists is replaced (keeping its security,
  // attributes and streams), a first file is moved into place. A file
  // another program holds is tried again for about a second. True when
  // the file holds the new text, and nothing is left beside it; on false
  // it is byte for byte as it was and nothing was left beside it: a
  // read-only or locked file, a folder without write access, a file that
  // could not be read whole, one with characters that code page 932 lacks,
  // or no usable path. The one exception: a replacement that set the old
  // file aside under the backup name and could not put it back within that
  // second leaves it there, and the next Bind puts it back.
  bool Save();

  // The full path of the file, or L"" when binding was refused.
  const wchar_t* Path() const { return path; }

  // How long a held file is tried again, and how often.
  static constexpr DWORD kPatienceMs = 1000;
  static constexpr DWORD kRetryMs = 50;

 private:
  // What binding found: no file (every key at its default, a save makes
  // it), a file read whole, or one that cannot be read or written back
  // without loss (reads give defaults or what was read; Save refuses).
  enum class Found { NoFile, Read, Unwritable };

  bool Usable() const { return path[0] != L'\0' && section[0] != '\0'; }
  void ReadFile();
  // Reads `from` whole into the text; the error of opening it, or 0.
  DWORD ReadWhole(const wchar_t* from);
  bool Write(const char* sectionName, const char* key, const char* text);
  // Puts the written `temporary` in the file's place once; 0 or the error.
  DWORD PlaceOnce(bool replace, const wchar_t* temporary, const wchar_t* backup) const;

  wchar_t path[zorvane::kPathSize];
  char section[zorvane::kPathSize];
  bool sectionRefused;  // the last section name given did not fit
  text::Bytes content;  // the file's text, code page 932
  text::FileEncoding encoding;
  Found found;
};
