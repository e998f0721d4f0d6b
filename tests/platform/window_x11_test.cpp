// The real X11 window under an X server of the test's own (Xvfb): its shape
// as the server holds it, a click, capture outside the window, placement
// without a window manager, raising by property, and a screenshot.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "platform/gfx/bitmap.h"
#include "platform/window/display.h"
#include "platform/window/x11/x11.h"
#include "tests/platform/window_probe.h"
#include "tests/support/temp_dir.h"
// Xlib last: it defines macros.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>

namespace {

// An Xvfb on a display number it chooses itself, ended with the test, and
// on request a window manager on it.
class Xvfb {
 public:
  ~Xvfb() {
    for (pid_t pid : {wm_, pid_}) {
      if (pid <= 0) continue;
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }

  // Starts openbox and waits until it has taken the screen.
  bool StartWindowManager(Display* probe, std::string* why) {
    wm_ = fork();
    if (wm_ < 0) return Fail(why, "cannot fork");
    if (wm_ == 0) {
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 1);
      dup2(null, 2);
      setenv("DISPLAY", name.c_str(), 1);
      execlp("openbox", "openbox", static_cast<char*>(nullptr));
      _exit(127);
    }
    // It is ready once it takes in a new window (one mapped while it starts
    // up may be missed, so the probe window is made again until it is).
    const ::Window root = DefaultRootWindow(probe);
    for (int attempt = 0; attempt < 40; ++attempt) {
      const ::Window test = XCreateSimpleWindow(probe, root, 0, 0, 10, 10, 0, 0, 0);
      XSelectInput(probe, test, StructureNotifyMask);
      XMapWindow(probe, test);
      XFlush(probe);
      bool managed = false;
      XEvent event;
      for (int i = 0; i < 50 && !managed; ++i) {
        while (!managed && XCheckTypedWindowEvent(probe, test, ReparentNotify, &event))
          managed = true;
        if (!managed) usleep(10000);
      }
      XDestroyWindow(probe, test);
      XSync(probe, True);
      if (managed) return true;
      if (waitpid(wm_, nullptr, WNOHANG) == wm_) {
        wm_ = -1;
        break;
      }
    }
    return Fail(why, "openbox did not start (is the openbox package installed?)");
  }

  bool Start(bool sharedMemory, std::string* why) {
    int fds[2];
    if (pipe(fds) != 0) return Fail(why, "no pipe");
    pid_ = fork();
    if (pid_ < 0) return Fail(why, "cannot fork");
    if (pid_ == 0) {
      close(fds[0]);
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      const std::string fd = std::to_string(fds[1]);
      // -noreset: the server would restart when its last client goes.
      const char* noShm = sharedMemory ? nullptr : "-extension";
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten",
             "tcp", "-br", "-noreset", noShm, "MIT-SHM", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return Fail(why, "Xvfb did not start (is the xvfb package installed?)");
    name = ":" + number;
    return true;
  }

  std::string name;

 private:
  static bool Fail(std::string* why, const char* text) {
    *why = text;
    return false;
  }
  pid_t pid_ = -1;
  pid_t wm_ = -1;
};

bool Contains(const XRectangle* rects, int count, int x, int y) {
  for (int i = 0; i < count; ++i) {
    const XRectangle& r = rects[i];
    if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return true;
  }
  return false;
}

// With and without shared memory for the pictures.
class X11Window : public ::testing::TestWithParam<bool> {};

TEST_P(X11Window, ShapedWindowOnARealServer) {
  Xvfb server;
  std::string why;
  if (!server.Start(GetParam(), &why)) GTEST_SKIP() << why;
  setenv("DISPLAY", server.name.c_str(), 1);
  ASSERT_TRUE(plat::CanOpenX11Display());
  std::string error;
  ASSERT_TRUE(plat::OpenDisplay(plat::DisplayKind::kX11, &error)) << error;
  Display* probe = XOpenDisplay(server.name.c_str());
  ASSERT_NE(probe, nullptr);

  windowtest::ClickWindow window;
  ASSERT_TRUE(window.Create(60, 40, 200, 120));
  window.fill = 0xC02020;
  window.logMoves = true;
  std::vector<plat::Rect> rows;  // the top-left corner cut away along a diagonal
  for (int y = 0; y < 120; ++y) rows.push_back({std::max(0, 30 - y), y, 200, y + 1});
  ASSERT_TRUE(window.SetShape(rows));
  window.SetTitle("Swaymo – test");
  window.SetNamedProperty("SWAYMO_TEST");
  window.Show();
  const ::Window id = plat::x11::WindowId(window);
  ASSERT_NE(id, 0u);
  const auto viewable = [&] {
    XWindowAttributes a{};
    return XGetWindowAttributes(probe, id, &a) && a.map_state == IsViewable;
  };
  ASSERT_TRUE(plat::DispatchUntil(viewable, 10000));

  // The shape as the server holds it.
  int count = 0;
  int ordering = 0;
  XRectangle* shape = XShapeGetRectangles(probe, id, ShapeBounding, &count, &ordering);
  ASSERT_NE(shape, nullptr);
  EXPECT_FALSE(Contains(shape, count, 0, 0));
  EXPECT_FALSE(Contains(shape, count, 29, 0));
  EXPECT_TRUE(Contains(shape, count, 30, 0));
  EXPECT_TRUE(Contains(shape, count, 100, 60));
  XFree(shape);

  // A click in the cut corner goes past the window; one inside reaches it,
  // and while the button is held the window follows the pointer out. Each
  // step waits for the last: the server may fold a move into a release that
  // follows at once.
  const auto has = [&](const std::string& entry) {
    return std::find(window.log.begin(), window.log.end(), entry) != window.log.end();
  };
  const auto step = [&](const std::function<void()>& act, const std::string& heard) {
    act();
    XFlush(probe);
    return plat::DispatchUntil([&] { return has(heard); }, 10000);
  };
  XTestFakeMotionEvent(probe, -1, 61, 41, CurrentTime);
  XTestFakeButtonEvent(probe, 1, True, CurrentTime);
  XTestFakeButtonEvent(probe, 1, False, CurrentTime);
  EXPECT_TRUE(step([&] { XTestFakeMotionEvent(probe, -1, 160, 100, CurrentTime); }, "move 100,60"));
  EXPECT_TRUE(step([&] { XTestFakeButtonEvent(probe, 1, True, CurrentTime); }, "down 100,60"));
  EXPECT_TRUE(step([&] { XTestFakeMotionEvent(probe, -1, 10, 10, CurrentTime); }, "drag -50,-30"));
  EXPECT_TRUE(step([&] { XTestFakeButtonEvent(probe, 1, False, CurrentTime); }, "up -50,-30"));
  EXPECT_FALSE(has("down 1,1"));

  // A screenshot shows the painted window inside its shape only.
  plat::DispatchPending();
  XSync(probe, False);
  testsupport::TempDir dir;
  const std::string file = (dir.path() / "screen.png").string();
  const std::string command =
      "import -display " + server.name + " -window root png:" + file + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << "import (imagemagick) failed";
  const auto shot = plat::Bitmap::Load(file);
  ASSERT_TRUE(shot.has_value());
  EXPECT_EQ(shot->At(160, 100), 0xC02020u);
  EXPECT_EQ(shot->At(61, 41), 0u);  // the root window shows through the corner

  // No window manager: the work area is the screen, and the layer places,
  // minimises and restores the window itself.
  EXPECT_EQ(plat::WorkArea(), (plat::Rect{0, 0, 640, 480}));
  window.Maximise();
  EXPECT_EQ(window.sizeType(), plat::SizeType::kMaximised);
  EXPECT_EQ(window.Bounds(), (plat::Rect{0, 0, 640, 480}));
  window.Restore();
  EXPECT_EQ(window.Bounds(), plat::Rect::FromSize(60, 40, 200, 120));
  window.Minimise();
  EXPECT_EQ(window.sizeType(), plat::SizeType::kMinimised);
  ASSERT_TRUE(plat::DispatchUntil([&] { return !viewable(); }, 10000));
  EXPECT_FALSE(plat::RaiseWindowWithProperty("SWAYMO_NOTHING"));
  ASSERT_TRUE(plat::RaiseWindowWithProperty("SWAYMO_TEST"));
  ASSERT_TRUE(plat::DispatchUntil(
      [&] { return viewable() && window.sizeType() == plat::SizeType::kRestored; }, 10000));

  window.Destroy();
  plat::CloseDisplay();
  XCloseDisplay(probe);
}

// The same requests through an EWMH window manager (openbox): it maximises,
// minimises and activates the window, and its close command reaches OnClose.
TEST(X11WindowManaged, WindowManagerCarriesOutTheRequests) {
  Xvfb server;
  std::string why;
  if (!server.Start(true, &why)) GTEST_SKIP() << why;
  Display* probe = XOpenDisplay(server.name.c_str());
  ASSERT_NE(probe, nullptr);
  if (!server.StartWindowManager(probe, &why)) {
    XCloseDisplay(probe);
    GTEST_SKIP() << why;
  }
  setenv("DISPLAY", server.name.c_str(), 1);
  std::string error;
  ASSERT_TRUE(plat::OpenDisplay(plat::DisplayKind::kX11, &error)) << error;

  windowtest::ProbeWindow window;
  ASSERT_TRUE(window.Create(60, 40, 200, 120));
  window.SetNamedProperty("SWAYMO_TEST");
  window.Show();
  const ::Window id = plat::x11::WindowId(window);
  const auto mapState = [&] {
    XWindowAttributes a{};
    return XGetWindowAttributes(probe, id, &a) ? a.map_state : IsUnmapped;
  };
  ASSERT_TRUE(plat::DispatchUntil([&] { return mapState() == IsViewable; }, 10000));
  // Frameless and where it was asked to be.
  int x = 0;
  int y = 0;
  ::Window child = 0;
  XTranslateCoordinates(probe, id, DefaultRootWindow(probe), 0, 0, &x, &y, &child);
  EXPECT_EQ(x, 60);
  EXPECT_EQ(y, 40);

  const plat::Rect restored = window.Bounds();
  const auto becomes = [&](plat::SizeType type, const plat::Rect& bounds) {
    return plat::DispatchUntil(
        [&] { return window.sizeType() == type && window.Bounds() == bounds; }, 10000);
  };
  window.Maximise();
  EXPECT_TRUE(becomes(plat::SizeType::kMaximised, plat::WorkArea()));
  EXPECT_NE(std::find(window.log.begin(), window.log.end(), "size 2 640x480"), window.log.end());
  window.Restore();
  EXPECT_TRUE(becomes(plat::SizeType::kRestored, restored));
  window.Minimise();
  EXPECT_TRUE(becomes(plat::SizeType::kMinimised, restored));
  ASSERT_TRUE(plat::RaiseWindowWithProperty("SWAYMO_TEST"));
  EXPECT_TRUE(becomes(plat::SizeType::kRestored, restored));
  EXPECT_TRUE(plat::DispatchUntil([&] { return mapState() == IsViewable; }, 10000));

  // The window manager's close command, as its menu or the task bar sends it.
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = id;
  close.xclient.message_type = XInternAtom(probe, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(probe, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(probe, id, False, NoEventMask, &close);
  XFlush(probe);
  EXPECT_TRUE(plat::DispatchUntil(
      [&] { return std::find(window.log.begin(), window.log.end(), "close") != window.log.end(); },
      10000));

  window.Destroy();
  plat::CloseDisplay();
  XCloseDisplay(probe);
}

INSTANTIATE_TEST_SUITE_P(SharedMemory, X11Window, ::testing::Values(true, false));

}  // namespace
