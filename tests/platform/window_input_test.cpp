// Mouse and keyboard input: routing to controls, capture, leaving, double
// clicks, cursors, shapes.
#include <gtest/gtest.h>

#include "platform/window/display.h"
#include "platform/window/headless/headless.h"
#include "tests/platform/window_probe.h"
#include "tests/support/headless_display.h"

namespace {

using plat::headless::Click;
using plat::headless::MovePointer;
using plat::headless::Press;
using plat::headless::Release;
using windowtest::ProbeControl;
using windowtest::ProbeWindow;
using Log = std::vector<std::string>;

class WindowInput : public testsupport::HeadlessDisplayTest {
 protected:
  void SetUp() override {
    HeadlessDisplayTest::SetUp();
    ASSERT_TRUE(window.Create(100, 100, 300, 200));
    ASSERT_TRUE(button.Create(window, 1000, plat::Rect::FromSize(50, 40, 80, 30)));
    window.Show();
    plat::DispatchPending();
  }
  void TearDown() override {
    button.Destroy();
    window.Destroy();
    HeadlessDisplayTest::TearDown();
  }
  ProbeWindow window;
  ProbeControl button;
};

TEST_F(WindowInput, PressesGoToTheControlUnderThePointerInItsOwnCoordinates) {
  button.logMoves = false;
  struct Case {
    const char* name;
    bool visible;
    bool enabled;
    Log windowGets;
    Log buttonGets;
  };
  const Case cases[] = {
      {"shown and enabled", true, true, {}, {"down 5,6", "up 5,6"}},
      {"hidden: the window beneath gets it", false, true, {"down 55,46", "up 55,46"}, {}},
      {"disabled: swallowed", true, false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window.log.clear();
    button.log.clear();
    button.Show(c.visible);
    button.Enable(c.enabled);
    Click(window, {55, 46});
    plat::DispatchPending();
    EXPECT_EQ(window.log, c.windowGets);
    EXPECT_EQ(button.log, c.buttonGets);
  }
}

TEST_F(WindowInput, CapturedControlFollowsThePointerOutsideTheWindowWhileHeld) {
  button.captureOnDown = true;
  window.logMoves = true;
  Press(window, {60, 50});
  MovePointer(window, {200, 150});  // outside the button, inside the window
  MovePointer(window, {-30, 500});  // outside the window
  Release(window, {-30, 500});
  MovePointer(window, {-40, 500});  // released: nobody hears this
  MovePointer(window, {250, 150});  // back in the window
  plat::DispatchPending();
  EXPECT_EQ(button.log, (Log{"move 10,10", "down 10,10", "drag 150,110", "drag -80,460",
                             "up -80,460", "capture lost"}));
  EXPECT_EQ(window.log, Log{"move 250,150"});
  EXPECT_FALSE(button.HasCapture());
}

TEST_F(WindowInput, PressedButtonKeepsGettingInputWithoutCapture) {
  // X's rule: a press keeps the pointer with its window until the release,
  // but without capture only the window under the pointer is told.
  window.logMoves = true;
  Press(window, {10, 10});
  MovePointer(window, {-50, -50});
  MovePointer(window, {20, 20});
  Release(window, {20, 20});
  plat::DispatchPending();
  EXPECT_EQ(window.log, (Log{"move 10,10", "down 10,10", "drag 20,20", "up 20,20"}));
}

TEST_F(WindowInput, HoverCaptureHearsThePointerLeaveTheWindow) {
  // A button takes capture while hovered to see the pointer go; when it goes
  // straight out of the window, the captor hears the outside point.
  button.log.clear();
  MovePointer(window, {60, 50});
  plat::DispatchPending();
  button.SetCapture();
  MovePointer(window, {60, -20});
  plat::DispatchPending();
  EXPECT_EQ(button.log, (Log{"move 10,10", "move 10,-60"}));
}

TEST_F(WindowInput, CaptureLossIsReported) {
  ProbeControl other;
  ASSERT_TRUE(other.Create(window, 1001, plat::Rect::FromSize(200, 40, 50, 30)));
  struct Case {
    const char* name;
    std::function<void()> take;
    std::function<void()> lose;
    const Log* loser;
  };
  const Case cases[] = {
      {"released by its holder", [&] { window.SetCapture(); }, [&] { window.ReleaseCapture(); },
       &window.log},
      {"taken by a control", [&] { window.SetCapture(); }, [&] { button.SetCapture(); },
       &window.log},
      {"taken by another control", [&] { button.SetCapture(); }, [&] { other.SetCapture(); },
       &button.log},
      {"control hidden", [&] { button.SetCapture(); }, [&] { button.Show(false); }, &button.log},
      {"control disabled", [&] { button.SetCapture(); }, [&] { button.Enable(false); },
       &button.log},
      {"window hidden", [&] { button.SetCapture(); }, [&] { window.Hide(); }, &button.log},
      {"window disabled", [&] { window.SetCapture(); }, [&] { window.Enable(false); }, &window.log},
      {"window minimised", [&] { window.SetCapture(); }, [&] { window.Minimise(); }, &window.log},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window.Show();
    window.Restore();
    window.Enable(true);
    button.Show(true);
    button.Enable(true);
    other.ReleaseCapture();
    button.ReleaseCapture();
    window.ReleaseCapture();
    c.take();
    window.log.clear();
    button.log.clear();
    other.log.clear();
    c.lose();
    EXPECT_EQ(std::count(c.loser->begin(), c.loser->end(), "capture lost"), 1);
  }
}

TEST_F(WindowInput, DoubleClicksAreTwoPressesCloseInTimeAndPlace) {
  struct Case {
    const char* name;
    plat::Point second;
    std::uint32_t after;  // ms after the first press
    Log expected;
  };
  const Case cases[] = {
      {"same place and time", {10, 10}, 0, {"down 10,10", "up 10,10", "double 10,10", "up 10,10"}},
      {"4 px away", {14, 6}, 200, {"down 10,10", "up 10,10", "double 14,6", "up 14,6"}},
      {"5 px away", {15, 10}, 200, {"down 10,10", "up 10,10", "down 15,10", "up 15,10"}},
      {"at the time limit", {10, 10}, 500, {"down 10,10", "up 10,10", "double 10,10", "up 10,10"}},
      {"too late", {10, 10}, 501, {"down 10,10", "up 10,10", "down 10,10", "up 10,10"}},
      {"on a control", {60, 50}, 0, {"down 10,10", "up 10,10"}},
  };
  std::uint32_t t = 1000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    t += 10000;
    window.log.clear();
    Press(window, {10, 10}, plat::MouseButton::kLeft, t);
    Release(window, {10, 10}, plat::MouseButton::kLeft, t);
    Press(window, c.second, plat::MouseButton::kLeft, t + c.after);
    Release(window, c.second, plat::MouseButton::kLeft, t + c.after);
    plat::DispatchPending();
    EXPECT_EQ(window.log, c.expected);
  }
  // A third quick press is a plain press again; a control gets its own double.
  window.log.clear();
  button.log.clear();
  button.logMoves = false;
  plat::headless::DoubleClick(window, {10, 10});
  Click(window, {10, 10});
  plat::headless::DoubleClick(window, {60, 50});
  plat::DispatchPending();
  EXPECT_EQ(window.log,
            (Log{"down 10,10", "up 10,10", "double 10,10", "up 10,10", "down 10,10", "up 10,10"}));
  EXPECT_EQ(button.log, (Log{"down 10,10", "up 10,10", "double 10,10", "up 10,10"}));
}

TEST_F(WindowInput, CursorFallsBackToTheArrowOnEachMoveUnlessCaptured) {
  window.SetCursor(plat::Cursor::kResizeNwSe);
  MovePointer(window, {290, 190});
  plat::DispatchPending();
  EXPECT_EQ(window.cursor(), plat::Cursor::kArrow);
  window.SetCapture();
  window.SetCursor(plat::Cursor::kResizeNwSe);
  MovePointer(window, {295, 195});
  plat::DispatchPending();
  EXPECT_EQ(window.cursor(), plat::Cursor::kResizeNwSe);
}

TEST_F(WindowInput, KeysHelpExtraButtonsAndClose) {
  plat::headless::PressKey(window, plat::Key::kF1);
  plat::headless::PressKey(window, plat::Key::kEscape);
  Press(window, {7, 8}, plat::MouseButton::kBack);
  Press(window, {7, 8}, plat::MouseButton::kForward);
  Press(window, {7, 8}, plat::MouseButton::kRight);  // ignored
  plat::headless::RequestClose(window);
  plat::DispatchPending();
  const std::string f1 = std::to_string(static_cast<int>(plat::Key::kF1));
  const std::string esc = std::to_string(static_cast<int>(plat::Key::kEscape));
  EXPECT_EQ(window.log, (Log{"key down " + f1, "help", "key up " + f1, "key down " + esc,
                             "key up " + esc, "back 7,8", "forward 7,8", "close"}));

  // A handled F1 is no help request; a disabled window hears nothing.
  window.log.clear();
  window.handleKeys = true;
  plat::headless::PressKey(window, plat::Key::kF1);
  plat::DispatchPending();
  EXPECT_EQ(window.log, (Log{"key down " + f1, "key up " + f1}));
  window.log.clear();
  window.Enable(false);
  plat::headless::PressKey(window, plat::Key::kF1);
  plat::headless::RequestClose(window);
  Click(window, {7, 8});
  plat::DispatchPending();
  EXPECT_TRUE(window.log.empty());
}

TEST_F(WindowInput, ShapeDecidesWhichWindowAPressReaches) {
  // A shaped window over another: a press in its transparent corner reaches
  // the window beneath.
  ProbeWindow top;
  ASSERT_TRUE(top.Create(100, 100, 100, 100));
  std::vector<plat::Rect> rows;
  for (int y = 0; y < 100; ++y) rows.push_back({y < 20 ? 20 : 0, y, 100, y + 1});
  ASSERT_TRUE(top.SetShape(rows));
  top.Show();
  Click(window, {5, 5});    // the corner of top, outside its shape
  Click(window, {50, 50});  // inside
  plat::DispatchPending();
  EXPECT_EQ(window.log, (Log{"down 5,5", "up 5,5"}));
  EXPECT_EQ(top.log, (Log{"down 50,50", "up 50,50"}));
  EXPECT_FALSE(top.InShape({19, 19}));
  EXPECT_TRUE(top.InShape({20, 19}));
  EXPECT_FALSE(top.InShape({100, 50}));
  EXPECT_TRUE(top.SetShape({}));  // nothing visible: every press goes through
  Click(window, {20, 80});
  plat::DispatchPending();
  EXPECT_EQ(window.log, (Log{"down 5,5", "up 5,5", "down 20,80", "up 20,80"}));
}

TEST_F(WindowInput, ControlNotifiesItsParent) {
  button.onUp = [&] { button.NotifyParent(0); };
  Click(window, {60, 50});
  plat::DispatchPending();
  EXPECT_EQ(window.log, Log{"command 1000 0"});
  EXPECT_EQ(window.FindControl(1000), &button);
  EXPECT_EQ(window.FindControl(1), nullptr);
}

}  // namespace
