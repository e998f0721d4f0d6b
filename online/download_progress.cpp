#include "online/download_progress.h"

#include <cwchar>

#include "platform/gfx/canvas.h"
#include "ui/progress_bar.h"

int OnDownloadProgress(DownloadDialog& dialog, std::unique_ptr<FetchProgress> snapshot) {
  const std::uint64_t bytes = snapshot->bytesReceived;
  const std::uint32_t expected = dialog.m_expectedBytes.load();
  float percent = 0.0f;
  if (bytes > 0 && expected != 0) {
    percent = static_cast<float>(static_cast<double>(bytes) / expected * 100.0);
  }
  dialog.m_progressPercent = percent;
  dialog.m_progressBytes = static_cast<int>(static_cast<std::uint32_t>(bytes));
  dialog.m_progressSpeed = 0;
  if (bytes > 0 && snapshot->elapsedSeconds > 0) {
    dialog.m_progressSpeed =
        static_cast<int>(static_cast<std::int64_t>(bytes) / snapshot->elapsedSeconds / 1024);
  }
  dialog.PaintNow([&dialog](plat::Canvas& dc) { DrawDownloadProgress(dialog, dc); });
  return 0;
}

std::wstring DownloadProgressText(int progressBytes, std::uint32_t expectedBytes, int speed) {
  wchar_t text[96];
  const int done = progressBytes / 1000;
  const int total = static_cast<int>(expectedBytes / 1000);
  if (speed != 0) {
    std::swprintf(text, std::size(text), L"%iK of %iK @ %iK/s", done, total, speed);
  } else {
    std::swprintf(text, std::size(text), L"%iK of %iK", done, total);
  }
  return text;
}

void DrawDownloadProgress(DownloadDialog& dialog, plat::Canvas& dc) {
  const float percent = dialog.m_progressPercent.load();
  if (percent == 0.0f) return;
  const std::wstring text = DownloadProgressText(
      dialog.m_progressBytes, dialog.m_expectedBytes.load(), dialog.m_progressSpeed);
  // The dialog's window style has no tab expansion.
  DrawProgressBar(dc, 0, percent, dialog.ProgressRect(), kProgressFlat, text, 154, 46, 158, 154, 46,
                  158, 2, 2, 2, 0x371D3E, 0, 0xF5F5F5, 0, 60, 0);
}
