#pragma once
// Helpers for the skinned-window suites: the program's own art, and answering
// a message box from inside the modal loop that shows it.
#include <functional>
#include <string>

#include "platform/window/headless/headless.h"
#include "platform/window/window.h"
#include "tests/support/headless_display.h"
#include "tests/support/source_dir.h"
#include "ui/msg_box.h"
#include "ui/resources.h"

namespace uitest {

inline plat::Point Centre(const plat::Rect& r) {
  return {r.left + r.Width() / 2, r.top + r.Height() / 2};
}

// The first shown message box, or null.
inline const CMsgBox* ShownBox() {
  for (const plat::Window* window : plat::headless::Windows()) {
    const auto* box = dynamic_cast<const CMsgBox*>(window);
    if (box != nullptr && box->IsVisible()) return box;
  }
  return nullptr;
}

// Once a message box shows (on this window thread, maybe inside a modal loop
// that is not started yet), lets look see it and clicks its button of index.
// Gives up after many rounds of the loop.
inline void AnswerBox(const plat::WindowRef& anchor, int index,
                      std::function<void(const CMsgBox&)> look = {}, int rounds = 200000) {
  anchor.PostCall([=] {
    if (const CMsgBox* box = ShownBox()) {
      if (look) look(*box);
      plat::headless::Click(*box, Centre(box->button(index).Bounds()));
    } else if (rounds > 0) {
      AnswerBox(anchor, index, look, rounds - 1);
    }
  });
}

// Headless display with the resources of the source tree.
class UiTest : public testsupport::HeadlessDisplayTest {
 protected:
  void SetUp() override {
    HeadlessDisplayTest::SetUp();
    SetResourceFolder(testsupport::SourceDir().wstring() + L"\\res\\");
    ASSERT_TRUE(anchor.Create(plat::Rect::FromSize(1500, 900, 10, 10)));
  }
  void TearDown() override {
    anchor.Destroy();
    SetResourceFolder(L"");
    HeadlessDisplayTest::TearDown();
  }
  // A window that is always there, to post test steps through.
  plat::Window anchor;
};

}  // namespace uitest
