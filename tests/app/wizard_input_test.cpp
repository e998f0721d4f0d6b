// The wizard dialog's answers to the user: flags, buttons by state, the drive
// choice, double-clicks, keys, closing and what closing leaves behind.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/wide_format.h"
#include "online/znxml.h"
#include "platform/core/time.h"
#include "platform/core/wide_text.h"
#include "platform/fs/drive_pin.h"
#include "tests/app/wizard_fixture.h"

namespace {

using wizardtest::WizardTest;

TEST_F(WizardTest, FlagClicksChooseTheLanguageOnlyInsideTheFlag) {
  struct Case {
    plat::Point at;
    int state;
    int language;
  };
  const Case cases[] = {
      {{45, 185}, WIZARD_STATE_LANGUAGE, LANGUAGE_ENGLISH},   // on the left edge
      {{70, 171}, WIZARD_STATE_LANGUAGE, LANGUAGE_ENGLISH},   // on the top edge
      {{120, 185}, WIZARD_STATE_LANGUAGE, LANGUAGE_ENGLISH},  // between two flags
      {{46, 172}, WIZARD_STATE_CHECKING_NET, LANGUAGE_ENGLISH},
      {{150, 185}, WIZARD_STATE_CHECKING_NET, LANGUAGE_FRENCH},
      {{260, 185}, WIZARD_STATE_CHECKING_NET, LANGUAGE_GERMAN},
      {{360, 203}, WIZARD_STATE_CHECKING_NET, LANGUAGE_SPANISH},  // its flag is a pixel taller
      {{460, 185}, WIZARD_STATE_CHECKING_NET, LANGUAGE_ITALIAN},
      {{560, 185}, WIZARD_STATE_CHECKING_NET, LANGUAGE_CHINESE},
  };
  for (const Case& c : cases) {
    CQuaysideDlg& dlg = OpenWizard();
    ClickAt(c.at);
    EXPECT_EQ(dlg.wizardState(), c.state) << c.at.x << "," << c.at.y;
    EXPECT_EQ(dlg.languageIndex(), c.language) << c.at.x << "," << c.at.y;
    if (c.state == WIZARD_STATE_CHECKING_NET) {
      // A second click no longer counts.
      ClickAt({150, 185});
      EXPECT_EQ(dlg.languageIndex(), c.language);
      EXPECT_NE(TextOfKey("IDS_MAINFRAME"), L"");
    }
    CloseWizard();
  }
}

TEST_F(WizardTest, DriveChoiceCyclesThroughTheDrivesThatAnswer) {
  SetDrives("E=" + Stick("e").string() + ",F=" + (temp_.path() / "absent").string() +
            ",G=" + Stick("g").string());
  CQuaysideDlg& dlg = OpenWizard();
  dlg.SetState(WIZARD_STATE_CONNECT_PSP);
  Settle();
  ClickButton(IDC_SELECT);
  ASSERT_EQ(dlg.wizardState(), WIZARD_STATE_CHOOSE_DRIVE);
  EXPECT_EQ(dlg.driveLetter(), L'E');
  // F: is in the table but answers nothing: once measured, it is stepped over.
  for (wchar_t expected : {L'G', L'E', L'G'}) {
    ClickButton(IDC_NEXT);
    EXPECT_TRUE(plat::DispatchUntil([&] { return dlg.driveLetter() == expected; }, 5000));
    EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_CHOOSE_DRIVE);
    EXPECT_EQ(dlg.GetLine(0), std::wstring(1, expected));
  }
  // The sizes come once the drive is measured, off the window's thread.
  EXPECT_TRUE(
      plat::DispatchUntil([&] { return dlg.GetLine(1).find(L"B, ") != std::wstring::npos; }, 5000))
      << plat::EncodeUtf8(dlg.GetLine(1));

  // Cancel goes back to the connect screen, as does Next once no drive answers.
  ClickButton(IDC_CANCEL);
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_CONNECT_PSP);
  EXPECT_FALSE(Button(IDC_CANCEL).IsVisible());
  ClickButton(IDC_SELECT);
  ASSERT_EQ(dlg.wizardState(), WIZARD_STATE_CHOOSE_DRIVE);
  SetDrives("");
  ClickButton(IDC_NEXT);
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_CONNECT_PSP);
  EXPECT_FALSE(dlg.manualMode());
  EXPECT_FALSE(dlg.manualConfirmed());
  EXPECT_FALSE(Button(IDC_CANCEL).IsVisible());

  // With no drive at all, asking to choose one does nothing.
  ClickButton(IDC_SELECT);
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_CONNECT_PSP);

  // Confirming a drive installs there.
  SetDrives("G=" + Stick("g").string());
  ClickButton(IDC_SELECT);
  ASSERT_EQ(dlg.wizardState(), WIZARD_STATE_CHOOSE_DRIVE);
  EXPECT_EQ(dlg.driveLetter(), L'G');
  ClickButton(IDC_SELECT);
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_INSTALLING);
  EXPECT_TRUE(dlg.manualMode());
  EXPECT_TRUE(dlg.manualConfirmed());
  EXPECT_FALSE(Button(IDC_CANCEL).IsVisible());

  // The found screen names the confirmed drive of the user's, and its Next
  // installs there.
  dlg.SetState(WIZARD_STATE_PSP_FOUND);
  Settle();
  EXPECT_EQ(dlg.GetLine(0), FormatWide(TextOfKey("IDS_PSP_FOUND_ON_DRIVE_X"), {L'G'}));
  ClickButton(IDC_NEXT);
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_INSTALLING);
  EXPECT_EQ(plat::PinnedDriveLetter(), L'G');

  // Choosing again withdraws the last choice. A drive that leads nowhere by
  // the time it is accepted: the failed screen.
  dlg.SetState(WIZARD_STATE_CONNECT_PSP);
  Settle();
  ClickButton(IDC_SELECT);
  ASSERT_EQ(dlg.wizardState(), WIZARD_STATE_CHOOSE_DRIVE);
  EXPECT_FALSE(dlg.manualConfirmed());
  EXPECT_FALSE(dlg.manualMode());
  std::filesystem::remove_all(temp_.path() / "g");
  ClickButton(IDC_SELECT);
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_INSTALL_FAILED);
  EXPECT_EQ(plat::PinnedDriveLetter(), 0);
}

TEST_F(WizardTest, FoundScreenWithoutAPspOrAChosenDrive) {
  SetDrives("E=" + Stick("e").string());
  CQuaysideDlg& dlg = OpenWizard();
  dlg.SetState(WIZARD_STATE_PSP_FOUND);
  Settle();
  ClickButton(IDC_NEXT);
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_PSP_FOUND);
  ClickButton(IDC_SELECT);
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_CHOOSE_DRIVE);
  EXPECT_EQ(dlg.driveLetter(), L'E');
}

// Exit closes the wizard from every state; the Next button of the last
// screens does too; elsewhere the hidden buttons do nothing.
TEST_F(WizardTest, ExitAndTheLastScreensCloseTheWizard) {
  const int states[] = {WIZARD_STATE_LANGUAGE,     WIZARD_STATE_CHECKING_NET,
                        WIZARD_STATE_NO_NET,       WIZARD_STATE_UPDATE_AVAILABLE,
                        WIZARD_STATE_CONNECT_PSP,  WIZARD_STATE_PSP_FOUND,
                        WIZARD_STATE_CHOOSE_DRIVE, WIZARD_STATE_INSTALLING,
                        WIZARD_STATE_FINISHED,     WIZARD_STATE_INSTALL_FAILED};
  for (int state : states) {
    CQuaysideDlg& dlg = OpenWizard();
    dlg.SetState(state);
    Settle();
    const std::uint64_t start = plat::TickMs();
    ClickButton(IDC_EXIT);
    EXPECT_TRUE(dlg.closing()) << state;
    EXPECT_TRUE(g_applicationClosing) << state;
    EXPECT_EQ(Button(IDC_EXIT).state(), ZNCHoverButton::kPressed) << state;
    EXPECT_LT(plat::TickMs() - start, 5000u) << state;
    EXPECT_TRUE(dlg.WorkerEnded()) << state;
    EXPECT_EQ(dlg.RunModal(), IDOK) << state;
    // Nothing changes the state any more.
    dlg.SetState(WIZARD_STATE_CONNECT_PSP);
    EXPECT_EQ(dlg.wizardState(), state);
    CloseWizard();
    g_applicationClosing = false;
  }
  for (int state : {WIZARD_STATE_FINISHED, WIZARD_STATE_INSTALL_FAILED}) {
    CQuaysideDlg& dlg = OpenWizard();
    dlg.SetState(state);
    Settle();
    ClickButton(IDC_NEXT);
    EXPECT_TRUE(dlg.closing()) << state;
    EXPECT_EQ(dlg.RunModal(), IDOK) << state;
    CloseWizard();
    g_applicationClosing = false;
  }
  {
    CQuaysideDlg& dlg = OpenWizard();
    plat::headless::RequestClose(dlg);
    Settle();
    EXPECT_TRUE(dlg.closing());
    EXPECT_EQ(dlg.RunModal(), IDOK);
  }
}

TEST_F(WizardTest, DoubleClicksInTheTitleBand) {
  CQuaysideDlg& dlg = OpenWizard();
  auto doubleClick = [&](plat::Point p) {
    plat::headless::DoubleClick(dlg, p);
    Settle();
  };
  doubleClick({150, 20});  // the title text
  EXPECT_EQ(dlg.sizeType(), plat::SizeType::kRestored);
  doubleClick({300, 20});
  EXPECT_EQ(dlg.sizeType(), plat::SizeType::kMaximised);
  doubleClick({300, 20});
  EXPECT_EQ(dlg.sizeType(), plat::SizeType::kRestored);
  doubleClick({300, 60});  // below the band
  EXPECT_EQ(dlg.sizeType(), plat::SizeType::kRestored);
  EXPECT_FALSE(dlg.closing());
  doubleClick({20, 20});
  EXPECT_TRUE(dlg.closing());
}

TEST_F(WizardTest, KeysAndExtraButtonsDoNothing) {
  CQuaysideDlg& dlg = OpenWizard();
  dlg.SetState(WIZARD_STATE_FINISHED);
  Settle();
  for (plat::Key key : {plat::Key::kF1, plat::Key::kEnter, plat::Key::kEscape, plat::Key::kSpace}) {
    plat::headless::PressKey(dlg, key);
  }
  const plat::Rect next = Button(IDC_NEXT).Bounds();
  const plat::Point onNext{(next.left + next.right) / 2, (next.top + next.bottom) / 2};
  for (plat::MouseButton button : {plat::MouseButton::kBack, plat::MouseButton::kForward,
                                   plat::MouseButton::kRight, plat::MouseButton::kMiddle}) {
    plat::headless::Press(dlg, onNext, button);
    plat::headless::Release(dlg, onNext, button);
  }
  Settle();
  EXPECT_FALSE(dlg.closing());
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_FINISHED);
}

TEST_F(WizardTest, MinimiseButton) {
  CQuaysideDlg& dlg = OpenWizard();
  ClickButton(IDC_MINIMISE);
  EXPECT_EQ(dlg.sizeType(), plat::SizeType::kMinimised);
  EXPECT_FALSE(dlg.closing());
}

// An xdg-open of the test's own writes the address it was given.
class SupportPageTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    const auto script = temp_.path() / "bin" / "xdg-open";
    std::filesystem::create_directories(script.parent_path());
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '"
                          << (temp_.path() / "opened").string() << "'\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    path_.emplace("PATH", ((temp_.path() / "bin").string() + ":/usr/bin:/bin").c_str());
    site_.emplace("SWAYMO_SITE_URL", "http://site.example/");
  }
  std::string Opened() {
    std::ifstream in(temp_.path() / "opened");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::optional<testsupport::ScopedEnv> path_;
  std::optional<testsupport::ScopedEnv> site_;
};

TEST_F(SupportPageTest, NextOnTheUpdateScreenOpensOnlyWebAddresses) {
  const std::pair<const wchar_t*, std::string> cases[] = {
      {L"https://support.example/new?x=1", "https://support.example/new?x=1\n"},
      {L"HTTP://support.example/", "HTTP://support.example/\n"},
      {L"file:///etc/passwd", "http://site.example/\n"},
      {L"javascript:alert(1)", "http://site.example/\n"},
      {L"-x http://support.example/", "http://site.example/\n"},
      {L"http://", "http://site.example/\n"},
  };
  for (const auto& [address, opened] : cases) {
    std::filesystem::remove(temp_.path() / "opened");
    CQuaysideDlg& dlg = OpenWizard();
    ASSERT_EQ(SettingsDocument().ScanText(std::wstring(L"<result>\nCUSTOMER_SUPPORT_URL ") +
                                          address + L"\n</result>"),
              0);
    dlg.SetState(WIZARD_STATE_UPDATE_AVAILABLE);
    Settle();
    ClickButton(IDC_NEXT);
    Settle();
    EXPECT_EQ(Opened(), opened);
    EXPECT_TRUE(dlg.closing());
    CloseWizard();
    g_applicationClosing = false;
  }
}

// A worker that does not look at its kill event and keeps asking for state
// changes: the close still ends within its budget, and no state changes once
// it has begun.
class StubbornWorkerDlg : public CQuaysideDlg {
 public:
  std::atomic<bool> release{false};
  std::atomic<int> asked{0};
  void SetupWorker(plat::Event& killEvent) override {
    while (!release) {
      SetState(asked++ % 2 ? WIZARD_STATE_CONNECT_PSP : WIZARD_STATE_PSP_FOUND);
      plat::SleepMs(5);
    }
    CQuaysideDlg::SetupWorker(killEvent);
  }
};

TEST_F(WizardTest, CloseWithAStuckWorkerEndsWithinItsBudget) {
  auto& dlg = OpenWizard<StubbornWorkerDlg>();
  plat::DispatchUntil([&] { return dlg.asked > 10; }, 5000);
  const std::uint64_t start = plat::TickMs();
  plat::headless::RequestClose(dlg);
  plat::DispatchUntil([&] { return dlg.closing(); }, 1000);
  const std::uint64_t took = plat::TickMs() - start;
  Settle();
  // The close waits a little over a second for the worker, then goes on:
  // the process must end within 2 s.
  EXPECT_GE(took, 1000u);
  EXPECT_LT(took, 2000u);
  EXPECT_FALSE(dlg.WorkerEnded());
  const int state = dlg.wizardState();
  const int asked = dlg.asked;
  plat::DispatchUntil([&] { return dlg.asked > asked + 10; }, 5000);
  EXPECT_EQ(dlg.wizardState(), state);
  EXPECT_EQ(dlg.RunModal(), IDOK);

  dlg.release = true;
  plat::DispatchUntil([&] { return dlg.WorkerEnded(); }, 5000);
  EXPECT_TRUE(dlg.WorkerEnded());
}

TEST_F(WizardTest, DestructionRemovesTheCacheFolderWithoutFollowingLinks) {
  const auto cache = temp_.path() / "data" / "SaveTxtFilesCache";
  const auto outside = temp_.path() / "outside";
  std::filesystem::create_directories(cache / "sub");
  std::filesystem::create_directories(outside);
  std::ofstream(cache / "a.txt") << "a";
  std::ofstream(cache / "sub" / "b.txt") << "b";
  std::ofstream(outside / "keep.txt") << "keep";
  std::filesystem::create_directory_symlink(outside, cache / "link");
  std::ofstream(temp_.path() / "data" / "other.txt") << "other";

  OpenWizard();
  CloseWizard();
  EXPECT_FALSE(std::filesystem::exists(cache));
  EXPECT_TRUE(std::filesystem::exists(outside / "keep.txt"));
  EXPECT_TRUE(std::filesystem::exists(temp_.path() / "data" / "other.txt"));

  // A cache folder that is itself a link is left alone, and so is its target.
  std::filesystem::create_directory_symlink(outside, cache);
  OpenWizard();
  CloseWizard();
  EXPECT_TRUE(std::filesystem::exists(outside / "keep.txt"));
}

TEST_F(WizardTest, ALeftoverUpgradeProgramIsRemovedAtStart) {
  const auto program = temp_.path() / "program";
  std::filesystem::create_directories(program);
  std::filesystem::create_directory_symlink(wizardtest::SourceDir() / "dat", program / "dat");
  std::ofstream(program / "upgrade.exe") << "old";
  g_programFolder = program.wstring();
  OpenWizard();
  EXPECT_FALSE(std::filesystem::exists(program / "upgrade.exe"));
  CloseWizard();
  // Names beside the program are exact: another file of the user's stays.
  std::ofstream(program / "Upgrade.EXE") << "the user's";
  OpenWizard();
  EXPECT_TRUE(std::filesystem::exists(program / "Upgrade.EXE"));
}

}  // namespace
