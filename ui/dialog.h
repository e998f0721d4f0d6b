#pragma once
// A dialog: a window made at its template's place, set up by OnInitDialog,
// then run modally until EndDialog (stands in for the framework's CDialog).
#include "platform/core/geometry.h"
#include "platform/window/window.h"

class Dialog : public plat::Window {
 public:
  // bounds: where the window is made, in screen pixels; owner may be null.
  explicit Dialog(const plat::Rect& bounds, plat::Window* owner = nullptr);

  // Makes the window, runs OnInitDialog and the modal loop, and returns the
  // EndDialog result; -1 when the window cannot be made.
  int DoModal();
  // Makes the window and runs OnInitDialog, without a modal loop; false when
  // the window cannot be made.
  bool CreateModeless();

 protected:
  // The window exists (hidden); place controls and load pictures here.
  virtual bool OnInitDialog() { return true; }

 private:
  plat::Rect templateBounds_;
  plat::Window* templateOwner_;
};
