#pragma once
// Owns a wizard dialog. The setup worker runs the dialog's code, and that of
// any class derived from it, until it has ended; so the owner stops the
// worker before any part of the dialog is destroyed. A worker still running
// past its budget keeps the dialog, which is then left to the end of the
// process instead of being freed under it.
#include <memory>
#include <utility>

#include "app/quayside_dlg.h"

struct WizardDeleter {
  void operator()(CQuaysideDlg* dialog) const;
};
using WizardOwner = std::unique_ptr<CQuaysideDlg, WizardDeleter>;

// A new dialog of class Dialog (CQuaysideDlg or one derived from it).
template <typename Dialog = CQuaysideDlg, typename... Args>
std::unique_ptr<Dialog, WizardDeleter> MakeWizard(Args&&... args) {
  return std::unique_ptr<Dialog, WizardDeleter>(
      std::make_unique<Dialog>(std::forward<Args>(args)...).release());
}
