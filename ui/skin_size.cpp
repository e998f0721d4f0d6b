#include "ui/skin_size.h"

#include <algorithm>

int FitRectToArea(const plat::Rect& work, int* left, int* top, int* right, int* bottom) {
  if (work.IsEmpty()) return 0;
  const int before[4] = {*left, *top, *right, *bottom};
  if (*left > work.right) *left = work.left;
  if (*top > work.bottom) *top = work.top;
  if (*left < work.left) *left = work.left;
  if (*top < work.top) *top = work.top;
  if (*right > work.right) *right = work.right;
  if (*bottom > work.bottom) *bottom = work.bottom;
  if (*left == work.left && *top == work.top && *right == work.right && *bottom == work.bottom) {
    return 2;
  }
  const int after[4] = {*left, *top, *right, *bottom};
  return std::equal(before, before + 4, after) ? 0 : 1;
}

std::optional<plat::Size> SkinSizeFor(plat::Size wanted, const plat::Rect& workArea, bool fit,
                                      plat::Size minimum) {
  plat::Size size = wanted;
  if (fit && !workArea.IsEmpty()) {
    size.height = std::min(size.height, workArea.bottom);
    size.width = std::min(size.width, workArea.right);
  }
  size.width = std::max(size.width, minimum.width);
  size.height = std::max(size.height, minimum.height);
  if (size.width > kMaxSkinSize || size.height > kMaxSkinSize) return std::nullopt;
  return size;
}

bool InGripZone(plat::Point offset, plat::Size size, int grip) {
  return offset.x > size.width - grip && offset.y > size.height - grip;
}

GripStep PullGrip(plat::Size current, plat::Point lastMouse, plat::Point mouse,
                  plat::Point windowTopLeft, plat::Size minimum) {
  GripStep step{{current.width + (mouse.x - lastMouse.x), current.height + (mouse.y - lastMouse.y)},
                lastMouse};
  if (mouse.x - windowTopLeft.x < minimum.width) {
    step.size.width = minimum.width;
    step.lastMouse.x = mouse.x;
  }
  if (mouse.y - windowTopLeft.y < minimum.height) {
    step.size.height = minimum.height;
    step.lastMouse.y = mouse.y;
  }
  step.size.width = std::max(step.size.width, minimum.width);
  step.size.height = std::max(step.size.height, minimum.height);
  step.changed = step.size != current;
  if (step.changed) step.lastMouse = mouse;
  return step;
}
