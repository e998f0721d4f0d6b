#include "app/download_bar.h"

#include <gtest/gtest.h>

#include "online/download_progress.h"
#include "platform/gfx/bitmap.h"

namespace {

constexpr plat::Pixel kStripe = 0x9A2E9E;  // (154, 46, 158)
constexpr plat::Pixel kTrough = 0x3E1D37;  // COLORREF 0x371D3E
constexpr plat::Pixel kWindow = 0x123456;

// A wizard dialog reduced to its progress bar; the window is a bitmap.
class BarDialog : public DownloadDialog {
 public:
  void PostProgress(unsigned, std::unique_ptr<FetchProgress>) override {}
  plat::Rect ProgressRect() const override { return {40, 440 - 75, 630 - 40, 440 - 40}; }
  void DisableCancelButton() override {}
  void InvalidateAll() override {}
  void DrawProgressNow() override {
    plat::Canvas dc(window);
    DrawDownloadBar(*this, dc);
  }
  plat::Bitmap window{630, 440, kWindow};
};

TEST(DownloadBar, DrawnOnlyOnceSomethingArrived) {
  BarDialog dialog;
  dialog.m_expectedBytes = 2500000;
  const plat::Rect bar = dialog.ProgressRect();
  const auto draw = [&](std::uint64_t bytes) {
    auto snapshot = std::make_unique<FetchProgress>();
    snapshot->bytesReceived = bytes;
    snapshot->elapsedSeconds = 1;
    OnDownloadProgress(dialog, std::move(snapshot));
  };
  draw(0);  // nothing drawn
  EXPECT_EQ(dialog.window.At(bar.left + 1, bar.top + 1), kWindow);

  draw(1250000);  // half: stripes on the left, trough on the right
  EXPECT_EQ(dialog.window.At(bar.left + 1, bar.top + 1), kStripe);
  EXPECT_EQ(dialog.window.At(bar.right - 2, bar.top + 1), kTrough);
  EXPECT_EQ(dialog.window.At(bar.left - 1, bar.top + 1), kWindow);  // nothing outside

  draw(6000000);  // beyond the expected size: a full bar
  EXPECT_EQ(dialog.window.At(bar.right - 1, bar.top + 1), kStripe);
  EXPECT_EQ(dialog.window.At(bar.right, bar.top + 1), kWindow);
}

}  // namespace
