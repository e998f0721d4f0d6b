#include "ui/dialog.h"

Dialog::Dialog(const plat::Rect& bounds, plat::Window* owner)
    : templateBounds_(bounds), templateOwner_(owner) {}

bool Dialog::CreateModeless() {
  if (!Create(templateBounds_, templateOwner_)) return false;
  OnInitDialog();
  return true;
}

int Dialog::DoModal() {
  if (!CreateModeless()) return -1;
  const int result = RunModal();
  Destroy();
  return result;
}
