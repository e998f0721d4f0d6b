#include "online/page_fetcher.h"

#include <algorithm>
#include <cwctype>
#include <new>

#include "online/spider_thread.h"
#include "platform/core/time.h"
#include "util/app_flags.h"

namespace {

bool IsFinal(FetchStatus status) {
  return status == FETCH_STATUS_DONE || status == FETCH_STATUS_FAILED;
}

void RecordStatus(FetchRequest& request, FetchStatus status) {
  request.m_status.store(status);
}

}  // namespace

void PostFetchProgress(FetchRequest& request, unsigned message) {
  if (g_applicationClosing.load() || request.m_owner == nullptr) return;
  std::unique_ptr<FetchProgress> snapshot(new (std::nothrow) FetchProgress);
  if (!snapshot) return;
  snapshot->bytesReceived = request.m_bytesReceived;
  snapshot->elapsedSeconds = request.m_elapsedSeconds;
  request.m_owner->PostProgress(message, std::move(snapshot));
}

bool SplitUrl(std::wstring url, std::wstring& host, std::wstring& object) {
  host.clear();
  object.clear();
  const auto schemeEnd = url.find(L"://");
  if (schemeEnd == std::wstring::npos || schemeEnd == 0) return false;
  for (std::size_t i = 0; i < schemeEnd; ++i) {
    const wchar_t c = url[i];
    const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
    if (!letter && !(i > 0 && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.'))) {
      return false;
    }
  }
  const std::size_t start = schemeEnd + 3;
  std::size_t end = url.find_first_of(L"/?#", start);
  if (end == std::wstring::npos) end = url.size();
  std::wstring authority = url.substr(start, end - start);
  if (const auto at = authority.rfind(L'@'); at != std::wstring::npos) authority.erase(0, at + 1);
  if (!authority.empty() && authority.front() == L'[') {
    const auto close = authority.find(L']');
    if (close == std::wstring::npos) return false;
    authority.erase(close + 1);
  } else if (const auto colon = authority.find(L':'); colon != std::wstring::npos) {
    authority.erase(colon);
  }
  if (authority.empty()) return false;
  std::wstring rest = url.substr(end);
  if (const auto hash = rest.find(L'#'); hash != std::wstring::npos) rest.erase(hash);
  if (rest.empty() || rest.front() != L'/') rest.insert(rest.begin(), L'/');
  host = std::move(authority);
  object = std::move(rest);
  return true;
}

std::optional<FetchAddress> ParseFetchUrl(const std::wstring& url) {
  FetchAddress address;
  if (!SplitUrl(url, address.host, address.object)) return std::nullopt;
  const std::size_t schemeEnd = url.find(L"://");
  std::wstring scheme = url.substr(0, schemeEnd);
  for (wchar_t& c : scheme) c = static_cast<wchar_t>(std::towlower(c));
  address.secure = scheme == L"https";
  if (!address.secure) return address;  // plain HTTP always goes to port 80
  address.port = 443;
  const std::size_t start = schemeEnd + 3;
  std::wstring authority = url.substr(start, url.find_first_of(L"/?#", start) - start);
  if (const auto at = authority.rfind(L'@'); at != std::wstring::npos) authority.erase(0, at + 1);
  const std::size_t hostEnd = authority.front() == L'[' ? authority.find(L']') + 1 : 0;
  const std::size_t colon = authority.find(L':', hostEnd);
  if (colon == std::wstring::npos || colon + 1 == authority.size()) return address;
  const std::wstring digits = authority.substr(colon + 1);
  if (digits.size() > 5 || digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
    return std::nullopt;
  }
  const unsigned long port = std::stoul(digits);
  if (port == 0 || port > 65535) return std::nullopt;
  address.port = static_cast<unsigned>(port);
  return address;
}

CPageFetcher::~CPageFetcher() {
  std::lock_guard lock(m_lock);
  if (!m_request) return;
  m_request->m_resultData.Release();
  // The worker has nothing left to do once its status is final; let it end
  // before its request goes, so no thread outlives the fetch for long.
  constexpr unsigned kWorkerEndWaitMs = 1000;
  plat::PollUntil([this] { return m_request->m_worker.HasEnded(); }, kWorkerEndWaitMs, 1);
  m_request.reset();
}

int CPageFetcher::Fetch(const std::wstring& url, ProgressWindow* owner, plat::Event* cancel,
                        unsigned progressMessage, const FetchLimits& limits) {
  // A caller that is already told to stop starts no transfer.
  if (cancel != nullptr && cancel->Wait(0)) {
    if (m_request) {
      m_request->m_resultData.Release();
      m_request->m_bytesReceived = 0;
      m_request->m_errorCode = FETCH_REQUEST_FAILED;
    }
    return FETCH_REQUEST_FAILED;
  }
  if (!m_request) {
    m_request.reset(new (std::nothrow) FetchRequest);
    if (!m_request) return FETCH_NO_MEMORY;
  }
  FetchRequest& request = *m_request;
  request.m_finished = std::make_shared<plat::Event>(plat::Event::Reset::kManual);
  request.m_resultData.Release();
  request.m_errorCode = FETCH_OK;
  request.m_abort = false;
  request.m_status = FETCH_STATUS_STARTED;
  request.m_url = url;
  request.m_limits = limits;
  request.m_lengthDeclared = false;
  request.m_owner = owner;
  request.m_bytesReceived = 0;
  request.m_startTick = request.m_lastReportTick = plat::TickMs();
  request.m_elapsedSeconds = 0;
  if (owner != nullptr && progressMessage != 0) PostFetchProgress(request, progressMessage);

  std::unique_ptr<CSpiderThread> spider(
      new (std::nothrow) CSpiderThread(&request, &RecordStatus, progressMessage));
  if (!spider || !CSpiderThread::Launch(std::move(spider))) {
    m_request.reset();
    return FETCH_NO_THREAD;
  }

  // Polls the status as the caller always has (100 ms, then every 200 ms),
  // but the worker's end wakes the wait at once.
  std::shared_ptr<plat::Event> finished = request.m_finished;
  finished->Wait(100);
  while (!IsFinal(request.m_status.load())) {
    if (cancel != nullptr && cancel->Wait(0)) request.m_abort = true;
    finished->Wait(request.m_abort ? 20 : 200);
  }
  return request.m_errorCode;
}

const std::byte* CPageFetcher::ResultData() const {
  return m_request ? m_request->m_resultData.data() : nullptr;
}

std::uint64_t CPageFetcher::ResultSize() const {
  return m_request ? m_request->m_bytesReceived : 0;
}

bool CPageFetcher::LengthDeclared() const {
  return m_request && m_request->m_lengthDeclared;
}

plat::PageBuffer CPageFetcher::TakeResult() {
  return m_request ? std::move(m_request->m_resultData) : plat::PageBuffer();
}
