#include "core/settings_value.h"

#include <cstddef>
#include <cstring>

#include "core/ini_text.h"
#include "core/profile_values.h"

namespace zorvane {

namespace {

#define ZORVANE_NUMBER(section, name, number, writer, field) \
  { section, name, number, nullptr, Writer::writer, offsetof(Settings, field), 0 }
#define ZORVANE_TEXT(section, name, text, writer, field) \
  { section, name, 0, text, Writer::writer, offsetof(Settings, field), sizeof(Settings::field) }
// "VIEW" with the column's digit, then the row's.
#define ZORVANE_VIEW(column, row) \
  ZORVANE_NUMBER("Clock", "VIEW" #column #row, 1, None, clock.viewTable[row][column])

const SettingKey kKeys[] = {
    ZORVANE_TEXT("Clock", "TimeFormat", "!$yy/$mm/$dd(#w) %hh:%mm:%ss", SettingsDialog, clock.timeFormat),
    ZORVANE_NUMBER("Clock", "Text", 16777215, SettingsDialog, clock.text),  // white
    ZORVANE_NUMBER("Clock", "TitleIN", 0, SettingsDialog, clock.titleIn),
    ZORVANE_NUMBER("Clock", "Title", 1, SettingsDialog, clock.title),
    ZORVANE_NUMBER("Clock", "FullScreen", 0, None, clock.fullScreen),
    ZORVANE_VIEW(0, 0), ZORVANE_VIEW(0, 1), ZORVANE_VIEW(0, 2), ZORVANE_VIEW(0, 3), ZORVANE_VIEW(0, 4),
    ZORVANE_VIEW(1, 0), ZORVANE_VIEW(1, 1), ZORVANE_VIEW(1, 2), ZORVANE_VIEW(1, 3), ZORVANE_VIEW(1, 4),
    ZORVANE_VIEW(2, 0), ZORVANE_VIEW(2, 1), ZORVANE_VIEW(2, 2), ZORVANE_VIEW(2, 3), ZORVANE_VIEW(2, 4),
    ZORVANE_NUMBER("Brush", "Color", 0, SettingsDialog, brush.color),  // black
    ZORVANE_NUMBER("Font", "Heighr", 14, FontDialog, font.height),
    ZORVANE_NUMBER("Font", "Width", 0, None, font.width),
    ZORVANE_NUMBER("Font", "Weight", 400, FontDialog, font.weight),
    ZORVANE_NUMBER("Font", "Italic", 0, FontDialog, font.italic),
    ZORVANE_NUMBER("Font", "ULine", 0, FontDialog, font.uLine),
    ZORVANE_NUMBER("Font", "MLine", 0, FontDialog, font.mLine),
    ZORVANE_TEXT("Font", "Name", "ＭＳ Ｐゴシック", FontDialog, font.name),
};

#undef ZORVANE_VIEW
#undef ZORVANE_TEXT
#undef ZORVANE_NUMBER

Settings MakeDefaults() {
  Settings settings{};
  for (const SettingKey& key : kKeys) {
    if (key.room == 0) {
      NumberOf(settings, key) = key.defaultNumber;
    } else {
      std::strncpy(TextOf(settings, key), key.defaultText, key.room - 1);
    }
  }
  return settings;
}

}  // namespace

const SettingKey* SettingKeys(std::size_t& count) {
  count = sizeof kKeys / sizeof kKeys[0];
  return kKeys;
}

int& NumberOf(Settings& settings, const SettingKey& key) {
  return *reinterpret_cast<int*>(reinterpret_cast<char*>(&settings) + key.offset);
}

int NumberOf(const Settings& settings, const SettingKey& key) {
  return *reinterpret_cast<const int*>(reinterpret_cast<const char*>(&settings) + key.offset);
}

char* TextOf(Settings& settings, const SettingKey& key) { return reinterpret_cast<char*>(&settings) + key.offset; }

const char* TextOf(const Settings& settings, const SettingKey& key) {
  return reinterpret_cast<const char*>(&settings) + key.offset;
}

const Settings& DefaultSettings() {
  static const Settings defaults = MakeDefaults();
  return defaults;
}

Settings ReadSettings(const char* text, std::size_t size) {
  Settings settings = DefaultSettings();
  for (const SettingKey& key : kKeys) {
    IniValue found{};
    if (!ReadIniValue(text, size, key.section, key.name, found)) continue;
    char value[kValueRoom];
    std::memcpy(value, text + found.begin, found.length);
    value[found.length] = '\0';
    if (key.room == 0) {
      NumberOf(settings, key) = ParseInt(value);
    } else {
      const std::size_t n = PrefixLength(value, key.room - 1, CodePage932());
      std::memcpy(TextOf(settings, key), value, n);
      TextOf(settings, key)[n] = '\0';
    }
  }
  return settings;
}

}  // namespace zorvane
