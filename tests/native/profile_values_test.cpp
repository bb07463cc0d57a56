// Reading and writing settings values: integers with atoi rules, the
// lead-in of the stored format, the settings file's path and the face name
// cut, under the code page 932 rule unless a test names another. Literals
// here are CP932 bytes; other code pages' bytes are written as escapes.

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
  const CharWidths& cp932 = CodePage932();
  char out[8];
  AddLeadIn("   $hh", out, sizeof out, cp932);
  EXPECT_STREQ(out, "!   $hh");

  // Room for "!" + 6 bytes: "ab" + 水 + 曜 fits, the next 日 does not.
  std::memset(out, 'x', sizeof out);
  AddLeadIn("ab水曜日", out, sizeof out, cp932);
  EXPECT_STREQ(out, "!ab水曜");
  // "a" + three characters would end with a lone lead byte at 6 bytes.
  AddLeadIn("a水曜日", out, sizeof out, cp932);
  EXPECT_STREQ(out, "!a水曜");

  // A guard byte after the buffer shows nothing is written past `size`.
  char small[4] = {'x', 'x', 'x', 'G'};
  AddLeadIn("abcdef", small, 3, cp932);
  EXPECT_STREQ(small, "!a");
  EXPECT_EQ(small[3], 'G');
  AddLeadIn("水", small, 3, cp932);
  EXPECT_STREQ(small, "!");
  AddLeadIn("abc", small, 1, cp932);
  EXPECT_STREQ(small, "");
}

TEST(Path, DirectoryOfSkipsTrailBytes) {
  const CharWidths& cp932 = CodePage932();
  char dir[kPathSize];
  // 表 and ソ are 0x95 0x5C and 0x83 0x5C: their trail byte is no separator.
  EXPECT_TRUE(DirectoryOf("C:\\表示\\ソフト\\Zorvane.exe", dir, cp932));
  EXPECT_STREQ(dir, "C:\\表示\\ソフト");
  EXPECT_TRUE(DirectoryOf("C:\\Tools\\時計表.exe", dir, cp932));
  EXPECT_STREQ(dir, "C:\\Tools");
  EXPECT_TRUE(DirectoryOf("C:\\Tools\\饅頭.exe", dir, cp932));  // lead byte 0xE9
  EXPECT_STREQ(dir, "C:\\Tools");
  EXPECT_FALSE(DirectoryOf("Zorvane.exe", dir, cp932));
  EXPECT_FALSE(DirectoryOf("表.exe", dir, cp932));
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
  const CharWidths& cp932 = CodePage932();
  char face[kFaceSize];
  CutFaceName("ＭＳ Ｐゴシック", face, cp932);
  EXPECT_STREQ(face, "ＭＳ Ｐゴシック");

  // One ASCII byte and sixteen two-byte characters: 33 bytes. A cut at 31
  // bytes keeps 15 characters; without the ASCII byte a byte cut would end
  // on a lead byte, so only 30 bytes remain.
  const std::string name = "A日本語等幅書体名前日本語等幅書体";
  CutFaceName(name.c_str(), face, cp932);
  EXPECT_EQ(std::string(face), name.substr(0, 31));
  CutFaceName(name.c_str() + 1, face, cp932);
  EXPECT_EQ(std::string(face), name.substr(1, 30));
  EXPECT_EQ(cp932.Of(static_cast<unsigned char>(name[31])), 2u);
}

// Under a single-byte code page such as 1252, é (0xE9, a lead byte under
// 932) is a character of its own: the backslash after it is a separator, and
// a cut may end right after it.
TEST(CodePages, ASingleByteCodePageHasNoLeadBytes) {
  const CharWidths singleByte;
  char dir[kPathSize];
  EXPECT_TRUE(DirectoryOf("C:\\Users\\Ren\xE9\\Zorvane.exe", dir, singleByte));
  EXPECT_STREQ(dir, "C:\\Users\\Ren\xE9");

  char out[6];
  AddLeadIn("Ren\xE9\xE9", out, sizeof out, singleByte);
  EXPECT_STREQ(out, "!Ren\xE9");
  char face[kFaceSize];
  const std::string name = std::string(30, 'a') + "\xE9z";
  CutFaceName(name.c_str(), face, singleByte);
  EXPECT_EQ(std::string(face), name.substr(0, 31));
}

// UTF-8 as the ANSI code page: characters of three and four bytes are kept
// whole.
TEST(CodePages, Utf8CutsKeepWholeCharacters) {
  const CharWidths utf8 = CharWidths::Utf8();
  std::string name = "ab";  // and eleven times 日, three bytes each
  for (int i = 0; i < 11; ++i) name += "\xE6\x97\xA5";
  char face[kFaceSize];
  CutFaceName(name.c_str(), face, utf8);
  EXPECT_EQ(std::string(face), name.substr(0, 29));

  char out[8];  // "!" and six bytes: a four-byte character after "abc" does not fit
  AddLeadIn("abc\xF0\x9F\x98\x80", out, sizeof out, utf8);
  EXPECT_STREQ(out, "!abc");
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
