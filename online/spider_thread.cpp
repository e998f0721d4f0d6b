#include "online/spider_thread.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/core/page_buffer.h"
#include "platform/core/time.h"

namespace {

constexpr std::size_t kReadSize = 8192;
constexpr std::size_t kGrowth = 65536;
constexpr unsigned kConnectTimeoutMs = 30 * 1000;
constexpr unsigned kConnectBackoffMs = 1000;

}  // namespace

CSpiderThread::CSpiderThread(FetchRequest* request, StatusRecorder recorder,
                             unsigned progressMessage)
    : m_abort(request->m_abort),
      m_progressMessage(progressMessage),
      m_recordStatus(recorder),
      m_request(request),
      m_finished(request->m_finished) {}

CSpiderThread::~CSpiderThread() {
  CloseAll();
}

bool CSpiderThread::Launch(std::unique_ptr<CSpiderThread> spider) {
  CSpiderThread* raw = spider.get();
  FetchRequest* request = raw->m_request;
  auto thread = plat::Thread::Start([raw] {
    raw->Run();
    delete raw;
  });
  if (!thread) return false;  // spider is deleted on return
  spider.release();
  request->m_worker = thread->Watch();
  thread->Detach();
  return true;
}

void CSpiderThread::Report(FetchStatus status) {
  m_recordStatus(*m_request, status);
}

void CSpiderThread::Run() {
  FetchRequest& request = *m_request;
  Report(FETCH_STATUS_STARTED);
  bool ok = CreateSession() && !request.m_url.empty() && !Aborted();
  if (ok) {
    std::wstring url = request.m_url;
    if (std::count(url.begin(), url.end(), L'/') < 3) url += L'/';
    if (std::optional<FetchAddress> address = ParseFetchUrl(url)) {
      m_scheme = address->secure ? plat::HttpScheme::kHttps : plat::HttpScheme::kHttp;
      m_port = address->port;
      request.m_hostName = std::move(address->host);
      request.m_objectPath = std::move(address->object);
    }
    ok = GetTransfer(request.m_hostName, request.m_objectPath);
  } else {
    request.m_errorCode = FETCH_REQUEST_FAILED;
  }
  // Everything of the transfer is closed before the final status: once the
  // caller sees it, the request may be gone.
  CloseAll();
  std::shared_ptr<plat::Event> finished = m_finished;
  Report(ok && request.m_errorCode == FETCH_OK ? FETCH_STATUS_DONE : FETCH_STATUS_FAILED);
  if (finished) finished->Set();
}

bool CSpiderThread::CreateSession() {
  const FetchLimits& limits = m_request->m_limits;
  if (limits.deadlineMs != 0) m_deadline = m_request->m_startTick + limits.deadlineMs;
  return OpenSession(L"ZOV Eziduz", 1);
}

bool CSpiderThread::OpenSession(const std::wstring& agent, int connectRetries) {
  m_session.reset(new (std::nothrow) plat::HttpSession(agent));
  if (!m_session) return false;
  m_session->SetConnectTimeoutMs(kConnectTimeoutMs);
  m_session->SetConnectBackoffMs(kConnectBackoffMs);
  m_session->SetConnectRetries(connectRetries);
  const FetchLimits& limits = m_request->m_limits;
  m_session->SetLowSpeedLimit(limits.lowSpeedBytesPerSecond, limits.lowSpeedSeconds);
  m_session->SetDeadline(m_deadline);
  return true;
}

bool CSpiderThread::TooLarge(std::uint64_t bytes) const {
  const std::uint64_t limit = m_request->m_limits.maxBytes;
  return limit != 0 && bytes > limit;
}

void CSpiderThread::CloseAll() {
  m_file.reset();
  m_session.reset();
}

int CSpiderThread::SendRequest(const std::wstring& host, const std::wstring& object) {
  m_file.reset(new (std::nothrow) plat::HttpRequest(*m_session, &m_abort));
  if (!m_file) return plat::http_error::kInternal;
  int code = m_file->Open(m_scheme, host, m_port, object);
  if (code == 0) code = m_file->Send();
  return code;
}

int CSpiderThread::OpenRequest(const std::wstring& host, const std::wstring& object) {
  m_file.reset();
  if (Aborted()) return 0;
  if (!m_session) return plat::http_error::kInternal;
  if (const int code = SendRequest(host, object); code != 0) {
    CloseAll();
    if (Aborted()) return 0;
    if (code == plat::http_error::kTimeout && !plat::SleepUnlessSet(m_abort, 1000)) return 0;
    if (m_deadline != 0 && plat::TickMs() >= m_deadline) return code;
    if (const int again = Reconnect(host, object); again != 200) return again;
  }
  if (Aborted()) return 0;
  return m_file->StatusCode();
}

int CSpiderThread::Reconnect(const std::wstring& host, const std::wstring& object) {
  // The second try introduces itself by the host's name.
  if (!OpenSession(host, 2)) return plat::http_error::kInternal;
  if (const int code = SendRequest(host, object); code != 0) {
    CloseAll();
    return code;
  }
  return 200;
}

bool CSpiderThread::GetTransfer(const std::wstring& host, const std::wstring& object) {
  FetchRequest& request = *m_request;
  request.m_resultData.Release();
  request.m_bytesReceived = 0;
  request.m_errorCode = FETCH_OK;
  request.m_startTick = request.m_lastReportTick = plat::TickMs();
  request.m_elapsedSeconds = 0;

  if (OpenRequest(host, object) != 200) {
    request.m_errorCode = FETCH_REQUEST_FAILED;
    return false;
  }
  Report(FETCH_STATUS_CONNECTED);
  request.m_lengthDeclared = m_file->LengthDeclared();
  if (const auto length = m_file->ContentLength(); length && TooLarge(*length)) {
    request.m_errorCode = FETCH_TOO_LARGE;
    return false;
  }

  plat::PageBuffer readBuffer;
  plat::PageBuffer data;
  std::size_t blockSize = 0;  // the size the accumulation block was given
  if (!readBuffer.Reserve(kReadSize + 1)) request.m_errorCode = FETCH_NO_MEMORY;
  std::size_t chunk = readBuffer.data() != nullptr ? 1 : 0;
  while (chunk != 0) {
    chunk = 0;
    if (Aborted()) {
      request.m_errorCode = FETCH_CANCELLED;
    } else if (const int code = m_file->Read(readBuffer.data(), kReadSize, &chunk); code != 0) {
      if (code != plat::http_error::kCancelled || !Aborted()) {
        request.m_errorCode = FETCH_READ_ERROR;
        request.m_bytesReceived = 0;
        return false;
      }
      request.m_errorCode = FETCH_CANCELLED;
      chunk = 0;
    }
    if (chunk != 0 && TooLarge(request.m_bytesReceived + chunk)) {
      request.m_errorCode = FETCH_TOO_LARGE;
      request.m_bytesReceived = 0;
      return false;
    }
    if (chunk != 0) {
      const std::size_t used = request.m_bytesReceived;
      if (used + chunk > blockSize) {
        const std::size_t wanted = used == 0 ? chunk : used + std::max(kGrowth, chunk);
        if (data.Reserve(wanted)) {
          blockSize = wanted;
        } else {
          request.m_errorCode = FETCH_NO_MEMORY;
          chunk = 0;
        }
      }
      if (chunk != 0) {
        std::memcpy(data.data() + used, readBuffer.data(), chunk);
        Report(FETCH_STATUS_RECEIVING);
      }
    }
    request.m_bytesReceived += chunk;
    if (request.m_owner != nullptr) {
      const std::uint64_t now = plat::TickMs();
      if (now - request.m_lastReportTick > m_reportInterval) {
        request.m_elapsedSeconds = static_cast<std::int64_t>((now - request.m_startTick) / 1000);
        request.m_lastReportTick = now;
        if (!Aborted()) PostFetchProgress(request, m_progressMessage);
      }
    }
  }
  request.m_lastReportTick = plat::TickMs();
  request.m_resultData = std::move(data);
  return true;
}
