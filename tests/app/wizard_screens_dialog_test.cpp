// The wizard dialog's screens, state by state, as the window shows them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/wide_format.h"
#include "platform/core/time.h"
#include "platform/fs/files.h"
#include "tests/app/wizard_fixture.h"
#include "util/text.h"

namespace {

using wizardtest::WizardTest;

constexpr int kSkinWidth = 630;
constexpr int kSkinHeight = 440;

struct Visible {
  bool next, select, cancel;
};

void ExpectButtons(CQuaysideDlg& wizard, Visible shown, const char* what) {
  const std::pair<int, bool> buttons[] = {
      {IDC_NEXT, shown.next}, {IDC_SELECT, shown.select}, {IDC_CANCEL, shown.cancel}};
  for (const auto& [id, visible] : buttons) {
    auto* button = wizard.FindControl(id);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->IsVisible(), visible) << what << " button " << id;
    EXPECT_EQ(button->IsEnabled(), visible) << what << " button " << id;
  }
}

TEST_F(WizardTest, StartsOnTheLanguageScreen) {
  CQuaysideDlg& dlg = OpenWizard();
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_LANGUAGE);
  EXPECT_EQ(dlg.languageIndex(), LANGUAGE_ENGLISH);
  EXPECT_EQ(dlg.title(), "Swaymo Setup");
  EXPECT_TRUE(plat::headless::HasNamedProperty(dlg, "KORMAN7"));
  // Centred in the work area (1920 x 1040 on the headless screen).
  EXPECT_EQ(dlg.Bounds(), plat::Rect::FromSize((1920 - 630) / 2, (1040 - 440) / 2, 630, 440));
  EXPECT_EQ(dlg.GetSkinWidth(), kSkinWidth);
  EXPECT_EQ(dlg.GetSkinHeight(), kSkinHeight);

  EXPECT_EQ(dlg.GetLine(0), TextOfKey("IDS_SELECT_LANGUAGE"));
  for (int line = 1; line < kLineCount; ++line) EXPECT_EQ(dlg.GetLine(line), L"") << line;
  EXPECT_EQ(dlg.lineRect(0), (plat::Rect{15, 225, 615, 245}));
  EXPECT_EQ(dlg.lineRect(3), (plat::Rect{15, 408, 615, 432}));
  EXPECT_EQ(dlg.progressRect(), (plat::Rect{40, 365, 590, 400}));
  ExpectButtons(dlg, {false, false, false}, "language");

  // Exit and minimise in the top-right corner, minimise sized like Exit.
  const plat::Rect exit = Button(IDC_EXIT).Bounds();
  const plat::Rect minimise = Button(IDC_MINIMISE).Bounds();
  const plat::Size exitSize = Button(IDC_EXIT).pictureSize();
  EXPECT_EQ(minimise, plat::Rect::FromSize(630 - 12 - 2 * exitSize.width, 8, exitSize.width,
                                           exitSize.height));
  EXPECT_EQ(exit, plat::Rect::FromSize(minimise.left + exitSize.width + 3, 8, exitSize.width,
                                       exitSize.height));
  EXPECT_TRUE(Button(IDC_EXIT).IsVisible());
  EXPECT_TRUE(Button(IDC_MINIMISE).IsVisible());

  EXPECT_GT(Shown("language.png"), 0.7);
  EXPECT_LT(Shown("Searching.png"), 0.5);
}

TEST_F(WizardTest, EveryStateBuildsItsScreen) {
  CQuaysideDlg& dlg = OpenWizard();
  SetDrives("E=" + Stick("e").string() + ":1G");
  const std::wstring empty;
  auto text = [](const char* key) { return TextOfKey(key); };
  const int centre = 630 - 315;

  struct Case {
    int state;
    std::vector<std::wstring> lines;  // lines 0..2
    Visible shown;
    const char* picture;
  };
  const Case cases[] = {
      {WIZARD_STATE_CHECKING_NET, {empty, empty, empty}, {false, false, false}, "Lumetra.png"},
      {WIZARD_STATE_NO_NET,
       {text("IDS_NOT_CONNECTED_TO_NET"), text("IDS_NEED_INTERNET_MESSAGE"), empty},
       {false, false, false},
       nullptr},
      {WIZARD_STATE_UPDATE_AVAILABLE,
       {empty, text("IDS_UPDATE_AVAILABLE"), empty},
       {true, false, false},
       nullptr},
      {WIZARD_STATE_CONNECT_PSP,
       {text("IDS_CONNECT_PSP_SLIM_TEXT"), empty, empty},
       {false, true, false},
       "Searching.png"},
      {WIZARD_STATE_PSP_FOUND,
       {FormatWide(text("IDS_PSP_FOUND_ON_DRIVE_X"), {L'\0'}),
        FormatWide(text("IDS_IS_THIS_DRIVE_CORRECT"), {L"0KB", L"0KB"}), empty},
       {true, true, false},
       nullptr},
      {WIZARD_STATE_INSTALLING,
       {empty, text("IDS_DOWNLOADING_SAVE"), empty},
       {false, false, false},
       nullptr},
      {WIZARD_STATE_FINISHED,
       {text("IDS_FINISHED_ALL"), text("IDS_GO_USE_IT"), empty},
       {true, false, false},
       "Finished.png"},
      {WIZARD_STATE_INSTALL_FAILED,
       {empty, text("IDS_INTERNET_ERROR_SERVER"), empty},
       {true, false, false},
       nullptr},
  };
  const char* const pictures[] = {"Lumetra.png", "Searching.png", "Finished.png", "language.png"};
  for (const Case& c : cases) {
    dlg.SetState(c.state);
    Settle();
    EXPECT_EQ(dlg.wizardState(), c.state);
    for (int line = 0; line < 3; ++line) {
      EXPECT_EQ(dlg.GetLine(line), c.lines[line]) << "state " << c.state << " line " << line;
    }
    ExpectButtons(dlg, c.shown, std::to_string(c.state).c_str());
    for (const char* picture : pictures) {
      const bool expected = c.picture && std::string(picture) == c.picture;
      if (expected) {
        EXPECT_GT(Shown(picture), 0.7) << "state " << c.state << " " << picture;
      } else {
        EXPECT_LT(Shown(picture), 0.5) << "state " << c.state << " " << picture;
      }
    }
  }

  // Captions and places of the buttons.
  dlg.SetState(WIZARD_STATE_FINISHED);
  Settle();
  ZNCHoverButton& next = Button(IDC_NEXT);
  EXPECT_EQ(next.caption(), text("IDS_CLOSE_CD"));
  EXPECT_EQ(next.Bounds().left, centre - next.pictureSize().width / 2);
  EXPECT_EQ(next.Bounds().top, 440 - 70);
  EXPECT_EQ(dlg.lineRect(0), (plat::Rect{15, 195, 615, 215}));
  EXPECT_EQ(dlg.lineRect(1), (plat::Rect{15, 225, 615, 375}));

  dlg.SetState(WIZARD_STATE_CONNECT_PSP);
  Settle();
  EXPECT_EQ(Button(IDC_SELECT).caption(), text("IDS_I_WILL_SELECT"));
  EXPECT_EQ(Button(IDC_SELECT).Bounds().left, 364);
  EXPECT_EQ(Button(IDC_SELECT).Bounds().top, 361);
  EXPECT_EQ(dlg.lineRect(0), (plat::Rect{25, 225, 613, 327}));
  EXPECT_EQ(dlg.lineRect(1), (plat::Rect{341, 175, 613, 327}));

  dlg.SetState(WIZARD_STATE_PSP_FOUND);
  Settle();
  const plat::Size yes = Button(IDC_NEXT).pictureSize();
  const plat::Size select = Button(IDC_SELECT).pictureSize();
  const int x5 = centre - (yes.width / 2 + select.width / 2 + 8);
  EXPECT_EQ(Button(IDC_NEXT).Bounds(), plat::Rect::FromSize(x5, 170, yes.width, yes.height));
  EXPECT_EQ(Button(IDC_SELECT).Bounds(),
            plat::Rect::FromSize(x5 + yes.width + 8, 170, select.width, select.height));
  EXPECT_EQ(Button(IDC_NEXT).caption(), text("IDS_YES_SELECT_DRIVE"));

  // The drive choice: the letter, its sizes, three buttons in a column.
  dlg.SetState(WIZARD_STATE_CONNECT_PSP);
  Settle();
  ClickButton(IDC_SELECT);
  ASSERT_EQ(dlg.wizardState(), WIZARD_STATE_CHOOSE_DRIVE);
  EXPECT_EQ(dlg.GetLine(0), L"E");
  const auto space = plat::QueryDiskSpace(L"E:\\");
  ASSERT_TRUE(space);
  std::wstring total;
  std::wstring free;
  FormatSize(static_cast<std::int64_t>(space->totalBytes), total);
  FormatSize(static_cast<std::int64_t>(space->totalFreeBytes), free);
  EXPECT_EQ(total, L"1.00GB");
  EXPECT_EQ(dlg.GetLine(1), FormatWide(text("IDS_IS_THIS_DRIVE_CORRECT"), {total, free}));
  ExpectButtons(dlg, {true, true, true}, "choose");
  const int x14 = centre - Button(IDC_SELECT).pictureSize().width / 2;
  EXPECT_EQ(Button(IDC_SELECT).Bounds().left, x14);
  EXPECT_EQ(Button(IDC_SELECT).Bounds().top, 180);
  EXPECT_EQ(Button(IDC_NEXT).Bounds().left, x14);
  EXPECT_EQ(Button(IDC_NEXT).Bounds().top, 228);
  EXPECT_EQ(Button(IDC_CANCEL).Bounds().left, x14);
  EXPECT_EQ(Button(IDC_CANCEL).Bounds().top, 276);
  EXPECT_EQ(Button(IDC_SELECT).caption(), text("IDS_YES_SELECT_DRIVE"));
  EXPECT_EQ(Button(IDC_NEXT).caption(), text("IDS_NEXT_BUTTON"));
  EXPECT_EQ(Button(IDC_CANCEL).caption(), text("IDS_CANCEL_BUTTON"));
}

TEST_F(WizardTest, StatusLine) {
  CQuaysideDlg& dlg = OpenWizard();
  dlg.SetState(WIZARD_STATE_CHECKING_NET);
  Frame();
  // The painting puts the font code in front of the stored line, once.
  EXPECT_EQ(dlg.GetLine(3), L"\\fs4" + TextOfKey("IDS_CHECKING_FOR_NET_CONNECTION"));
  dlg.InvalidateAll();
  Frame();
  EXPECT_EQ(dlg.GetLine(3), L"\\fs4" + TextOfKey("IDS_CHECKING_FOR_NET_CONNECTION"));

  dlg.SetLine(3, L"\\fs2 . searching . ");
  dlg.InvalidateAll();
  Frame();
  EXPECT_EQ(dlg.GetLine(3), L"\\fs2 . searching . ");

  // The found and installing screens keep the status line; so does the
  // failed screen.
  dlg.SetLine(3, L"kept");
  for (int state : {WIZARD_STATE_PSP_FOUND, WIZARD_STATE_INSTALLING, WIZARD_STATE_INSTALL_FAILED}) {
    dlg.SetState(state);
    Frame();
    EXPECT_EQ(dlg.GetLine(3), L"\\fs4kept") << state;
  }

  // On the connect screen it is drawn as it stands.
  dlg.SetState(WIZARD_STATE_CONNECT_PSP);
  dlg.SetLine(3, L"plain");
  dlg.InvalidateAll();
  Frame();
  EXPECT_EQ(dlg.GetLine(3), L"plain");
}

TEST_F(WizardTest, WorkerStateChangesArriveInOrderOnTheWindowThread) {
  CQuaysideDlg& dlg = OpenWizard();
  const int states[] = {WIZARD_STATE_CHECKING_NET, WIZARD_STATE_NO_NET,
                        WIZARD_STATE_CHECKING_NET, WIZARD_STATE_CONNECT_PSP,
                        WIZARD_STATE_PSP_FOUND,    WIZARD_STATE_CONNECT_PSP};
  std::vector<int> seen;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int state : states) {
      dlg.SetState(state);
      // Carried synchronously: the screen is there when the call returns.
      seen.push_back(dlg.wizardState());
    }
    done = true;
  });
  plat::DispatchUntil([&] { return done.load(); }, 10000);
  worker.join();
  EXPECT_EQ(seen, std::vector<int>(std::begin(states), std::end(states)));
  Settle();
  EXPECT_GT(Shown("Searching.png"), 0.7);
}

TEST_F(WizardTest, FlagHighlightFrame) {
  CQuaysideDlg& dlg = OpenWizard();
  const plat::Pixel dark = plat::ToPixel(0x00A06060);
  const plat::Pixel light = plat::ToPixel(0x00C0A0A0);
  // Flag 0 is (45, 171)-(95, 203): the frame runs from (43, 169) to (96, 204).
  auto frameAt = [&](int dx) {
    const plat::Bitmap& f = Frame();
    return std::vector<plat::Pixel>{f.At(60 + dx, 169), f.At(43 + dx, 185), f.At(60 + dx, 203),
                                    f.At(95 + dx, 185), f.At(96 + dx, 185)};
  };
  const std::vector<plat::Pixel> framed = {dark, dark, light, light, light};
  const std::vector<plat::Pixel> before = frameAt(0);
  EXPECT_NE(before, framed);

  MoveTo({60, 185});
  EXPECT_EQ(dlg.hoverFlag(), 0);
  EXPECT_EQ(frameAt(0), framed);

  // Over the French flag the frame moves there (97 pixels to the right).
  MoveTo({160, 185});
  EXPECT_EQ(dlg.hoverFlag(), 1);
  EXPECT_EQ(frameAt(97), framed);
  EXPECT_EQ(frameAt(0), before);

  MoveTo({120, 185});
  EXPECT_EQ(dlg.hoverFlag(), -1);
  EXPECT_NE(frameAt(97), framed);
  EXPECT_EQ(frameAt(0), before);
}

// English missing, French and Japanese present: the wizard starts in French,
// a click on Spanish falls back to Japanese, whose logo is shown and kept.
TEST_F(WizardTest, LanguageFallbackAndTheLogoOfTheFirstPainting) {
  const auto dat = temp_.path() / "program" / "dat";
  std::filesystem::create_directories(dat);
  for (const char* file :
       {"FrenchStrings.dat", "JapaneseStrings.dat", "Dialog Graphic.bmp", "language.png",
        "Searching.png", "Finished.png", "Lumetra.png", "Lumetra_Jap.png"}) {
    std::filesystem::copy_file(wizardtest::SourceDir() / "dat" / file, dat / file);
  }
  g_programFolder = (temp_.path() / "program").wstring();
  CQuaysideDlg& dlg = OpenWizard();
  EXPECT_EQ(dlg.languageIndex(), LANGUAGE_FRENCH);

  ClickAt({360, 185});  // Spanish
  EXPECT_EQ(dlg.wizardState(), WIZARD_STATE_CHECKING_NET);
  EXPECT_EQ(dlg.languageIndex(), LANGUAGE_JAPANESE);
  // The two logos differ in part only: look where they differ.
  EXPECT_GT(wizardtest::PictureShown(Frame(), dat / "Lumetra_Jap.png", dat / "Lumetra.png"), 0.7);

  dlg.SetState(WIZARD_STATE_LANGUAGE);
  ClickAt({160, 185});  // French
  EXPECT_EQ(dlg.languageIndex(), LANGUAGE_FRENCH);
  EXPECT_GT(wizardtest::PictureShown(Frame(), dat / "Lumetra_Jap.png", dat / "Lumetra.png"), 0.7);
  EXPECT_LT(wizardtest::PictureShown(Frame(), dat / "Lumetra.png", dat / "Lumetra_Jap.png"), 0.3);
}

TEST_F(WizardTest, WithoutAnyLanguageTableTheWizardSaysSoAndEnds) {
  std::filesystem::create_directories(temp_.path() / "empty" / "dat");
  g_programFolder = (temp_.path() / "empty").wstring();
  std::vector<std::wstring> boxes;
  SetMessageBoxHook([&](const std::wstring& text, unsigned) {
    boxes.push_back(text);
    return 1;
  });
  CQuaysideDlg& dlg = OpenWizard();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find(L"language files"), std::wstring::npos);
  EXPECT_EQ(dlg.RunModal(), -2);
}

}  // namespace

namespace {

// Progress snapshots posted by a download's thread are drawn in the progress
// rectangle when they arrive; a later screen does not draw them again.
TEST_F(WizardTest, DownloadProgressIsDrawnAsItArrives) {
  CQuaysideDlg& dlg = OpenWizard();
  dlg.SetState(WIZARD_STATE_INSTALLING);
  const plat::Rect bar = dlg.progressRect();
  auto barPixels = [&] {
    const plat::Bitmap& f = Frame();
    std::vector<plat::Pixel> pixels;
    for (int y = bar.top; y < bar.bottom; ++y) {
      for (int x = bar.left; x < bar.right; ++x) pixels.push_back(f.At(x, y));
    }
    return pixels;
  };
  const std::vector<plat::Pixel> before = barPixels();
  dlg.m_expectedBytes = 2500000;
  std::thread poster([&] {
    auto snapshot = std::make_unique<FetchProgress>();
    snapshot->bytesReceived = 1234567;
    snapshot->elapsedSeconds = 3;
    dlg.PostProgress(WM_DOWNLOAD_PROGRESS, std::move(snapshot));
  });
  poster.join();
  EXPECT_NE(barPixels(), before);
  EXPECT_NEAR(dlg.m_progressPercent.load(), 49.38f, 0.01f);
  EXPECT_EQ(dlg.m_progressSpeed, 401);

  dlg.SetState(WIZARD_STATE_INSTALLING);
  EXPECT_EQ(dlg.m_progressPercent.load(), 0.0f);
  EXPECT_EQ(barPixels(), before);
}

// The close sequence marks a running download cancelled.
TEST_F(WizardTest, ClosingMarksTheDownloadCancelled) {
  CQuaysideDlg& dlg = OpenWizard();
  dlg.SetState(WIZARD_STATE_INSTALLING);
  auto download = std::make_unique<CDownloader>();
  const CDownloader* running = download.get();
  dlg.m_download.Set(std::move(download));
  ClickButton(IDC_EXIT);
  EXPECT_TRUE(running->IsCancelled());
}

}  // namespace
