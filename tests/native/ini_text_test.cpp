// The settings file's text read and edited as bytes: which section and key
// count, what is dropped around a value, and that an edit leaves every
// other byte alone. Literals are code page 932 bytes.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/profile_values.h"

#include "core/ini_text.h"

namespace zorvane {
namespace {

// The value's bytes, or "(none)".
std::string Read(const std::string& text, const char* section, const char* key) {
  IniValue v{};
  if (!ReadIniValue(text.data(), text.size(), section, key, v)) return "(none)";
  return text.substr(v.begin, v.length);
}

std::string Set(const std::string& text, const char* section, const char* key, const char* value) {
  std::vector<char> out(IniEditRoom(text.size(), section, key, value));
  const std::size_t n = SetIniValue(text.data(), text.size(), section, key, value, out.data(), out.size());
  return std::string(out.data(), n);
}

TEST(IniRead, TheFirstSectionAndKeyOfANameCountWithoutRegardToCase) {
  const std::string file =
      "Title=5\r\n"                        // before any section: in none
      "[clock]\r\n"
      "  timeformat =   !  $hh   \r\n"     // blanks around key and value go
      "TITLE=7\n"
      "Title=8\r"                          // a lone CR ends a line too
      "Empty=\r\n"
      "NoEquals\r\n"
      "[Clock]\r\nTitle=9\r\nOnlyHere=1\r\n"  // a second Clock section counts for nothing
      "[Font]\r\nHeighr=14\r\n"
      "[ Font ]\r\nWidth=3\r\n";           // another name: blanks inside the brackets stay
  EXPECT_EQ("!  $hh", Read(file, "Clock", "TimeFormat"));
  EXPECT_EQ("7", Read(file, "Clock", "Title"));
  EXPECT_EQ("", Read(file, "Clock", "Empty"));
  EXPECT_EQ("(none)", Read(file, "Clock", "NoEquals"));
  EXPECT_EQ("(none)", Read(file, "Clock", "OnlyHere"));
  EXPECT_EQ("14", Read(file, "FONT", "heighr"));
  EXPECT_EQ("(none)", Read(file, "Font", "Width"));
  EXPECT_EQ("(none)", Read(file, "Brush", "Color"));
  EXPECT_EQ("(none)", Read("", "Clock", "Title"));
}

TEST(IniRead, QuotesAndDoubleByteCharactersAreTakenAsTheyStand) {
  // 表 is 0x95 0x5C and ソ is 0x83 0x5C: a second byte that is a backslash;
  // 0x81 0x5D (‐... a second byte "]") in a section name is no bracket.
  const std::string file =
      "[Clock]\r\n"
      "TimeFormat=\"!$hh   \"\r\n"
      "Single='x'\r\n"
      "Unpaired=\"x\r\n"
      "Lone=\"\r\n"
      "Name=ＭＳ Ｐゴシック表\r\n"
      "Path=ソ\\表=\r\n"
      "[A\x81\x5D]\r\nKey=in\r\n";
  EXPECT_EQ("!$hh   ", Read(file, "Clock", "TimeFormat")) << "a quoted value keeps its blanks";
  EXPECT_EQ("x", Read(file, "Clock", "Single"));
  EXPECT_EQ("\"x", Read(file, "Clock", "Unpaired"));
  EXPECT_EQ("\"", Read(file, "Clock", "Lone"));
  EXPECT_EQ("ＭＳ Ｐゴシック表", Read(file, "Clock", "Name"));
  EXPECT_EQ("ソ\\表=", Read(file, "Clock", "Path"));
  EXPECT_EQ("in", Read(file, "A\x81\x5D", "Key"));
  // A name whose letters differ only in a double-byte character's second
  // byte is another name.
  EXPECT_EQ("(none)", Read(file, "A\x81\x7D", "Key"));
}

TEST(IniWrite, ReplacesAddsOrAppendsAndLeavesEveryOtherByte) {
  const std::string file =
      "; kept as it is\r\n"
      "[clock]\r\n"
      "  timeformat = !old  \r\n"
      "Text=1\r\n"
      "\r\n"
      "[Font]\n"
      "Heighr=14";  // no line end at the end of the file
  EXPECT_EQ("; kept as it is\r\n[clock]\r\n  timeformat=!$y年\r\nText=1\r\n\r\n[Font]\nHeighr=14",
            Set(file, "Clock", "TimeFormat", "!$y年"));
  EXPECT_EQ("; kept as it is\r\n[clock]\r\n  timeformat = !old  \r\nText=1\r\nTitle=0\r\n\r\n[Font]\nHeighr=14",
            Set(file, "Clock", "Title", "0"))
      << "a new key goes after the section's last line, before the blank lines";
  EXPECT_EQ(file.substr(0, file.size() - 2) + "20", Set(file, "Font", "Heighr", "20"));
  EXPECT_EQ(file + "\r\nWeight=400\r\n", Set(file, "Font", "Weight", "400"));
  EXPECT_EQ(file + "\r\n[Brush]\r\nColor=-1\r\n", Set(file, "Brush", "Color", "-1"));
  EXPECT_EQ("[Brush]\r\nColor=0\r\n", Set("", "Brush", "Color", "0"));
  // A value is one line: nothing it holds can add a key or a section.
  EXPECT_EQ("[Clock]\r\nTimeFormat=!a\r\n", Set("", "Clock", "TimeFormat", "!a\r\n[Font]\nHeighr=99"));
  // Only the first of two sections of the name is edited.
  EXPECT_EQ("[Clock]\r\nA=1\r\nTitle=0\r\n[clock]\r\nTitle=1\r\n",
            Set("[Clock]\r\nA=1\r\n[clock]\r\nTitle=1\r\n", "Clock", "Title", "0"));
}

// A value written as the settings code writes it reads back as it was:
// blanks at its ends and quotes round it kept, and one of more than 255
// bytes cut before the character across byte 255. Then the faults once
// seen, and random values biased towards blanks, quotes and lead bytes.
TEST(IniWrite, AnyValueSurvivesAWriteAndARead) {
  std::string face128;
  for (int i = 0; i < 128; ++i) face128 += "日";
  std::vector<std::string> values = {"!%hh:%mm ", "\tlead", "\"ＭＳ ゴシック\"", "'x'", "\"x", "\"", "",
                                     "!" + std::string(253, 'a') + "日", face128, "ab\x93"};
  static const char kBiased[] = " \t\"'\x81\x93\xE0\xFC=[]a";
  std::mt19937 rng(20260927);
  for (int i = 0; i < 20000; ++i) {
    std::string& value = values.emplace_back(rng() % 300, 'x');
    for (char& c : value) {
      const unsigned r = rng();
      c = r % 2 ? kBiased[(r >> 8) % (sizeof kBiased - 1)] : static_cast<char>(1 + (r >> 8) % 255);
      if (c == '\r' || c == '\n') c = 'y';
    }
  }
  for (const std::string& value : values) {
    const std::string once = Read(Set("[S]\r\nK=old\r\n", "S", "K", value.c_str()), "S", "K");
    ASSERT_EQ(value.substr(0, PrefixLength(value.c_str(), kMaxValueBytes, CodePage932())), once) << value;
    ASSERT_EQ(once, Read(Set("", "S", "K", once.c_str()), "S", "K")) << "read and saved again: " << value;
  }
}

TEST(IniWrite, TooLittleRoomWritesNothing) {
  char out[8] = {'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z'};
  EXPECT_EQ(0u, SetIniValue("", 0, "Clock", "Title", "1", out, sizeof out));
  EXPECT_EQ('z', out[0]);
}

}  // namespace
}  // namespace zorvane
