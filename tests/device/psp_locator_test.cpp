#include "device/psp_locator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "device/stick_layout.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/files.h"
#include "platform/usb/usb_devices.h"
#include "tests/device/drive_fixture.h"

namespace {

namespace fs = std::filesystem;
using devicetest::kGiB;
using devicetest::kMiB;

constexpr std::uint64_t k68GiB = std::uint64_t{17} << 32;     // 73,014,444,032
constexpr std::uint64_t k20_25GiB = std::uint64_t{81} << 28;  // 21,743,271,936

TEST(ParseUsbIds, ReadsHexRunsAfterExactTags) {
  struct Case {
    std::wstring path;
    bool ok;
    unsigned vendor, product;
  };
  const Case cases[] = {
      {L"\\\\?\\usb#vid_054c&pid_0381#SER#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", true, 0x054C,
       0x0381},
      {L"\\\\?\\usb#vid_054c&pid_01c8#SER", true, 0x054C, 0x01C8},
      {L"\\\\?\\USB#VID_054C&PID_01C8#SER", false, 0, 0},
      {L"vid_054c&PID_01c8", false, 0x054C, 0},  // the vendor id stays set
      {L"usb#vid_054C&pid_02D2", true, 0x054C, 0x02D2},
      {L"pid_01c8&vid_054c", true, 0x054C, 0x01C8},
      {L"vid_0000054c&pid_01c8zz", true, 0x054C, 0x01C8},
      {L"vid_054cdef&pid_", true, 0x054CDEF, 0},      // no length limit, empty run is 0
      {L"vid_123456789&pid_1", true, 0x23456789, 1},  // a 32-bit value
      {L"vid_&pid_g1", true, 0, 0},
      {L"", false, 0, 0},
  };
  for (const auto& c : cases) {
    unsigned vendor = 99, product = 99;
    EXPECT_EQ(CPSPLocator::ParseUsbIds(c.path, vendor, product), c.ok) << c.path.c_str();
    EXPECT_EQ(vendor, c.vendor);
    EXPECT_EQ(product, c.product);
  }
}

class LocatorTest : public devicetest::DriveFixture {
 protected:
  // Polls n times and returns the state after each poll.
  std::vector<int> PollTimes(int n) {
    std::vector<int> states;
    for (int i = 0; i < n; ++i) {
      locator_.Poll();
      states.push_back(locator_.GetStatus());
    }
    return states;
  }
  static void MakeFolder(const fs::path& drive, const char* name) {
    fs::create_directory(drive / name);
  }

  CPSPLocator locator_;
};

TEST_F(LocatorTest, GetUsbInterfacePathWalksDevicesByIndex) {
  usb_.AddDevice("1-1", "046d", "c52b", "MOUSE");
  PlugPsp("0381", "1-2");
  const std::wstring mouse =
      L"\\\\?\\usb#vid_046d&pid_c52b#MOUSE#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  wchar_t buffer[1000];
  EXPECT_EQ(CPSPLocator::GetUsbInterfacePath(plat::kUsbDeviceInterfaceClass, 0, buffer, 1000), 0);
  EXPECT_EQ(std::wstring(buffer), mouse);
  CPSPLocator::GetUsbInterfacePath(L"{A5DCBF10-6530-11D2-901F-00C04FB951ED}", 1, buffer, 1000);
  EXPECT_NE(std::wstring(buffer).find(L"vid_054c&pid_0381"), std::wstring::npos);
  struct Case {
    std::wstring_view interfaceClass;
    int index, capacity;
    std::wstring expected;
  };
  const Case cases[] = {
      {plat::kUsbDeviceInterfaceClass, 2, 1000, L""},  // past the end
      {plat::kUsbDeviceInterfaceClass, -1, 1000, L""},
      {plat::kUsbDeviceInterfaceClass, 0, 10, mouse.substr(0, 9)},
      {plat::kUsbDeviceInterfaceClass, 0, 1, L""},
      {L"{53f56307-b6bf-11d0-94f2-00a0c91efb8b}", 0, 1000, L""},  // another class
  };
  for (const auto& c : cases) {
    std::fill(std::begin(buffer), std::end(buffer), L'x');
    EXPECT_EQ(CPSPLocator::GetUsbInterfacePath(c.interfaceClass, c.index, buffer, c.capacity), 0);
    EXPECT_EQ(std::wstring(buffer), c.expected) << c.index << " " << c.capacity;
  }
}

TEST_F(LocatorTest, NoPspOnUsbIsNeverFoundAndTouchesNoDrive) {
  const auto& e = Mount(L'E', 64 * kMiB);
  MakeFolder(e.path(), "PSP");
  usb_.AddDevice("1-1", "054c", "0268", "PS3PAD");  // another Sony device
  usb_.AddDevice("1-2", "1234", "01c8", "ALIKE");   // a PSP product id of another vendor
  usb_.AddDevice("1-3", "054c", "01c9", nullptr);
  EXPECT_EQ(PollTimes(3),
            (std::vector<int>{PSP_STATE_NOT_FOUND, PSP_STATE_NOT_FOUND, PSP_STATE_NOT_FOUND}));
  EXPECT_FALSE(locator_.IsFound());
  EXPECT_EQ(locator_.GetDriveLetter(), 0);
  EXPECT_EQ(locator_.GetTotalBytes(), 0u);
  EXPECT_FALSE(locator_.IsPspGo());
  EXPECT_TRUE(locator_.IsIdle());
}

TEST_F(LocatorTest, EachPspModelIsFoundAndTheGoFlagOutlivesIt) {
  Mount(L'E', 32 * kMiB);
  struct Case {
    const char* product;
    bool go;
  };
  for (const Case c :
       {Case{"01c8", false}, Case{"0381", true}, Case{"02d2", false}, Case{"0381", true}}) {
    CPSPLocator locator;
    const auto psp = PlugPsp(c.product);
    locator.Poll();
    EXPECT_TRUE(locator.IsFound()) << c.product;
    EXPECT_EQ(locator.GetDriveLetter(), L'E');
    EXPECT_EQ(locator.IsPspGo(), c.go);
    usb_.Remove(psp);
    for (int i = 0; i < 4; ++i) locator.Poll();
    EXPECT_EQ(locator.IsPspGo(), c.go) << "kept after the PSP left";
  }
}

TEST_F(LocatorTest, APspAmongManyDevicesIsFound) {
  for (int i = 1; i <= 40; ++i) {
    const std::string product = std::to_string(1000 + i);
    usb_.AddDevice("3-" + std::to_string(i), i % 2 ? "054c" : "8087", product.c_str(),
                   i % 3 ? "SER" : nullptr);
  }
  PlugPsp("02d2", "4-1");
  Mount(L'M', 16 * kMiB);
  locator_.Poll();
  EXPECT_TRUE(locator_.IsFound());
  EXPECT_EQ(locator_.GetDriveLetter(), L'M');
}

TEST_F(LocatorTest, TheDriveIsChosenByPspFolderThenByHighestLetter) {
  enum Root { kPlain, kPspFolder, kLowerPsp, kPspFile, kMpRoot };
  struct Case {
    const char* what;
    std::vector<std::pair<wchar_t, Root>> drives;
    wchar_t expected;
  };
  const Case cases[] = {
      {"two with PSP: the lowest", {{L'E', kPspFolder}, {L'G', kPspFolder}, {L'H', kPlain}}, L'E'},
      {"none marked: the highest", {{L'D', kPlain}, {L'F', kPlain}}, L'F'},
      {"psp, a file PSP do not mark", {{L'E', kPspFile}, {L'F', kLowerPsp}, {L'G', kPlain}}, L'G'},
      {"mp_root marks", {{L'E', kPlain}, {L'K', kMpRoot}, {L'Z', kPlain}}, L'K'},
      {"A to C never examined", {{L'A', kPspFolder}, {L'C', kPspFolder}, {L'D', kPlain}}, L'D'},
  };
  PlugPsp();
  for (const auto& c : cases) {
    ClearDrives();
    for (const auto& [letter, root] : c.drives) {
      const auto& drive = Mount(letter, 8 * kMiB);
      if (root == kPspFolder) MakeFolder(drive.path(), "PSP");
      if (root == kLowerPsp) MakeFolder(drive.path(), "psp");
      if (root == kMpRoot) MakeFolder(drive.path(), "mp_root");
      if (root == kPspFile) std::ofstream(drive.path() / "PSP") << "x";
    }
    CPSPLocator locator;
    locator.Poll();
    EXPECT_TRUE(locator.IsFound()) << c.what;
    EXPECT_EQ(locator.GetDriveLetter(), c.expected) << c.what;
  }
}

TEST_F(LocatorTest, OnlyDrivesAThroughCGiveNoCandidate) {
  PlugPsp();
  MakeFolder(Mount(L'C', 8 * kMiB).path(), "PSP");
  Mount(L'B', 8 * kMiB);
  EXPECT_EQ(PollTimes(2), (std::vector<int>{PSP_STATE_NOT_FOUND, PSP_STATE_NOT_FOUND}));
}

TEST_F(LocatorTest, TheChosenDriveIsMeasuredAgain) {
  PlugPsp();
  Mount(L'D', 32 * kMiB);  // scanned last
  const auto& e = Mount(L'E', 64 * kMiB);
  MakeFolder(e.path(), "PSP");
  std::ofstream(e.path() / "data", std::ios::binary) << std::string(1 * kMiB, 'x');
  locator_.Poll();
  EXPECT_EQ(locator_.GetDriveLetter(), L'E');
  EXPECT_EQ(locator_.GetTotalBytes(), 64 * kMiB);
  EXPECT_EQ(locator_.GetFreeBytes(), 63 * kMiB);
}

TEST_F(LocatorTest, CandidateSizeLimitIsBelow68GiB) {
  struct Case {
    std::uint64_t mounted;
    std::optional<std::uint64_t> cap;
    bool candidate;
  };
  const Case cases[] = {
      {k68GiB, std::nullopt, false},
      {k68GiB - 4096, std::nullopt, true},
      {k68GiB, k68GiB - 1, true},  // one byte smaller, through the size cap
      {80 * kGiB, std::nullopt, false},
  };
  PlugPsp();
  for (const auto& c : cases) {
    Mount(L'E', c.mounted, c.cap);
    CPSPLocator locator;
    locator.Poll();
    EXPECT_EQ(locator.IsFound(), c.candidate) << c.mounted;
    if (c.candidate) {
      EXPECT_EQ(locator.GetTotalBytes(), c.cap.value_or(c.mounted));
    }
  }
}

TEST_F(LocatorTest, PollsWhileFoundOnlyCountDownToTheUsbRecheck) {
  const auto psp = PlugPsp();
  auto& e = Mount(L'E', 16 * kMiB);
  locator_.Poll();
  ASSERT_TRUE(locator_.IsFound());
  // The drive going away is not noticed between re-checks: those polls cost nothing.
  e.Unmount();
  EXPECT_EQ(PollTimes(1), std::vector<int>{PSP_STATE_FOUND});
  EXPECT_EQ(locator_.GetTotalBytes(), 16 * kMiB);
  // The third poll re-checks USB: the PSP is still there.
  EXPECT_EQ(PollTimes(1), std::vector<int>{PSP_STATE_FOUND});
  usb_.Remove(psp);
  EXPECT_EQ(PollTimes(3),
            (std::vector<int>{PSP_STATE_FOUND, PSP_STATE_FOUND, PSP_STATE_SEARCHING}));
}

TEST_F(LocatorTest, UnplugStickInCardReaderAndReplug) {
  const auto psp = PlugPsp();
  auto& e = Mount(L'E', 16 * kMiB);
  MakeFolder(e.path(), "PSP");
  EXPECT_EQ(PollTimes(1), std::vector<int>{PSP_STATE_FOUND});
  usb_.Remove(psp);
  // The re-check on the third poll drops to searching; the stick still takes
  // files (moved to a card reader), so the fallback keeps it found, with a
  // one-poll drop at every re-check.
  EXPECT_EQ(PollTimes(7), (std::vector<int>{PSP_STATE_FOUND, PSP_STATE_SEARCHING, PSP_STATE_FOUND,
                                            PSP_STATE_FOUND, PSP_STATE_SEARCHING, PSP_STATE_FOUND,
                                            PSP_STATE_FOUND}));
  EXPECT_EQ(locator_.GetDriveLetter(), L'E');
  EXPECT_EQ(locator_.GetTotalBytes(), 16 * kMiB);
  EXPECT_FALSE(fs::exists(e.path() / "mmm_temp_fil_36569.tmp"));
  EXPECT_EQ(fs::directory_iterator(e.path())->path().filename(), "PSP");

  // The stick is pulled out as well.
  e.Unmount();
  EXPECT_EQ(PollTimes(3),
            (std::vector<int>{PSP_STATE_SEARCHING, PSP_STATE_NOT_FOUND, PSP_STATE_NOT_FOUND}));
  EXPECT_EQ(locator_.GetDriveLetter(), L'E');
  EXPECT_EQ(locator_.GetTotalBytes(), 0u);
  EXPECT_EQ(locator_.GetFreeBytes(), 0u);

  // Both come back.
  ASSERT_TRUE(e.Remount());
  PlugPsp("0381");
  EXPECT_EQ(PollTimes(1), std::vector<int>{PSP_STATE_FOUND});
  EXPECT_EQ(locator_.GetDriveLetter(), L'E');
  EXPECT_TRUE(locator_.IsPspGo());
}

TEST_F(LocatorTest, FallbackWriteTestFailsOnReadOnlyOrLargeSticks) {
  struct Case {
    const char* what;
    std::uint64_t bytes;
    bool readOnly;
    bool kept;
  };
  const Case cases[] = {
      {"writable", 64 * kMiB, false, true},
      {"read-only", 64 * kMiB, true, false},
      {"just below 20.25 GiB", k20_25GiB - 4096, false, true},
      {"20.25 GiB", k20_25GiB, false, false},
  };
  for (const auto& c : cases) {
    const auto psp = PlugPsp();
    auto& e = Mount(L'E', c.bytes);
    CPSPLocator locator;
    locator.Poll();
    ASSERT_TRUE(locator.IsFound()) << c.what;  // the search itself makes no write test
    usb_.Remove(psp);
    if (c.readOnly) {
      ASSERT_TRUE(e.MakeReadOnly());
    }
    for (int i = 0; i < 2; ++i) locator.Poll();  // the re-check drops to searching
    ASSERT_EQ(locator.GetStatus(), PSP_STATE_SEARCHING);
    locator.Poll();
    EXPECT_EQ(locator.IsFound(), c.kept) << c.what;
    EXPECT_EQ(locator.GetStatus(), c.kept ? PSP_STATE_FOUND : PSP_STATE_NOT_FOUND) << c.what;
    EXPECT_EQ(locator.GetDriveLetter(), L'E');
  }
}

// Measuring another drive never changes what the found screen shows.
TEST_F(LocatorTest, QueryDriveSpaceMeasuresWithoutTouchingTheFoundDrive) {
  PlugPsp();
  Mount(L'E', 64 * kMiB);
  Mount(L'F', 32 * kMiB);
  locator_.Poll();
  ASSERT_EQ(locator_.GetDriveLetter(), L'F');
  std::uint64_t total = 0, free = 0;
  EXPECT_EQ(locator_.QueryDriveSpace(L'E', &total, &free), 0);
  EXPECT_EQ(total, 64 * kMiB);
  EXPECT_EQ(free, 64 * kMiB);
  EXPECT_EQ(locator_.GetTotalBytes(), 32 * kMiB);
  EXPECT_EQ(locator_.GetDriveLetter(), L'F');
  EXPECT_TRUE(locator_.IsFound());
  for (wchar_t letter : {L'Q', L'\0', L'?'}) {
    total = 7;
    EXPECT_EQ(locator_.QueryDriveSpace(letter, &total), -1);
    EXPECT_EQ(total, 7u);
  }
  EXPECT_EQ(locator_.QueryDriveSpace(L'e'), 0);
  EXPECT_EQ(locator_.GetTotalBytes(), 32 * kMiB);

  CPSPLocator fresh;  // not found: the getters say 0
  EXPECT_EQ(fresh.QueryDriveSpace(L'E'), 0);
  EXPECT_EQ(fresh.GetTotalBytes(), 0u);
  EXPECT_EQ(fresh.GetStatus(), PSP_STATE_SEARCHING);
}

TEST_F(LocatorTest, FindsAPspAndPreparesItsStick) {
  PlugPsp("0381");
  const auto& stick = Mount(L'G', 32 * kMiB);
  MakeFolder(stick.path(), "PSP");
  Mount(L'H', 4 * kMiB);
  locator_.Poll();
  ASSERT_TRUE(locator_.IsFound());
  ASSERT_TRUE(locator_.IsIdle());
  const wchar_t letter = locator_.GetDriveLetter();
  EXPECT_EQ(letter, L'G');
  EXPECT_TRUE(locator_.IsPspGo());

  const std::wstring application = StickPath(letter, kStickApplicationFile);
  PrepareTargetFolders(application);
  PrepareTargetFolders(StickPath(letter, kStickLanguageFile));
  const std::string package(100000, 'P');
  EXPECT_TRUE(plat::WriteFileSafely(application, package.data(), package.size()));
  const char language = 4;
  EXPECT_TRUE(plat::WriteFileSafely(StickPath(letter, kStickLanguageFile), &language, 1));
  EXPECT_EQ(fs::file_size(stick.path() / "PSP/GAME/UPDATE/EBOOT.PBP"), package.size());
  EXPECT_EQ(fs::file_size(stick.path() / "SWAYMO/Language.bin"), 1u);
}

TEST_F(LocatorTest, TheWindowThreadMayReadWhileTheWorkerPolls) {
  const auto psp = PlugPsp();
  Mount(L'E', 16 * kMiB);
  Mount(L'F', 8 * kMiB);
  std::atomic<bool> done{false};
  std::atomic<int> oddReads{0};
  std::thread reader([&] {
    while (!done) {
      const wchar_t letter = locator_.GetDriveLetter();
      const int state = locator_.GetStatus();
      if ((letter != 0 && (letter < L'C' || letter > L'Z')) ||
          (state != PSP_STATE_SEARCHING && state != PSP_STATE_FOUND &&
           state != PSP_STATE_NOT_FOUND)) {
        ++oddReads;
      }
      locator_.GetTotalBytes();
      locator_.GetFreeBytes();
      locator_.IsPspGo();
      locator_.IsIdle();
      locator_.QueryDriveSpace(L'F');
    }
  });
  for (int i = 0; i < 8; ++i) {
    if (i == 4) usb_.Remove(psp);
    locator_.Poll();
  }
  done = true;
  reader.join();
  EXPECT_EQ(oddReads, 0);
  EXPECT_TRUE(locator_.IsIdle());
  EXPECT_EQ(locator_.GetDriveLetter(), L'F');
}

// The PSP's own drive comes first where udev can tell which it is: its block
// device sits on the PSP's USB device. Two sticks under /mnt, named FAT by a
// mount table fixture; the other one holds a PSP folder.
TEST_F(LocatorTest, ThePspsOwnDriveComesFirstWhereUdevCanTell) {
  if (!fs::is_directory("/mnt")) GTEST_SKIP() << "no /mnt folder on this machine";
  testsupport::TmpfsMount own("size=32m", "/mnt");
  testsupport::TmpfsMount other("size=16m", "/mnt");
  if (!own.Mounted() || !other.Mounted()) GTEST_SKIP() << own.Reason();
  MakeFolder(other.path(), "PSP");
  usb_.AddBlock(PlugPsp("01c8", "1-2"), "sdb1", "8:17");
  usb_.AddBlock(usb_.AddDevice("1-3", "0781", "5567", "FLASH"), "sdc1", "8:33");
  testsupport::ScopedEnv noDrives("SWAYMO_DRIVES", nullptr);

  struct Case {
    const char* what;
    const char* ownDevice;
    bool ownChosen;
  };
  for (const Case c : {Case{"its partition is on the PSP", "8:17", true},
                       Case{"FUSE: udev cannot tell", "0:77", false},
                       Case{"on another USB device", "8:33", false}}) {
    SCOPED_TRACE(c.what);
    const std::string table = "40 22 " + std::string(c.ownDevice) + " / " + own.path().string() +
                              " rw - vfat /dev/sdb1 rw\n41 22 8:33 / " + other.path().string() +
                              " rw - vfat /dev/sdc1 rw\n";
    plat::SetMountTableSource([&table] { return table; });
    const plat::DriveTable drives = plat::DriveTable::Current();
    wchar_t ownLetter = 0, otherLetter = 0;
    for (const auto& [letter, drive] : drives.drives()) {
      (drive.root == own.path() ? ownLetter : otherLetter) = letter;
    }
    CPSPLocator locator;
    locator.Poll();
    ASSERT_TRUE(locator.IsFound());
    EXPECT_EQ(locator.GetDriveLetter(), c.ownChosen ? ownLetter : otherLetter);
    EXPECT_EQ(locator.GetTotalBytes(), c.ownChosen ? 32 * kMiB : 16 * kMiB);
  }
  plat::SetMountTableSource({});
}

}  // namespace
