// The skinned dialog, a hover button and the message box on a real X server
// (the suite runs on an Xvfb of its own): the outline as the server holds it, the
// painted skin, a click, dragging, and a box answered with the pointer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "platform/window/display.h"
#include "platform/window/x11/x11.h"
#include "tests/ui/ui_test_support.h"
#include "ui/hover_button.h"
#include "ui/msg_box.h"
#include "ui/skin_constants.h"
#include "ui/skin_dialog.h"
#include "util/message_box.h"
// Xlib last: it defines macros.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>

namespace {

constexpr int kNextId = 1000;

class Wizardish : public CSkinDialog {
 public:
  Wizardish() : CSkinDialog(plat::Rect::FromSize(50, 40, kSkinSize.width, kSkinSize.height)) {}
  std::vector<int> commands;
  ZNCHoverButton next{kNextId, {1080, 1079, 1078, 1081}, kSkinCaptionColours};

 protected:
  bool OnInitDialog() override {
    CSkinDialog::OnInitDialog();
    SetDialogIcon(kSkinIconId);
    SetSkinFolder(testsupport::SourceDir().wstring() + L"\\dat\\");
    LoadSkin(0, 0, kSkinFileName, plat::kTransparentKey);
    SetDragRect(&kDragBand);
    SetPaintCallback([this](plat::Canvas& dc) { next.Draw(dc, false); });
    SetMinimumSize(kSkinSize.width, kSkinSize.height);
    AllowShow();
    SetSkinSize(kSkinSize.width, kSkinSize.height, true);
    next.Attach(*this, plat::Rect::FromSize(200, 300, 1, 1));
    next.SetCaption(L"Next", CaptionColours::All(kSkinTextColour));
    return true;
  }
  void OnCommand(int id, int) override { commands.push_back(id); }
};

class SkinX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr)
      GTEST_SKIP() << "no X display (run under tests/support/with_xvfb.sh)";
    std::string error;
    ASSERT_TRUE(plat::OpenDisplay(plat::DisplayKind::kX11, &error)) << error;
    probe_ = XOpenDisplay(nullptr);
    ASSERT_NE(probe_, nullptr);
    SetResourceFolder(testsupport::SourceDir().wstring() + L"\\res\\");
  }
  void TearDown() override {
    SetResourceFolder(L"");
    plat::CloseDisplay();
    if (probe_ != nullptr) XCloseDisplay(probe_);
  }
  bool Viewable(const plat::Window& window) {
    XWindowAttributes a{};
    return XGetWindowAttributes(probe_, plat::x11::WindowId(window), &a) &&
           a.map_state == IsViewable;
  }
  // The pointer to a screen point, with the button pressed or released.
  void Pointer(plat::Point screen, int press = -1) {
    XTestFakeMotionEvent(probe_, -1, screen.x, screen.y, CurrentTime);
    if (press >= 0) XTestFakeButtonEvent(probe_, 1, press ? True : False, CurrentTime);
    XFlush(probe_);
  }
  unsigned long ShownPixel(const plat::Window& window, plat::Point at) {
    XSync(probe_, False);
    XImage* image =
        XGetImage(probe_, plat::x11::WindowId(window), at.x, at.y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return ~0ul;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
  }
  Display* probe_ = nullptr;
};

TEST_F(SkinX11Test, SkinnedDialogAndButtonOnTheServer) {
  const auto skin = plat::Bitmap::Load(testsupport::SourceDir() / "dat" / kSkinFileNameUtf8);
  ASSERT_TRUE(skin.has_value());
  Wizardish dialog;
  ASSERT_TRUE(dialog.CreateModeless());
  ASSERT_TRUE(plat::DispatchUntil([&] { return Viewable(dialog); }, 10000));
  plat::DispatchPending();
  EXPECT_EQ(uitest::ShownBox(), nullptr);  // the outline was taken

  int count = 0, ordering = 0;
  XRectangle* shape =
      XShapeGetRectangles(probe_, plat::x11::WindowId(dialog), ShapeBounding, &count, &ordering);
  ASSERT_NE(shape, nullptr);
  const auto inShape = [&](int x, int y) {
    for (int i = 0; i < count; ++i) {
      const XRectangle& r = shape[i];
      if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return true;
    }
    return false;
  };
  EXPECT_FALSE(inShape(0, 0));
  EXPECT_TRUE(inShape(315, 220));
  EXPECT_TRUE(inShape(2, 100));
  XFree(shape);

  // The skin is on the screen, and the button's face over it.
  EXPECT_EQ(ShownPixel(dialog, {315, 150}), skin->At(315, 150));
  const plat::Rect button = dialog.next.Bounds();
  EXPECT_EQ(button.Width(), 220);
  EXPECT_NE(ShownPixel(dialog, {button.left + 4, button.top + 12}),
            skin->At(button.left + 4, button.top + 12));

  // A click on the button.
  const plat::Point onButton{50 + button.left + 20, 40 + button.top + 10};
  Pointer(onButton);
  ASSERT_TRUE(plat::DispatchUntil([&] { return dialog.next.state() == 2; }, 10000));
  Pointer(onButton, 1);
  ASSERT_TRUE(plat::DispatchUntil([&] { return dialog.next.state() == 3; }, 10000));
  Pointer(onButton, 0);
  ASSERT_TRUE(plat::DispatchUntil([&] { return !dialog.commands.empty(); }, 10000));
  EXPECT_EQ(dialog.commands, std::vector<int>{kNextId});

  // Dragged by the title band.
  Pointer({50 + 200, 40 + 15});
  Pointer({50 + 200, 40 + 15}, 1);
  plat::DispatchUntil([] { return false; }, 100);
  Pointer({50 + 260, 40 + 55});
  ASSERT_TRUE(plat::DispatchUntil(
      [&] { return dialog.Bounds() == plat::Rect::FromSize(110, 80, 630, 440); }, 10000));
  Pointer({50 + 260, 40 + 55}, 0);
  plat::DispatchUntil([] { return false; }, 100);
  EXPECT_FALSE(dialog.HasCapture());
}

TEST_F(SkinX11Test, MessageBoxAnsweredWithThePointer) {
  plat::Window owner;
  ASSERT_TRUE(owner.Create(plat::Rect::FromSize(30, 20, 630, 440)));
  owner.Show();
  CMsgBox box(&owner, MB_OKCANCEL, L"Try again?");
  std::function<void()> answer = [&] {
    if (!Viewable(box)) {
      owner.ref().PostCall(answer);
      return;
    }
    const plat::Rect cancel = box.button(1).Bounds();
    const plat::Point at{box.Bounds().left + cancel.left + 10, box.Bounds().top + cancel.top + 10};
    Pointer(at);
    Pointer(at, 1);
    Pointer(at, 0);
  };
  owner.ref().PostCall(answer);
  EXPECT_EQ(box.DoModal(), IDCANCEL);
  owner.Destroy();
}

}  // namespace
