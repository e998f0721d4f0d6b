#include "app/quayside_app.h"

#include <memory>

#include "app/app_folders.h"
#include "app/quayside_dlg.h"
#include "app/thread.h"
#include "app/wizard_owner.h"
#include "platform/core/instance_lock.h"
#include "platform/core/time.h"
#include "platform/fs/drive_table.h"
#include "platform/window/display.h"
#include "platform/window/window_ref.h"
#include "ui/msg_box_hook.h"
#include "util/app_flags.h"
#include "util/folders.h"
#include "util/message_box.h"
#include "util/paths.h"

namespace {

constexpr unsigned kExitWaitMs = 300;
constexpr unsigned kExitWaitStepMs = 10;

// Held for the life of the process by the first copy.
std::unique_ptr<plat::InstanceLock> gInstanceLock;

// True when another copy runs; its window is then brought forward.
bool AnotherInstanceRuns() {
  auto lock = std::make_unique<plat::InstanceLock>(kApplicationName);
  if (lock->AnotherInstanceRuns()) {
    plat::RaiseWindowWithProperty(kApplicationName);
    return true;
  }
  gInstanceLock = std::move(lock);
  return false;
}

}  // namespace

CQuaysideApp::~CQuaysideApp() {
  plat::PollUntil([] { return g_runningThreadCount == 0; }, kExitWaitMs, kExitWaitStepMs);
}

bool CQuaysideApp::InitInstance() {
  if (AnotherInstanceRuns()) return false;

  std::wstring appData;
  g_dataFolder.clear();
  if (GetAppDataFolder(appData)) {
    g_dataFolder = appData + L"\\Velorin\\PSP Lumetra 2010";
    CollapseDoubleBackslashes(g_dataFolder);
  }
  g_programFolder = plat::ProgramFolder();

  WizardOwner dialog = MakeWizard();
  SetMessageBoxHook([window = dialog->ref()](const std::wstring& text, unsigned type) {
    // Once the wizard closes no box may hold up its end. The close begins on
    // the window's thread, so the box is asked for there too: a worker's box
    // and the close cannot cross.
    const auto show = [&] { return g_applicationClosing ? 0 : ShowSkinnedMessageBox(text, type); };
    if (plat::IsWindowThread()) return show();
    const std::optional<std::intptr_t> result =
        window.SendCall([&] { return static_cast<std::intptr_t>(show()); });
    return result ? static_cast<int>(*result) : 0;
  });
  SetMessageBoxOwner(dialog.get());
  const int result = dialog->DoModal();
  SetMessageBoxOwner(nullptr);
  m_exitCode = result == kWizardFailed || result < 0 ? 1 : 0;

  dialog.reset();
  SetMessageBoxHook(nullptr);
  return false;
}
