#include "app/wizard_screens.h"

#include "app/language_table.h"
#include "app/wide_format.h"
#include "app/wizard_states.h"
#include "util/text.h"

namespace {

std::wstring SizeText(std::uint64_t bytes) {
  std::wstring text;
  FormatSize(static_cast<std::int64_t>(bytes), text);
  return text;
}

// "IDS_IS_THIS_DRIVE_CORRECT" with the two size texts.
std::wstring DriveQuestion(const std::wstring& total, const std::wstring& free) {
  return FormatWide(TextOfKey("IDS_IS_THIS_DRIVE_CORRECT"), {total, free});
}

ButtonPlan Button(const FaceSet& faces, const char* captionKey, int offset) {
  return {faces, TextOfKey(captionKey), offset};
}

}  // namespace

BaseLayout LayoutReset(const ScreenGeometry& g, plat::Size nextSize, plat::Size selectSize,
                       plat::Size exitSize) {
  const int w = g.skinWidth;
  const int h = g.skinHeight;
  BaseLayout layout;
  layout.progress = {40, h - 75, w - 40, h - 40};
  layout.lineRects = {{
      {15, 61, w - 15, 101},
      {15, 109, w - 15, h - 133},
      {15, h - 148, w - 15, h - 74},
      {15, h - 32, w - 15, h - 8},
  }};
  layout.connectStatusRect = {3, 312, 190, 344};
  layout.next = {g.windowWidth - w / 2 - nextSize.width / 2, g.windowHeight - 102};
  layout.select = {g.windowWidth - w / 2 - selectSize.width / 2, g.windowHeight - 102};
  layout.minimise = {g.windowWidth - 12 - 2 * exitSize.width, 8};
  layout.exit = {layout.minimise.x + exitSize.width + 3, 8};
  return layout;
}

ScreenPlan PlanScreen(int state, const ScreenGeometry& g, const ScreenFacts& facts) {
  const int w = g.skinWidth;
  ScreenPlan plan;
  auto lines = [&](std::optional<std::wstring> l0, std::optional<std::wstring> l1,
                   std::optional<std::wstring> l2, std::optional<std::wstring> l3) {
    plan.lines = {std::move(l0), std::move(l1), std::move(l2), std::move(l3)};
  };
  const std::wstring empty;
  switch (state) {
    case WIZARD_STATE_LANGUAGE:
      lines(TextOfKey("IDS_SELECT_LANGUAGE"), empty, empty, empty);
      plan.lineRects[0] = plat::Rect{15, 225, w - 15, 245};
      break;
    case WIZARD_STATE_CHECKING_NET:
      lines(empty, empty, empty, TextOfKey("IDS_CHECKING_FOR_NET_CONNECTION"));
      break;
    case WIZARD_STATE_NO_NET:
      lines(TextOfKey("IDS_NOT_CONNECTED_TO_NET"), TextOfKey("IDS_NEED_INTERNET_MESSAGE"), empty,
            TextOfKey("IDS_NOT_CONNECTED_TO_NET"));
      break;
    case WIZARD_STATE_UPDATE_AVAILABLE:
      lines(empty, TextOfKey("IDS_UPDATE_AVAILABLE"), empty, empty);
      plan.next = Button(kLargeFaces, "IDS_CLOSE_CD", 0);
      break;
    case WIZARD_STATE_CONNECT_PSP:
      lines(TextOfKey("IDS_CONNECT_PSP_SLIM_TEXT"), empty, empty, empty);
      plan.lineRects[0] = plat::Rect{25, 225, w - 17, 327};
      plan.lineRects[1] = plat::Rect{341, 175, w - 17, 327};
      plan.select = Button(kConnectFaces, "IDS_I_WILL_SELECT", -28);
      break;
    case WIZARD_STATE_PSP_FOUND:
      lines(FormatWide(TextOfKey("IDS_PSP_FOUND_ON_DRIVE_X"), {facts.pspLetter}),
            DriveQuestion(SizeText(facts.pspTotalBytes), SizeText(facts.pspFreeBytes)), empty,
            std::nullopt);
      plan.next = Button(kYesFaces, "IDS_YES_SELECT_DRIVE", -28);
      plan.select = Button(kSelectFaces, "IDS_I_WILL_SELECT", -28);
      break;
    case WIZARD_STATE_CHOOSE_DRIVE: {
      std::wstring total;
      std::wstring free;
      if (facts.driveSpace) {
        total = SizeText(facts.driveSpace->totalBytes);
        free = SizeText(facts.driveSpace->totalFreeBytes);
      }
      lines(facts.driveLetter ? std::wstring(1, facts.driveLetter) : empty,
            DriveQuestion(total, free), empty, empty);
      plan.select = Button(kLargeFaces, "IDS_YES_SELECT_DRIVE", 0);
      plan.next = Button(kLargeFaces, "IDS_NEXT_BUTTON", 0);
      plan.cancel = Button(kLargeFaces, "IDS_CANCEL_BUTTON", 0);
      break;
    }
    case WIZARD_STATE_INSTALLING:
      lines(empty, TextOfKey("IDS_DOWNLOADING_SAVE"), empty, std::nullopt);
      break;
    case WIZARD_STATE_FINISHED:
      lines(TextOfKey("IDS_FINISHED_ALL"), TextOfKey("IDS_GO_USE_IT"), empty, empty);
      plan.lineRects[0] = plat::Rect{15, 195, w - 15, 215};
      plan.lineRects[1] = plat::Rect{15, 225, w - 15, 375};
      plan.next = Button(kLargeFaces, "IDS_CLOSE_CD", 0);
      break;
    case WIZARD_STATE_INSTALL_FAILED:
      lines(empty, TextOfKey("IDS_INTERNET_ERROR_SERVER"), empty, std::nullopt);
      plan.next = Button(kLargeFaces, "IDS_CLOSE_CD", 0);
      break;
    default:
      break;
  }
  return plan;
}

ButtonPlaces PlaceButtons(int state, const ScreenGeometry& g, plat::Size nextSize,
                          plat::Size selectSize) {
  const int w = g.skinWidth;
  const int h = g.windowHeight;
  const int centre = g.windowWidth - w / 2;
  ButtonPlaces places;
  switch (state) {
    case WIZARD_STATE_UPDATE_AVAILABLE:
    case WIZARD_STATE_FINISHED:
    case WIZARD_STATE_INSTALL_FAILED:
      places.next = {centre - nextSize.width / 2, h - 70};
      break;
    case WIZARD_STATE_CONNECT_PSP:
      places.select = {364, 361};
      break;
    case WIZARD_STATE_PSP_FOUND: {
      const int x = centre - (nextSize.width / 2 + selectSize.width / 2 + 8);
      places.next = {x, h - 270};
      places.select = {x + nextSize.width + 8, h - 270};
      break;
    }
    case WIZARD_STATE_CHOOSE_DRIVE: {
      const int x = centre - selectSize.width / 2;
      places.select = {x, 180};
      places.next = {x, 228};
      places.cancel = {x, 276};
      break;
    }
    default:
      break;
  }
  return places;
}

ScreenPicture PictureFor(int state) {
  switch (state) {
    case WIZARD_STATE_CHECKING_NET:
      return ScreenPicture::kLogo;
    case WIZARD_STATE_LANGUAGE:
      return ScreenPicture::kLanguage;
    case WIZARD_STATE_CONNECT_PSP:
      return ScreenPicture::kSearching;
    case WIZARD_STATE_FINISHED:
      return ScreenPicture::kFinished;
    default:
      return ScreenPicture::kNone;
  }
}

const wchar_t* LogoFile(int languageIndex) {
  return languageIndex == LANGUAGE_JAPANESE ? L"\\dat\\Lumetra_Jap.png" : L"\\dat\\Lumetra.png";
}

void PrefixStatusFont(std::wstring& line) {
  if (!line.empty() && line[0] != L'\\') line.insert(0, L"\\fs4");
}

bool LeftAlignsText(int state) {
  return state == WIZARD_STATE_CONNECT_PSP;
}
