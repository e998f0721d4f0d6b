#pragma once
// The settings document: a table of known tokens (tags and keys) with the
// value last read for each, filled by a fetch thread that downloads a
// document and scans it. Values live for the whole run; a later document
// overwrites the keys it names and leaves the others alone.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/event.h"
#include "platform/core/thread.h"

enum TokenKind : int {
  TOKEN_COMMENT = 1,    // "//": the rest of the line
  TOKEN_KEY = 2,        // KEY [=] value
  TOKEN_CONTAINER = 3,  // <folder> ... </folder>, nesting
  TOKEN_ROOT = 4,       // <result> ... </result>, both skipped
};

struct TokenPair {
  std::wstring name;  // tags with their brackets ("<result>"), keys bare
  std::wstring value;
  int kind = TOKEN_KEY;
};

// The meaning of the last fetch (GetStatus).
enum SettingsStatus : int {
  SETTINGS_IDLE = 0,            // nothing requested yet
  SETTINGS_PENDING = 1,         // requested or running
  SETTINGS_LOADED = 2,          // fetched and scanned
  SETTINGS_NOT_FETCHED = 4,     // both tries failed or gave an empty body
  SETTINGS_BAD_DOCUMENT = 5,    // no registered first token, or a misplaced closing tag
  SETTINGS_EXCEPTION = 6,       // something threw while fetching or scanning
  SETTINGS_NO_MEMORY = 7,       // out of memory while decoding or joining
  SETTINGS_STOPPED = 8,         // cancelled, or no fetch thread
  SETTINGS_ELEMENT_UNENDED = 9  // an element's end was not found
};

class CThreadZNXML;

class CZNXML {
 public:
  static constexpr std::size_t kMaxUrlLength = 499;
  static constexpr int kMaxDepth = 255;
  // A longer document is a server fault (SETTINGS_BAD_DOCUMENT).
  static constexpr std::uint64_t kMaxDocumentBytes = 1 << 20;
  // A fetch, both tries included, ends within this whatever the server does.
  static constexpr unsigned kFetchDeadlineMs = 90 * 1000;

  // Registers <result>, <RESULT>, <folder>, <save>, <file> and //.
  CZNXML();
  ~CZNXML();  // stops the fetch thread
  CZNXML(const CZNXML&) = delete;
  CZNXML& operator=(const CZNXML&) = delete;

  // Appends a token; duplicates are allowed (the first wins). An empty name
  // could never be scanned past and is ignored.
  void RegisterToken(const std::wstring& name, int kind);
  // Starts the fetch thread unless one runs or the application is closing.
  void StartThread();
  // 1 when the fetch was queued; 0 when the URL is longer than kMaxUrlLength,
  // the application is closing, no thread could be started, or an earlier
  // request stayed pending ~8 s. A probe is fetched and scanned like the
  // document, into a scratch table: only its status counts.
  int RequestFetch(const std::wstring& url, bool probe = false);
  // The status while a fetch thread exists, SETTINGS_STOPPED when none does.
  int GetStatus() const;
  // 1 and the value (without trailing blanks) of the first token named name,
  // else 0 and an empty value.
  int GetValue(const std::wstring& name, std::wstring& value) const;
  // Stops the fetch thread, waiting for it at most waitMs (checked every
  // 100 ms; 0 only asks it to stop).
  void Stop(unsigned waitMs = 4000);
  // Whether a fetch thread exists.
  bool ThreadRunning() const;

  // Scans a document's text into the table: 0, -1 (bad start, misplaced
  // closing tag, nesting too deep), -2 (an element's end not found) or -3
  // (stop was set). The scan works on a copy of the table, so readers never
  // wait for it; what it stored is kept unless it was stopped or keep is false.
  int ScanText(const std::wstring& text, plat::Event* stop = nullptr, bool keep = true);
  // The document as fetched: UTF-8 decoded, cut at a NUL, its lines joined
  // with '\n' (a line break is one '\r' or '\n' with one more directly after
  // it; the XML declaration's line dropped), then scanned as ScanText does.
  // SETTINGS_LOADED, _BAD_DOCUMENT, _ELEMENT_UNENDED, _STOPPED or _NO_MEMORY.
  int ScanDocument(const std::byte* bytes, std::size_t size, plat::Event* stop = nullptr,
                   bool keep = true);

 private:
  friend class CThreadZNXML;
  bool StartThreadLocked();
  void ThreadLoop(plat::Event& stop, plat::Event& wake);
  void FetchAndScan(plat::Event& stop);

  std::mutex m_scanLock;           // one scan at a time
  mutable std::mutex m_tableLock;  // the token table
  std::vector<TokenPair> m_tokens;

  mutable std::mutex m_threadLock;  // the URL and the fetch thread
  std::wstring m_url;
  bool m_probe = false;
  std::atomic<int> m_status{SETTINGS_IDLE};
  CThreadZNXML* m_thread = nullptr;
  plat::Thread::EndWatch m_threadEnd;
  std::atomic<int> m_stopNesting{0};
};

// The process-wide settings document.
CZNXML& SettingsDocument();
