// The resources users see: the popup menus' texts and commands, the icons
// and the version record.

#include <gtest/gtest.h>

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/clock_app.h"
#include "res/resource.h"
#include "tests/test_files.h"
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
    // For a submenu the state's high byte is its item count, which can
    // look like MF_SEPARATOR (0x800): the submenu is asked for first.
    const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
    if (GetSubMenu(menu, i) != nullptr) {
      out += ItemText(menu, i) + ">|";
    } else if (state & MF_SEPARATOR) {
      out += "-|";
    } else {
      out += ItemText(menu, i) + "=" + std::to_string(GetMenuItemID(menu, i)) + "|";
    }
  }
  return out;
}

// One image of an icon group as the group's directory lists it.
struct IconImage {
  int size;
  int bits;
  WORD id;  // of the RT_ICON resource
};

#pragma pack(push, 2)
struct GroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

const void* Resource(WORD id, LPCSTR type) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
  return found != nullptr ? LockResource(LoadResource(nullptr, found)) : nullptr;
}

std::vector<IconImage> GroupImages(WORD group) {
  std::vector<IconImage> images;
  const auto* dir = static_cast<const WORD*>(Resource(group, MAKEINTRESOURCEA(14)));  // RT_GROUP_ICON
  if (dir == nullptr) return images;
  const auto* entry = reinterpret_cast<const GroupEntry*>(dir + 3);
  for (int i = 0; i < dir[2]; ++i, ++entry) {
    images.push_back({entry->width == 0 ? 256 : entry->width, entry->bitCount, entry->id});
  }
  return images;
}

// COM for this thread while it lives, if the thread had none.
struct Apartment {
  Apartment() : mine(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  ~Apartment() {
    if (mine) CoUninitialize();
  }
  bool mine;
};

// A PNG file's pixels as 0xAARRGGBB, top row first, decoded by the
// system's own codecs (WIC); empty if it cannot be decoded.
std::vector<DWORD> DecodePng(const BYTE* data, DWORD bytes, UINT width, UINT height) {
  Apartment apartment;
  Microsoft::WRL::ComPtr<IWICImagingFactory> factory;
  Microsoft::WRL::ComPtr<IWICStream> stream;
  Microsoft::WRL::ComPtr<IWICBitmapDecoder> decoder;
  Microsoft::WRL::ComPtr<IWICBitmapFrameDecode> frame;
  Microsoft::WRL::ComPtr<IWICFormatConverter> converter;
  UINT w = 0, h = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.GetAddressOf()))) ||
      FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), bytes)) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&w, &h)) || w != width || h != height ||
      FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                   0.0, WICBitmapPaletteTypeCustom))) {
    return {};
  }
  std::vector<DWORD> pixels(static_cast<size_t>(w) * h);
  if (FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(pixels.data())))) {
    return {};
  }
  return pixels;
}

// One image of an icon as stored: its size and bit count as its own header
// gives them, whether it is a PNG file rather than a DIB, and for a 32-bit
// image its pixels as 0xAARRGGBB, top row first.
struct StoredImage {
  int width = 0, height = 0, bits = 0;
  bool png = false;
  std::vector<DWORD> pixels;
};

StoredImage Stored(WORD id) {
  StoredImage image;
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));  // RT_ICON
  if (found == nullptr) return image;
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  const DWORD bytes = SizeofResource(nullptr, found);
  static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes >= 33 && std::equal(kSignature, kSignature + 8, data)) {
    // The first chunk is the header: width and height (big-endian), bits
    // per channel, then the colour type (6: red, green, blue and alpha).
    const auto big = [data](int at) {
      return static_cast<UINT>(data[at] << 24 | data[at + 1] << 16 | data[at + 2] << 8 | data[at + 3]);
    };
    image.png = true;
    image.width = static_cast<int>(big(16));
    image.height = static_cast<int>(big(20));
    image.bits = data[25] == 6 ? 4 * data[24] : data[24];
    if (image.bits == 32) image.pixels = DecodePng(data, bytes, big(16), big(20));
    return image;
  }
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(data);
  image.width = header->biWidth;
  image.height = header->biHeight / 2;  // the colour bitmap, then the mask
  image.bits = header->biBitCount;
  if (image.bits == 32) {
    const auto* bottomUp = reinterpret_cast<const DWORD*>(header + 1);
    for (int y = image.height - 1; y >= 0; --y) {
      image.pixels.insert(image.pixels.end(), bottomUp + y * image.width, bottomUp + (y + 1) * image.width);
    }
  }
  return image;
}

// The colour bitmap of a loaded icon, as Stored gives an image's pixels.
std::vector<DWORD> IconPixels(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return {};
  BITMAP bm{};
  GetObjectA(info.hbmColor, sizeof bm, &bm);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<DWORD> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, info.hbmColor, 0, bm.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return pixels;
}


// The manifest embedded in the shipped program, read from Zorvane.exe beside
// the test program without running it.
std::string ProgramManifest() {
  const std::string path = test_files::ModuleDirectory() + "\\Zorvane.exe";
  HMODULE exe = LoadLibraryExA(path.c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (exe == nullptr) return "";
  std::string text;
  if (HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
    text.assign(static_cast<const char*>(LockResource(LoadResource(exe, found))),
                SizeofResource(exe, found));
  }
  FreeLibrary(exe);
  return text;
}

// A manifest's elements, each as "namespace name in parent-namespace
// parent-name" with prefixes and default namespaces resolved as XML does,
// and the text each holds. Enough XML for a manifest: elements, attributes,
// comments and the declaration; no entities or CDATA.
struct ManifestElement {
  std::string path;
  std::string text;
};

struct ManifestScan {
  std::vector<ManifestElement> elements;
  std::set<std::string> namespaces;  // every one declared
  bool wellFormed = true;
};

ManifestScan ScanManifest(const std::string& xml) {
  ManifestScan scan;
  struct Open {
    std::string ns, name;
    std::map<std::string, std::string> prefixes;  // "" is the default
  };
  std::vector<Open> open;
  size_t at = 0;
  while ((at = xml.find('<', at)) != std::string::npos) {
    if (xml.compare(at, 4, "<!--") == 0) {
      at = xml.find("-->", at);
      if (at == std::string::npos) break;
      continue;
    }
    if (xml.compare(at, 2, "<?") == 0) {
      at = xml.find("?>", at);
      if (at == std::string::npos) break;
      continue;
    }
    const size_t end = xml.find('>', at);
    if (end == std::string::npos) { scan.wellFormed = false; break; }
    std::string tag = xml.substr(at + 1, end - at - 1);
    if (tag[0] == '/') {
      if (open.empty()) { scan.wellFormed = false; break; }
      open.pop_back();
      at = end + 1;
      continue;
    }
    const bool empty = tag.back() == '/';
    if (empty) tag.pop_back();
    // Name, then name="value" pairs.
    size_t pos = tag.find_first_of(" \t\r\n");
    const std::string qname = tag.substr(0, pos);
    Open element{"", "", open.empty() ? std::map<std::string, std::string>() : open.back().prefixes};
    while (pos != std::string::npos && (pos = tag.find_first_not_of(" \t\r\n", pos)) != std::string::npos) {
      const size_t eq = tag.find('=', pos);
      if (eq == std::string::npos || eq + 1 >= tag.size()) { scan.wellFormed = false; break; }
      const std::string attribute = tag.substr(pos, eq - pos);
      const char quote = tag[eq + 1];
      const size_t close = tag.find(quote, eq + 2);
      if (close == std::string::npos) { scan.wellFormed = false; break; }
      const std::string value = tag.substr(eq + 2, close - eq - 2);
      if (attribute == "xmlns") element.prefixes[""] = value, scan.namespaces.insert(value);
      if (attribute.rfind("xmlns:", 0) == 0) element.prefixes[attribute.substr(6)] = value, scan.namespaces.insert(value);
      pos = close + 1;
    }
    const size_t colon = qname.find(':');
    const std::string prefix = colon == std::string::npos ? "" : qname.substr(0, colon);
    element.name = colon == std::string::npos ? qname : qname.substr(colon + 1);
    if (element.prefixes.count(prefix) == 0) scan.wellFormed = false;
    element.ns = element.prefixes[prefix];
    const std::string parent = open.empty() ? "(root)" : open.back().ns + " " + open.back().name;
    scan.elements.push_back({element.ns + " " + element.name + " in " + parent, ""});
    // The text up to the next tag, trimmed: a setting's value.
    const size_t next = xml.find('<', end);
    if (!empty && next != std::string::npos) {
      std::string text = xml.substr(end + 1, next - end - 1);
      text.erase(0, text.find_first_not_of(" \t\r\n"));
      text.erase(text.find_last_not_of(" \t\r\n") + 1);
      scan.elements.back().text = text;
    }
    if (!empty) open.push_back(element);
    at = end + 1;
  }
  if (!open.empty()) scan.wellFormed = false;
  return scan;
}

}  // namespace

TEST(Resources, PopupMenusHoldEveryCommandWithItsText) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_POPUP));
  ASSERT_NE(nullptr, menu);
  EXPECT_EQ("メニュー(L)>|メニュー(R)>|", Describe(menu));

  HMENU full = GetSubMenu(menu, 0);
  EXPECT_EQ("設定=40002|-|移動>|移動(進む)=40004|移動(戻る)=40005|-|Windows の起動時に開始=40022|-|終了=40001|", Describe(full));
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

// Each icon group keeps its palette image and has a 32-bit image with alpha
// for every size the system may ask for; the images are what the
// directory says they are. The 32-bit images are PNG files, which keep the
// program small; the palette images stay DIBs.
TEST(Resources, IconGroupsHoldA32BitImageForEverySize) {
  const std::pair<WORD, const char*> groups[] = {
      {IDI_CLOCK, "32/8 16/32 20/32 24/32 32/32 48/32 "},
      {IDI_TRAY, "16/4 20/32 24/32 32/32 48/32 "},
  };
  for (const auto& [group, expected] : groups) {
    std::string listed, stored;
    for (const IconImage& image : GroupImages(group)) {
      listed += std::to_string(image.size) + "/" + std::to_string(image.bits) + " ";
      const StoredImage s = Stored(image.id);
      stored += std::to_string(s.width) + "/" + std::to_string(s.bits) + " ";
      EXPECT_EQ(s.width, s.height) << "image " << image.id;
      EXPECT_EQ(image.bits == 32, s.png) << "image " << image.id;
      if (image.bits != 32) continue;
      ASSERT_EQ(static_cast<size_t>(s.width) * s.height, s.pixels.size()) << "image " << image.id;
      const auto alpha = [&](DWORD a) {
        return std::any_of(s.pixels.begin(), s.pixels.end(), [a](DWORD p) { return p >> 24 == a; });
      };
      EXPECT_TRUE(alpha(0) && alpha(255)) << "image " << image.id << " has no alpha channel";
    }
    EXPECT_EQ(expected, listed) << "group " << group;
    EXPECT_EQ(expected, stored) << "group " << group;
  }
}

// Loading at a size takes that size's own image, not a neighbour stretched
// and not the palette image of the same size.
TEST(Resources, AnIconLoadedAtASizeIsThatSizesImage) {
  for (WORD group : {IDI_CLOCK, IDI_TRAY}) {
    for (const IconImage& image : GroupImages(group)) {
      if (image.bits != 32) continue;
      HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(group),
                                                 IMAGE_ICON, image.size, image.size, 0));
      ASSERT_NE(nullptr, icon);
      EXPECT_TRUE(IconPixels(icon) == Stored(image.id).pixels)
          << "group " << group << " at " << image.size << " px";
      DestroyIcon(icon);
    }
  }
}

// The window class takes its icon and small icon at the sizes the system
// metrics give for the display's scale (32 and 16 at 100 %, 48 and 24 at
// 150 %).
TEST(Resources, TheWindowClassGetsItsIconsAtTheSystemSizes) {
  ClockApp app;
  CreateParams p{};
  p.instance = GetModuleHandleA(nullptr);
  p.title = "ResourcesTest";
  p.className = "ResourcesTestClass";
  p.iconId = p.smallIconId = IDI_CLOCK;
  p.cursorId = 0xFFFF;
  p.style = WS_POPUP;
  p.showCommand = SW_HIDE;
  p.flags = kCreateNoGuard;
  HWND w = app.Create(p);
  ASSERT_NE(nullptr, w);
  const std::pair<int, int> icons[] = {{GCLP_HICON, SM_CXICON}, {GCLP_HICONSM, SM_CXSMICON}};
  for (const auto& [slot, metric] : icons) {
    const int size = GetSystemMetrics(metric);
    const std::vector<IconImage> images = GroupImages(IDI_CLOCK);
    const auto image = std::find_if(images.begin(), images.end(), [size](const IconImage& i) {
      return i.size == size && i.bits == 32;
    });
    ASSERT_NE(images.end(), image) << "no " << size << "-px image";
    EXPECT_TRUE(IconPixels(reinterpret_cast<HICON>(GetClassLongPtrA(w, slot))) ==
                Stored(image->id).pixels)
        << size << "-px icon";
  }
  DestroyWindow(w);
  UnregisterClassA(p.className, p.instance);
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

// Windows reads a manifest's settings only under the element names and
// namespaces of its application manifest reference, and skips anything else
// without a word: a misspelt windowsSettings left the program unaware of
// the display scale. Every element of the shipped manifest must be a
// documented one in its documented place, and the scale settings must say
// per-monitor.
TEST(Resources, TheManifestUsesOnlyDocumentedElementsAndDeclaresPerMonitorScale) {
  const std::string v1 = "urn:schemas-microsoft-com:asm.v1";
  const std::string v3 = "urn:schemas-microsoft-com:asm.v3";
  const std::string compat = "urn:schemas-microsoft-com:compatibility.v1";
  const std::string smi = "http://schemas.microsoft.com/SMI/";
  const std::string windowsSettings = " in " + v3 + " windowsSettings";
  // From the reference: the assembly's own parts, and each setting of
  // windowsSettings in the namespace of the release that introduced it.
  const std::set<std::string> documented = {
      v1 + " assembly in (root)",
      v1 + " assemblyIdentity in " + v1 + " assembly",
      v1 + " description in " + v1 + " assembly",
      v1 + " dependency in " + v1 + " assembly",
      v1 + " dependentAssembly in " + v1 + " dependency",
      v1 + " assemblyIdentity in " + v1 + " dependentAssembly",
      v3 + " application in " + v1 + " assembly",
      v3 + " windowsSettings in " + v3 + " application",
      v3 + " trustInfo in " + v1 + " assembly",
      v3 + " security in " + v3 + " trustInfo",
      v3 + " requestedPrivileges in " + v3 + " security",
      v3 + " requestedExecutionLevel in " + v3 + " requestedPrivileges",
      compat + " compatibility in " + v1 + " assembly",
      compat + " application in " + compat + " compatibility",
      compat + " supportedOS in " + compat + " application",
      compat + " maxversiontested in " + compat + " application",
      smi + "2005/WindowsSettings autoElevate" + windowsSettings,
      smi + "2005/WindowsSettings disableTheming" + windowsSettings,
      smi + "2005/WindowsSettings dpiAware" + windowsSettings,
      smi + "2011/WindowsSettings disableWindowFiltering" + windowsSettings,
      smi + "2011/WindowsSettings printerDriverIsolation" + windowsSettings,
      smi + "2013/WindowsSettings highResolutionScrollingAware" + windowsSettings,
      smi + "2013/WindowsSettings ultraHighResolutionScrollingAware" + windowsSettings,
      smi + "2016/WindowsSettings dpiAwareness" + windowsSettings,
      smi + "2016/WindowsSettings longPathAware" + windowsSettings,
      smi + "2017/WindowsSettings gdiScaling" + windowsSettings,
      smi + "2019/WindowsSettings activeCodePage" + windowsSettings,
      smi + "2020/WindowsSettings heapType" + windowsSettings,
  };

  const std::string manifest = ProgramManifest();
  ASSERT_FALSE(manifest.empty()) << "no manifest in Zorvane.exe";
  const ManifestScan scan = ScanManifest(manifest);
  EXPECT_TRUE(scan.wellFormed);
  std::map<std::string, std::string> settings;
  for (const ManifestElement& element : scan.elements) {
    EXPECT_EQ(1u, documented.count(element.path)) << "undocumented: " << element.path;
    settings[element.path] = element.text;
  }
  for (const std::string& ns : scan.namespaces) {
    EXPECT_TRUE(ns == v1 || ns == v3 || ns == compat ||
                (ns.rfind(smi, 0) == 0 && ns.size() == smi.size() + 20 &&
                 ns.compare(smi.size() + 4, 16, "/WindowsSettings") == 0))
        << "undocumented namespace: " << ns;
  }
  EXPECT_EQ("true/pm", settings[smi + "2005/WindowsSettings dpiAware" + windowsSettings]);
  EXPECT_EQ("PerMonitorV2, PerMonitor",
            settings[smi + "2016/WindowsSettings dpiAwareness" + windowsSettings]);
}
