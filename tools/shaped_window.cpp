// A shaped, draggable window on the X display: a rounded card with a close
// button. Drag it anywhere by its body; the close button, Escape, a
// double-click or the task bar's Close end it.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/gfx/canvas.h"
#include "platform/gfx/font.h"
#include "platform/window/control.h"
#include "platform/window/display.h"
#include "platform/window/window.h"

namespace {

constexpr int kWidth = 360;
constexpr int kHeight = 200;
constexpr int kRadius = 28;
constexpr plat::ColorRef kPlum = plat::Rgb(0x37, 0x1D, 0x3E);
constexpr plat::ColorRef kBand = plat::Rgb(0x55, 0x30, 0x60);
constexpr plat::ColorRef kText = plat::Rgb(0xF5, 0xF5, 0xF5);
constexpr plat::ColorRef kHover = plat::Rgb(0xFA, 0x60, 0x45);

// The card's outline as one-pixel-high rows: a rectangle with round corners.
std::vector<plat::Rect> RoundedRows(int width, int height, int radius) {
  std::vector<plat::Rect> rows;
  for (int y = 0; y < height; ++y) {
    const int dy = y < radius ? radius - y : (y >= height - radius ? y - (height - radius - 1) : 0);
    int inset = 0;
    while (inset < radius && (radius - inset) * (radius - inset) + dy * dy > radius * radius)
      ++inset;
    if (dy == 0) inset = 0;
    rows.push_back({inset, y, width - inset, y + 1});
  }
  return rows;
}

class CloseButton : public plat::Control {
 protected:
  void OnMouseMove(const plat::MouseEvent& e) override {
    const bool inside = plat::Rect{0, 0, Bounds().Width(), Bounds().Height()}.Contains(e.at);
    if (inside && !HasCapture()) SetCapture();  // to see the pointer leave
    if (!inside && !e.leftDown) ReleaseCapture();
    SetHot(inside);
  }
  void OnLeftDown(const plat::MouseEvent&) override { SetCapture(); }
  void OnLeftUp(const plat::MouseEvent& e) override {
    ReleaseCapture();
    if (plat::Rect{0, 0, Bounds().Width(), Bounds().Height()}.Contains(e.at)) NotifyParent(0);
  }
  void OnCaptureLost() override { SetHot(false); }
  void OnPaint(plat::Bitmap& face) override {
    plat::Canvas canvas(face);
    canvas.FillRect({0, 0, face.width(), face.height()}, hot_ ? kHover : kBand);
    canvas.SetBackgroundMode(plat::Canvas::Background::kTransparent);
    canvas.SetTextColour(kText);
    const plat::Size extent = canvas.TextExtent(L"×");
    canvas.TextOut({(face.width() - extent.width) / 2, (face.height() - extent.height) / 2}, L"×");
  }

 private:
  void SetHot(bool hot) {
    if (hot == hot_) return;
    hot_ = hot;
    Invalidate();
  }
  bool hot_ = false;
};

class Card : public plat::Window {
 public:
  bool Open() {
    const plat::Rect work = plat::WorkArea();
    const plat::Rect bounds =
        plat::Rect::FromSize(work.left + (work.Width() - kWidth) / 2,
                             work.top + (work.Height() - kHeight) / 2, kWidth, kHeight);
    if (!Create(bounds)) return false;
    SetTitle("Swaymo – shaped window");
    SetShape(RoundedRows(kWidth, kHeight, kRadius));
    close_.Create(*this, 1, plat::Rect::FromSize(kWidth - 62, 6, 30, 24));
    return true;
  }

 protected:
  void OnEraseBackground(plat::Bitmap& frame, const plat::Rect&) override {
    plat::Canvas canvas(frame);
    canvas.FillRect(ClientRect(), kPlum);
    canvas.FillRect({0, 0, kWidth, 36}, kBand);
    canvas.SetBackgroundMode(plat::Canvas::Background::kTransparent);
    canvas.SetTextColour(kText);
    plat::FontScope bold(canvas, &titleFont_);
    canvas.TextOut({kRadius, 9}, L"Swaymo");
    canvas.SelectFont(&textFont_);
    canvas.TextOut({kRadius, 70}, L"Drag this card by its body.");
    canvas.TextOut({kRadius, 94}, L"Double-click, Escape or \u00D7 closes it.");
    const plat::Point at = ClientToScreen({0, 0});
    canvas.TextOut({kRadius, 140}, L"At " + std::to_wstring(at.x) + L", " + std::to_wstring(at.y) +
                                       L" on the screen");
  }
  void OnLeftDown(const plat::MouseEvent& e) override {
    grip_ = e.at;
    SetCapture();
  }
  void OnMouseMove(const plat::MouseEvent& e) override {
    if (!HasCapture() || !e.leftDown) return;
    const plat::Point screen = ClientToScreen(e.at);
    Move({screen.x - grip_.x, screen.y - grip_.y});
  }
  void OnLeftUp(const plat::MouseEvent&) override { ReleaseCapture(); }
  void OnMove(plat::Point) override { InvalidateRect({0, 130, kWidth, 170}); }
  void OnLeftDoubleClick(const plat::MouseEvent&) override { EndDialog(0); }
  bool OnKeyDown(plat::Key key) override {
    if (key != plat::Key::kEscape) return false;
    EndDialog(0);
    return true;
  }
  void OnCommand(int, int) override { EndDialog(0); }

 private:
  CloseButton close_;
  plat::Font titleFont_{{L"Verdana", 18, 0, 700}};
  plat::Font textFont_{{L"Verdana", 15, 0, 400}};
  plat::Point grip_;
};

}  // namespace

int main() {
  std::string error;
  if (!plat::OpenDisplay(plat::DisplayKind::kX11, &error)) {
    std::fprintf(stderr, "swaymo-shaped-window: %s\n", error.c_str());
    return 1;
  }
  int result = 1;
  {
    Card card;
    if (card.Open()) result = card.RunModal();
  }
  plat::CloseDisplay();
  return result;
}
