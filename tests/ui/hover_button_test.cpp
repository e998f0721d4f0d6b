#include "ui/hover_button.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/core/thread.h"
#include "platform/window/display.h"
#include "platform/window/headless/headless.h"
#include "tests/support/headless_display.h"
#include "tests/support/pixels.h"
#include "tests/support/temp_dir.h"
#include "ui/resources.h"

namespace {

using plat::headless::Click;
using plat::headless::DoubleClick;
using plat::headless::MovePointer;
using plat::headless::Press;
using plat::headless::Release;

// Faces by id: solid colours, so the face shown is known by one pixel.
constexpr plat::Pixel kNormal = 0x203040, kHover = 0x405060, kPressed = 0x607080,
                      kDisabled = 0x808080, kBackground = 0x101010;
constexpr plat::ColorRef kInkNormal = 0x000000FF, kInkHover = 0x0000FF00, kInkPressed = 0x00FF00FF,
                         kInkDisabled = 0x00FFFFFF;
constexpr CaptionColours kInks{kInkNormal, kInkHover, kInkPressed, kInkDisabled};

// The window the buttons sit on; it writes down the commands it gets.
class Parent : public plat::Window {
 public:
  std::vector<int> commands;

 protected:
  void OnCommand(int id, int notification) override {
    if (notification == kButtonClicked) commands.push_back(id);
  }
  void OnEraseBackground(plat::Bitmap& frame, const plat::Rect& area) override {
    plat::Canvas(frame).FillRect(area, plat::ToColorRef(kBackground));
  }
};

class HoverButtonTest : public testsupport::HeadlessDisplayTest {
 protected:
  void SetUp() override {
    HeadlessDisplayTest::SetUp();
    Face(1, 60, 20, kNormal);
    Face(2, 50, 25, kHover);
    Face(3, 55, 22, kPressed);
    Face(4, 60, 20, kDisabled);
    for (unsigned id = 11; id <= 14; ++id) Face(id, 76, 25, kNormal);
    Face(21, 40, 30, kHover);
    Face(22, 40, 30, kPressed);
    Face(23, 40, 30, kNormal);
    SetResourceFolder(dir_.path().wstring());
    ASSERT_TRUE(parent.Create(plat::Rect::FromSize(100, 100, 300, 200)));
    parent.Show();
  }
  void TearDown() override {
    parent.Destroy();
    SetResourceFolder(L"");
    HeadlessDisplayTest::TearDown();
  }
  void Face(unsigned id, int w, int h, plat::Pixel colour) {
    ASSERT_TRUE(plat::Bitmap(w, h, colour).SavePng(dir_.path() / (std::to_string(id) + ".bmp")));
  }
  // A button with the solid faces, placed at (40, 30) on the parent.
  // withDisabled loads the disabled face too.
  std::unique_ptr<ZNCHoverButton> Make(bool withDisabled = true, int id = 1000) {
    auto button =
        std::make_unique<ZNCHoverButton>(id, FaceSet{1, 2, 3, withDisabled ? 4u : 0u}, kInks);
    EXPECT_TRUE(button->Attach(parent, plat::Rect::FromSize(40, 30, 1, 1)));
    plat::DispatchPending();
    return button;
  }
  // The colour the parent's window shows at a point of the button.
  plat::Pixel Shown(const ZNCHoverButton& button, plat::Point at = {1, 1}) {
    plat::DispatchPending();
    return parent.frame().At(button.Bounds().left + at.x, button.Bounds().top + at.y);
  }
  plat::Bitmap ShownFace(const ZNCHoverButton& button) {
    plat::DispatchPending();
    const plat::Rect r = button.Bounds();
    plat::Bitmap face(r.Width(), r.Height());
    plat::Canvas(face).Copy({-r.left, -r.top}, parent.frame());
    return face;
  }
  static bool HasColour(const plat::Bitmap& picture, plat::ColorRef colour) {
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        if (picture.At(x, y) == plat::ToPixel(colour)) return true;
    return false;
  }

  testsupport::TempDir dir_;
  Parent parent;
};

TEST_F(HoverButtonTest, TakesTheSmallestWidthAndHeightOfTheThreeFaces) {
  auto button = Make();
  EXPECT_EQ(button->pictureSize(), (plat::Size{50, 20}));
  EXPECT_EQ(button->Bounds(), plat::Rect::FromSize(40, 30, 50, 20));
  EXPECT_EQ(Shown(*button), kNormal);
  EXPECT_EQ(Shown(*button, {50, 0}), kBackground);  // the rest of the normal face is cut off

  button->SetBitmaps({11, 12, 13, 0}, true);  // the window keeps its size
  EXPECT_EQ(button->pictureSize(), (plat::Size{76, 25}));
  EXPECT_EQ(button->Bounds().Width(), 50);
  button->SetBitmaps({21, 22, 23, 0}, false);
  EXPECT_EQ(button->Bounds(), plat::Rect::FromSize(40, 30, 40, 30));

  button->SetBitmaps({0, 22, 23, 0}, false);  // no faces: nothing to see
  EXPECT_EQ(button->pictureSize(), (plat::Size{0, 0}));
  EXPECT_EQ(Shown(*button), kBackground);
}

TEST_F(HoverButtonTest, PressLeaveComeBackReleaseClicksOnce) {
  auto button = Make();
  const plat::Point in{45, 35}, out{250, 150};
  MovePointer(parent, in);
  EXPECT_EQ(Shown(*button), kHover);
  EXPECT_TRUE(button->HasCapture());
  Press(parent, in);
  EXPECT_EQ(Shown(*button), kPressed);
  MovePointer(parent, out);
  EXPECT_EQ(Shown(*button), kPressed);  // still pressed while the pointer is away
  EXPECT_TRUE(button->HasCapture());
  MovePointer(parent, in);
  EXPECT_EQ(Shown(*button), kPressed);
  Release(parent, in);
  EXPECT_EQ(Shown(*button), kNormal);
  EXPECT_EQ(parent.commands, std::vector<int>{1000});
  EXPECT_FALSE(button->HasCapture());

  // Released outside: no click.
  MovePointer(parent, {60, 45});
  Press(parent, {60, 45});  // away from the last press: no double-click
  MovePointer(parent, out);
  EXPECT_EQ(Shown(*button), kPressed);
  Release(parent, out);
  EXPECT_EQ(Shown(*button), kNormal);
  EXPECT_EQ(parent.commands.size(), 1u);

  // Hovering, then leaving.
  MovePointer(parent, in);
  EXPECT_EQ(Shown(*button), kHover);
  MovePointer(parent, out);
  EXPECT_EQ(Shown(*button), kNormal);
  EXPECT_FALSE(button->HasCapture());
}

TEST_F(HoverButtonTest, ADoubleClickClicksOnlyOnce) {
  auto button = Make();
  DoubleClick(parent, {50, 40});
  plat::DispatchPending();
  EXPECT_EQ(parent.commands, std::vector<int>{1000});
  Click(parent, {52, 42});  // a third press is a click again
  plat::DispatchPending();
  EXPECT_EQ(parent.commands.size(), 2u);
}

TEST_F(HoverButtonTest, LosingTheCaptureReturnsToNormal) {
  auto button = Make();
  MovePointer(parent, {50, 40});
  Press(parent, {50, 40});
  EXPECT_EQ(Shown(*button), kPressed);
  parent.SetCapture();  // someone else takes the mouse
  EXPECT_EQ(Shown(*button), kNormal);
  parent.ReleaseCapture();
  Release(parent, {50, 40});  // still pressed: the release inside clicks
  plat::DispatchPending();
  EXPECT_EQ(parent.commands.size(), 1u);
}

TEST_F(HoverButtonTest, DisabledShowsTheDisabledFaceAndColour) {
  struct Case {
    const char* name;
    bool withDisabled;
    plat::Pixel face;
  };
  for (const Case& c :
       {Case{"disabled face", true, kDisabled}, Case{"normal face", false, kNormal}}) {
    SCOPED_TRACE(c.name);
    parent.commands.clear();
    auto button = Make(c.withDisabled);
    button->SetButtonFont(L"DejaVu Sans", 18, 0, 700, false);
    button->SetCaption(L"HH", kInks);
    button->SetButtonFont(L"DejaVu Sans", 18, 0, 700, false);
    button->Enable(false);
    EXPECT_EQ(Shown(*button), c.face);
    EXPECT_TRUE(HasColour(ShownFace(*button), kInkDisabled));
    MovePointer(parent, {50, 40});
    Click(parent, {50, 40});
    EXPECT_EQ(Shown(*button), c.face);
    EXPECT_TRUE(parent.commands.empty());
  }
}

TEST_F(HoverButtonTest, CaptionIsWrittenInTheColourOfTheState) {
  auto button = Make(false);
  button->SetBitmaps({11, 12, 13, 0}, false);
  button->SetCaption(L"HH", kInks);
  button->SetButtonFont(L"DejaVu Sans", 18, 0, 700, false);
  const plat::ColorRef inks[] = {kInkNormal, kInkHover, kInkPressed};
  for (int state = 1; state <= 3; ++state) {
    button->SetVisualState(static_cast<ZNCHoverButton::VisualState>(state));
    const plat::Bitmap face = ShownFace(*button);
    for (int other = 0; other < 3; ++other)
      EXPECT_EQ(HasColour(face, inks[other]), other == state - 1) << state << " " << other;
  }
  // Centred on the face, moved by the offset.
  button->SetVisualState(ZNCHoverButton::kNormal);
  const plat::Bitmap centred = ShownFace(*button);
  button->SetBitmaps({11, 12, 13, 0}, false);
  button->SetCaptionOffset(10);
  const plat::Bitmap moved = ShownFace(*button);
  int leftCentred = 76, leftMoved = 76;
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < 76; ++x) {
      if (centred.At(x, y) != kNormal) leftCentred = std::min(leftCentred, x);
      if (moved.At(x, y) != kNormal) leftMoved = std::min(leftMoved, x);
    }
  }
  EXPECT_EQ(leftMoved, leftCentred + 10);
  EXPECT_GT(leftCentred, 20);

  // Exactly: half the face less half the text, across and down, plus the offset.
  const plat::Font font({L"DejaVu Sans", 18, 0, 700});
  plat::Bitmap want(76, 25, kNormal);
  plat::Canvas dc(want);
  dc.SelectFont(&font);
  dc.SetBackgroundMode(plat::Canvas::Background::kTransparent);
  dc.SetTextColour(kInkNormal);
  dc.TextOut({76 / 2 - font.TextWidth(L"HH") / 2 + 10, 25 / 2 - font.height() / 2}, L"HH");
  EXPECT_TRUE(testsupport::SamePixels(moved, want));
}

TEST_F(HoverButtonTest, ANewCaptionLeavesTheOldTextInTheFace) {
  auto fresh = Make(false, 1001);
  fresh->SetBitmaps({11, 12, 13, 0}, false);
  fresh->SetCaption(L"ii", CaptionColours::All(0x00F5F5F5));
  const plat::Bitmap only = ShownFace(*fresh);
  fresh->Destroy();

  auto button = Make(false);
  button->SetBitmaps({11, 12, 13, 0}, false);
  button->SetCaption(L"MMMMM", CaptionColours::All(0x00F5F5F5));
  ShownFace(*button);
  button->SetCaption(L"ii", CaptionColours::All(0x00F5F5F5));
  const plat::Bitmap both = ShownFace(*button);
  EXPECT_FALSE(testsupport::SamePixels(both, only));

  // Painting again changes nothing; reloading the faces clears the old text.
  button->Invalidate();
  parent.Invalidate(true);
  EXPECT_TRUE(testsupport::SamePixels(ShownFace(*button), both));
  button->SetBitmaps({11, 12, 13, 0}, false);
  EXPECT_TRUE(testsupport::SamePixels(ShownFace(*button), only));
}

TEST_F(HoverButtonTest, AnEmptyCaptionKeepsTheTextButDropsTheOwnFont) {
  auto plain = Make(false, 1001);
  plain->SetBitmaps({11, 12, 13, 0}, false);
  plain->SetCaption(L"Next", kInks);
  const plat::Bitmap withStockFont = ShownFace(*plain);
  plain->Destroy();

  auto button = Make(false);
  button->SetBitmaps({11, 12, 13, 0}, false);
  button->SetCaption(L"Next", kInks);
  button->SetButtonFont(L"DejaVu Sans", 22, 0, 700, false);
  const plat::Bitmap withOwnFont = ShownFace(*button);
  EXPECT_FALSE(testsupport::SamePixels(withOwnFont, withStockFont));

  button->SetBitmaps({11, 12, 13, 0}, false);
  button->SetCaption(L"", kInks);
  EXPECT_EQ(button->caption(), L"Next");
  EXPECT_TRUE(testsupport::SamePixels(ShownFace(*button), withStockFont));

  // The shared font serves every button without its own.
  button->SetButtonFont(L"DejaVu Sans", 22, 0, 700, true);
  button->SetBitmaps({11, 12, 13, 0}, false);
  const plat::Bitmap withShared = ShownFace(*button);
  ResetSharedButtonFont();
  EXPECT_TRUE(testsupport::SamePixels(withShared, withOwnFont));
}

TEST_F(HoverButtonTest, AForcedStateHoldsUntilTheNextCaption) {
  auto button = Make();
  button->SetForcedState(ZNCHoverButton::kPressed);
  EXPECT_EQ(Shown(*button), kPressed);
  MovePointer(parent, {50, 40});
  EXPECT_EQ(Shown(*button), kPressed);
  MovePointer(parent, {250, 150});
  EXPECT_EQ(Shown(*button), kPressed);
  button->SetCaption(L"", kInks);
  button->Invalidate();
  EXPECT_EQ(Shown(*button), kNormal);
}

TEST_F(HoverButtonTest, DrawsIntoTheParentsBackground) {
  auto button = Make();
  plat::Bitmap background(300, 200, kBackground);
  plat::Canvas canvas(background);
  button->Draw(canvas, false);
  EXPECT_EQ(background.At(40, 30), kNormal);
  EXPECT_EQ(background.At(89, 49), kNormal);
  EXPECT_EQ(background.At(90, 30), kBackground);
  EXPECT_EQ(background.At(39, 30), kBackground);
  button->Draw(canvas, true);
  EXPECT_EQ(background.At(0, 0), kNormal);

  button->Show(false);  // a hidden button draws nothing
  plat::Bitmap empty(300, 200, kBackground);
  plat::Canvas emptyCanvas(empty);
  button->Draw(emptyCanvas, false);
  EXPECT_EQ(empty.At(40, 30), kBackground);
}

TEST_F(HoverButtonTest, ReplacedPicturesKeepTheSize) {
  auto button = Make();
  button->ReplacePictures(21, 22, 23);  // 40 x 30 faces
  EXPECT_EQ(button->pictureSize(), (plat::Size{50, 20}));
  EXPECT_EQ(Shown(*button), kHover);  // face 21 is the new normal face
  EXPECT_EQ(button->Bounds().Width(), 50);
}

TEST_F(HoverButtonTest, SetUpFromAnotherThreadWhileDrawing) {
  auto button = Make(false);
  button->SetBitmaps({11, 12, 13, 0}, false);
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i) {
      button->SetBitmaps({i % 2 ? 11u : 21u, i % 2 ? 12u : 22u, i % 2 ? 13u : 23u}, false);
      button->SetCaption(i % 2 ? L"one" : L"two", kInks);
      button->SetCaptionOffset(i % 5);
    }
    done = true;
  });
  while (!done) {
    button->Invalidate();
    plat::DispatchPending();
  }
  worker.join();
  plat::DispatchPending();
  // The last set-up wins: 76 x 25 faces, and the window took their size.
  EXPECT_EQ(button->pictureSize(), (plat::Size{76, 25}));
  EXPECT_EQ(button->Bounds().Width(), 76);
  EXPECT_EQ(button->caption(), L"one");
}

}  // namespace
