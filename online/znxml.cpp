#include "online/znxml.h"

#include <memory>
#include <new>

#include "online/page_fetcher.h"
#include "online/znxml_thread.h"
#include "platform/core/time.h"
#include "util/app_flags.h"
#include "util/text.h"

namespace {

constexpr int kIdlePassesBeforeEnd = 20;
// A fetch still running is looked at every kLookEveryMs for up to
// kSettingsWaitMs more.
constexpr unsigned kLookEveryMs = 100;
constexpr unsigned kSettingsWaitMs = 8000;

// Lines of the document, each followed by '\n', without the XML declaration.
// A line break is one '\r' or '\n', together with one more directly after it.
std::wstring JoinLines(const std::wstring& text) {
  std::wstring joined;
  joined.reserve(text.size() + 1);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of(L"\r\n", pos);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring_view line(text.data() + pos, end - pos);
    if (line.substr(0, 13) != L"<?xml version") {
      joined.append(line);
      joined += L'\n';
    }
    pos = end;
    if (pos < text.size()) ++pos;
    if (pos < text.size() && (text[pos] == L'\r' || text[pos] == L'\n')) ++pos;
  }
  return joined;
}

}  // namespace

CZNXML::CZNXML() {
  RegisterToken(L"<result>", TOKEN_ROOT);
  RegisterToken(L"<RESULT>", TOKEN_ROOT);
  RegisterToken(L"<folder>", TOKEN_CONTAINER);
  RegisterToken(L"<save>", TOKEN_CONTAINER);
  RegisterToken(L"<file>", TOKEN_CONTAINER);
  RegisterToken(L"//", TOKEN_COMMENT);
}

CZNXML::~CZNXML() {
  Stop();
}

void CZNXML::RegisterToken(const std::wstring& name, int kind) {
  if (name.empty()) return;
  std::lock_guard lock(m_tableLock);
  m_tokens.push_back({name, std::wstring(), kind});
}

void CZNXML::StartThread() {
  std::lock_guard lock(m_threadLock);
  StartThreadLocked();
}

bool CZNXML::StartThreadLocked() {
  if (m_thread != nullptr) return true;
  if (g_applicationClosing.load()) return false;  // no fetch starts once the close has begun
  std::unique_ptr<CThreadZNXML> thread(new (std::nothrow) CThreadZNXML(*this));
  if (!thread) return false;
  CThreadZNXML* raw = thread.get();
  auto end = CThreadZNXML::Launch(std::move(thread));
  if (!end) return false;
  m_thread = raw;
  m_threadEnd = *end;
  return true;
}

int CZNXML::RequestFetch(const std::wstring& url, bool probe) {
  if (url.size() > kMaxUrlLength) return 0;
  StartThread();
  {
    std::lock_guard lock(m_threadLock);
    if (m_thread == nullptr) return 0;
  }
  const auto pending = [this] {
    return m_status.load() == SETTINGS_PENDING && !g_applicationClosing.load();
  };
  if (pending()) {
    plat::SleepMs(kLookEveryMs);
    plat::PollUntil([&pending] { return !pending(); }, kSettingsWaitMs, kLookEveryMs);
    if (m_status.load() == SETTINGS_PENDING) return 0;
  }
  std::lock_guard lock(m_threadLock);
  // The thread may have ended its idle time meanwhile: start a fresh one.
  if (!StartThreadLocked()) return 0;
  m_url = url;
  m_probe = probe;
  m_status = SETTINGS_PENDING;
  m_thread->Wake();
  return 1;
}

int CZNXML::GetStatus() const {
  std::lock_guard lock(m_threadLock);
  return m_thread != nullptr ? m_status.load() : SETTINGS_STOPPED;
}

int CZNXML::GetValue(const std::wstring& name, std::wstring& value) const {
  std::lock_guard lock(m_tableLock);
  for (const TokenPair& token : m_tokens) {
    if (token.name == name) {
      value = token.value;
      TrimRightBlanks(value);
      return 1;
    }
  }
  value.clear();
  return 0;
}

bool CZNXML::ThreadRunning() const {
  std::lock_guard lock(m_threadLock);
  return m_thread != nullptr;
}

void CZNXML::Stop(unsigned waitMs) {
  if (m_stopNesting.fetch_add(1) == 0) {
    plat::Thread::EndWatch end;
    bool running = false;
    {
      std::lock_guard lock(m_threadLock);
      if (m_thread != nullptr) {
        m_thread->SignalStop();
        end = m_threadEnd;
        running = true;
      }
    }
    if (running) plat::PollUntil([&end] { return end.HasEnded(); }, waitMs, kLookEveryMs);
  }
  m_stopNesting.fetch_sub(1);
}

void CZNXML::ThreadLoop(plat::Event& stop, plat::Event& wake) {
  int idle = 0;
  for (;;) {
    // After a fetch the thread always makes an idle pass, in which the
    // caller reads the status before the thread can end.
    bool fetched = false;
    if (m_status.load() == SETTINGS_PENDING) {
      FetchAndScan(stop);
      fetched = true;
    } else if (!wake.Wait(500) || m_status.load() != SETTINGS_PENDING) {
      ++idle;  // a pass cut short by a request does not count
    }
    std::lock_guard lock(m_threadLock);
    // A request that came in during the last idle pass is still served.
    if (stop.IsSet() ||
        (!fetched && idle > kIdlePassesBeforeEnd && m_status.load() != SETTINGS_PENDING)) {
      m_thread = nullptr;
      return;
    }
  }
}

void CZNXML::FetchAndScan(plat::Event& stop) {
  std::wstring url;
  bool probe = false;
  {
    std::lock_guard lock(m_threadLock);
    url = m_url;
    probe = m_probe;
  }
  const std::uint64_t deadline = plat::TickMs() + kFetchDeadlineMs;
  const auto fetch = [&](CPageFetcher& fetcher) {
    FetchLimits limits;
    limits.maxBytes = kMaxDocumentBytes;
    const std::uint64_t now = plat::TickMs();
    limits.deadlineMs = now < deadline ? static_cast<unsigned>(deadline - now) : 1;
    return fetcher.Fetch(url, nullptr, &stop, 0, limits);
  };
  int status = SETTINGS_EXCEPTION;
  try {
    status = [&]() -> int {
      auto fetcher = std::make_unique<CPageFetcher>();
      int code = fetch(*fetcher);
      if (code == FETCH_TOO_LARGE) return SETTINGS_BAD_DOCUMENT;
      if (code != FETCH_OK || fetcher->ResultSize() == 0) {
        fetcher = std::make_unique<CPageFetcher>();
        code = fetch(*fetcher);
        if (code == FETCH_TOO_LARGE) return SETTINGS_BAD_DOCUMENT;
        if (code != FETCH_OK || fetcher->ResultSize() == 0) return SETTINGS_NOT_FETCHED;
      }
      return ScanDocument(fetcher->ResultData(), static_cast<std::size_t>(fetcher->ResultSize()),
                          &stop, !probe);
    }();
  } catch (...) {
    status = SETTINGS_EXCEPTION;
  }
  m_status = status;
}

int CZNXML::ScanDocument(const std::byte* bytes, std::size_t size, plat::Event* stop, bool keep) {
  const auto stopped = [stop] { return stop != nullptr && stop->IsSet(); };
  if (stopped()) return SETTINGS_STOPPED;
  std::wstring joined;
  try {
    std::optional<std::wstring> text = Utf8ToWide(bytes, size);
    if (!text) return SETTINGS_NO_MEMORY;
    if (const auto nul = text->find(L'\0'); nul != std::wstring::npos) text->resize(nul);
    if (stopped()) return SETTINGS_STOPPED;
    joined = JoinLines(*text);
  } catch (const std::bad_alloc&) {
    return SETTINGS_NO_MEMORY;
  }
  const int scan = ScanText(joined, stop, keep);
  return scan == 0    ? SETTINGS_LOADED
         : scan == -2 ? SETTINGS_ELEMENT_UNENDED
         : scan == -3 ? SETTINGS_STOPPED
                      : SETTINGS_BAD_DOCUMENT;
}

CZNXML& SettingsDocument() {
  static CZNXML document;
  return document;
}
