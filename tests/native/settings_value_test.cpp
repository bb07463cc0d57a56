// The clock's settings read from the file's text in one pass: each key into
// its field, a missing one at its default. Literals are CP932 bytes.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/settings_value.h"

namespace zorvane {
namespace {

Settings FromText(const std::string& text) { return ReadSettings(text.data(), text.size()); }

TEST(SettingsValue, EachKeyIsReadIntoItsFieldAndAMissingOneKeepsItsDefault) {
  const Settings none = FromText("");
  EXPECT_EQ(0, std::memcmp(&none, &DefaultSettings(), sizeof none)) << "no file: every default";
  EXPECT_STREQ("!$yy/$mm/$dd(#w) %hh:%mm:%ss", none.clock.timeFormat);
  EXPECT_EQ(16777215, none.clock.text);
  EXPECT_EQ(14, none.font.height);
  EXPECT_EQ(400, none.font.weight);
  EXPECT_STREQ("ＭＳ Ｐゴシック", none.font.name);
  EXPECT_EQ(1, none.clock.viewTable[4][2]);

  const std::string face128 = [] { std::string s; for (int i = 0; i < 128; ++i) s += "体"; return s; }();
  const Settings read = FromText(
      "[clock]\r\ntimeformat=\"!%hh:%mm \"\r\nText=4294967295\r\nVIEW24=0\r\nTitle=\r\n"
      "[Font]\r\nHeighr=12px\r\nName=" + face128 + "\r\n[Brush]\r\nColor=-1\r\n");
  EXPECT_STREQ("!%hh:%mm ", read.clock.timeFormat) << "quotes keep the blank";
  EXPECT_EQ(-1, read.clock.text);
  EXPECT_EQ(0, read.clock.viewTable[4][2]);
  EXPECT_EQ(1, read.clock.viewTable[0][0]);
  EXPECT_EQ(0, read.clock.title) << "present but empty is 0, not the default";
  EXPECT_EQ(12, read.font.height);
  EXPECT_EQ(400, read.font.weight);
  EXPECT_EQ(face128.substr(0, 254), read.font.name) << "cut before the character across byte 255";
  EXPECT_EQ(-1, read.brush.color);
}

}  // namespace
}  // namespace zorvane
