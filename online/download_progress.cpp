#include "online/download_progress.h"

#include <cwchar>

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
  dialog.DrawProgressNow();
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
