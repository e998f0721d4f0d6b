#pragma once
// Downloading the application package: the download object that holds the
// received bytes, the dialog side of a download, and DownloadToFile.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "online/page_fetcher.h"
#include "platform/core/event.h"
#include "platform/core/geometry.h"
#include "platform/core/page_buffer.h"
#include "platform/window/window_types.h"

// The message that carries a FetchProgress snapshot to the wizard dialog.
inline constexpr unsigned WM_DOWNLOAD_PROGRESS = plat::kFirstPrivateMessage + 3;

class CDownloader {
 public:
  CDownloader() = default;
  ~CDownloader() { Release(); }
  CDownloader(const CDownloader&) = delete;
  CDownloader& operator=(const CDownloader&) = delete;

  // Fetches url into memory and returns the fetch's code; the fetcher's
  // buffer becomes the download's, so the body is held once. A body that
  // cannot be kept (no memory, or 4 GiB and more) gives FETCH_NO_MEMORY.
  int FetchToMemory(const std::wstring& url, plat::Event* cancel, ProgressWindow* owner,
                    unsigned progressMessage, const FetchLimits& limits = {});
  void SetCancelled() { m_cancelled = 1; }
  bool IsCancelled() const { return m_cancelled.load() != 0; }
  void Release();

  const std::byte* Data() const { return m_data.data(); }
  std::uint32_t Size() const { return m_size; }
  // The answer declared its body's length (Content-Length or chunked).
  bool LengthDeclared() const { return m_lengthDeclared; }

 private:
  plat::PageBuffer m_data;
  std::uint32_t m_size = 0;
  bool m_lengthDeclared = false;
  std::atomic<int> m_cancelled{0};  // set from the window's thread
};

// The dialog's download in progress. The worker replaces and clears it; the
// window's thread marks it cancelled. Only the worker deletes a download, so
// it may use the one it set without the lock.
class DownloadSlot {
 public:
  // Makes download the current one; the one before is deleted.
  void Set(std::unique_ptr<CDownloader> download);
  void Clear() { Set(nullptr); }
  bool HasDownload() const;
  // Marks the current download cancelled; false when there is none.
  bool SetCancelled();

 private:
  mutable std::mutex m_lock;
  std::unique_ptr<CDownloader> m_download;
};

// What a download needs from the wizard dialog: its progress members, the
// progress rectangle, the Cancel button, repainting, and drawing the bar at
// once.
class DownloadDialog : public ProgressWindow {
 public:
  std::atomic<std::uint32_t> m_expectedBytes{0};
  std::atomic<float> m_progressPercent{0.0f};
  int m_progressBytes = 0;  // window's thread only
  int m_progressSpeed = 0;  // KiB per second; window's thread only
  DownloadSlot m_download;

  virtual plat::Rect ProgressRect() const = 0;
  virtual void DisableCancelButton() = 0;
  virtual void InvalidateAll() = 0;
  // Draws the progress bar from the progress members at once (window's thread).
  virtual void DrawProgressNow() = 0;

 protected:
  ~DownloadDialog() = default;
};

// Results of DownloadToFile.
enum DownloadResult : int {
  DOWNLOAD_WRITTEN = 0,
  DOWNLOAD_NOTHING_RECEIVED = 1,  // no package arrived whole and genuine: worth another try
  DOWNLOAD_NOT_WRITTEN = 2,       // too large for the stick, or the write failed
  DOWNLOAD_CANCELLED = 3,
  DOWNLOAD_NO_MEMORY = 4,
};

// The first bytes of every PSP application package.
inline constexpr unsigned char kPackageMagic[] = {0x00, 0x50, 0x42, 0x50};

// Whether a received body is a package that arrived whole: not empty, the
// magic first, its length declared by the answer, and, when url ends in
// "#sha256=<64 hex digits>", that digest.
bool IsGenuinePackage(const std::wstring& url, const std::byte* data, std::size_t size,
                      bool lengthDeclared);

// Downloads url and writes it to target (a Windows-style path) only when it
// is a genuine package (IsGenuinePackage): the file appears only complete
// and on the device; anything else leaves the previous file as it was. A
// package larger than the stick can take (its free space plus the file it
// replaces) is refused as soon as its length is known. Temporary files left
// beside target by an interrupted write are removed first; when the package
// fits only without the previous file, that file is removed and the write
// made once more. Progress goes to the dialog. On a worker thread.
int DownloadToFile(DownloadDialog& dialog, plat::Event* cancel, const std::wstring& url,
                   const std::wstring& target);
