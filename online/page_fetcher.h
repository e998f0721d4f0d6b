#pragma once
// One HTTP GET of a URL into memory. The transfer runs on a CSpiderThread of
// its own while the caller blocks in Fetch; progress snapshots may be posted
// to a window, and the caller's cancel event stops the transfer.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/core/event.h"
#include "platform/core/page_buffer.h"
#include "platform/core/thread.h"

// Codes returned by CPageFetcher::Fetch.
enum FetchCode : int {
  FETCH_OK = 0,
  FETCH_CANCELLED = 1,       // the abort was seen while reading; bytes so far are kept
  FETCH_NO_THREAD = 2,       // the worker could not be started
  FETCH_NO_MEMORY = 5,       // a buffer could not be allocated
  FETCH_REQUEST_FAILED = 7,  // no connection, cancelled while connecting, or status not 200
  FETCH_READ_ERROR = 8,      // the transfer broke while reading; no result
  FETCH_TOO_LARGE = 9,       // the body is longer than the fetch allows; no result
};

// A fetch's progress as its worker reports it.
enum FetchStatus : int {
  FETCH_STATUS_FAILED = 0,     // ended with an error
  FETCH_STATUS_STARTED = 1,    // prepared; the worker is starting
  FETCH_STATUS_CONNECTED = 2,  // the server answered with 200
  FETCH_STATUS_RECEIVING = 3,  // part of the body has arrived
  FETCH_STATUS_DONE = 4,       // ended without error
};

// What one fetch allows; a zero sets no limit.
struct FetchLimits {
  // A longer body (by its Content-Length, or as it arrives) ends the fetch
  // with FETCH_TOO_LARGE.
  std::uint64_t maxBytes = 0;
  // The whole fetch, connection and retry included, ends within this.
  unsigned deadlineMs = 0;
  // A transfer slower than this for lowSpeedSeconds on end fails.
  unsigned lowSpeedBytesPerSecond = 0;
  unsigned lowSpeedSeconds = 0;
};

// A progress snapshot; the window that receives it owns it.
struct FetchProgress {
  std::uint64_t bytesReceived = 0;
  std::int64_t elapsedSeconds = 0;
};

// The window a fetch reports to. PostProgress queues the snapshot for the
// window's own thread under message and returns at once.
class ProgressWindow {
 public:
  virtual void PostProgress(unsigned message, std::unique_ptr<FetchProgress> snapshot) = 0;

 protected:
  ~ProgressWindow() = default;
};

// The state of one transfer, shared by the waiting caller and the worker.
struct FetchRequest {
  ProgressWindow* m_owner = nullptr;
  std::wstring m_url;
  plat::PageBuffer m_resultData;  // empty until a transfer has ended
  std::uint64_t m_bytesReceived = 0;
  std::wstring m_hostName;
  std::wstring m_objectPath;
  FetchLimits m_limits;
  // The answer said where its body ends (Content-Length or chunked).
  bool m_lengthDeclared = false;
  int m_errorCode = 0;
  std::atomic<FetchStatus> m_status{FETCH_STATUS_FAILED};
  std::uint64_t m_startTick = 0;
  std::uint64_t m_lastReportTick = 0;
  std::int64_t m_elapsedSeconds = 0;
  // Set by the waiting thread. It lives here, not in the worker, so that the
  // waiting thread never writes to a worker that has already ended.
  std::atomic<bool> m_abort{false};
  // Set by the worker right after the final status, so the wait ends at once.
  std::shared_ptr<plat::Event> m_finished;
  plat::Thread::EndWatch m_worker;
};

// Posts a snapshot of the request to its owner under message, unless there
// is no owner or the application is closing.
void PostFetchProgress(FetchRequest& request, unsigned message);

// Splits a URL into host name and object path ("/" and what follows the
// host, query included); a URL with fewer than three '/' gets one appended.
// The scheme and any port or user named are dropped. False when the URL has
// no "scheme://host" form; host and object are then empty.
bool SplitUrl(std::wstring url, std::wstring& host, std::wstring& object);

// Where a fetch goes: an https URL over TLS to its own port (443 unless it
// names one); any other scheme is plain HTTP to port 80. The fragment
// ("#...") is never sent.
struct FetchAddress {
  bool secure = false;
  std::wstring host;
  unsigned port = 80;
  std::wstring object;
};
// nullopt when the URL has no "scheme://host" form or names a bad port.
std::optional<FetchAddress> ParseFetchUrl(const std::wstring& url);

class CPageFetcher {
 public:
  CPageFetcher() = default;
  ~CPageFetcher();
  CPageFetcher(const CPageFetcher&) = delete;
  CPageFetcher& operator=(const CPageFetcher&) = delete;

  // Fetches url and returns a FetchCode once the transfer has ended. owner
  // and cancel may be null; progress is posted only with an owner and a
  // non-zero message. Called from background threads.
  int Fetch(const std::wstring& url, ProgressWindow* owner, plat::Event* cancel,
            unsigned progressMessage, const FetchLimits& limits = {});

  // The received bytes (null if none), valid until the fetcher goes.
  const std::byte* ResultData() const;
  std::uint64_t ResultSize() const;
  // Whether the answer declared its body's length, so that the body is
  // known to be whole after FETCH_OK.
  bool LengthDeclared() const;
  // Hands the received bytes over (ResultSize of them); the fetcher keeps none.
  plat::PageBuffer TakeResult();

 private:
  std::mutex m_lock;
  std::unique_ptr<FetchRequest> m_request;
};
