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
// 932) is a character of its own: a cut may end right after it.
TEST(CodePages, ASingleByteCodePageHasNoLeadBytes) {
  const CharWidths singleByte;
  char out[6];
  AddLeadIn("Ren\xE9\xE9", out, sizeof out, singleByte);
  EXPECT_STREQ(out, "!Ren\xE9");
  char face[kFaceSize];
  const std::string name = std::string(30, 'a') + "\xE9z";
  CutFaceName(name.c_str(), face, singleByte);
  EXPECT_EQ(std::string(face), name.substr(0, 31));
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
