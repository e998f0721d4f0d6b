#pragma once
// Windows and controls for the window tests that write down what reaches them.
#include <functional>
#include <string>
#include <vector>

#include "platform/window/control.h"
#include "platform/window/window.h"

namespace windowtest {

inline std::string At(const char* what, plat::Point p) {
  return std::string(what) + " " + std::to_string(p.x) + "," + std::to_string(p.y);
}

class ProbeWindow : public plat::Window {
 public:
  std::vector<std::string> log;
  plat::Pixel fill = 0x102030;
  int erases = 0;
  int paints = 0;
  std::function<void(const plat::MouseEvent&)> onLeftDown;
  std::function<std::intptr_t(unsigned, std::intptr_t, std::intptr_t)> onPrivate;
  bool handleKeys = false;

  using plat::Window::Create;
  bool Create(int x, int y, int w, int h, plat::Window* owner = nullptr) {
    return Create(plat::Rect::FromSize(x, y, w, h), owner);
  }
  // Moves are many; they are only written down when asked for.
  bool logMoves = false;

 protected:
  void OnLeftDown(const plat::MouseEvent& e) override {
    log.push_back(At("down", e.at));
    if (onLeftDown) onLeftDown(e);
  }
  void OnLeftUp(const plat::MouseEvent& e) override { log.push_back(At("up", e.at)); }
  void OnLeftDoubleClick(const plat::MouseEvent& e) override { log.push_back(At("double", e.at)); }
  void OnMouseMove(const plat::MouseEvent& e) override {
    if (logMoves) log.push_back(At(e.leftDown ? "drag" : "move", e.at));
  }
  void OnCaptureLost() override { log.push_back("capture lost"); }
  void OnExtraButtonDown(const plat::MouseEvent& e, plat::MouseButton b) override {
    log.push_back(At(b == plat::MouseButton::kBack ? "back" : "forward", e.at));
  }
  void OnSize(plat::SizeType type, plat::Size size) override {
    log.push_back("size " + std::to_string(static_cast<int>(type)) + " " +
                  std::to_string(size.width) + "x" + std::to_string(size.height));
  }
  void OnMove(plat::Point p) override { log.push_back(At("moved", p)); }
  void OnEraseBackground(plat::Bitmap& frame, const plat::Rect& area) override {
    ++erases;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) frame.Set(x, y, fill);
    }
  }
  void OnPaint(plat::Bitmap&, const plat::Rect&) override { ++paints; }
  void OnClose() override { log.push_back("close"); }
  void OnCommand(int id, int notification) override {
    log.push_back("command " + std::to_string(id) + " " + std::to_string(notification));
  }
  void OnHelp() override { log.push_back("help"); }
  bool OnKeyDown(plat::Key key) override {
    log.push_back("key down " + std::to_string(static_cast<int>(key)));
    return handleKeys;
  }
  void OnKeyUp(plat::Key key) override {
    log.push_back("key up " + std::to_string(static_cast<int>(key)));
  }
  std::intptr_t OnPrivateMessage(unsigned id, std::intptr_t a, std::intptr_t b) override {
    return onPrivate ? onPrivate(id, a, b) : 0;
  }
};

// Holds the capture from a press of the left button to its release.
class ClickWindow : public ProbeWindow {
 protected:
  void OnLeftDown(const plat::MouseEvent& e) override {
    ProbeWindow::OnLeftDown(e);
    SetCapture();
  }
  void OnLeftUp(const plat::MouseEvent& e) override {
    ProbeWindow::OnLeftUp(e);
    ReleaseCapture();
  }
  void OnCaptureLost() override {}
};

class ProbeControl : public plat::Control {
 public:
  std::vector<std::string> log;
  plat::Pixel face = 0x00FF00;
  bool captureOnDown = false;
  bool logMoves = true;
  std::function<void()> onUp;

 protected:
  void OnLeftDown(const plat::MouseEvent& e) override {
    log.push_back(At("down", e.at));
    if (captureOnDown) SetCapture();
  }
  void OnLeftUp(const plat::MouseEvent& e) override {
    log.push_back(At("up", e.at));
    if (captureOnDown) ReleaseCapture();
    if (onUp) onUp();
  }
  void OnLeftDoubleClick(const plat::MouseEvent& e) override { log.push_back(At("double", e.at)); }
  void OnMouseMove(const plat::MouseEvent& e) override {
    if (logMoves) log.push_back(At(e.leftDown ? "drag" : "move", e.at));
  }
  void OnCaptureLost() override { log.push_back("capture lost"); }
  void OnPaint(plat::Bitmap& bitmap) override {
    for (int y = 0; y < bitmap.height(); ++y) {
      for (int x = 0; x < bitmap.width() / 2; ++x) bitmap.Set(x, y, face);  // the left half only
    }
  }
};

}  // namespace windowtest
