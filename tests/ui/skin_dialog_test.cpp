#include "ui/skin_dialog.h"

#include <gtest/gtest.h>

#include "platform/window/display.h"
#include "platform/window/headless/headless.h"
#include "tests/support/pixels.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/ui_test_support.h"
#include "ui/skin_constants.h"
#include "ui/skin_region.h"

namespace {

using plat::headless::MovePointer;
using plat::headless::Press;
using plat::headless::Release;

constexpr plat::Pixel kKeyPixel = 0x0000FF;
const plat::Rect kWork{0, 0, 1920, 1040};  // the headless screen's work area

// A skinned dialog set up as the wizard sets up its own.
class SkinnedDialog : public CSkinDialog {
 public:
  SkinnedDialog() : CSkinDialog(plat::Rect::FromSize(200, 150, 600, 400)) {}

  std::wstring folder = testsupport::SourceDir().wstring() + L"\\dat\\";
  std::wstring file = kSkinFileName;
  std::function<void(plat::Canvas&)> paint;
  plat::Size minimum = kSkinSize;
  plat::Size minimumAfterInit;

  using CSkinDialog::m_gripSize;
  using CSkinDialog::m_sizeState;

 protected:
  bool OnInitDialog() override {
    CSkinDialog::OnInitDialog();
    minimumAfterInit = {GetMinWidth(), GetMinHeight()};
    SetDialogIcon(kSkinIconId);
    SetSkinFolder(folder);
    LoadSkin(0, 0, file, plat::kTransparentKey);
    SetDragRect(&kDragBand);
    if (paint) SetPaintCallback(paint);
    SetMinimumSize(minimum.width, minimum.height);
    SetSkinSize(minimum.width, minimum.height, true);
    AllowShow();
    SetSkinSize(minimum.width, minimum.height, true);
    return true;
  }
};

class SkinDialogTest : public uitest::UiTest {
 protected:
  void Open(SkinnedDialog& dialog) {
    ASSERT_TRUE(dialog.CreateModeless());
    plat::DispatchPending();
  }
  plat::Bitmap Skin() {
    const auto skin = plat::Bitmap::Load(testsupport::SourceDir() / "dat" / kSkinFileNameUtf8);
    return skin ? *skin : plat::Bitmap();
  }
  testsupport::TempDir dir_;
};

TEST_F(SkinDialogTest, TheSkinShapesAndPaintsTheWindow) {
  const plat::Bitmap skin = Skin();
  ASSERT_EQ(skin.width(), 630);
  SkinnedDialog dialog;
  dialog.paint = [](plat::Canvas& dc) { dc.FillRect({300, 200, 310, 205}, 0x00123456); };
  Open(dialog);

  EXPECT_TRUE(dialog.IsVisible());
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(200, 150, 630, 440));
  EXPECT_EQ((plat::Size{dialog.GetSkinWidth(), dialog.GetSkinHeight()}), (plat::Size{630, 440}));
  EXPECT_EQ(dialog.GetSkinLeft(), 200);
  EXPECT_EQ(dialog.GetSkinTop(), 150);

  const auto region = BitmapToRegion(&skin, kKeyPixel, 0, 0);
  ASSERT_TRUE(region.has_value());
  for (int y = 0; y < skin.height(); y += 3) {
    for (int x = 0; x < skin.width(); x += 3) {
      const bool opaque = skin.At(x, y) != kKeyPixel;
      ASSERT_EQ(dialog.InShape({x, y}), opaque) << x << "," << y;
      if (!opaque) continue;
      const bool painted = x >= 300 && x < 310 && y >= 200 && y < 205;
      ASSERT_EQ(dialog.frame().At(x, y), painted ? 0x563412u : skin.At(x, y)) << x << "," << y;
    }
  }
  EXPECT_FALSE(dialog.InShape({0, 0}));  // the rounded corner is cut away

  const plat::Bitmap* icon = plat::headless::Icon(dialog);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon, icon);
  EXPECT_EQ(icon->width(), 32);
  ASSERT_NE(dialog.GetDialogIcon(), nullptr);
  EXPECT_TRUE(testsupport::SamePixels(*icon, *dialog.GetDialogIcon()));
}

TEST_F(SkinDialogTest, InitialMinimumIsTheWindowPlusOne) {
  SkinnedDialog dialog;
  Open(dialog);
  EXPECT_EQ(dialog.minimumAfterInit, (plat::Size{601, 401}));
  EXPECT_EQ(dialog.GetMinWidth(), 630);
  EXPECT_EQ(plat::headless::MinimumSize(dialog), kSkinSize);  // the window manager knows it too
}

TEST_F(SkinDialogTest, SkinsThatDoNotLoad) {
  struct Case {
    const char* name;
    std::string content;  // of the skin file; none: missing
    bool present;
  };
  const Case cases[] = {{"missing", "", false}, {"not a picture", "this is not a bitmap", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.present) dir_.Write("broken.bmp", c.content);
    SkinnedDialog dialog;
    dialog.folder = dir_.path().wstring() + L"\\";
    dialog.file = c.present ? L"broken.bmp" : L"none.bmp";
    std::wstring text;
    std::string title;
    uitest::AnswerBox(anchor.ref(), 0, [&](const CMsgBox& box) {
      text = box.text();
      title = box.title();
    });
    Open(dialog);
    EXPECT_EQ(text, L"Skindialog Failed BitmapToRegion");
    EXPECT_EQ(title, "SkinDialog");
    // No outline: the window keeps its rectangle and still opens.
    EXPECT_TRUE(dialog.InShape({0, 0}));
    EXPECT_TRUE(dialog.IsVisible());
    EXPECT_EQ(uitest::ShownBox(), nullptr);
  }
}

TEST_F(SkinDialogTest, ADisplayThatRefusesTheShapeIsReportedAndTheWindowStillOpens) {
  plat::headless::RefuseShapes(true);
  SkinnedDialog dialog;
  std::wstring text;
  uitest::AnswerBox(anchor.ref(), 0, [&](const CMsgBox& box) { text = box.text(); });
  Open(dialog);
  plat::headless::RefuseShapes(false);
  EXPECT_EQ(text, L"Skindialog Failed SetWindowRgn");
  EXPECT_TRUE(dialog.InShape({0, 0}));  // no outline: the whole rectangle
  EXPECT_TRUE(dialog.IsVisible());
  EXPECT_EQ(uitest::ShownBox(), nullptr);
}

TEST_F(SkinDialogTest, ALaterSkinThatDoesNotLoadKeepsTheOutline) {
  SkinnedDialog dialog;
  Open(dialog);
  ASSERT_FALSE(dialog.InShape({0, 0}));
  ASSERT_TRUE(dialog.InShape({300, 200}));
  dialog.SetSkinFolder(dir_.path().wstring() + L"\\");
  bool asked = false;
  uitest::AnswerBox(
      anchor.ref(), 0, [&](const CMsgBox&) { asked = true; }, 50);
  dialog.LoadSkin(0, 0, L"none.bmp", plat::kTransparentKey);  // the former shape is made again
  plat::DispatchPending();
  EXPECT_FALSE(asked);
  EXPECT_FALSE(dialog.InShape({0, 0}));
  EXPECT_TRUE(dialog.InShape({300, 200}));
}

TEST_F(SkinDialogTest, AllTransparentSkinLeavesNothingVisible) {
  ASSERT_TRUE(plat::Bitmap(50, 40, kKeyPixel).SavePng(dir_.path() / "empty.bmp"));
  SkinnedDialog dialog;
  dialog.folder = dir_.path().wstring() + L"\\";
  dialog.file = L"empty.bmp";
  Open(dialog);
  EXPECT_EQ(uitest::ShownBox(), nullptr);
  EXPECT_FALSE(dialog.InShape({10, 10}));
  EXPECT_FALSE(dialog.InShape({0, 0}));
}

TEST_F(SkinDialogTest, PressInTheDragBandMovesTheWindow) {
  SkinnedDialog dialog;
  Open(dialog);
  Press(dialog, {100, 20});
  MovePointer(dialog, {160, 60});  // the window follows: +60, +40
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(260, 190, 630, 440));
  EXPECT_EQ(dialog.GetSkinLeft(), 260);
  EXPECT_EQ(dialog.GetSkinTop(), 190);
  MovePointer(dialog, {90, 25});  // the pressed point is at (100, 20): -10, +5
  Release(dialog, {100, 20});     // where the pointer now is on the moved window
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(250, 195, 630, 440));
  EXPECT_FALSE(dialog.HasCapture());

  // Released: moving does nothing.
  MovePointer(dialog, {200, 20});
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(250, 195, 630, 440));
}

TEST_F(SkinDialogTest, PressOutsideTheBandAndTheGripDoesNothing) {
  SkinnedDialog dialog;
  Open(dialog);
  Press(dialog, {300, 37});  // just below the band
  MovePointer(dialog, {350, 100});
  Release(dialog, {350, 100});
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(200, 150, 630, 440));

  // The band's edges are inclusive (a press far from the last one, so no double-click).
  Press(dialog, {200, 36});
  MovePointer(dialog, {210, 46});
  Release(dialog, {200, 36});
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(210, 160, 630, 440));
}

TEST_F(SkinDialogTest, TheGripResizesDownToTheMinimum) {
  SkinnedDialog dialog;
  Open(dialog);
  MovePointer(dialog, {620, 430});
  plat::DispatchPending();
  EXPECT_EQ(dialog.cursor(), plat::Cursor::kResizeNwSe);
  MovePointer(dialog, {300, 300});
  plat::DispatchPending();
  EXPECT_EQ(dialog.cursor(), plat::Cursor::kArrow);

  Press(dialog, {620, 430});
  MovePointer(dialog, {700, 480});
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(200, 150, 710, 490));
  EXPECT_EQ(dialog.GetSkinWidth(), 710);
  EXPECT_EQ(dialog.cursor(), plat::Cursor::kResizeNwSe);

  // Far left of the window's left edge plus the minimum width: the minimum.
  MovePointer(dialog, {100, 500});
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(200, 150, 630, 510));
  Release(dialog, {100, 500});
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds().Width(), 630);
  EXPECT_FALSE(dialog.HasCapture());

  // Pulling beyond the work area stops at its right and bottom.
  dialog.SetSkinSize(630, 440, true);
  Press(dialog, {612, 422});  // not where the last press was: no double-click
  MovePointer(dialog, {5000, 5000});
  Release(dialog, {5000, 5000});
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(200, 150, kWork.right, kWork.bottom));

  // The skin is not scaled, so the grip of a larger window lies outside the
  // outline and a press there reaches nobody.
  const plat::Point corner{kWork.right - 210, kWork.bottom - 160};
  Press(dialog, corner);
  MovePointer(dialog, {corner.x - 300, corner.y - 300});
  Release(dialog, {corner.x - 300, corner.y - 300});
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(200, 150, kWork.right, kWork.bottom));
}

TEST_F(SkinDialogTest, MaximisedTheGripAndTheBandDoNothing) {
  SkinnedDialog dialog;
  Open(dialog);
  dialog.Maximise();
  plat::DispatchPending();
  ASSERT_EQ(dialog.m_sizeState, plat::SizeType::kMaximised);
  // Maximised, the window goes to the corner at the work area's size.
  EXPECT_EQ(dialog.Bounds(), kWork);
  const plat::Rect before = dialog.Bounds();

  Press(dialog, {before.Width() - 10, before.Height() - 10});
  MovePointer(dialog, {before.Width() - 300, before.Height() - 300});
  Release(dialog, {before.Width() - 300, before.Height() - 300});
  Press(dialog, {100, 20});
  MovePointer(dialog, {200, 120});
  Release(dialog, {200, 120});
  plat::DispatchPending();
  EXPECT_EQ(dialog.Bounds(), before);
  EXPECT_FALSE(dialog.HasCapture());

  dialog.Restore();
  plat::DispatchPending();
  EXPECT_EQ(dialog.m_sizeState, plat::SizeType::kRestored);
}

TEST_F(SkinDialogTest, MinimisedChangesNothing) {
  SkinnedDialog dialog;
  Open(dialog);
  dialog.Minimise();
  plat::DispatchPending();
  EXPECT_EQ(dialog.m_sizeState, plat::SizeType::kMinimised);
  EXPECT_EQ(dialog.GetSkinWidth(), 630);
  dialog.Restore();
  plat::DispatchPending();
  EXPECT_EQ(dialog.m_sizeState, plat::SizeType::kRestored);
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(200, 150, 630, 440));
}

TEST_F(SkinDialogTest, SizeRequests) {
  SkinnedDialog dialog;
  Open(dialog);
  struct Case {
    plat::Size wanted;
    bool fit;
    plat::Size result;
  };
  const Case cases[] = {
      {{20000, 500}, true, {1920, 500}},  // cut to the work area before the ceiling
      {{700, 500}, true, {700, 500}},
      {{20000, 500}, false, {700, 500}},  // too big: nothing changes
      {{50, 50}, true, {630, 440}},
      {{4000, 3000}, true, {1920, 1040}},
  };
  for (const Case& c : cases) {
    dialog.SetSkinSize(c.wanted.width, c.wanted.height, c.fit);
    EXPECT_EQ(dialog.Bounds().Width(), c.result.width) << c.wanted.width << " " << c.fit;
    EXPECT_EQ(dialog.Bounds().Height(), c.result.height) << c.wanted.width << " " << c.fit;
    EXPECT_EQ(dialog.GetSkinWidth(), c.result.width);
  }
  // The skin is not scaled: the outline stays the picture's.
  EXPECT_FALSE(dialog.InShape({700, 500}));

  int l = kWork.left, t = kWork.top, r = kWork.right, b = kWork.bottom;
  EXPECT_EQ(dialog.FitRectToWorkArea(&l, &t, &r, &b), 2);
  EXPECT_EQ((plat::Rect{l, t, r, b}), kWork);
  l = 0, t = 0, r = 630, b = 440;
  EXPECT_EQ(dialog.FitRectToWorkArea(&l, &t, &r, &b), 0);
}

TEST_F(SkinDialogTest, MinimumSizeRules) {
  SkinnedDialog dialog;
  Open(dialog);
  dialog.SetSkinSize(900, 700, true);
  // A lower minimum height makes the height exactly that minimum.
  dialog.SetMinimumSize(640, 500);
  EXPECT_EQ(dialog.Bounds().Width(), 900);
  EXPECT_EQ(dialog.Bounds().Height(), 500);
  // A wider minimum widens the window.
  dialog.SetMinimumSize(1000, 500);
  EXPECT_EQ(dialog.Bounds().Width(), 1000);
  EXPECT_EQ(dialog.Bounds().Height(), 500);
  // The minimum wins over the work area.
  dialog.SetMinimumSize(2500, 1500);
  EXPECT_EQ(dialog.Bounds().Width(), 2500);
  EXPECT_EQ(dialog.Bounds().Height(), 1500);
}

TEST_F(SkinDialogTest, HiddenUntilShowingIsAllowed) {
  struct Quiet : CSkinDialog {
    Quiet() : CSkinDialog(plat::Rect::FromSize(10, 10, 300, 200)) {}
    using CSkinDialog::AllowShow;
  } dialog;
  ASSERT_TRUE(dialog.CreateModeless());
  dialog.SetMinimumSize(100, 100);
  dialog.SetSkinSize(320, 240, true);
  EXPECT_FALSE(dialog.IsVisible());
  EXPECT_EQ(dialog.Bounds(), plat::Rect::FromSize(10, 10, 320, 240));
  dialog.AllowShow();
  EXPECT_FALSE(dialog.IsVisible());
  dialog.SetSkinSize(330, 240, true);
  EXPECT_TRUE(dialog.IsVisible());
}

TEST_F(SkinDialogTest, AnEraseWhileAnotherIsComposedDrawsNothing) {
  SkinnedDialog inner;
  int innerPaints = 0;
  inner.paint = [&](plat::Canvas&) { ++innerPaints; };
  Open(inner);
  const int before = innerPaints;
  ASSERT_GT(before, 0);

  SkinnedDialog outer;
  int outerPaints = 0;
  outer.paint = [&](plat::Canvas&) {
    ++outerPaints;
    inner.Invalidate(true);
    inner.UpdateNow();  // nested: answered without drawing
  };
  Open(outer);
  EXPECT_GT(outerPaints, 0);
  EXPECT_EQ(innerPaints, before);
  inner.Invalidate(true);
  plat::DispatchPending();
  EXPECT_GT(innerPaints, before);
}

}  // namespace
