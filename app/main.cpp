// The program's entry: the screen, then the application.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/quayside_app.h"
#include "app/thread.h"
#include "online/znxml.h"
#include "platform/window/display.h"

int main() {
  std::string error;
  if (!plat::OpenDisplay(plat::DisplayKind::kScreen, &error)) {
    std::fprintf(stderr,
                 "swaymo-setup: cannot open the screen (%s); run it in a graphical session\n",
                 error.c_str());
    return 1;
  }
  int code = 0;
  {
    CQuaysideApp app;
    app.InitInstance();
    code = app.exitCode();
  }
  if (g_runningThreadCount > 0 || SettingsDocument().ThreadRunning()) {
    // A worker or the settings fetch outlived every budget: end without
    // running the destructors it may still be using.
    std::fflush(nullptr);
    std::_Exit(code);
  }
  plat::CloseDisplay();
  return code;
}
