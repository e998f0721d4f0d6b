#pragma once
// The connection to the screen and the window thread's message loop (stands
// in for the Win32 desktop, GetMessage/DispatchMessage and the work area).
#include <functional>
#include <string>

#include "platform/core/geometry.h"

namespace plat {

enum class DisplayKind {
  kScreen,         // the real screen: X11 through $DISPLAY, or the Windows desktop
  kHeadless,       // windows in memory, for tests
  kX11 = kScreen,  // the screen as the Linux build has always named it
};

// Opens the display on the calling thread, which becomes the window thread:
// every window belongs to it. False, with the reason in *error, when there is
// no screen to open (no X display). Opening the kind that is already open
// does nothing.
bool OpenDisplay(DisplayKind kind, std::string* error = nullptr);
// True when an X display can be opened ($DISPLAY is set and answers). Linux.
bool CanOpenX11Display();
// Destroys what windows are left and closes the display.
void CloseDisplay();
bool IsDisplayOpen();
bool IsWindowThread();

// The screen area that windows may use (without task bars), in screen pixels.
Rect WorkArea();

// Brings the first top-level window (front to back) that carries the named
// property to the front, restoring it first when it is minimised. Windows of
// other processes count. False when there is none.
bool RaiseWindowWithProperty(const std::string& name);

// Window thread: handles everything that is waiting, paints, and returns the
// number of items handled. Returns at once when nothing is waiting, and after
// at most 2 s when new work keeps coming.
int DispatchPending();
// Window thread: runs the message loop until done() is true (checked at least
// every 10 ms) or the time is up, busy or not; returns done().
bool DispatchUntil(const std::function<bool()>& done, unsigned timeoutMs);

}  // namespace plat
