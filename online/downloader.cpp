#include "online/downloader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string_view>

#include "platform/crypto/sha256.h"
#include "platform/fs/files.h"
#include "util/app_flags.h"

namespace {

// Low-speed limit of a package transfer.
constexpr unsigned kSlowBytesPerSecond = 1024;
constexpr unsigned kSlowSeconds = 60;
// A write that failed with less free room than the package and this much
// more failed for want of room.
constexpr std::uint64_t kRoomSlack = 256 * 1024;

// The digest a URL's "#sha256=" fragment names: nullopt without one; an
// empty digest inside when the fragment is malformed.
std::optional<std::optional<plat::Sha256Digest>> DigestOfUrl(const std::wstring& url) {
  const auto hash = url.find(L'#');
  if (hash == std::wstring::npos) return std::nullopt;
  const std::wstring_view fragment = std::wstring_view(url).substr(hash + 1);
  constexpr std::wstring_view kPrefix = L"sha256=";
  if (fragment.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  std::string hex;
  for (const wchar_t c : fragment.substr(kPrefix.size())) {
    if (c > 0x7F) return std::optional<plat::Sha256Digest>();
    hex.push_back(static_cast<char>(c));
  }
  return plat::ParseSha256Hex(hex);
}

// The folder that holds a Windows-style path's last part.
std::wstring FolderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return path;
  return slash == 0 || (slash == 2 && path[1] == L':') ? path.substr(0, slash + 1)
                                                       : path.substr(0, slash);
}

// What the stick can take at target: its free room plus the file replaced.
std::optional<std::uint64_t> RoomFor(const std::wstring& target) {
  const std::optional<plat::DiskSpace> space = plat::QueryDiskSpace(FolderOf(target));
  if (!space) return std::nullopt;
  return space->freeBytes + plat::FileSize(target).value_or(0);
}

}  // namespace

int CDownloader::FetchToMemory(const std::wstring& url, plat::Event* cancel, ProgressWindow* owner,
                               unsigned progressMessage, const FetchLimits& limits) {
  Release();
  std::unique_ptr<CPageFetcher> fetcher(new (std::nothrow) CPageFetcher);
  int code = FETCH_NO_MEMORY;
  if (fetcher) code = fetcher->Fetch(url, owner, cancel, progressMessage, limits);
  if (code == FETCH_OK) {
    const std::uint64_t size = fetcher->ResultSize();
    if (size > std::numeric_limits<std::uint32_t>::max()) {
      code = FETCH_NO_MEMORY;
    } else {
      m_data = fetcher->TakeResult();
      m_size = static_cast<std::uint32_t>(size);
      m_lengthDeclared = fetcher->LengthDeclared();
    }
  }
  fetcher.reset();
  return code;
}

void CDownloader::Release() {
  m_data.Release();
  m_size = 0;
  m_lengthDeclared = false;
}

bool IsGenuinePackage(const std::wstring& url, const std::byte* data, std::size_t size,
                      bool lengthDeclared) {
  if (data == nullptr || size < sizeof kPackageMagic || !lengthDeclared) return false;
  if (std::memcmp(data, kPackageMagic, sizeof kPackageMagic) != 0) return false;
  const auto wanted = DigestOfUrl(url);
  if (!wanted) return true;
  if (!*wanted) return false;  // a digest was meant but cannot be read
  const std::optional<plat::Sha256Digest> digest = plat::Sha256Of(data, size);
  return digest && *digest == **wanted;
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

namespace {

int WritePackage(const std::wstring& target, const std::byte* data, std::size_t size) {
  if (plat::WriteFileSafely(target, data, size)) return DOWNLOAD_WRITTEN;
  // Room for the new package may exist only once the old one is gone.
  const std::optional<std::uint64_t> old = plat::FileSize(target);
  const std::optional<plat::DiskSpace> space = plat::QueryDiskSpace(FolderOf(target));
  if (!old || !space || space->freeBytes >= size + kRoomSlack || space->freeBytes + *old < size) {
    return DOWNLOAD_NOT_WRITTEN;
  }
  if (!plat::RemoveFile(target)) return DOWNLOAD_NOT_WRITTEN;
  return plat::WriteFileSafely(target, data, size) ? DOWNLOAD_WRITTEN : DOWNLOAD_NOT_WRITTEN;
}

}  // namespace

int DownloadToFile(DownloadDialog& dialog, plat::Event* cancel, const std::wstring& url,
                   const std::wstring& target) {
  std::unique_ptr<CDownloader> owned(new (std::nothrow) CDownloader);
  CDownloader* download = owned.get();
  dialog.m_download.Set(std::move(owned));
  int result = DOWNLOAD_NO_MEMORY;
  if (download != nullptr && g_applicationClosing.load()) {
    result = DOWNLOAD_CANCELLED;  // no transfer starts once the close has begun
  } else if (download != nullptr) {
    plat::RemoveStaleTemporaries(target);
    FetchLimits limits;
    limits.maxBytes = std::min<std::uint64_t>(RoomFor(target).value_or(UINT32_MAX), UINT32_MAX);
    limits.lowSpeedBytesPerSecond = kSlowBytesPerSecond;
    limits.lowSpeedSeconds = kSlowSeconds;
    const int code = download->FetchToMemory(url, cancel, &dialog, WM_DOWNLOAD_PROGRESS, limits);
    if (code == FETCH_OK) {
      result = IsGenuinePackage(url, download->Data(), download->Size(), download->LengthDeclared())
                   ? WritePackage(target, download->Data(), download->Size())
                   : DOWNLOAD_NOTHING_RECEIVED;
    } else if (code == FETCH_TOO_LARGE) {
      result = DOWNLOAD_NOT_WRITTEN;
    } else {
      result = download->IsCancelled() ? DOWNLOAD_CANCELLED : DOWNLOAD_NOTHING_RECEIVED;
    }
  }
  dialog.DisableCancelButton();
  dialog.InvalidateAll();
  dialog.m_download.Clear();
  return result;
}
