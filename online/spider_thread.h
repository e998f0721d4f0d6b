#pragma once
// The worker of one page fetch: it owns the HTTP session and request of the
// transfer, fills the FetchRequest and reports its status. It deletes itself
// when its thread ends; after the final status it no longer touches the
// request.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "online/page_fetcher.h"
#include "platform/net/http.h"

class CSpiderThread {
 public:
  using StatusRecorder = void (*)(FetchRequest& request, FetchStatus status);

  CSpiderThread(FetchRequest* request, StatusRecorder recorder, unsigned progressMessage);
  ~CSpiderThread();
  CSpiderThread(const CSpiderThread&) = delete;
  CSpiderThread& operator=(const CSpiderThread&) = delete;

  // Starts the worker thread, which then owns the object. False when no
  // thread could be started; the object is deleted then too.
  static bool Launch(std::unique_ptr<CSpiderThread> spider);

 private:
  void Run();
  void Report(FetchStatus status);
  bool CreateSession();
  // A session that introduces itself as agent, with the fetch's limits.
  bool OpenSession(const std::wstring& agent, int connectRetries);
  void CloseAll();
  int OpenRequest(const std::wstring& host, const std::wstring& object);
  int SendRequest(const std::wstring& host, const std::wstring& object);
  int Reconnect(const std::wstring& host, const std::wstring& object);
  bool GetTransfer(const std::wstring& host, const std::wstring& object);
  bool TooLarge(std::uint64_t bytes) const;
  bool Aborted() const { return m_abort.load(); }

  std::atomic<bool>& m_abort;  // the request's abort flag
  unsigned m_progressMessage;
  StatusRecorder m_recordStatus;
  FetchRequest* m_request;
  std::uint64_t m_reportInterval = 500;
  std::unique_ptr<plat::HttpSession> m_session;
  std::unique_ptr<plat::HttpRequest> m_file;
  plat::HttpScheme m_scheme = plat::HttpScheme::kHttp;
  unsigned m_port = 80;
  std::uint64_t m_deadline = 0;  // TickMs by which the fetch ends; 0 none
  std::shared_ptr<plat::Event> m_finished;
};
