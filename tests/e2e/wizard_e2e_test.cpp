// The whole wizard with its real setup worker, end to end: the settings and
// the packages from a local HTTP server, a PSP on a umockdev USB bus, and a
// memory stick on a small tmpfs given as drive E:. Every scenario records the
// states the wizard passes through and checks the files left on the stick.
// Each runs in a process of its own (the settings document is process-wide).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/language_table.h"
#include "app/wide_format.h"
#include "online/znxml.h"
#include "platform/core/time.h"
#include "platform/crypto/sha256.h"
#include "platform/fs/drive_pin.h"
#include "platform/fs/drive_table.h"
#include "platform/window/display.h"
#include "platform/window/headless/headless.h"
#include "platform/window/window_ref.h"
#include "tests/app/wizard_fixture.h"
#include "tests/support/blocking_fuse.h"
#include "tests/support/fat_image.h"
#include "tests/support/http_server.h"
#include "tests/support/scoped_env.h"
#include "tests/support/tmpfs_mount.h"
#include "tests/support/usb_testbed.h"
#include "ui/msg_box.h"
#include "ui/msg_box_hook.h"
#include "util/message_box.h"

namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;
using testsupport::HttpReply;
using testsupport::HttpServer;
using testsupport::ScopedConnectTo;

constexpr char kSettingsPath[] = "/swaymo_settings.asp";  // of the default settings address
constexpr char kCurrent[] = "Swaymo_Setup_2_204.exe";
constexpr char kNewer[] = "Swaymo_Setup_2_205.exe";

// The four packages, each with content of its own.
struct Package {
  const char* key;
  const char* path;
};
constexpr Package kPackages[] = {
    {"DEMO_FILE_DOWNLOAD_URL_ML", "/ml/EBOOT.PBP"},
    {"DEMO_FILE_DOWNLOAD_PSPGO_URL_ML", "/go_ml/EBOOT.PBP"},
    {"DEMO_FILE_DOWNLOAD_URL", "/jp/EBOOT.PBP"},
    {"DEMO_FILE_DOWNLOAD_PSPGO_URL", "/go_jp/EBOOT.PBP"},
};

std::string PackageBody(const std::string& path) {
  std::string body("\0PBP", 4);
  body += path;
  for (std::size_t i = 0; body.size() < 300'000; ++i) body.push_back(static_cast<char>(i * 7 + 3));
  return body;
}

// The settings document; emptyKey names a package key left without address.
std::string Settings(const std::string& version, const std::string& emptyKey = {}) {
  std::string doc = "<result>\nCURRENT_VERSION = " + version +
                    "\nCUSTOMER_SUPPORT_URL = http://help.swaymo.example/\n";
  for (const Package& p : kPackages) {
    doc += std::string(p.key) + " =";
    if (p.key != emptyKey) doc += " http://files.swaymo.example" + std::string(p.path);
    doc += "\n";
  }
  return doc + "</result>\n";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class EndToEnd : public wizardtest::WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    usb_ = std::make_unique<testsupport::UsbTestbed>();
    if (!testsupport::UsbTestbed::active()) GTEST_SKIP() << "needs umockdev-wrapper";
    tmpfs_ = std::make_unique<testsupport::TmpfsMount>("size=8m");
    if (!tmpfs_->Mounted()) GTEST_SKIP() << tmpfs_->Reason();
    stick_ = tmpfs_->path() / "stick";
    fs::create_directories(stick_ / "PSP");
    SetDrives("E=" + stick_.string());

    server_.Serve(kSettingsPath, HttpReply::Ok(Settings(kCurrent)));
    for (const Package& p : kPackages) server_.Serve(p.path, HttpReply::Ok(PackageBody(p.path)));

    SetMessageBoxHook([this](const std::wstring& text, unsigned type) {
      boxPending_ = true;
      const int result = ShowSkinnedMessageBox(text, type);
      boxPending_ = false;
      return result;
    });
  }

  void TearDown() override {
    stopAnswering_ = true;
    if (answerer_.joinable()) answerer_.join();
    if (dialog_) CloseWizard();
    SetMessageBoxOwner(nullptr);
    WizardTest::TearDown();
  }

  void PlugPsp(const char* product = "01c8") {
    psp_ = usb_->AddDevice("1-2", "054c", product, "E2E00001");
  }
  // The PSP leaves the USB bus and its stick's drive stops answering.
  void UnplugPsp() {
    usb_->Remove(psp_);
    fs::rename(stick_, tmpfs_->path() / "away");
  }
  void ReplugPsp() {
    fs::rename(tmpfs_->path() / "away", stick_);
    PlugPsp();
  }

  CQuaysideDlg& Open() {
    CQuaysideDlg& dlg = OpenWizard<CQuaysideDlg>();
    SetMessageBoxOwner(&dlg);
    answerer_ = std::thread([this, ref = dlg.ref()] { AnswerBoxes(ref); });
    Record();
    return dlg;
  }

  // Runs the window thread until done() or the time is up, noting every state.
  bool RunUntil(const std::function<bool()>& done, unsigned ms = 30000) {
    return plat::DispatchUntil(
        [&] {
          Record();
          return done();
        },
        ms);
  }
  bool WaitForState(int state, unsigned ms = 30000) {
    return RunUntil([&] { return wizard().wizardState() == state; }, ms);
  }
  void RunFor(unsigned ms) {
    RunUntil([] { return false; }, ms);
  }
  void Record() {
    const int state = wizard().wizardState();
    if (states_.empty() || states_.back() != state) {
      states_.push_back(state);
      stateTicks_.push_back(plat::TickMs());
    }
  }
  std::uint64_t TickOf(int state) const {
    for (std::size_t i = 0; i < states_.size(); ++i) {
      if (states_[i] == state) return stateTicks_[i];
    }
    return 0;
  }

  void Click(plat::Point at) {
    plat::headless::Click(wizard(), at);
    RunFor(50);
  }
  void Press(int id) {
    const plat::Rect r = Button(id).Bounds();
    ASSERT_TRUE(Button(id).IsVisible()) << id;
    Click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }

  // Takes the wizard from the language screen to the found screen.
  void ChooseEnglishAndFindThePsp() {
    Click({70, 187});
    ASSERT_TRUE(WaitForState(WIZARD_STATE_PSP_FOUND)) << Trace();
  }

  // Message boxes are answered with their first button, on the window
  // thread, from within the box's own modal loop.
  struct Box {
    std::wstring text;
    int stateWhileShown;
  };
  void AnswerBoxes(const plat::WindowRef& wizardWindow) {
    while (!stopAnswering_) {
      if (boxPending_) {
        wizardWindow.PostCall([this] {
          for (const plat::Window* w : plat::headless::Windows()) {
            const auto* box = dynamic_cast<const CMsgBox*>(w);
            if (box == nullptr || !plat::headless::IsOnScreen(*box) || answered_ == box) continue;
            answered_ = box;
            {
              std::lock_guard lock(boxesLock_);
              boxes_.push_back({box->text(), wizard().wizardState()});
            }
            const plat::Rect r = box->button(0).Bounds();
            plat::headless::Click(*box, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
          }
        });
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  std::vector<Box> Boxes() {
    std::lock_guard lock(boxesLock_);
    return boxes_;
  }

  std::string Trace() const {
    std::string out = "states:";
    for (int s : states_) out += " " + std::to_string(s);
    return out;
  }

  fs::path Eboot() const { return stick_ / "PSP" / "GAME" / "UPDATE" / "EBOOT.PBP"; }
  fs::path LanguageFile() const { return stick_ / "SWAYMO" / "Language.bin"; }

  HttpServer server_;
  ScopedConnectTo mapping_{server_};
  std::unique_ptr<testsupport::TmpfsMount> tmpfs_;
  fs::path stick_;
  std::unique_ptr<testsupport::UsbTestbed> usb_;
  std::string psp_;
  std::vector<int> states_;
  std::vector<std::uint64_t> stateTicks_;

 private:
  std::atomic<bool> boxPending_{false};
  std::atomic<bool> stopAnswering_{false};
  std::thread answerer_;
  const CMsgBox* answered_ = nullptr;
  std::mutex boxesLock_;
  std::vector<Box> boxes_;
};

TEST_F(EndToEnd, HappyPathInEnglish) {
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  ChooseEnglishAndFindThePsp();
  EXPECT_EQ(dlg.GetLine(0), FormatWide(TextOfKey("IDS_PSP_FOUND_ON_DRIVE_X"), {L'E'}));
  Press(IDC_NEXT);
  ASSERT_TRUE(WaitForState(WIZARD_STATE_FINISHED)) << Trace();
  EXPECT_THAT(states_, ElementsAre(WIZARD_STATE_LANGUAGE, WIZARD_STATE_CHECKING_NET,
                                   WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_PSP_FOUND,
                                   WIZARD_STATE_INSTALLING, WIZARD_STATE_FINISHED));

  EXPECT_EQ(ReadFile(Eboot()), PackageBody("/ml/EBOOT.PBP"));
  EXPECT_EQ(ReadFile(LanguageFile()), std::string(1, '\0'));  // English
  EXPECT_EQ(server_.CountRequests("/ml/EBOOT.PBP"), 1u);
  EXPECT_TRUE(Boxes().empty());

  // Close on the finished screen ends the wizard and its worker.
  Press(IDC_NEXT);
  EXPECT_TRUE(dlg.closing());
  EXPECT_TRUE(RunUntil([&] { return dlg.WorkerEnded(); }, 5000));
  EXPECT_EQ(states_.back(), WIZARD_STATE_FINISHED);
}

// A Spanish table that cannot be read falls back to Japanese; with a PSP Go
// the Japanese PSP Go package is the one installed.
TEST_F(EndToEnd, JapaneseWithAPspGoTakesTheJapanesePspGoPackage) {
  const fs::path program = temp_.path() / "program";
  fs::create_directories(program);
  fs::copy(wizardtest::SourceDir() / "dat", program / "dat");
  fs::remove(program / "dat" / "SpanishStrings.dat");
  g_programFolder = program.wstring();

  PlugPsp("0381");
  CQuaysideDlg& dlg = Open();
  Click({360, 187});  // the Spanish flag
  ASSERT_EQ(dlg.languageIndex(), LANGUAGE_JAPANESE);
  ASSERT_TRUE(WaitForState(WIZARD_STATE_PSP_FOUND)) << Trace();
  Press(IDC_NEXT);
  ASSERT_TRUE(WaitForState(WIZARD_STATE_FINISHED)) << Trace();

  EXPECT_EQ(ReadFile(Eboot()), PackageBody("/go_jp/EBOOT.PBP"));
  EXPECT_EQ(ReadFile(LanguageFile()), std::string(1, '\1'));  // Japanese
  for (const char* other : {"/ml/EBOOT.PBP", "/go_ml/EBOOT.PBP", "/jp/EBOOT.PBP"}) {
    EXPECT_EQ(server_.CountRequests(other), 0u) << other;
  }
}

TEST_F(EndToEnd, NewerWizardOnlineShowsTheUpdateScreenAndNeverSearches) {
  server_.Serve(kSettingsPath, HttpReply::Ok(Settings(kNewer)));
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  Click({70, 187});
  ASSERT_TRUE(WaitForState(WIZARD_STATE_UPDATE_AVAILABLE)) << Trace();
  EXPECT_TRUE(RunUntil([&] { return dlg.WorkerEnded(); }, 5000));
  RunFor(1500);  // three passes' time: nothing moves any more
  EXPECT_THAT(states_, ElementsAre(WIZARD_STATE_LANGUAGE, WIZARD_STATE_CHECKING_NET,
                                   WIZARD_STATE_UPDATE_AVAILABLE));
  EXPECT_EQ(dlg.GetLine(3), L"");
  EXPECT_TRUE(Button(IDC_NEXT).IsVisible());
  // Nothing was written: the stick holds what it held.
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(stick_), {}), 1);
}

TEST_F(EndToEnd, NoNetworkIsCheckedOnEveryPassUntilTheServerAnswers) {
  server_.Serve(kSettingsPath, HttpReply::Status(503));
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  Click({70, 187});
  ASSERT_TRUE(WaitForState(WIZARD_STATE_NO_NET)) << Trace();
  // Each check is three attempts of two requests; three passes of them.
  ASSERT_TRUE(RunUntil([&] { return server_.CountRequests(kSettingsPath) >= 18; }));
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_NO_NET);

  server_.Serve(kSettingsPath, HttpReply::Ok(Settings(kCurrent)));
  ASSERT_TRUE(WaitForState(WIZARD_STATE_PSP_FOUND)) << Trace();
  EXPECT_THAT(states_,
              ElementsAre(WIZARD_STATE_LANGUAGE, WIZARD_STATE_CHECKING_NET, WIZARD_STATE_NO_NET,
                          WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_PSP_FOUND));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(fs::exists(stick_ / "SWAYMO"));
}

TEST_F(EndToEnd, DownloadThatReceivesNothingIsTriedTwiceThenFails) {
  server_.Serve("/ml/EBOOT.PBP", HttpReply::Status(404));
  PlugPsp();
  Open();
  ChooseEnglishAndFindThePsp();
  Press(IDC_NEXT);
  ASSERT_TRUE(WaitForState(WIZARD_STATE_INSTALL_FAILED)) << Trace();
  EXPECT_THAT(states_, ElementsAre(WIZARD_STATE_LANGUAGE, WIZARD_STATE_CHECKING_NET,
                                   WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_PSP_FOUND,
                                   WIZARD_STATE_INSTALLING, WIZARD_STATE_INSTALL_FAILED));
  EXPECT_EQ(server_.CountRequests("/ml/EBOOT.PBP"), 2u);
  // A 400 ms pause after each of the two attempts.
  EXPECT_GE(TickOf(WIZARD_STATE_INSTALL_FAILED) - TickOf(WIZARD_STATE_INSTALLING), 800u);
  EXPECT_FALSE(fs::exists(Eboot()));
  EXPECT_TRUE(fs::is_directory(Eboot().parent_path()));
  EXPECT_EQ(ReadFile(LanguageFile()), std::string(1, '\0'));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(EndToEnd, WriteFailureOnAReadOnlyStickFailsAtOnceAndKeepsTheOldPackage) {
  fs::create_directories(Eboot().parent_path());
  std::ofstream(Eboot(), std::ios::binary) << "old package";
  ASSERT_TRUE(tmpfs_->MakeReadOnly());
  PlugPsp();
  Open();
  ChooseEnglishAndFindThePsp();
  Press(IDC_NEXT);
  ASSERT_TRUE(WaitForState(WIZARD_STATE_INSTALL_FAILED)) << Trace();
  EXPECT_THAT(states_, ElementsAre(WIZARD_STATE_LANGUAGE, WIZARD_STATE_CHECKING_NET,
                                   WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_PSP_FOUND,
                                   WIZARD_STATE_INSTALLING, WIZARD_STATE_INSTALL_FAILED));
  EXPECT_EQ(server_.CountRequests("/ml/EBOOT.PBP"), 1u);
  EXPECT_EQ(ReadFile(Eboot()), "old package");
  EXPECT_FALSE(fs::exists(LanguageFile()));
}

TEST_F(EndToEnd, EmptyAddressShowsTheServerMessageThenChecksAgain) {
  server_.Serve(kSettingsPath, HttpReply::Ok(Settings(kCurrent, "DEMO_FILE_DOWNLOAD_URL_ML")));
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  ChooseEnglishAndFindThePsp();
  Press(IDC_NEXT);
  ASSERT_TRUE(RunUntil([&] { return states_.size() >= 8; })) << Trace();
  EXPECT_THAT(states_, ElementsAre(WIZARD_STATE_LANGUAGE, WIZARD_STATE_CHECKING_NET,
                                   WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_PSP_FOUND,
                                   WIZARD_STATE_INSTALLING, WIZARD_STATE_CHECKING_NET,
                                   WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_PSP_FOUND));
  // The box came while the installing screen waited for it.
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, TextOfKey("IDS_INTERNET_ERROR_SERVER"));
  EXPECT_EQ(boxes[0].stateWhileShown, WIZARD_STATE_INSTALLING);
  // Found again, not for the first time: the worker empties the status line
  // right after the screen, and it stays empty.
  RunFor(700);
  EXPECT_EQ(dlg.GetLine(3), L"");
  EXPECT_TRUE(fs::is_directory(Eboot().parent_path()));
  EXPECT_FALSE(fs::exists(Eboot()));
  EXPECT_EQ(ReadFile(LanguageFile()), std::string(1, '\0'));
}

TEST_F(EndToEnd, PspUnpluggedOnTheFoundScreenAndPluggedBack) {
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  ChooseEnglishAndFindThePsp();
  EXPECT_NE(dlg.GetLine(3), L"");  // the first detection names the drive
  UnplugPsp();
  ASSERT_TRUE(WaitForState(WIZARD_STATE_CONNECT_PSP)) << Trace();
  ReplugPsp();
  ASSERT_TRUE(WaitForState(WIZARD_STATE_PSP_FOUND)) << Trace();
  EXPECT_THAT(states_, ElementsAre(WIZARD_STATE_LANGUAGE, WIZARD_STATE_CHECKING_NET,
                                   WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_PSP_FOUND,
                                   WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_PSP_FOUND));
  // Found again, not for the first time: no drive text in the status line.
  RunFor(700);
  EXPECT_EQ(dlg.GetLine(3), L"");
  EXPECT_EQ(states_.back(), WIZARD_STATE_PSP_FOUND);
  EXPECT_FALSE(fs::exists(stick_ / "SWAYMO"));
}

TEST_F(EndToEnd, PspUnpluggedWhileInstallingFailsThenAsksForThePsp) {
  HttpReply slow = HttpReply::Ok(PackageBody("/ml/EBOOT.PBP"));
  slow.stallAfter = 100'000;
  slow.stallMs = 60'000;
  server_.Serve("/ml/EBOOT.PBP", slow);
  PlugPsp();
  Open();
  ChooseEnglishAndFindThePsp();
  Press(IDC_NEXT);
  ASSERT_TRUE(RunUntil([&] { return server_.CountRequests("/ml/EBOOT.PBP") == 1; }));
  ASSERT_TRUE(RunUntil([&] { return fs::exists(LanguageFile()); }));
  UnplugPsp();
  server_.EndStalls();
  ASSERT_TRUE(WaitForState(WIZARD_STATE_CONNECT_PSP)) << Trace();
  EXPECT_THAT(states_,
              ElementsAre(WIZARD_STATE_LANGUAGE, WIZARD_STATE_CHECKING_NET,
                          WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_PSP_FOUND, WIZARD_STATE_INSTALLING,
                          WIZARD_STATE_INSTALL_FAILED, WIZARD_STATE_CONNECT_PSP));
  EXPECT_EQ(server_.CountRequests("/ml/EBOOT.PBP"), 1u);
  const fs::path away = tmpfs_->path() / "away";
  EXPECT_FALSE(fs::exists(away / "PSP" / "GAME" / "UPDATE" / "EBOOT.PBP"));
  EXPECT_EQ(ReadFile(away / "SWAYMO" / "Language.bin"), std::string(1, '\0'));
}

// A drive chosen by hand counts only while it is confirmed: once it goes, the
// search takes over, and the PSP's drive found later is the one installed to.
TEST_F(EndToEnd, AHandChosenDriveCountsOnlyWhileItIsConfirmed) {
  const fs::path chosen = tmpfs_->path() / "chosen";
  fs::create_directories(chosen);
  SetDrives("E=" + stick_.string() + ",F=" + chosen.string());
  CQuaysideDlg& dlg = Open();  // no PSP on USB yet: the user names F: himself
  Click({70, 187});
  ASSERT_TRUE(WaitForState(WIZARD_STATE_CONNECT_PSP)) << Trace();
  Press(IDC_SELECT);
  ASSERT_EQ(dlg.driveLetter(), L'E');
  Press(IDC_NEXT);
  ASSERT_TRUE(RunUntil([&] { return dlg.driveLetter() == L'F'; }));
  Press(IDC_SELECT);  // this one
  ASSERT_TRUE(WaitForState(WIZARD_STATE_FINISHED)) << Trace();
  EXPECT_EQ(ReadFile(chosen / "PSP/GAME/UPDATE/EBOOT.PBP"), PackageBody("/ml/EBOOT.PBP"));

  fs::rename(chosen, tmpfs_->path() / "away");
  ASSERT_TRUE(WaitForState(WIZARD_STATE_CONNECT_PSP)) << Trace();
  EXPECT_FALSE(dlg.manualConfirmed());
  EXPECT_FALSE(dlg.manualMode());
  fs::rename(tmpfs_->path() / "away", chosen);
  fs::remove_all(chosen / "PSP");

  // The PSP comes with its stick on E:. The found screen names E: and stays.
  PlugPsp();
  ASSERT_TRUE(WaitForState(WIZARD_STATE_PSP_FOUND)) << Trace();
  EXPECT_EQ(dlg.GetLine(0), FormatWide(TextOfKey("IDS_PSP_FOUND_ON_DRIVE_X"), {L'E'}));
  RunFor(1500);
  Press(IDC_NEXT);
  ASSERT_TRUE(WaitForState(WIZARD_STATE_FINISHED)) << Trace();
  EXPECT_THAT(states_,
              ElementsAre(WIZARD_STATE_LANGUAGE, WIZARD_STATE_CHECKING_NET,
                          WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_CHOOSE_DRIVE,
                          WIZARD_STATE_INSTALLING, WIZARD_STATE_FINISHED, WIZARD_STATE_CONNECT_PSP,
                          WIZARD_STATE_PSP_FOUND, WIZARD_STATE_INSTALLING, WIZARD_STATE_FINISHED));
  EXPECT_EQ(ReadFile(Eboot()), PackageBody("/ml/EBOOT.PBP"));
  EXPECT_FALSE(fs::exists(chosen / "PSP"));
}

// A PSP on USB whose stick is not mounted: after a few passes the status line
// says so instead of searching on silently.
TEST_F(EndToEnd, APspWhoseStickIsNotMountedIsSaidSo) {
  SetDrives("");
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  Click({70, 187});
  const std::wstring text = L"\\fs4" + TextOfKey("IDS_PSP_STICK_NOT_MOUNTED");
  ASSERT_FALSE(TextOfKey("IDS_PSP_STICK_NOT_MOUNTED").empty());
  ASSERT_TRUE(RunUntil([&] { return dlg.GetLine(3) == text; }, 10000)) << Trace();
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_CONNECT_PSP);
  // Once the PSP goes, the search shows again.
  usb_->Remove(psp_);
  EXPECT_TRUE(RunUntil(
      [&] { return dlg.GetLine(3).find(TextOfKey("IDS_SEARCHING_FOR_PSP")) != std::wstring::npos; },
      5000));
}

// The drive accepted on the found screen is pinned: the mount table changes
// while the package downloads (another stick mounted, then another device on
// the accepted mount point), and the package is not written.
TEST_F(EndToEnd, TheAcceptedDriveIsPinnedUntilThePackageIsWritten) {
  if (!fs::is_directory("/mnt")) GTEST_SKIP() << "no /mnt folder on this machine";
  testsupport::TmpfsMount stick("size=8m", "/mnt");
  if (!stick.Mounted()) GTEST_SKIP() << stick.Reason();
  UseDiscoveredDrives();
  struct stat st {};
  ASSERT_EQ(stat(stick.path().c_str(), &st), 0);
  const std::string line = " / " + stick.path().string() + " rw - vfat /dev/sdz1 rw\n";
  const std::string tables[] = {
      "40 22 " + std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev)) + line,
      "41 22 8:1 / /mnt/0 rw - vfat /dev/sdy1 rw\n40 22 " + std::to_string(major(st.st_dev)) + ":" +
          std::to_string(minor(st.st_dev)) + line,
      "41 22 8:1 / /mnt/0 rw - vfat /dev/sdy1 rw\n40 22 8:99" + line,
  };
  std::atomic<int> table{0};
  plat::SetMountTableSource([&] { return tables[table.load()]; });
  HttpReply slow = HttpReply::Ok(PackageBody("/ml/EBOOT.PBP"));
  slow.stallAfter = 100'000;
  slow.stallMs = 60'000;
  server_.Serve("/ml/EBOOT.PBP", slow);

  PlugPsp();
  CQuaysideDlg& dlg = Open();
  ChooseEnglishAndFindThePsp();
  EXPECT_EQ(dlg.GetLine(0), FormatWide(TextOfKey("IDS_PSP_FOUND_ON_DRIVE_X"), {L'D'}));
  table = 1;  // D: stays the stick's
  RunFor(700);
  Press(IDC_NEXT);
  ASSERT_TRUE(RunUntil([&] { return server_.CountRequests("/ml/EBOOT.PBP") == 1; }));
  EXPECT_EQ(ReadFile(stick.path() / "SWAYMO/Language.bin"), std::string(1, '\0'));
  table = 2;
  server_.EndStalls();
  ASSERT_TRUE(WaitForState(WIZARD_STATE_INSTALL_FAILED)) << Trace();
  EXPECT_FALSE(fs::exists(stick.path() / "PSP/GAME/UPDATE/EBOOT.PBP"));
  EXPECT_EQ(std::distance(fs::directory_iterator(stick.path() / "PSP/GAME/UPDATE"), {}), 0);
  CloseWizard();
  plat::SetMountTableSource({});
}

// A real FAT file system, mounted through FUSE where a desktop mounts sticks
// and found in the mount table, whose folders are in lower case: the package
// lands in them, as the image itself shows afterwards.
TEST_F(EndToEnd, InstallsOntoAFatStickFoundInTheMountTable) {
  testsupport::FatImage fat(16384, {"psp", "psp/game"}, "/mnt");
  if (!fat.Mounted()) GTEST_SKIP() << fat.Reason();
  UseDiscoveredDrives();
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  ChooseEnglishAndFindThePsp();
  wchar_t letter = 0;
  const plat::DriveTable drives = plat::DriveTable::Current();
  for (const auto& [l, drive] : drives.drives()) {
    if (drive.root == fat.path()) letter = l;
  }
  ASSERT_NE(letter, 0) << "the FAT stick was not discovered";
  EXPECT_EQ(dlg.GetLine(0), FormatWide(TextOfKey("IDS_PSP_FOUND_ON_DRIVE_X"), {letter}));
  Press(IDC_NEXT);
  ASSERT_TRUE(WaitForState(WIZARD_STATE_FINISHED)) << Trace();
  CloseWizard();
  fat.Unmount();

  std::string text;
  ASSERT_TRUE(fat.Mtools("mtype", "::psp/game/UPDATE/EBOOT.PBP", &text));
  EXPECT_EQ(text, PackageBody("/ml/EBOOT.PBP"));
  ASSERT_TRUE(fat.Mtools("mtype", "::SWAYMO/Language.bin", &text));
  EXPECT_EQ(text, std::string(1, '\0'));
  // One psp folder, in lower case as it was: none was made beside it.
  ASSERT_TRUE(fat.Mtools("mdir", "::", &text));
  std::istringstream listing(text);
  int pspFolders = 0;
  for (std::string entry; std::getline(listing, entry);) {
    if (entry.rfind("psp ", 0) == 0 || entry.rfind("PSP ", 0) == 0) ++pspFolders;
  }
  EXPECT_EQ(pspFolders, 1) << text;
  EXPECT_EQ(text.find("PSP "), std::string::npos) << text;
}

TEST_F(EndToEnd, ExitDuringTheDownloadEndsTheWorkerWithoutAFinishedScreen) {
  HttpReply stalled = HttpReply::Ok(PackageBody("/ml/EBOOT.PBP"));
  stalled.stallAfter = 100'000;
  stalled.stallMs = 60'000;
  server_.Serve("/ml/EBOOT.PBP", stalled);
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  ChooseEnglishAndFindThePsp();
  Press(IDC_NEXT);
  ASSERT_TRUE(RunUntil([&] { return server_.CountRequests("/ml/EBOOT.PBP") == 1; }));
  RunFor(300);

  const auto start = plat::TickMs();
  Press(IDC_EXIT);                            // the close sequence runs within the click
  EXPECT_LT(plat::TickMs() - start, 2'000u);  // a close never waits long
  EXPECT_TRUE(dlg.closing());
  EXPECT_TRUE(dlg.WorkerEnded());
  RunFor(600);
  EXPECT_THAT(states_, ElementsAre(WIZARD_STATE_LANGUAGE, WIZARD_STATE_CHECKING_NET,
                                   WIZARD_STATE_CONNECT_PSP, WIZARD_STATE_PSP_FOUND,
                                   WIZARD_STATE_INSTALLING));
  EXPECT_EQ(server_.CountRequests("/ml/EBOOT.PBP"), 1u);
  EXPECT_FALSE(fs::exists(Eboot()));
  EXPECT_EQ(ReadFile(LanguageFile()), std::string(1, '\0'));
}

// A hotel's sign-in page answers every address: it is no package, so it is
// tried twice, the failed screen shows and the old package stays.
TEST_F(EndToEnd, CaptiveSignInPageIsNeverInstalled) {
  fs::create_directories(Eboot().parent_path());
  std::ofstream(Eboot(), std::ios::binary) << PackageBody("/old");
  server_.Serve("/ml/EBOOT.PBP",
                HttpReply::Ok("<!DOCTYPE html>\n<html><body><form>Room number: <input "
                              "name=room></form></body></html>\n"));
  PlugPsp();
  Open();
  ChooseEnglishAndFindThePsp();
  Press(IDC_NEXT);
  ASSERT_TRUE(WaitForState(WIZARD_STATE_INSTALL_FAILED)) << Trace();
  EXPECT_EQ(server_.CountRequests("/ml/EBOOT.PBP"), 2u);
  EXPECT_EQ(ReadFile(Eboot()), PackageBody("/old"));
  EXPECT_EQ(fs::directory_iterator(Eboot().parent_path())->path().filename(), "EBOOT.PBP");
}

// Exit while the settings server accepts and never answers: the close ends
// at once, the window keeps painting, and no fetch starts afterwards.
TEST_F(EndToEnd, ExitWhileTheSettingsServerStallsEndsAtOnce) {
  HttpReply stalled = HttpReply::Ok(Settings(kCurrent));
  stalled.headerDelayMs = 60'000;
  server_.Serve(kSettingsPath, stalled);
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  Click({70, 187});
  ASSERT_TRUE(RunUntil([&] { return server_.CountRequests(kSettingsPath) == 1; }));
  RunFor(300);

  // Work queued for the window while the close waits is still done.
  std::atomic<bool> inPress{false};
  std::atomic<int> servedDuringClose{0};
  std::thread poster([&] {
    while (!inPress) plat::SleepMs(1);
    for (int i = 0; i < 100 && inPress; ++i) {
      dlg.ref().PostCall([&] {
        if (inPress && dlg.closing()) ++servedDuringClose;
      });
      plat::SleepMs(5);
    }
  });
  const auto start = plat::TickMs();
  inPress = true;
  Press(IDC_EXIT);
  inPress = false;
  const auto took = plat::TickMs() - start;
  poster.join();
  EXPECT_LT(took, 2'000u);
  EXPECT_TRUE(dlg.closing());
  EXPECT_TRUE(dlg.WorkerEnded());
  EXPECT_FALSE(SettingsDocument().ThreadRunning());
  EXPECT_GT(servedDuringClose.load(), 0);
  RunFor(1000);
  EXPECT_EQ(server_.CountRequests(kSettingsPath), 1u);
  EXPECT_TRUE(Boxes().empty());
  server_.EndStalls();
}

// The package over https, verified against a private CA, and checked against
// the digest its address carries.
TEST_F(EndToEnd, HttpsPackageWithItsDigest) {
  testsupport::TestCertificates certificates({"files.swaymo.example"});
  ASSERT_TRUE(certificates.ok()) << "needs the openssl command";
  HttpServer secure(certificates);
  const std::string package = PackageBody("/tls/EBOOT.PBP");
  secure.Serve("/tls/EBOOT.PBP", HttpReply::Ok(package));
  const auto digest = plat::Sha256Of(package.data(), package.size());
  std::string hex;
  for (const std::uint8_t b : *digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  std::string doc = "<result>\nCURRENT_VERSION = " + std::string(kCurrent) + "\n";
  for (const Package& p : kPackages) {
    doc +=
        std::string(p.key) + " = https://files.swaymo.example/tls/EBOOT.PBP#sha256=" + hex + "\n";
  }
  server_.Serve(kSettingsPath, HttpReply::Ok(doc + "</result>\n"));
  ScopedConnectTo both(server_.ConnectToAnyHost() + "," + secure.ConnectToAnyHost(443));
  testsupport::ScopedEnv bundle("SSL_CERT_FILE", certificates.caFile().c_str());

  PlugPsp();
  Open();
  ChooseEnglishAndFindThePsp();
  Press(IDC_NEXT);
  ASSERT_TRUE(WaitForState(WIZARD_STATE_FINISHED)) << Trace();
  EXPECT_EQ(ReadFile(Eboot()), package);
  EXPECT_EQ(secure.CountRequests("/tls/EBOOT.PBP"), 1u);
  EXPECT_EQ(server_.CountRequests("/tls/EBOOT.PBP"), 0u);  // never in the clear
}

// The stick is pulled out (its file system lazily unmounted) while the
// package is on its way: the wizard shows the failed screen, never the
// finished one, and goes on running.
TEST_F(EndToEnd, StickPulledOutDuringTheTransferShowsTheFailedScreen) {
  HttpReply slow = HttpReply::Ok(PackageBody("/ml/EBOOT.PBP"));
  slow.paceBytes = 30'000;
  slow.paceMs = 100;
  server_.Serve("/ml/EBOOT.PBP", slow);
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  ChooseEnglishAndFindThePsp();
  Press(IDC_NEXT);
  ASSERT_TRUE(RunUntil([&] { return server_.CountRequests("/ml/EBOOT.PBP") == 1; }));
  RunFor(200);
  tmpfs_->Unmount();
  ASSERT_TRUE(WaitForState(WIZARD_STATE_INSTALL_FAILED)) << Trace();
  RunFor(1200);
  EXPECT_EQ(std::count(states_.begin(), states_.end(), WIZARD_STATE_FINISHED), 0) << Trace();
  EXPECT_FALSE(dlg.closing());
  const auto start = plat::TickMs();
  Press(IDC_EXIT);
  EXPECT_LT(plat::TickMs() - start, 2'000u);
  EXPECT_TRUE(dlg.WorkerEnded());
}

// Drives D and F are a file system whose statfs never answers (F is searched
// before the stick on E, D is the first the user's own choice tries): the
// window thread keeps serving, the user's drive choice moves on, and Exit
// ends everything within 2 s.
TEST_F(EndToEnd, ADriveThatNeverAnswersHoldsUpNeitherTheWindowNorTheExit) {
  testsupport::BlockingStatfsMount hanging;
  if (!hanging.Mounted()) GTEST_SKIP() << hanging.Reason();
  // A defect shows as a failure, not as a test that never ends.
  const std::jthread watchdog([&](const std::stop_token& stop) {
    for (int i = 0; i < 300 && !stop.stop_requested(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    hanging.Release();
  });
  SetDrives("D=" + hanging.path().string() + ",E=" + stick_.string() +
            ",F=" + hanging.path().string());
  PlugPsp();
  CQuaysideDlg& dlg = Open();
  Click({70, 187});
  std::uint64_t last = plat::TickMs();
  std::uint64_t longestGap = 0;
  const auto served = [&] {
    const std::uint64_t now = plat::TickMs();
    longestGap = std::max(longestGap, now - last);
    last = now;
  };
  ASSERT_TRUE(RunUntil(
      [&] {
        served();
        return hanging.StatfsCalls() > 0 && dlg.wizardState() == WIZARD_STATE_CONNECT_PSP;
      },
      10'000))
      << Trace();
  RunUntil(
      [&] {
        served();
        return false;
      },
      1'000);
  EXPECT_LT(longestGap, 1'000u);

  auto start = plat::TickMs();
  Press(IDC_SELECT);  // tries D first
  EXPECT_LT(plat::TickMs() - start, 1'000u);
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_CHOOSE_DRIVE);
  // D never tells its size: the choice moves on to E.
  EXPECT_TRUE(RunUntil(
      [&] {
        served();
        return dlg.driveLetter() == L'E';
      },
      5'000))
      << Trace();
  EXPECT_LT(longestGap, 1'000u);

  start = plat::TickMs();
  Press(IDC_EXIT);
  EXPECT_LT(plat::TickMs() - start, 2'000u);
  EXPECT_TRUE(dlg.closing());
}

}  // namespace
