// The Win32 services other than files and HTTP: the single-instance mutex,
// the error mode, the drive table on the system's letters, SetupAPI, the
// shell and wide text in UTF-16.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "platform/core/instance_lock.h"
#include "platform/core/wide_text.h"
#include "platform/crypto/sha256.h"
#include "platform/fs/drive_pin.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/files.h"
#include "platform/shell/open_url.h"
#include "platform/usb/usb_devices.h"

namespace {

TEST(InstanceLock, OneHolderPerNameUntilItGoes) {
  auto first = std::make_unique<plat::InstanceLock>("swaymo-test-KORMAN7");
  EXPECT_TRUE(first->Held());
  EXPECT_FALSE(first->AnotherInstanceRuns());
  {
    plat::InstanceLock second("swaymo-test-KORMAN7");
    EXPECT_FALSE(second.Held());
    EXPECT_TRUE(second.AnotherInstanceRuns());
    plat::InstanceLock other("swaymo-test-other");
    EXPECT_TRUE(other.Held());
  }
  first.reset();
  plat::InstanceLock again("swaymo-test-KORMAN7");
  EXPECT_TRUE(again.Held());
}

TEST(ErrorMode, ProbingDrivesNeverAsksTheUser) {
  (void)plat::DriveTable::Current();
  const UINT mode = GetErrorMode();
  EXPECT_EQ(mode & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
            UINT{SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX});
}

// scripts/test --windows maps a letter to a folder it prepared before Wine
// started: SWAYMO_TEST_DRIVE names the letter; the folder holds "marker.txt"
// with the text "stick" and "escape", a link to a folder off the drive that
// holds "outside.txt".
TEST(DriveTable, ListsTheSystemsLettersAndReachesTheirFiles) {
  const char* letterText = std::getenv("SWAYMO_TEST_DRIVE");
  if (letterText == nullptr || letterText[0] == '\0') {
    GTEST_SKIP()
        << "SWAYMO_TEST_DRIVE names no mapped drive letter (scripts/test --windows sets it)";
  }
  const auto letter = static_cast<wchar_t>(letterText[0]);
  const plat::DriveTable table = plat::DriveTable::Current();
  const plat::DriveTable::Drive* drive = table.Find(letter);
  ASSERT_NE(drive, nullptr);
  EXPECT_EQ(drive->root.wstring(), std::wstring{letter} + L":\\");
  EXPECT_NE(table.Find(static_cast<wchar_t>(std::tolower(letter))), nullptr);
  EXPECT_NE(table.Find(L'C'), nullptr);

  const std::wstring root = std::wstring{letter} + L":\\";
  EXPECT_EQ(plat::KindOfPath(root), plat::EntryKind::kFolder);
  EXPECT_EQ(plat::KindOfPath(root + L"MARKER.TXT"), plat::EntryKind::kFile);
  const plat::File marker = plat::OpenFile(root + L"marker.txt", "rb");
  ASSERT_TRUE(marker);
  char text[8] = {};
  EXPECT_EQ(std::fread(text, 1, sizeof text, marker.get()), 5u);
  EXPECT_STREQ(text, "stick");

  const auto space = plat::QueryDiskSpace(root);
  ASSERT_TRUE(space);
  EXPECT_GT(space->totalBytes, 0u);
  EXPECT_LE(space->freeBytes, space->totalBytes);

  // Pinned, the drive is written while its volume is the same.
  ASSERT_TRUE(plat::PinDrive(letter));
  EXPECT_EQ(plat::PinnedDriveLetter(), letter);
  EXPECT_TRUE(plat::PinnedDriveHolds());
  EXPECT_TRUE(plat::WriteFileSafely(root + L"written.bin", "abc", 3));
  EXPECT_EQ(plat::KindOfPath(root + L"written.bin"), plat::EntryKind::kFile);
  EXPECT_TRUE(plat::RemoveFile(root + L"written.bin"));
  plat::UnpinDrive();
  EXPECT_EQ(plat::PinnedDriveLetter(), 0);
  EXPECT_FALSE(plat::PinnedDriveHolds());

  // Nothing is written through the link.
  const std::wstring escape = root + L"escape";
  ASSERT_EQ(plat::KindOfPath(escape), plat::EntryKind::kLink);
  EXPECT_FALSE(plat::WriteFileSafely(escape + L"\\outside.txt", "evil", 4));
  EXPECT_FALSE(plat::WriteFileSafely(escape + L"\\new.txt", "evil", 4));
  EXPECT_FALSE(plat::OpenFile(escape + L"\\new.txt", "wb"));
  EXPECT_FALSE(plat::CreateFolder(escape + L"\\sub"));
  EXPECT_FALSE(plat::RemoveFolder(escape));
  const auto outside = plat::ListFolder(escape + L"\\");
  ASSERT_EQ(outside.size(), 1u);
  EXPECT_EQ(outside[0].name, L"outside.txt");
  const plat::File kept = plat::OpenFile(escape + L"\\outside.txt", "rb");
  ASSERT_TRUE(kept);
  EXPECT_EQ(std::fread(text, 1, sizeof text, kept.get()), 4u);
  EXPECT_EQ(std::string(text, 4), "mine");
}

TEST(DriveTable, ALetterTheSystemLacksFailsEveryCallQuietly) {
  const plat::DriveTable table = plat::DriveTable::Current();
  wchar_t missing = 0;
  for (wchar_t c = L'Z'; c >= L'D' && missing == 0; --c) {
    if (table.Find(c) == nullptr) missing = c;
  }
  ASSERT_NE(missing, 0) << "every letter is taken";
  EXPECT_FALSE(plat::PinDrive(missing));
  const std::wstring path = std::wstring{missing} + L":\\x";
  EXPECT_FALSE(plat::OpenFile(path, "wb"));
  EXPECT_FALSE(plat::WriteFileSafely(path, "a", 1));
  EXPECT_FALSE(plat::CreateFolder(path));
  EXPECT_EQ(plat::KindOfPath(path), plat::EntryKind::kNone);
  EXPECT_TRUE(plat::ListFolder(std::wstring{missing} + L":\\").empty());
  EXPECT_FALSE(plat::QueryDiskSpace(std::wstring{missing} + L":\\"));
}

TEST(Folders, ProgramAndAppDataFoldersAreTheSystems) {
  const std::wstring program = plat::ProgramFolder();
  ASSERT_FALSE(program.empty());
  EXPECT_NE(program.back(), L'\\');
  EXPECT_EQ(plat::KindOfPath(program + L"\\platform_win32_test.exe"), plat::EntryKind::kFile);
  const std::wstring appData = plat::AppDataFolder();
  ASSERT_FALSE(appData.empty());
  EXPECT_EQ(plat::KindOfPath(appData), plat::EntryKind::kFolder);
}

// Under Wine SetupAPI knows no USB devices: the set is listed, and empty.
// On Windows every path it lists is a device interface path.
TEST(UsbDevices, SetupApiListsThePresentInterfaces) {
  const plat::UsbDevices devices = plat::UsbDevices::Present();
  EXPECT_TRUE(devices.listed());
  for (std::size_t i = 0; i < devices.size(); ++i) {
    EXPECT_EQ(devices.PathAt(i).rfind(L"\\\\?\\", 0), 0u);
  }
  EXPECT_TRUE(devices.PathAt(devices.size()).empty());
}

TEST(OpenUrl, HandsOnlyWebAddressesToTheShell) {
  for (const wchar_t* url : {L"", L"notepad.exe", L"file:///C:/windows/win.ini", L"C:\\x.exe",
                             L"ftp://example.test/", L"javascript:alert(1)"}) {
    SCOPED_TRACE(plat::EncodeUtf8(url));
    EXPECT_FALSE(plat::OpenUrl(url));
  }
}

TEST(WideText, Utf16TextRoundTripsThroughUtf8) {
  const std::wstring face = L"\xD83D\xDE00";  // U+1F600 in two units
  EXPECT_EQ(plat::EncodeUtf8(face), "\xF0\x9F\x98\x80");
  EXPECT_EQ(plat::DecodeUtf8("\xF0\x9F\x98\x80"), face);
  EXPECT_EQ(plat::EncodeUtf8(L"a\xD83D"
                             L"b"),
            "a\xEF\xBF\xBD"
            "b");  // a lone half
  EXPECT_EQ(plat::EncodeUtf8(plat::DecodeUtf8("\xFF\xC3\xA9")), "\xFF\xC3\xA9");
  EXPECT_TRUE(plat::IsBlank(L'\x3000'));
  EXPECT_FALSE(plat::IsBlank(L'x'));
  EXPECT_TRUE(plat::EqualsIgnoringCase(L"\x00C4PSP", L"\x00E4psp"));
}

}  // namespace

namespace {

TEST(Sha256, BCryptGivesTheKnownDigests) {
  const auto empty = plat::Sha256Of("", 0);
  ASSERT_TRUE(empty);
  EXPECT_EQ(*empty, plat::ParseSha256Hex(
                        "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
  plat::Sha256 pieces;
  pieces.Update("a", 1);
  pieces.Update("bc", 2);
  EXPECT_EQ(
      pieces.Finish(),
      plat::ParseSha256Hex("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"));
  EXPECT_FALSE(pieces.Finish());  // finished once
  const std::string million(1000000, 'a');
  EXPECT_EQ(
      plat::Sha256Of(million.data(), million.size()),
      plat::ParseSha256Hex("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"));
}

}  // namespace
