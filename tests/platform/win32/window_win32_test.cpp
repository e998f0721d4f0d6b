// The Win32 window backend on the system's own screen (Wine on Xvfb in the
// test run): shape, painting, input, placement, the system menu, icons and
// the single-instance raise.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "platform/window/display.h"
#include "platform/window/win32/win32.h"
#include "tests/platform/window_probe.h"

namespace {

HWND Handle(const plat::Window& window) {
  return static_cast<HWND>(plat::win32::WindowHandle(window));
}

bool Has(const std::vector<std::string>& log, const std::string& entry) {
  return std::find(log.begin(), log.end(), entry) != log.end();
}

// The pointer as the user moves it, in screen pixels.
void Mouse(DWORD flags, int x = 0, int y = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  if (flags & MOUSEEVENTF_MOVE) {
    flags |= MOUSEEVENTF_ABSOLUTE;
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = (x * 65535 + w / 2) / (w - 1);
    input.mi.dy = (y * 65535 + h / 2) / (h - 1);
  }
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

COLORREF ScreenPixel(int x, int y) {
  const HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return c;
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(plat::OpenDisplay(plat::DisplayKind::kScreen, &error)) << error;
  }
  void TearDown() override { plat::CloseDisplay(); }
};

TEST_F(Win32Window, ShapedWindowPaintsAndHearsOnlyInsideItsShape) {
  windowtest::ClickWindow window;
  ASSERT_TRUE(window.Create(60, 40, 200, 120));
  window.fill = 0xC02020;
  window.logMoves = true;
  std::vector<plat::Rect> rows;  // the top-left corner cut away along a diagonal
  for (int y = 0; y < 120; ++y) rows.push_back({std::max(0, 30 - y), y, 200, y + 1});
  ASSERT_TRUE(window.SetShape(rows));
  window.Show();
  const HWND hwnd = Handle(window);
  ASSERT_NE(hwnd, nullptr);
  ASSERT_TRUE(
      plat::DispatchUntil([&] { return IsWindowVisible(hwnd) && window.paints > 0; }, 10000));

  // The region as the system holds it.
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetWindowRgn(hwnd, region), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(region, 0, 0));
  EXPECT_FALSE(PtInRegion(region, 29, 0));
  EXPECT_TRUE(PtInRegion(region, 30, 0));
  EXPECT_TRUE(PtInRegion(region, 100, 60));
  DeleteObject(region);
  EXPECT_EQ(WindowFromPoint({160, 100}), hwnd);
  EXPECT_NE(WindowFromPoint({61, 41}), hwnd);

  // The frame on the screen, inside the shape only: COLORREF is 0x00BBGGRR.
  plat::DispatchPending();
  EXPECT_TRUE(
      plat::DispatchUntil([&] { return ScreenPixel(160, 100) == RGB(0xC0, 0x20, 0x20); }, 5000))
      << std::hex << ScreenPixel(160, 100);
  EXPECT_NE(ScreenPixel(61, 41), RGB(0xC0, 0x20, 0x20));

  // A click in the cut corner goes past the window; one inside reaches it,
  // and while the button is held the window follows the pointer out.
  const auto step = [&](DWORD flags, int x, int y, const std::string& heard) {
    Mouse(flags, x, y);
    return plat::DispatchUntil([&] { return Has(window.log, heard); }, 10000);
  };
  Mouse(MOUSEEVENTF_MOVE, 61, 41);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  Mouse(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(step(MOUSEEVENTF_MOVE, 160, 100, "move 100,60"));
  EXPECT_TRUE(step(MOUSEEVENTF_LEFTDOWN, 0, 0, "down 100,60"));
  EXPECT_TRUE(step(MOUSEEVENTF_MOVE, 10, 10, "drag -50,-30"));
  EXPECT_TRUE(step(MOUSEEVENTF_LEFTUP, 0, 0, "up -50,-30"));
  EXPECT_FALSE(Has(window.log, "down 1,1"));
  EXPECT_EQ(GetCapture(), nullptr);  // given back once the button was let go
}

TEST_F(Win32Window, PlacementFollowsTheSystem) {
  windowtest::ProbeWindow window;
  ASSERT_TRUE(window.Create(60, 40, 200, 120));
  window.Show();
  const HWND hwnd = Handle(window);
  RECT r{};
  GetWindowRect(hwnd, &r);
  EXPECT_EQ((plat::Rect{r.left, r.top, r.right, r.bottom}), plat::Rect::FromSize(60, 40, 200, 120));

  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(plat::WorkArea(), (plat::Rect{work.left, work.top, work.right, work.bottom}));

  const auto becomes = [&](plat::SizeType type, const plat::Rect& bounds) {
    return plat::DispatchUntil(
        [&] { return window.sizeType() == type && window.Bounds() == bounds; }, 10000);
  };
  const plat::Rect restored = window.Bounds();
  window.Maximise();
  EXPECT_TRUE(becomes(plat::SizeType::kMaximised, plat::WorkArea()));
  window.Restore();
  EXPECT_TRUE(becomes(plat::SizeType::kRestored, restored));
  window.Minimise();
  EXPECT_TRUE(becomes(plat::SizeType::kMinimised, restored));
  EXPECT_TRUE(IsIconic(hwnd));

  // The single-instance raise finds the window by its property and restores it.
  window.SetNamedProperty("SWAYMO_TEST");
  EXPECT_FALSE(plat::RaiseWindowWithProperty("SWAYMO_NOTHING"));
  ASSERT_TRUE(plat::RaiseWindowWithProperty("SWAYMO_TEST"));
  EXPECT_TRUE(becomes(plat::SizeType::kRestored, restored));
  EXPECT_FALSE(IsIconic(hwnd));

  // The system's close command reaches OnClose and leaves the window to it.
  PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(plat::DispatchUntil([&] { return Has(window.log, "close"); }, 10000));
  EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(Win32Window, SystemMenuIconsAndMinimumSize) {
  windowtest::ProbeWindow window;
  ASSERT_TRUE(window.Create(60, 40, 200, 120));
  const HWND hwnd = Handle(window);
  window.SetSystemMenu("Wiederherstellen", "Minimieren");
  window.SetSystemMenu("Restore", "Minimise");  // a second call renames
  const HMENU menu = GetSystemMenu(hwnd, FALSE);
  ASSERT_NE(menu, nullptr);
  std::vector<UINT> ids;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(GetMenuItemID(menu, i));
  const auto close = std::find(ids.begin(), ids.end(), static_cast<UINT>(SC_CLOSE));
  ASSERT_NE(close, ids.end());
  ASSERT_GE(close - ids.begin(), 2);
  EXPECT_EQ(*(close - 2), static_cast<UINT>(SC_RESTORE));
  EXPECT_EQ(*(close - 1), static_cast<UINT>(SC_MINIMIZE));
  EXPECT_EQ(std::count(ids.begin(), ids.end(), static_cast<UINT>(SC_RESTORE)), 1);
  EXPECT_EQ(std::find(ids.begin(), ids.end(), static_cast<UINT>(SC_MAXIMIZE)), ids.end());
  wchar_t text[64] = {};
  GetMenuStringW(menu, SC_MINIMIZE, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(text), L"Minimise");

  // Big and small icons from one picture; pure blue is see-through.
  plat::Bitmap picture(32, 32, 0x20A040);
  picture.Set(0, 0, 0x0000FF);
  window.SetIcon(picture);
  for (WPARAM which : {ICON_BIG, ICON_SMALL}) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, which, 0));
    ASSERT_NE(icon, nullptr) << which;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, GetSystemMetrics(which == ICON_BIG ? SM_CXICON : SM_CXSMICON));
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, info.hbmMask);
    EXPECT_NE(GetPixel(dc, 0, 0), RGB(0, 0, 0)) << "the blue corner is transparent";
    EXPECT_EQ(GetPixel(dc, colour.bmWidth / 2, colour.bmWidth / 2), RGB(0, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }

  // The user cannot size it below the minimum.
  window.SetMinimumSizeHint({150, 100});
  MINMAXINFO limits{};
  SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, 150);
  EXPECT_EQ(limits.ptMinTrackSize.y, 100);
}

// The loop sleeps on the layer's queue and the system's together: a post
// from another thread and a message from the system each wake it.
TEST_F(Win32Window, ModalLoopWakesForPostsAndMessages) {
  windowtest::ProbeWindow window;
  ASSERT_TRUE(window.Create(60, 40, 200, 120));
  const plat::WindowRef ref = window.ref();
  std::thread poster([ref] {
    Sleep(200);
    ref.Post(plat::kFirstPrivateMessage + 1, 7, 0);
  });
  window.onPrivate = [&](unsigned id, std::intptr_t a, std::intptr_t) {
    if (id == plat::kFirstPrivateMessage + 1) window.EndDialog(static_cast<int>(a));
    return std::intptr_t{0};
  };
  EXPECT_EQ(window.RunModal(), 7);
  poster.join();

  // A close from the system ends a modal window with 2.
  plat::Window modal;
  ASSERT_TRUE(modal.Create(plat::Rect::FromSize(80, 60, 100, 80), &window));
  const HWND hwnd = Handle(modal);
  std::thread closer([hwnd] {
    Sleep(200);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(modal.RunModal(), 2);
  closer.join();
}

// The system menu runs a loop of its own; a worker's send is served while
// it is open.
TEST_F(Win32Window, SendsAreServedWhileTheSystemMenuIsOpen) {
  windowtest::ProbeWindow window;
  ASSERT_TRUE(window.Create(60, 40, 200, 120));
  window.Show();
  const HWND hwnd = Handle(window);
  std::atomic<bool> menuWasOpen{false};
  std::atomic<bool> served{false};
  window.onPrivate = [&](unsigned, std::intptr_t, std::intptr_t) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    menuWasOpen = GetGUIThreadInfo(GetCurrentThreadId(), &gui) && (gui.flags & GUI_INMENUMODE);
    served = true;
    EndMenu();
    return std::intptr_t{1};
  };
  const plat::WindowRef ref = window.ref();
  std::thread worker([ref] {
    Sleep(300);
    ref.Send(plat::kFirstPrivateMessage + 2);
  });
  // Closes the menu after 5 s should the send never be served.
  const UINT_PTR rescue =
      SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
  PostMessageW(hwnd, WM_SYSCOMMAND, SC_KEYMENU, ' ');
  EXPECT_TRUE(plat::DispatchUntil([&] { return served.load(); }, 10000));
  worker.join();
  KillTimer(nullptr, rescue);
  EXPECT_TRUE(menuWasOpen);
}

}  // namespace
