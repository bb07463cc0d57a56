#pragma once
// The clock's settings as one value, and the one table of the settings
// file's keys: section, name, default and who writes each. Every reader
// takes its defaults from here, and every writer writes its keys in the
// table's order, so a file the clock writes always has the same layout.

#include <cstddef>

#include "core/ini_text.h"
#include "core/placement.h"

namespace zorvane {

// Room of the stored time format: a read gives at most 255 bytes, the
// settings dialog stores up to 1023.
constexpr std::size_t kFormatRoom = 1024;
// Room of a text value as read: 255 bytes and the NUL.
constexpr std::size_t kValueRoom = kMaxValueBytes + 1;

// Section Clock.
struct ClockKeys {
  char timeFormat[kFormatRoom];  // as stored: the lead-in, then the format
  int text;                      // colour of the text
  int title;                     // the window has a caption (read at start)
  int titleIn;                   // title mode
  int fullScreen;                // 1: stay over fullscreen programs
  ViewTable viewTable;           // the stops of the position ring
};

// Section Brush.
struct BrushKeys {
  int color;  // background; -1 is none
};

// Section Font.
struct FontKeys {
  int height;
  int width;
  int weight;
  int italic;
  int uLine;
  int mLine;
  char name[kValueRoom];
};

struct Settings {
  ClockKeys clock;
  BrushKeys brush;
  FontKeys font;
};

// Which confirmed dialog writes a key; None: only a user editing the file.
enum class Writer { None, SettingsDialog, FontDialog };

// One key of the settings file. `offset` is where its field lies in a
// Settings: an int for a number, a char array of `room` bytes for a text.
// The default is kept as the value it stands for, never as text to parse.
struct SettingKey {
  const char* section;
  const char* name;
  int defaultNumber;        // a number's default
  const char* defaultText;  // a text's default; null for a number
  Writer writer;
  std::size_t offset;
  std::size_t room;  // 0 for a number
};

// The table, in the order each writer writes its keys.
const SettingKey* SettingKeys(std::size_t& count);

int& NumberOf(Settings& settings, const SettingKey& key);
int NumberOf(const Settings& settings, const SettingKey& key);
char* TextOf(Settings& settings, const SettingKey& key);
const char* TextOf(const Settings& settings, const SettingKey& key);

// Every key at its default: what a clock without a settings file shows.
const Settings& DefaultSettings();

// Every key from the settings file's `size` bytes of text (code page 932),
// each value parsed once, straight into its field: a number by atoi rules,
// a text as the reader gives it (core/ini_text.h), cut to its field at a
// character boundary. A key the text lacks keeps its default.
Settings ReadSettings(const char* text, std::size_t size);

}  // namespace zorvane
