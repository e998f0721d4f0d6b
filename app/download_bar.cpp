#include "app/download_bar.h"

#include <string>

#include "online/download_progress.h"
#include "ui/progress_bar.h"

void DrawDownloadBar(const DownloadDialog& dialog, plat::Canvas& dc) {
  const float percent = dialog.m_progressPercent.load();
  if (percent == 0.0f) return;
  const std::wstring text = DownloadProgressText(
      dialog.m_progressBytes, dialog.m_expectedBytes.load(), dialog.m_progressSpeed);
  // The dialog's window style has no tab expansion.
  DrawProgressBar(dc, 0, percent, dialog.ProgressRect(), kProgressFlat, text, 154, 46, 158, 154, 46,
                  158, 2, 2, 2, 0x371D3E, 0, 0xF5F5F5, 0, 60, 0);
}
