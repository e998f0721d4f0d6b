#include "app/wizard_owner.h"

void WizardDeleter::operator()(CQuaysideDlg* dialog) const {
  if (dialog == nullptr) return;
  dialog->Shutdown();
  if (dialog->WorkerEnded()) {
    const std::unique_ptr<CQuaysideDlg> owned(dialog);
  }
}
