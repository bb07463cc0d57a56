// The table of the settings file's keys: each names the field it fills,
// with the default the file lacks.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/settings_value.h"

namespace zorvane {
namespace {

const SettingKey* Find(const char* section, const char* name) {
  std::size_t count = 0;
  const SettingKey* keys = SettingKeys(count);
  for (std::size_t i = 0; i < count; ++i)
    if (std::strcmp(keys[i].section, section) == 0 && std::strcmp(keys[i].name, name) == 0) return &keys[i];
  return nullptr;
}

TEST(SettingsValue, EachKeyFillsItsFieldAndDefaultsToTheTables) {
  const Settings& d = DefaultSettings();
  struct Case {
    const char* section;
    const char* name;
    const void* field;    // where the key's value lies in `d`
    int number;           // the default of a number
    const char* text;     // the default of a text
  };
  const Case cases[] = {
      {"Clock", "TimeFormat", d.clock.timeFormat, 0, "!$yy/$mm/$dd(#w) %hh:%mm:%ss"},
      {"Clock", "Text", &d.clock.text, 16777215, nullptr},
      {"Clock", "Title", &d.clock.title, 1, nullptr},
      {"Clock", "TitleIN", &d.clock.titleIn, 0, nullptr},
      {"Clock", "FullScreen", &d.clock.fullScreen, 0, nullptr},
      {"Clock", "VIEW00", &d.clock.viewTable[Taskbar][Left], 1, nullptr},
      {"Clock", "VIEW10", &d.clock.viewTable[Taskbar][Centre], 1, nullptr},  // column, then row
      {"Clock", "VIEW13", &d.clock.viewTable[BottomInside][Centre], 1, nullptr},
      {"Clock", "VIEW24", &d.clock.viewTable[BottomOutside][Right], 1, nullptr},
      {"Brush", "Color", &d.brush.color, 0, nullptr},
      {"Font", "Heighr", &d.font.height, 14, nullptr},
      {"Font", "Width", &d.font.width, 0, nullptr},
      {"Font", "Weight", &d.font.weight, 400, nullptr},
      {"Font", "Italic", &d.font.italic, 0, nullptr},
      {"Font", "ULine", &d.font.uLine, 0, nullptr},
      {"Font", "MLine", &d.font.mLine, 0, nullptr},
      {"Font", "Name", d.font.name, 0, "ＭＳ Ｐゴシック"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + " " + c.name);
    const SettingKey* key = Find(c.section, c.name);
    ASSERT_NE(key, nullptr);
    if (c.text != nullptr) {
      EXPECT_EQ(static_cast<const void*>(TextOf(d, *key)), c.field);
      EXPECT_STREQ(TextOf(d, *key), c.text);
    } else {
      EXPECT_EQ(static_cast<const void*>(&NumberOf(const_cast<Settings&>(d), *key)), c.field);
      EXPECT_EQ(NumberOf(d, *key), c.number);
    }
  }
  std::size_t count = 0;
  SettingKeys(count);
  EXPECT_EQ(count, 4u + 1u + 15u + 1u + 7u) << "a key without a case";
}

}  // namespace
}  // namespace zorvane
