#pragma once
// The wizard dialog on the headless display, with the program's own data
// files and resources, a data folder of its own and drives from a
// SWAYMO_DRIVES table the test writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/app_folders.h"
#include "app/quayside_dlg.h"
#include "app/wizard_owner.h"
#include "platform/fs/drive_pin.h"
#include "platform/window/display.h"
#include "platform/window/headless/headless.h"
#include "tests/support/headless_display.h"
#include "tests/support/scoped_env.h"
#include "tests/support/source_dir.h"
#include "tests/support/temp_dir.h"
#include "ui/resources.h"
#include "util/app_flags.h"
#include "util/message_box.h"

namespace wizardtest {

using testsupport::SourceDir;

// The share of a picture's opaque pixels that the frame shows at (0, 0);
// with other, only of those pixels where the two pictures differ.
inline double PictureShown(const plat::Bitmap& frame, const std::filesystem::path& file,
                           const std::filesystem::path& other = {}) {
  const auto picture = plat::Bitmap::Load(file);
  if (!picture) return -1;
  std::optional<plat::Bitmap> second;
  if (!other.empty() && !(second = plat::Bitmap::Load(other))) return -1;
  long opaque = 0;
  long shown = 0;
  for (int y = 0; y < picture->height() && y < frame.height(); ++y) {
    for (int x = 0; x < picture->width() && x < frame.width(); ++x) {
      const plat::Pixel p = picture->At(x, y);
      if (p == plat::ToPixel(plat::kTransparentKey)) continue;
      if (second && x < second->width() && y < second->height() && second->At(x, y) == p) {
        continue;
      }
      ++opaque;
      if (frame.At(x, y) == p) ++shown;
    }
  }
  return opaque ? static_cast<double>(shown) / opaque : 0;
}

// The wizard with a setup worker that only waits to be stopped, so that a
// test moves the wizard from state to state itself.
class IdleWorkerDlg : public CQuaysideDlg {
 public:
  void SetupWorker(plat::Event& killEvent) override {
    while (!closing() && !killEvent.Wait(20)) {
    }
    CQuaysideDlg::SetupWorker(killEvent);  // ends at once, as the worker does
  }
};

class WizardTest : public testsupport::HeadlessDisplayTest {
 protected:
  void SetUp() override {
    HeadlessDisplayTest::SetUp();
    savedProgram_ = g_programFolder;
    savedData_ = g_dataFolder;
    g_programFolder = SourceDir().wstring();
    g_dataFolder = (temp_.path() / "data").wstring();
    g_applicationClosing = false;
    SetResourceFolder((SourceDir() / "res").wstring() + L"\\");
    SetDrives("");
    plat::UnpinDrive();  // no drive is accepted yet
  }

  void TearDown() override {
    CloseWizard();
    SetResourceFolder(L"");
    SetMessageBoxHook(nullptr);
    g_programFolder = savedProgram_;
    g_dataFolder = savedData_;
    g_applicationClosing = false;
    HeadlessDisplayTest::TearDown();
  }

  // Drive letters for the run: "E=/path,G=/other" (empty: no drive at all).
  void SetDrives(const std::string& spec) {
    drives_.reset();
    drives_.emplace("SWAYMO_DRIVES", spec.c_str());
  }
  // No SWAYMO_DRIVES: the drives are discovered from the mount table.
  void UseDiscoveredDrives() {
    drives_.reset();
    drives_.emplace("SWAYMO_DRIVES", nullptr);
  }
  // A folder standing for a stick.
  std::filesystem::path Stick(const std::string& name) {
    const auto folder = temp_.path() / name;
    std::filesystem::create_directories(folder);
    return folder;
  }

  template <typename Dialog = IdleWorkerDlg>
  Dialog& OpenWizard() {
    auto dialog = MakeWizard<Dialog>();
    Dialog& ref = *dialog;
    dialog_ = std::move(dialog);
    EXPECT_TRUE(dialog_->CreateModeless());
    dialog_->Show();
    Settle();
    return ref;
  }
  void CloseWizard() {
    if (!dialog_) return;
    dialog_.reset();
    Settle();
  }

  CQuaysideDlg& wizard() { return *dialog_; }
  ZNCHoverButton& Button(int id) {
    auto* button = dynamic_cast<ZNCHoverButton*>(dialog_->FindControl(id));
    EXPECT_NE(button, nullptr) << id;
    return *button;
  }

  // Handles everything queued, painting included (for at most a few seconds
  // when a worker keeps asking faster than a slow build paints).
  static void Settle() {
    plat::DispatchUntil([] { return false; }, 30);
    for (int round = 0; round < 2 && plat::DispatchPending() > 0; ++round) {
    }
  }
  // Each click a second after the one before, so no two make a double-click.
  void ClickAt(plat::Point p) {
    clockMs_ += 1000;
    plat::headless::Press(*dialog_, p, plat::MouseButton::kLeft, clockMs_);
    plat::headless::Release(*dialog_, p, plat::MouseButton::kLeft, clockMs_ + 50);
    Settle();
  }
  void ClickButton(int id) {
    const plat::Rect r = Button(id).Bounds();
    ClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  void MoveTo(plat::Point p) {
    plat::headless::MovePointer(*dialog_, p);
    Settle();
  }
  const plat::Bitmap& Frame() {
    Settle();
    return dialog_->frame();
  }
  double Shown(const char* picture) { return PictureShown(Frame(), SourceDir() / "dat" / picture); }

  testsupport::TempDir temp_;
  WizardOwner dialog_;

 private:
  std::optional<testsupport::ScopedEnv> drives_;
  std::uint32_t clockMs_ = plat::headless::NowMs();
  std::wstring savedProgram_;
  std::wstring savedData_;
};

}  // namespace wizardtest
