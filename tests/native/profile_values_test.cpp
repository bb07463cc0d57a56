// Reading and writing settings values: integers with atoi rules, the
// lead-in of the stored format, the settings file's path and the face name
// cut. Literals here are CP932 bytes.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "core/profile_values.h"

namespace zorvane {
namespace {

TEST(ParseInt, AtoiRulesWithWrap) {
  EXPECT_EQ(ParseInt("12px"), 12);
  EXPECT_EQ(ParseInt("0x1F"), 0);
  EXPECT_EQ(ParseInt("  -7"), -7);
  EXPECT_EQ(ParseInt("\t\n+5"), 5);
  EXPECT_EQ(ParseInt("--5"), 0);
  EXPECT_EQ(ParseInt(""), 0);
  EXPECT_EQ(ParseInt("4294967295"), -1);
  EXPECT_EQ(ParseInt("2147483648"), INT_MIN);
  EXPECT_EQ(ParseInt("-2147483648"), INT_MIN);
  EXPECT_EQ(ParseInt("4294967296"), 0);
  // Far beyond 32 bits: wraps without undefined behaviour (UBSan watches).
  EXPECT_EQ(ParseInt(("-" + std::string(300, '9')).c_str()), 1);
  EXPECT_EQ(ParseInt(std::string(300, '9').c_str()), -1);
}

TEST(LeadIn, DropKeepsEverythingAfterTheFirstByte) {
  EXPECT_STREQ(DropLeadIn("!$yy"), "$yy");
  EXPECT_STREQ(DropLeadIn("$yy"), "yy");
  EXPECT_STREQ(DropLeadIn("!"), "");
  EXPECT_STREQ(DropLeadIn(""), "");
}

TEST(LeadIn, AddNeverSplitsACharacterNorOverflows) {
  char out[8];
  AddLeadIn("   $hh", out, sizeof out);
  EXPECT_STREQ(out, "!   $hh");

  // Room for "!" + 6 bytes: "ab" + 水 + 曜 fits, the next 日 does not.
  std::memset(out, 'x', sizeof out);
  AddLeadIn("ab水曜日", out, sizeof out);
  EXPECT_STREQ(out, "!ab水曜");
  // "a" + three characters would end with a lone lead byte at 6 bytes.
  AddLeadIn("a水曜日", out, sizeof out);
  EXPECT_STREQ(out, "!a水曜");

  // A guard byte after the buffer shows nothing is written past `size`.
  char small[4] = {'x', 'x', 'x', 'G'};
  AddLeadIn("abcdef", small, 3);
  EXPECT_STREQ(small, "!a");
  EXPECT_EQ(small[3], 'G');
  AddLeadIn("水", small, 3);
  EXPECT_STREQ(small, "!");
  AddLeadIn("abc", small, 1);
  EXPECT_STREQ(small, "");
}

TEST(Path, DirectoryOfSkipsTrailBytes) {
  char dir[kPathSize];
  // 表 and ソ are 0x95 0x5C and 0x83 0x5C: their trail byte is no separator.
  EXPECT_TRUE(DirectoryOf("C:\\表示\\ソフト\\Zorvane.exe", dir));
  EXPECT_STREQ(dir, "C:\\表示\\ソフト");
  EXPECT_TRUE(DirectoryOf("C:\\Tools\\時計表.exe", dir));
  EXPECT_STREQ(dir, "C:\\Tools");
  EXPECT_TRUE(DirectoryOf("C:\\Tools\\饅頭.exe", dir));  // lead byte 0xE9
  EXPECT_STREQ(dir, "C:\\Tools");
  EXPECT_FALSE(DirectoryOf("Zorvane.exe", dir));
  EXPECT_FALSE(DirectoryOf("表.exe", dir));
  EXPECT_STREQ(dir, "");
}

TEST(Path, JoinPathFitsOrRefuses) {
  char path[kPathSize];
  EXPECT_TRUE(JoinPath("C:\\表示", "Zorvane.ini", path));
  EXPECT_STREQ(path, "C:\\表示\\Zorvane.ini");

  // 247 + "\" + 11 = 259 bytes: the longest path that fits with its NUL.
  const std::string fits = "C:\\" + std::string(244, 'd');
  EXPECT_TRUE(JoinPath(fits.c_str(), "Zorvane.ini", path));
  EXPECT_EQ(std::strlen(path), 259u);
  EXPECT_EQ(std::string(path), fits + "\\Zorvane.ini");

  const std::string tooLong = fits + "d";
  std::memset(path, 'x', sizeof path);
  EXPECT_FALSE(JoinPath(tooLong.c_str(), "Zorvane.ini", path));
  EXPECT_STREQ(path, "");
}

TEST(FaceName, CutAtACharacterBoundary) {
  char face[kFaceSize];
  CutFaceName("ＭＳ Ｐゴシック", face);
  EXPECT_STREQ(face, "ＭＳ Ｐゴシック");

  // One ASCII byte and sixteen two-byte characters: 33 bytes. A cut at 31
  // bytes keeps 15 characters; without the ASCII byte a byte cut would end
  // on a lead byte, so only 30 bytes remain.
  const std::string name = "A日本語等幅書体名前日本語等幅書体";
  CutFaceName(name.c_str(), face);
  EXPECT_EQ(std::string(face), name.substr(0, 31));
  CutFaceName(name.c_str() + 1, face);
  EXPECT_EQ(std::string(face), name.substr(1, 30));
  EXPECT_TRUE(IsLeadByte(static_cast<unsigned char>(name[31])));
}

// Stored font sizes beyond the bound take the caller's fallback, so that a
// damaged file cannot make one drawing of the clock take minutes.
TEST(FontSize, OutsideTheBoundTakesTheFallback) {
  EXPECT_EQ(FontSizeOr(kMaxFontPixels, 14), kMaxFontPixels);
  EXPECT_EQ(FontSizeOr(-kMaxFontPixels, 14), -kMaxFontPixels);
  EXPECT_EQ(FontSizeOr(kMaxFontPixels + 1, 14), 14);
  EXPECT_EQ(FontSizeOr(-kMaxFontPixels - 1, 0), 0);
  EXPECT_EQ(FontSizeOr(INT_MIN, 14), 14);
  EXPECT_EQ(FontSizeOr(65536, 14), 14);
}

}  // namespace
}  // namespace zorvane
