#pragma once
// The application's message box (for util/message_box.h SetMessageBoxHook):
// a CMsgBox owned by the main window, run on the window's thread whichever
// thread asks; a worker waits until the user has answered.
#include <string>

namespace plat {
class Window;
}

// The window that owns every box; null when there is none (window thread).
void SetMessageBoxOwner(plat::Window* mainWindow);

// Shows text in a box of type and returns the button's result; 0, showing
// nothing, when there is no main window.
int ShowSkinnedMessageBox(const std::wstring& text, unsigned type);
