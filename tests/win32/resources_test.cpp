// The resources users see: the popup menus' texts and commands, the icons
// and the version record.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "res/resource.h"
#include "version.h"

namespace {

std::string ItemText(HMENU menu, int position) {
  char text[128] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

// "text=id" for each item, "-" for a separator, "text>" for a submenu.
std::string Describe(HMENU menu) {
  std::string out;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
    if (state & MF_SEPARATOR) {
      out += "-|";
    } else if (GetSubMenu(menu, i) != nullptr) {
      out += ItemText(menu, i) + ">|";
    } else {
      out += ItemText(menu, i) + "=" + std::to_string(GetMenuItemID(menu, i)) + "|";
    }
  }
  return out;
}

}  // namespace

TEST(Resources, PopupMenusHoldEveryCommandWithItsText) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_POPUP));
  ASSERT_NE(nullptr, menu);
  EXPECT_EQ("メニュー(L)>|メニュー(R)>|", Describe(menu));

  HMENU full = GetSubMenu(menu, 0);
  EXPECT_EQ("設定=40002|-|移動>|移動(進む)=40004|移動(戻る)=40005|-|終了=40001|", Describe(full));
  HMENU move = GetSubMenu(full, 2);
  EXPECT_EQ("上(外)>|上(内)>|下(内)>|下(外)>|タスクバー>|", Describe(move));
  const int first[] = {40007, 40010, 40013, 40016, 40019};
  for (int row = 0; row < 5; ++row) {
    const std::string expected = "左=" + std::to_string(first[row]) + "|中=" +
                                 std::to_string(first[row] + 1) + "|右=" +
                                 std::to_string(first[row] + 2) + "|";
    EXPECT_EQ(expected, Describe(GetSubMenu(move, row))) << "row " << row;
  }
  EXPECT_EQ("終了=40001|", Describe(GetSubMenu(menu, 1)));
  DestroyMenu(menu);
}

TEST(Resources, IconsHaveTheirSizes) {
  for (auto [id, size] : {std::pair{IDI_CLOCK, 32}, std::pair{IDI_TRAY, 16}}) {
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, 0));
    ASSERT_NE(nullptr, icon) << id;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectA(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(size, bm.bmWidth) << id;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

// The version record and the manifest's own identity both carry the project's
// version, so that a release never ships with two different numbers.
TEST(Resources, VersionRecordAndManifestCarryTheProjectVersion) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));
  ASSERT_NE(nullptr, found);
  const auto* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data, "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(static_cast<DWORD>(MAKELONG(ZORVANE_VERSION_MINOR, ZORVANE_VERSION_MAJOR)),
            fixed->dwFileVersionMS);
  EXPECT_EQ(static_cast<DWORD>(MAKELONG(0, ZORVANE_VERSION_PATCH)), fixed->dwFileVersionLS);

  HRSRC manifest = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(nullptr, manifest);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(nullptr, manifest))),
                         SizeofResource(nullptr, manifest));
  EXPECT_NE(std::string::npos, text.find(std::string("name=\"Zorvane\" version=\"") +
                                         ZORVANE_VERSION_STRING + ".0\""))
      << text.substr(0, 300);
}
