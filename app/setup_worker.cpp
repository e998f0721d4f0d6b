// The setup worker (job 0). For now it only waits for the wizard to close:
// one pass every 500 ms, ending when the dialog closes or the kill event is
// set. The passes that check the connection, search for the PSP and install
// belong here.
#include "app/quayside_dlg.h"
#include "platform/core/time.h"

namespace {
constexpr unsigned kPassPauseMs = 500;
}  // namespace

void CQuaysideDlg::SetupWorker(plat::Event& killEvent) {
  for (;;) {
    if (m_closing || killEvent.Wait(0)) {
      m_workerThread = nullptr;
      return;
    }
    plat::SleepMs(kPassPauseMs);
  }
}
