#pragma once
// What each wizard state's screen shows and where: the layout every screen
// starts from, the texts and buttons of each state, its full-window picture,
// and the status line's font rule. Plain data and arithmetic; the dialog
// applies it to its controls.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/core/colour.h"
#include "platform/core/geometry.h"
#include "ui/hover_button.h"
#include "ui/skin_constants.h"

inline constexpr FaceSet kLargeFaces{1080, 1079, 1078, 1081};
inline constexpr FaceSet kYesFaces{435, 436, 435, 435};
inline constexpr FaceSet kSelectFaces{433, 434, 433, 433};
inline constexpr FaceSet kConnectFaces{437, 438, 437, 437};

// The colour of the screen texts and of every caption a screen sets.
constexpr plat::ColorRef kWizardTextColour = kSkinTextColour;

constexpr int kLineCount = 4;
constexpr int kStatusLine = 3;

// The sizes a screen is laid out in. Texts use the skin's size; in a button
// position x = W - W/2 - ... the first W is the window's width, and in
// y = H - ... H is the window's height.
struct ScreenGeometry {
  int skinWidth = 0;
  int skinHeight = 0;
  int windowWidth = 0;
  int windowHeight = 0;
};

// Where everything goes before a screen is built (window coordinates).
struct BaseLayout {
  plat::Rect progress;                           // where the download progress is drawn
  std::array<plat::Rect, kLineCount> lineRects;  // the default rectangles
  plat::Rect connectStatusRect;                  // the status line on the connect screen
  plat::Point next;
  plat::Point select;
  plat::Point minimise;  // sized like the Exit button
  plat::Point exit;
};
BaseLayout LayoutReset(const ScreenGeometry& geometry, plat::Size nextSize, plat::Size selectSize,
                       plat::Size exitSize);

// What a screen needs to know besides its state.
struct ScreenFacts {
  // The locator's find (the found screen).
  wchar_t pspLetter = 0;
  std::uint64_t pspTotalBytes = 0;
  std::uint64_t pspFreeBytes = 0;
  // The drive of the drive choice and its sizes; none when its file system
  // does not answer.
  wchar_t driveLetter = 0;
  struct Space {
    std::uint64_t totalBytes = 0;
    std::uint64_t totalFreeBytes = 0;
  };
  std::optional<Space> driveSpace;
};

struct ButtonPlan {
  FaceSet faces;
  std::wstring caption;
  int captionOffset = 0;
};

struct ScreenPlan {
  std::array<std::optional<std::wstring>, kLineCount> lines;    // none: the line keeps its text
  std::array<std::optional<plat::Rect>, kLineCount> lineRects;  // none: the default
  // A button without a plan stays hidden and disabled.
  std::optional<ButtonPlan> next;
  std::optional<ButtonPlan> select;
  std::optional<ButtonPlan> cancel;
};
// Texts come from the current language table.
ScreenPlan PlanScreen(int state, const ScreenGeometry& geometry, const ScreenFacts& facts);

// Where the planned buttons go once they carry their faces.
struct ButtonPlaces {
  plat::Point next;
  plat::Point select;
  plat::Point cancel;
};
ButtonPlaces PlaceButtons(int state, const ScreenGeometry& geometry, plat::Size nextSize,
                          plat::Size selectSize);

// The full-window picture drawn over the skin.
enum class ScreenPicture { kNone, kLogo, kLanguage, kSearching, kFinished };
ScreenPicture PictureFor(int state);
// The logo's file under the program folder, by language.
const wchar_t* LogoFile(int languageIndex);

// A status line that does not start with a markup code is drawn in font 4:
// puts "\fs4" in front of it (once; an empty line stays empty).
void PrefixStatusFont(std::wstring& line);

// Whether lines 0 and 1 of the state are drawn left-aligned (else centred).
bool LeftAlignsText(int state);
