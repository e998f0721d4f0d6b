#include "online/downloader.h"

#include <cstring>
#include <limits>
#include <new>

#include "platform/fs/files.h"

int CDownloader::FetchToMemory(const std::wstring& url, plat::Event* cancel, ProgressWindow* owner,
                               unsigned progressMessage) {
  Release();
  m_url = url;
  std::unique_ptr<CPageFetcher> fetcher(new (std::nothrow) CPageFetcher);
  int code = FETCH_NO_MEMORY;
  if (fetcher) code = fetcher->Fetch(url, owner, cancel, progressMessage);
  if (code == FETCH_OK) {
    const std::uint64_t size = fetcher->ResultSize();
    if (size > std::numeric_limits<std::uint32_t>::max()) {
      code = FETCH_NO_MEMORY;
    } else if (size != 0) {
      if (m_data.Reserve(size)) {
        std::memcpy(m_data.data(), fetcher->ResultData(), size);
        m_size = static_cast<std::uint32_t>(size);
      } else {
        code = FETCH_NO_MEMORY;
      }
    }
  }
  fetcher.reset();
  m_url.clear();
  return code;
}

void CDownloader::Release() {
  m_data.Release();
  m_size = 0;
}

void DownloadSlot::Set(std::unique_ptr<CDownloader> download) {
  std::unique_ptr<CDownloader> old;
  std::lock_guard lock(m_lock);
  old = std::move(m_download);
  m_download = std::move(download);
}

bool DownloadSlot::HasDownload() const {
  std::lock_guard lock(m_lock);
  return m_download != nullptr;
}

bool DownloadSlot::SetCancelled() {
  std::lock_guard lock(m_lock);
  if (!m_download) return false;
  m_download->SetCancelled();
  return true;
}

int DownloadToFile(DownloadDialog& dialog, plat::Event* cancel, const std::wstring& url,
                   const std::wstring& target) {
  std::unique_ptr<CDownloader> owned(new (std::nothrow) CDownloader);
  CDownloader* download = owned.get();
  dialog.m_download.Set(std::move(owned));
  int result = DOWNLOAD_NO_MEMORY;
  if (download != nullptr) {
    const int code = download->FetchToMemory(url, cancel, &dialog, WM_DOWNLOAD_PROGRESS);
    if (code == FETCH_OK) {
      result = plat::WriteFileSafely(target, download->Data(), download->Size())
                   ? DOWNLOAD_WRITTEN
                   : DOWNLOAD_NOT_WRITTEN;
    } else {
      result = download->IsCancelled() ? DOWNLOAD_CANCELLED : DOWNLOAD_NOTHING_RECEIVED;
    }
  }
  dialog.DisableCancelButton();
  dialog.InvalidateAll();
  dialog.m_download.Clear();
  return result;
}
