// Painting into the back buffer, shapes on the screen, placement and size
// types, and finding a window by its property.
#include <gtest/gtest.h>

#include "platform/window/display.h"
#include "platform/window/headless/headless.h"
#include "tests/platform/window_probe.h"
#include "tests/support/headless_display.h"

namespace {

using windowtest::ProbeControl;
using windowtest::ProbeWindow;
using Log = std::vector<std::string>;

class WindowPaint : public testsupport::HeadlessDisplayTest {};

TEST_F(WindowPaint, FrameIsTheWindowsDrawingWithItsControlsOnTop) {
  ProbeWindow window;
  ASSERT_TRUE(window.Create(0, 0, 100, 80));
  window.fill = 0xAA0000;
  ProbeControl button;
  ASSERT_TRUE(button.Create(window, 1, plat::Rect::FromSize(10, 20, 40, 10)));
  window.Show();
  plat::DispatchPending();
  const plat::Bitmap& frame = window.frame();
  EXPECT_EQ(frame.At(0, 0), 0xAA0000u);
  EXPECT_EQ(frame.At(10, 20), 0x00FF00u);  // the control's left half
  EXPECT_EQ(frame.At(29, 29), 0x00FF00u);
  EXPECT_EQ(frame.At(30, 20), 0xAA0000u);  // its right half shows the window beneath
  EXPECT_EQ(frame.At(50, 20), 0xAA0000u);

  // A control repaints alone; the window is not drawn again.
  const int erases = window.erases;
  const int paints = window.paints;
  button.face = 0x0000FF;
  button.Invalidate();
  plat::DispatchPending();
  EXPECT_EQ(frame.At(10, 20), 0x0000FFu);
  EXPECT_EQ(window.erases, erases);
  EXPECT_EQ(window.paints, paints);

  // Without erase only OnPaint runs; a hidden control leaves its place to the window.
  window.Invalidate(false);
  plat::DispatchPending();
  EXPECT_EQ(window.erases, erases);
  EXPECT_EQ(window.paints, paints + 1);
  button.Show(false);
  plat::DispatchPending();
  EXPECT_EQ(frame.At(10, 20), 0xAA0000u);

  // Nothing is painted while hidden, everything again when shown.
  window.Hide();
  window.Invalidate();
  EXPECT_EQ(plat::DispatchPending(), 0);
  window.fill = 0x333333;
  window.Show();
  EXPECT_EQ(window.frame().At(50, 50), 0x333333u);  // painted before it appears
}

TEST_F(WindowPaint, ShapeLimitsWhatTheScreenShows) {
  plat::headless::SetScreen({400, 300}, {0, 0, 400, 280});
  ProbeWindow window;
  ASSERT_TRUE(window.Create(50, 50, 100, 100));
  window.fill = 0x123456;
  std::vector<plat::Rect> rows;  // a diagonal cut across the top-left corner
  for (int y = 0; y < 100; ++y) rows.push_back({std::max(0, 30 - y), y, 100, y + 1});
  ASSERT_TRUE(window.SetShape(rows));
  window.Show();
  plat::DispatchPending();
  plat::Bitmap screen = plat::headless::Screenshot();
  EXPECT_EQ(screen.At(50, 50), 0u);  // the cut corner shows what is beneath
  EXPECT_EQ(screen.At(79, 50), 0u);
  EXPECT_EQ(screen.At(80, 50), 0x123456u);
  EXPECT_EQ(screen.At(50, 80), 0x123456u);
  EXPECT_EQ(screen.At(149, 149), 0x123456u);
  EXPECT_EQ(screen.At(150, 150), 0u);

  window.ClearShape();
  screen = plat::headless::Screenshot();
  EXPECT_EQ(screen.At(50, 50), 0x123456u);
}

TEST_F(WindowPaint, PlacementAndSizeTypes) {
  plat::headless::SetScreen({800, 600}, {0, 0, 800, 560});
  EXPECT_EQ(plat::WorkArea(), (plat::Rect{0, 0, 800, 560}));
  ProbeWindow window;
  ASSERT_TRUE(window.Create(10, 20, 100, 50));
  window.Show();
  plat::DispatchPending();

  window.Move({30, 40});
  window.Move({30, 40});  // no change, no message
  window.Resize({120, 60});
  window.SetBounds(plat::Rect::FromSize(0, 0, 120, 60));
  EXPECT_EQ(window.log, (Log{"moved 30,40", "size 0 120x60", "moved 0,0"}));
  EXPECT_EQ(window.frame().width(), 120);
  EXPECT_EQ(window.frame().height(), 60);

  window.log.clear();
  window.Move({15, 25});
  window.Maximise();
  EXPECT_EQ(window.Bounds(), (plat::Rect{0, 0, 800, 560}));
  EXPECT_EQ(window.sizeType(), plat::SizeType::kMaximised);
  window.Minimise();
  EXPECT_FALSE(plat::headless::IsOnScreen(window));
  window.Invalidate();
  EXPECT_EQ(plat::DispatchPending(), 0);  // nothing is painted while minimised
  window.Restore();                       // back to maximised
  window.Restore();                       // back to where it was
  EXPECT_EQ(window.Bounds(), plat::Rect::FromSize(15, 25, 120, 60));
  EXPECT_EQ(window.sizeType(), plat::SizeType::kRestored);
  EXPECT_EQ(window.log, (Log{"moved 15,25", "size 2 800x560", "moved 0,0", "size 1 800x560",
                             "size 2 800x560", "size 0 120x60", "moved 15,25"}));
  EXPECT_TRUE(plat::headless::IsOnScreen(window));
  EXPECT_EQ(window.ClientToScreen({1, 2}), (plat::Point{16, 27}));
}

TEST_F(WindowPaint, RaisingTheWindowThatCarriesAProperty) {
  ProbeWindow first;
  ProbeWindow second;
  ASSERT_TRUE(first.Create(0, 0, 50, 50));
  ASSERT_TRUE(second.Create(0, 0, 50, 50));
  first.SetNamedProperty("KORMAN7");
  first.SetTitle("Swaymo – Einrichtung");
  plat::Bitmap icon(2, 1);
  icon.Set(0, 0, 0x0000FF);
  first.SetIcon(icon);
  first.Show();
  second.Show();
  first.Minimise();
  EXPECT_FALSE(plat::RaiseWindowWithProperty("OTHER"));
  ASSERT_TRUE(plat::RaiseWindowWithProperty("KORMAN7"));
  EXPECT_EQ(first.sizeType(), plat::SizeType::kRestored);
  EXPECT_TRUE(plat::headless::IsOnTop(first));
  EXPECT_TRUE(plat::headless::HasNamedProperty(first, "KORMAN7"));
  EXPECT_FALSE(plat::headless::HasNamedProperty(second, "KORMAN7"));
  EXPECT_EQ(first.title(), "Swaymo – Einrichtung");
  ASSERT_NE(plat::headless::Icon(first), nullptr);
  EXPECT_EQ(plat::headless::Icon(first)->width(), 2);
}

TEST(WindowDisplay, WindowsNeedAnOpenDisplayOnTheirThread) {
  ProbeWindow window;
  EXPECT_FALSE(window.Create(0, 0, 10, 10));  // no display yet
  ASSERT_TRUE(plat::OpenDisplay(plat::DisplayKind::kHeadless));
  EXPECT_TRUE(plat::OpenDisplay(plat::DisplayKind::kHeadless));  // already open
  std::string error;
  EXPECT_FALSE(plat::OpenDisplay(plat::DisplayKind::kX11, &error));
  EXPECT_FALSE(error.empty());
  bool madeOnWorker = true;
  std::thread([&] {
    ProbeWindow other;
    madeOnWorker = other.Create(0, 0, 10, 10);
  }).join();
  EXPECT_FALSE(madeOnWorker);
  ASSERT_TRUE(window.Create(0, 0, 10, 10));
  plat::CloseDisplay();  // destroys what is left
  EXPECT_FALSE(window.IsCreated());
  EXPECT_FALSE(plat::IsDisplayOpen());
}

}  // namespace
