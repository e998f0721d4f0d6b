#include "app/wizard_screens.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/wizard_states.h"
#include "app/wizard_zones.h"
#include "tests/app/table_fixture.h"

namespace {

constexpr ScreenGeometry kGeometry{630, 440, 630, 440};
const std::optional<std::wstring> kKept;

ScreenFacts Facts() {
  ScreenFacts facts;
  facts.pspLetter = L'G';
  facts.pspTotalBytes = 2000000000ULL;  // 1.86GB
  facts.pspFreeBytes = 5000000;         // 4.77MB
  facts.driveLetter = L'E';
  facts.driveSpace = ScreenFacts::Space{1073741824ULL, 9000};  // 1.00GB, 9KB
  return facts;
}

struct ScreenCase {
  int state;
  std::vector<std::optional<std::wstring>> lines;
  std::optional<FaceSet> next, select, cancel;
  std::vector<std::wstring> captions;  // next, select, cancel: those planned, in order
};

TEST(WizardScreens, TextsAndButtonsOfEveryState) {
  testsupport::CurrentKeyNameTable table;
  const std::wstring e;
  const ScreenCase cases[] = {
      {WIZARD_STATE_LANGUAGE, {L"IDS_SELECT_LANGUAGE", e, e, e}, {}, {}, {}, {}},
      {WIZARD_STATE_CHECKING_NET, {e, e, e, L"IDS_CHECKING_FOR_NET_CONNECTION"}, {}, {}, {}, {}},
      {WIZARD_STATE_NO_NET,
       {L"IDS_NOT_CONNECTED_TO_NET", L"IDS_NEED_INTERNET_MESSAGE", e, L"IDS_NOT_CONNECTED_TO_NET"},
       {},
       {},
       {},
       {}},
      {WIZARD_STATE_UPDATE_AVAILABLE,
       {e, L"IDS_UPDATE_AVAILABLE", e, e},
       kLargeFaces,
       {},
       {},
       {L"IDS_CLOSE_CD"}},
      {WIZARD_STATE_CONNECT_PSP,
       {L"IDS_CONNECT_PSP_SLIM_TEXT", e, e, e},
       {},
       kConnectFaces,
       {},
       {L"IDS_I_WILL_SELECT"}},
      {WIZARD_STATE_PSP_FOUND,
       {L"found G:", L"size 1.86GB free 4.77MB", e, kKept},
       kYesFaces,
       kSelectFaces,
       {},
       {L"IDS_YES_SELECT_DRIVE", L"IDS_I_WILL_SELECT"}},
      {WIZARD_STATE_CHOOSE_DRIVE,
       {L"E", L"size 1.00GB free 9KB", e, e},
       kLargeFaces,
       kLargeFaces,
       kLargeFaces,
       {L"IDS_NEXT_BUTTON", L"IDS_YES_SELECT_DRIVE", L"IDS_CANCEL_BUTTON"}},
      {WIZARD_STATE_INSTALLING, {e, L"IDS_DOWNLOADING_SAVE", e, kKept}, {}, {}, {}, {}},
      {WIZARD_STATE_FINISHED,
       {L"IDS_FINISHED_ALL", L"IDS_GO_USE_IT", e, e},
       kLargeFaces,
       {},
       {},
       {L"IDS_CLOSE_CD"}},
      {WIZARD_STATE_INSTALL_FAILED,
       {e, L"IDS_INTERNET_ERROR_SERVER", e, kKept},
       kLargeFaces,
       {},
       {},
       {L"IDS_CLOSE_CD"}},
  };
  for (const ScreenCase& c : cases) {
    const ScreenPlan plan = PlanScreen(c.state, kGeometry, Facts());
    for (int line = 0; line < kLineCount; ++line) {
      EXPECT_EQ(plan.lines[line], c.lines[line]) << "state " << c.state << " line " << line;
    }
    std::vector<std::wstring> captions;
    auto check = [&](const std::optional<ButtonPlan>& button, const std::optional<FaceSet>& faces,
                     const char* name) {
      ASSERT_EQ(button.has_value(), faces.has_value()) << "state " << c.state << " " << name;
      if (!button) return;
      EXPECT_EQ(button->faces, *faces) << "state " << c.state << " " << name;
      captions.push_back(button->caption);
      const bool narrowCaption =
          c.state == WIZARD_STATE_CONNECT_PSP || c.state == WIZARD_STATE_PSP_FOUND;
      EXPECT_EQ(button->captionOffset, narrowCaption ? -28 : 0) << "state " << c.state;
    };
    check(plan.next, c.next, "next");
    check(plan.select, c.select, "select");
    check(plan.cancel, c.cancel, "cancel");
    EXPECT_EQ(captions, c.captions) << "state " << c.state;
  }
}

TEST(WizardScreens, DriveWithoutSizesAndMissingKeys) {
  testsupport::CurrentKeyNameTable table;
  ScreenFacts facts = Facts();
  facts.driveSpace.reset();
  EXPECT_EQ(PlanScreen(WIZARD_STATE_CHOOSE_DRIVE, kGeometry, facts).lines[1], L"size  free ");

  // No table: every text and caption is empty, the screens still build.
  SetCurrentLanguageTable(nullptr);
  const ScreenPlan plan = PlanScreen(WIZARD_STATE_PSP_FOUND, kGeometry, Facts());
  EXPECT_EQ(plan.lines[0], L"");
  EXPECT_EQ(plan.lines[1], L"");
  ASSERT_TRUE(plan.next);
  EXPECT_EQ(plan.next->caption, L"");
}

TEST(WizardScreens, Rectangles) {
  testsupport::CurrentKeyNameTable table;
  const ScreenGeometry g{700, 500, 700, 500};
  const BaseLayout base = LayoutReset(g, {150, 46}, {120, 40}, {24, 20});
  EXPECT_EQ(base.progress, (plat::Rect{40, 425, 660, 460}));
  EXPECT_EQ(base.lineRects[0], (plat::Rect{15, 61, 685, 101}));
  EXPECT_EQ(base.lineRects[1], (plat::Rect{15, 109, 685, 367}));
  EXPECT_EQ(base.lineRects[2], (plat::Rect{15, 352, 685, 426}));
  EXPECT_EQ(base.lineRects[3], (plat::Rect{15, 468, 685, 492}));
  EXPECT_EQ(base.connectStatusRect, (plat::Rect{3, 312, 190, 344}));
  EXPECT_EQ(base.next, (plat::Point{700 - 350 - 75, 398}));
  EXPECT_EQ(base.select, (plat::Point{700 - 350 - 60, 398}));
  EXPECT_EQ(base.minimise, (plat::Point{700 - 12 - 48, 8}));
  EXPECT_EQ(base.exit, (plat::Point{700 - 12 - 48 + 24 + 3, 8}));

  const std::pair<int, std::vector<std::optional<plat::Rect>>> cases[] = {
      {WIZARD_STATE_LANGUAGE, {plat::Rect{15, 225, 685, 245}, {}, {}, {}}},
      {WIZARD_STATE_CONNECT_PSP,
       {plat::Rect{25, 225, 683, 327}, plat::Rect{341, 175, 683, 327}, {}, {}}},
      {WIZARD_STATE_FINISHED,
       {plat::Rect{15, 195, 685, 215}, plat::Rect{15, 225, 685, 375}, {}, {}}},
      {WIZARD_STATE_PSP_FOUND, {{}, {}, {}, {}}},
  };
  for (const auto& [state, rects] : cases) {
    const ScreenPlan plan = PlanScreen(state, g, Facts());
    for (int line = 0; line < kLineCount; ++line) {
      EXPECT_EQ(plan.lineRects[line], rects[line]) << "state " << state << " line " << line;
    }
  }
}

TEST(WizardScreens, ButtonPlaces) {
  // An odd width and a window wider than the skin show the halves and which
  // width counts where.
  const ScreenGeometry g{631, 440, 641, 450};
  const plat::Size next{151, 40};
  const plat::Size select{101, 30};
  ButtonPlaces p = PlaceButtons(WIZARD_STATE_FINISHED, g, next, select);
  EXPECT_EQ(p.next, (plat::Point{641 - 315 - 75, 380}));
  p = PlaceButtons(WIZARD_STATE_UPDATE_AVAILABLE, g, next, select);
  EXPECT_EQ(p.next, (plat::Point{641 - 315 - 75, 380}));
  p = PlaceButtons(WIZARD_STATE_CONNECT_PSP, g, next, select);
  EXPECT_EQ(p.select, (plat::Point{364, 361}));
  p = PlaceButtons(WIZARD_STATE_PSP_FOUND, g, next, select);
  const int x5 = 641 - 315 - (75 + 50 + 8);
  EXPECT_EQ(p.next, (plat::Point{x5, 180}));
  EXPECT_EQ(p.select, (plat::Point{x5 + 151 + 8, 180}));
  p = PlaceButtons(WIZARD_STATE_CHOOSE_DRIVE, g, next, select);
  const int x14 = 641 - 315 - 50;
  EXPECT_EQ(p.select, (plat::Point{x14, 180}));
  EXPECT_EQ(p.next, (plat::Point{x14, 228}));
  EXPECT_EQ(p.cancel, (plat::Point{x14, 276}));
}

TEST(WizardScreens, PicturesAndStatusFont) {
  const std::pair<int, ScreenPicture> pictures[] = {
      {WIZARD_STATE_CHECKING_NET, ScreenPicture::kLogo},
      {WIZARD_STATE_LANGUAGE, ScreenPicture::kLanguage},
      {WIZARD_STATE_CONNECT_PSP, ScreenPicture::kSearching},
      {WIZARD_STATE_FINISHED, ScreenPicture::kFinished},
      {WIZARD_STATE_NO_NET, ScreenPicture::kNone},
      {WIZARD_STATE_PSP_FOUND, ScreenPicture::kNone},
      {WIZARD_STATE_INSTALL_FAILED, ScreenPicture::kNone},
  };
  for (const auto& [state, picture] : pictures) EXPECT_EQ(PictureFor(state), picture) << state;
  EXPECT_EQ(std::wstring(LogoFile(4)), L"\\dat\\Lumetra_Jap.png");
  EXPECT_EQ(std::wstring(LogoFile(6)), L"\\dat\\Lumetra.png");

  const std::pair<std::wstring, std::wstring> lines[] = {
      {L"Connecting", L"\\fs4Connecting"},
      {L"\\fs4 . Looking . ", L"\\fs4 . Looking . "},
      {L"\\fs2other code", L"\\fs2other code"},
      {L"", L""},
  };
  for (const auto& [line, expected] : lines) {
    std::wstring text = line;
    PrefixStatusFont(text);
    EXPECT_EQ(text, expected);
    PrefixStatusFont(text);  // once only
    EXPECT_EQ(text, expected);
  }
}

TEST(WizardZones, FlagsHaveStrictBordersAndTheLastMatchWins) {
  const std::pair<plat::Point, int> cases[] = {
      {{46, 172}, 0},   {{94, 202}, 0},  {{45, 180}, -1}, {{95, 180}, -1},  {{60, 171}, -1},
      {{60, 203}, -1},  {{143, 190}, 1}, {{241, 172}, 2}, {{287, 172}, -1}, {{380, 203}, 3},
      {{380, 204}, -1}, {{482, 202}, 4}, {{583, 202}, 5}, {{584, 202}, -1}, {{110, 180}, -1},
  };
  for (const auto& [point, entry] : cases) {
    EXPECT_EQ(FlagAt(point), entry) << point.x << "," << point.y;
  }
  EXPECT_EQ(kLanguageFlags[4].languageIndex, 5);
  EXPECT_EQ(kLanguageFlags[5].languageIndex, 6);
}

TEST(WizardZones, DoubleClickBand) {
  const std::pair<plat::Point, BandZone> cases[] = {
      {{1, 1}, BandZone::kClose},
      {{39, 35}, BandZone::kClose},
      {{0, 10}, BandZone::kNone},
      {{20, 0}, BandZone::kNone},
      {{20, 36}, BandZone::kNone},
      {{40, 11}, BandZone::kQuiet},
      {{249, 35}, BandZone::kQuiet},
      {{40, 10}, BandZone::kToggleMaximise},  // above the title text
      {{100, 5}, BandZone::kToggleMaximise},
      {{250, 20}, BandZone::kToggleMaximise},
      {{629, 35}, BandZone::kToggleMaximise},
      {{300, 200}, BandZone::kNone},
  };
  for (const auto& [point, zone] : cases) {
    EXPECT_EQ(DoubleClickZone(point), zone) << point.x << "," << point.y;
  }
}

}  // namespace
