// The clock's settings read from the file's text in one pass: each key into
// its field, a missing one at its default. Literals are CP932 bytes.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/settings_value.h"

namespace zorvane {
namespace {

TEST(SettingsValue, EachKeyIsReadIntoItsFieldAndAMissingOneKeepsItsDefault) {
  const Settings none = ReadSettings("", 0);
  EXPECT_EQ(0, std::memcmp(&none, &DefaultSettings(), sizeof none)) << "no file: every default";
  EXPECT_EQ(14, none.font.height);
  EXPECT_STREQ("ＭＳ Ｐゴシック", none.font.name);

  const std::string file = "[clock]\r\ntimeformat=\"!%hh \"\r\nText=4294967295\r\nVIEW24=0\r\nTitle=\r\n"
                           "[Font]\r\nHeighr=12px\r\n[Brush]\r\nColor=-1\r\n";
  const Settings read = ReadSettings(file.data(), file.size());
  EXPECT_STREQ("!%hh ", read.clock.timeFormat);
  EXPECT_EQ(-1, read.clock.text);
  EXPECT_EQ(0, read.clock.viewTable[4][2]);
  EXPECT_EQ(1, read.clock.viewTable[0][0]);
  EXPECT_EQ(0, read.clock.title) << "present but empty is 0, not the default";
  EXPECT_EQ(12, read.font.height);
  EXPECT_EQ(400, read.font.weight);
  EXPECT_EQ(-1, read.brush.color);
}

}  // namespace
}  // namespace zorvane
