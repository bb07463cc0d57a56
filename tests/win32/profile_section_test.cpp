// The settings file accessor against real files: one reading at binding,
// one replacement at Save.

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "app/system_answers.h"
#include "test_support.h"

using namespace testing_support;

TEST_F(SettingsFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  ProfileSection clock;
  clock.Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));
  char text[256];
  clock.ReadString("TimeFormat", text, "!$yy");
  EXPECT_STREQ("!$yy", text);
  EXPECT_EQ(1, clock.ReadInt("Title", 1));
  EXPECT_FALSE(IniExists()) << "reading must not create the file";

  WriteIni("[Font]\r\nHeighr=20\r\n");
  EXPECT_EQ(1, clock.ReadInt("Title", 1)) << "the file is read once, at binding";
  clock.Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));
  EXPECT_EQ(-5, clock.ReadInt("Title", -5));  // section absent
  clock.Bind(nullptr, "Font", nullptr);
  EXPECT_EQ(400, clock.ReadInt("Weight", 400));  // key absent
  EXPECT_EQ(20, clock.ReadInt("Heighr", 14));
}

TEST_F(SettingsFileTest, ValuesAreReadTheWayUsersWriteThem) {
  WriteIni(
      "[clock]\r\n"
      "timeformat=   !  $hh   \r\n"
      "Empty=\r\n"
      "Wrap=4294967295\r\n"
      "Hex=0x1F\r\n"
      "Unit=12px\r\n"
      "Signed=  -42\r\n");
  ProfileSection clock;
  clock.Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));
  char text[256];
  clock.ReadString("TimeFormat", text, "default");
  EXPECT_STREQ("!  $hh", text) << "blanks around the value are dropped, inner ones kept";
  clock.ReadString("Empty", text, "default");
  EXPECT_STREQ("", text) << "an empty value is not the default";
  EXPECT_EQ(0, clock.ReadInt("Empty", 14));
  EXPECT_EQ(-1, clock.ReadInt("Wrap", 0));
  EXPECT_EQ(0, clock.ReadInt("Hex", 7));
  EXPECT_EQ(12, clock.ReadInt("Unit", 0));
  EXPECT_EQ(-42, clock.ReadInt("Signed", 0));
}

TEST_F(SettingsFileTest, ReadsReturnAtMost255Bytes) {
  const std::string longValue(400, 'x');
  WriteIni("[Clock]\r\nTimeFormat=" + longValue + "\r\n");
  ProfileSection clock;
  clock.Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));
  char text[1024];
  std::memset(text, 'z', sizeof text);
  clock.ReadString("TimeFormat", text, "", sizeof text);
  EXPECT_EQ(std::string(255, 'x'), text) << "the first 255 bytes, neither more nor fewer";
  EXPECT_EQ('z', text[256]) << "nothing beyond the 256-byte read is touched";

  char small[8];
  clock.ReadString("TimeFormat", small, "", sizeof small);
  EXPECT_STREQ("xxxxxxx", small) << "a smaller destination is never overrun";
}

TEST_F(SettingsFileTest, WritesCreateTheFileAndSectionAndReplaceValues) {
  ProfileSection p;
  p.Bind(kSettingsFile, "Brush", GetModuleHandleA(nullptr));
  p.WriteInt("Color", -1);
  EXPECT_EQ(-1, p.ReadInt("Color", 0)) << "reads see the writes made";
  EXPECT_FALSE(IniExists()) << "nothing is written before Save";
  p.WriteInt("Color", 255);
  p.Bind(nullptr, "Clock", nullptr);
  p.WriteString("TimeFormat", "!$y年");
  ASSERT_TRUE(p.Save());
  EXPECT_EQ("[Brush]\nColor=255\n[Clock]\nTimeFormat=!$y年\n", Lines(ReadIni()));

  // The file's bytes are the program's own, whatever the system's code
  // page: bytes that 932 leaves unassigned, that UTF-8 or 936 cannot read,
  // and a second byte that is a backslash come back as they were.
  const char raw[] = "\x80\xA0\xFD\xFE\xFF\xB7\xAC\xDD\x95\x5C";
  EXPECT_TRUE(p.WriteString("Raw", raw));
  ASSERT_TRUE(p.Save());
  p.Bind(kSettingsFile, nullptr, GetModuleHandleA(nullptr));
  char text[256];
  p.ReadString("Raw", text, "");
  EXPECT_STREQ(raw, text);
  EXPECT_NE(std::string::npos, ReadIni().find(std::string("Raw=") + raw + "\r\n"));
}

// A save either puts the whole new file in place and says so, or leaves
// the file as it was, says so, and leaves nothing behind: a read-only file,
// a file another program holds open without letting others write, or a
// folder without write access.
TEST_F(SettingsFileTest, ASaveThatCannotBeDoneIsReportedAndChangesNothing) {
  const std::string file = "[Clock]\r\nTitle=0\r\n";
  WriteIni(file);
  ProfileSection p;
  p.Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));
  p.WriteInt("Title", 1);
  const std::wstring temporary = std::wstring(p.Path()).substr(0, std::wcslen(p.Path()) - 1) + L"~";

  ASSERT_TRUE(SetFileAttributesW(p.Path(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(p.Save()) << "read-only file";
  SetFileAttributesW(p.Path(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(file, ReadIni());

  {
    HANDLE lock = CreateFileW(p.Path(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    EXPECT_FALSE(p.Save()) << "file held open by another";
    ProfileSection held;
    held.Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));
    EXPECT_EQ(0, held.ReadInt("Title", 5)) << "a held file is still read";
    CloseHandle(lock);
  }
  EXPECT_EQ(file, ReadIni());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(temporary.c_str())) << "a refused save left a file";

  // The new text cannot be put beside the file, as in a folder without
  // write access (which Wine does not refuse to every user).
  ASSERT_TRUE(CreateDirectoryW(temporary.c_str(), nullptr));
  EXPECT_FALSE(p.Save()) << "no room beside the file";
  RemoveDirectoryW(temporary.c_str());
  EXPECT_EQ(file, ReadIni());

  ASSERT_TRUE(SetFileAttributesW(p.Path(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(p.Save());
  EXPECT_EQ("[Clock]\nTitle=1\n", Lines(ReadIni()));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN), GetFileAttributesW(p.Path()) & FILE_ATTRIBUTE_HIDDEN)
      << "a hidden file came back visible";
  SetFileAttributesW(p.Path(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(temporary.c_str())) << "the new text's file stayed";
}

// The file calls a save makes, counted; the first `failures` replacements fail with `error`,
// the first `moveFailures` moves as if the file were held.
struct RecordedFiles {
  static inline int replaces, moves, failures, moveFailures;
  static inline DWORD error;
  static BOOL WINAPI Replace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID) {
    ++replaces;
    if (failures-- <= 0) return ReplaceFileW(replaced, replacement, backup, flags, nullptr, nullptr);
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) MoveFileExW(replaced, backup, 0);  // as the system leaves it
    SetLastError(error);
    return FALSE;
  }
  static void Reset(int f, DWORD e, int m = 0) { replaces = moves = 0; failures = f; error = e; moveFailures = m; }
  static BOOL WINAPI Move(LPCWSTR from, LPCWSTR to, DWORD flags) {
    ++moves;
    if (moveFailures-- > 0) { SetLastError(ERROR_SHARING_VIOLATION); return FALSE; }
    return MoveFileExW(from, to, flags);
  }
};

// An existing file is replaced by ReplaceFileW (which keeps its security and streams), a first
// one moved into place; a held file is tried again for about a second, a failed one restored,
// and an old file the replacement set aside goes back, at the latest when the file is next read.
TEST_F(SettingsFileTest, ASaveIsOneReplacementTriedAgainWhileTheFileIsHeld) {
  system_answers::Answers answers = system_answers::Real();
  answers.replaceFile = RecordedFiles::Replace;
  answers.moveFile = RecordedFiles::Move;
  system_answers::Override use{answers};
  const char* const file = "[Clock]\r\nTitle=0\r\n";
  const int many = 1000, timed = -1;  // timed: tried until the patience runs out
  const DWORD setAside = ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
  const struct { bool exists; int failures; DWORD error; int moveFailures; bool saved; int replaces, moves; } cases[] = {
      {false, 0, 0, 0, true, 0, 1},  {true, 0, 0, 0, true, 1, 0}, {true, 3, ERROR_SHARING_VIOLATION, 0, true, 4, 0},
      {true, 2, ERROR_ACCESS_DENIED, 0, true, 3, 0}, {true, 1, setAside, 0, true, 2, 1},
      {true, 1, setAside, 3, true, 2, 4},  // the old file goes back at the fourth try, then the save is done
      {true, many, ERROR_LOCK_VIOLATION, 0, false, timed, 0}, {true, many, setAside, 0, false, timed, timed},
      {true, 1, setAside, many, false, 1, timed},  // it stays aside: the next reading puts it back
      {true, many, ERROR_DISK_FULL, 0, false, 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.exists << ", error " << c.error << ", " << c.moveFailures << " moves fail");
    RemoveIni();
    if (c.exists) WriteIni(file);
    RecordedFiles::Reset(c.failures, c.error, c.moveFailures);
    ProfileSection p;
    p.Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));
    p.WriteInt("Title", 1);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(c.saved, p.Save());
    const double took = GetTickCount64() - start, patience = ProfileSection::kPatienceMs;
    if (c.replaces == timed || c.moves == timed) { EXPECT_NEAR(took, 2 * patience, patience); }  // given up after about a second
    if (c.replaces != timed) { EXPECT_EQ(c.replaces, RecordedFiles::replaces); }
    if (c.moves != timed) { EXPECT_EQ(c.moves, RecordedFiles::moves); }
    RecordedFiles::Reset(0, 0);
    ProfileSection().Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));  // as at the next start
    EXPECT_EQ(c.saved ? "[Clock]\nTitle=1\n" : Lines(file), Lines(ReadIni()));
    const std::wstring stem = std::wstring(p.Path()).substr(0, std::wcslen(p.Path()) - 1);
    for (const wchar_t* last : {L"~", L"$"})
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((stem + last).c_str())) << "a file stayed beside it";
  }
}

// Settings left at the backup name that cannot go back at the next start are read from there,
// and no first file is written over them.
TEST_F(SettingsFileTest, SettingsLeftAtTheBackupNameAreReadAndNeverWrittenOver) {
  system_answers::Answers answers = system_answers::Real();
  answers.replaceFile = RecordedFiles::Replace;
  answers.moveFile = RecordedFiles::Move;
  system_answers::Override use{answers};
  RecordedFiles::Reset(0, 0, 1000);  // the backup is held
  const std::string file = "[Clock]\r\nTitle=0\r\n", backup = IniPath().substr(0, IniPath().size() - 1) + "$";
  test_files::WriteBytes(backup, file);
  ProfileSection p;
  p.Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));
  EXPECT_EQ(0, p.ReadInt("Title", 1));
  p.WriteInt("Title", 1);
  EXPECT_FALSE(p.Save());
  EXPECT_FALSE(IniExists());
  EXPECT_EQ(file, test_files::ReadBytes(backup));
  DeleteFileA(backup.c_str());
}

// A file that Notepad saved as "Unicode" or "UTF-8 with BOM" reads as the
// text it holds and stays in its encoding; one holding a character that
// code page 932 lacks is not rewritten, since the character would be lost.
TEST_F(SettingsFileTest, AFileWithAByteOrderMarkIsReadAsTextAndKeepsItsEncoding) {
  const std::wstring text = L"[Clock]\r\nTimeFormat=!$y年\r\n";
  const std::string utf16 = std::string("\xFF\xFE") + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  WriteIni(utf16);
  ProfileSection p;
  p.Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));
  char value[256];
  p.ReadString("TimeFormat", value, "");
  EXPECT_STREQ("!$y年", value);
  EXPECT_TRUE(p.WriteInt("Title", 0));
  EXPECT_TRUE(p.Save());
  const std::wstring after = L"[Clock]\r\nTimeFormat=!$y年\r\nTitle=0\r\n";
  EXPECT_EQ(std::string("\xFF\xFE") + std::string(reinterpret_cast<const char*>(after.data()), after.size() * 2), ReadIni());

  const std::string utf8 = "\xEF\xBB\xBF[Clock]\r\nTimeFormat=!$y\xE5\xB9\xB4\r\n";  // 年 in UTF-8
  WriteIni(utf8);
  p.Bind(kSettingsFile, nullptr, GetModuleHandleA(nullptr));
  p.ReadString("TimeFormat", value, "");
  EXPECT_STREQ("!$y年", value);
  EXPECT_TRUE(p.WriteString("TimeFormat", "!#W"));
  EXPECT_TRUE(p.Save());
  EXPECT_EQ("\xEF\xBB\xBF[Clock]\r\nTimeFormat=!#W\r\n", ReadIni());

  const std::string lossy = "\xEF\xBB\xBF[Clock]\r\nTimeFormat=!Caf\xC3\xA9 \xE2\x98\x95\r\n";  // Café ☕
  WriteIni(lossy);
  p.Bind(kSettingsFile, nullptr, GetModuleHandleA(nullptr));
  EXPECT_EQ(1, p.ReadInt("Title", 1));
  p.WriteInt("Title", 0);
  EXPECT_FALSE(p.Save());
  EXPECT_EQ(lossy, ReadIni());
}

TEST_F(SettingsFileTest, ANameThatDoesNotFitIsRefusedNotCut) {
  // A cut name would be another file; the accessor must touch nothing.
  const std::string tooLong = std::string(300, 'a') + ".ini";
  ProfileSection p;
  p.Bind(tooLong.c_str(), "Clock", GetModuleHandleA(nullptr));
  EXPECT_STREQ(L"", p.Path());
  EXPECT_FALSE(p.WriteInt("Title", 0)) << "a write that went nowhere is no success";
  EXPECT_FALSE(p.Save());
  EXPECT_EQ(1, p.ReadInt("Title", 1));
  char text[256];
  p.ReadString("TimeFormat", text, "fallback");
  EXPECT_STREQ("fallback", text);

  const std::string longSection(300, 's');
  ProfileSection q;
  q.Bind(kSettingsFile, longSection.c_str(), GetModuleHandleA(nullptr));
  q.WriteInt("Title", 0);
  EXPECT_FALSE(q.Save());
  EXPECT_FALSE(IniExists());
}

TEST_F(SettingsFileTest, TheFileLiesBesideTheExecutable) {
  ProfileSection p;
  p.Bind(kSettingsFile, "Clock", GetModuleHandleA(nullptr));
  EXPECT_STREQ(test_files::Wide(IniPath()).c_str(), p.Path());
}

TEST(Environment, RunsWithTheJapaneseCodePage) {
  // Every text of the program is code page 932; the tests are only
  // meaningful when the platform agrees.
  EXPECT_EQ(932u, GetACP());
}

TEST(Environment, LeadByteRangesGiveThePlatformsWidths) {
  // A code page's lead-byte ranges as the platform lists them give the
  // same character widths as the platform reports byte by byte.
  CPINFO info{};
  GetCPInfo(CP_ACP, &info);
  const zorvane::CharWidths widths = zorvane::CharWidths::FromLeadByteRanges(info.LeadByte, MAX_LEADBYTES);
  std::string wrong;
  for (unsigned b = 0; b < 256; ++b)
    if (widths.Of(static_cast<unsigned char>(b)) != (IsDBCSLeadByte(static_cast<BYTE>(b)) ? 2u : 1u))
      wrong += std::to_string(b) + " ";
  EXPECT_EQ("", wrong) << "bytes whose width is not the platform's";
}
