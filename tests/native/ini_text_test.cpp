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

TEST(IniRead, AValueIsCutTo255BytesNeverInsideACharacter) {
  const std::string a253(253, 'a'), nichi = "日", face128 = [] { std::string s; for (int i = 0; i < 128; ++i) s += "日"; return s; }();
  const struct { std::string stored, read; } cases[] = {
      {"!" + a253 + nichi, "!" + a253},                         // 日 would straddle byte 255
      {face128, face128.substr(0, 254)},                        // 128 characters: 127 come back
      {"a" + face128.substr(0, 254), "a" + face128.substr(0, 254)},  // exactly 255 bytes
      {std::string(400, 'x'), std::string(255, 'x')},
      {"ab\x93", "ab\x93"},                                   // a lone lead byte at the end, as written before
      {std::string("ab\0cd", 5), "ab"},                        // a NUL of a damaged file ends it
  };
  for (const auto& c : cases) {
    const std::string file = "[Clock]\r\nTimeFormat=" + c.stored + "\r\n";
    IniValue v{};
    ASSERT_TRUE(ReadIniValue(file.data(), file.size(), "Clock", "TimeFormat", v));
    EXPECT_EQ(c.read, file.substr(v.begin, v.length)) << c.stored.size() << " bytes stored";
  }
  IniValue v{};
  EXPECT_FALSE(ReadIniValue("[Clock]\r\n", 9, "Clock", "TimeFormat", v));
}

TEST(IniWrite, AValueReadsBackAsItWasWritten) {
  // Blanks at the ends and a pair of quotes round the value would be taken
  // off by the reading: such a value is written in quotes.
  const struct { const char* value; const char* line; } cases[] = {
      {"!%hh:%mm ", "K=\"!%hh:%mm \""},
      {" lead", "K=\" lead\""},
      {"\ttab\t", "K=\"\ttab\t\""},
      {" ", "K=\" \""},
      {"\"ＭＳ ゴシック\"", "K=\"\"ＭＳ ゴシック\"\""},
      {"'x'", "K=\"'x'\""},
      {"\"x", "K=\"x"},   // unpaired: read as it stands
      {"\"", "K=\""},
      {"a b", "K=a b"},
      {"", "K="},
  };
  for (const auto& c : cases) {
    for (const std::string before : {"", "[S]\r\nK=old\r\n"}) {  // a new key and a replaced one
      const std::string file = Set(before, "S", "K", c.value);
      EXPECT_NE(std::string::npos, file.find(std::string(c.line) + "\r\n")) << file;
      EXPECT_EQ(c.value, Read(file, "S", "K"));
    }
  }
}

// Random one-line values, biased towards blanks, quotes and lead bytes,
// written and read back as the settings code does: one of up to 255 bytes
// comes back as it was, a longer one cut before the character across byte
// 255, and a value read and saved again reads the same.
TEST(IniFuzz, AnyValueSurvivesAWriteAndARead) {
  static const char kBiased[] = " \t\"'\x81\x93\xE0\xFC=[]a";
  std::mt19937 rng(20260927);
  for (int iteration = 0; iteration < 20000; ++iteration) {
    std::string value(rng() % 300, 'x');
    for (char& c : value) {
      const unsigned r = rng();
      c = r % 2 ? kBiased[(r >> 8) % (sizeof kBiased - 1)] : static_cast<char>(1 + (r >> 8) % 255);
      if (c == '\r' || c == '\n') c = 'y';
    }
    const std::string once = Read(Set("[S]\r\nK=old\r\n", "S", "K", value.c_str()), "S", "K");
    const std::string expected = value.substr(0, PrefixLength(value.c_str(), kMaxValueBytes, CodePage932()));
    ASSERT_EQ(value.size() <= kMaxValueBytes ? value : expected, once) << "iteration " << iteration;
    ASSERT_EQ(once, Read(Set("", "S", "K", once.c_str()), "S", "K")) << "iteration " << iteration;
  }
}

TEST(IniWrite, TooLittleRoomWritesNothing) {
  char out[8] = {'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z'};
  EXPECT_EQ(0u, SetIniValue("", 0, "Clock", "Title", "1", out, sizeof out));
  EXPECT_EQ('z', out[0]);
}

}  // namespace
}  // namespace zorvane
