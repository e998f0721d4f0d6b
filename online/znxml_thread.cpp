#include "online/znxml_thread.h"

#include "online/znxml.h"

std::optional<plat::Thread::EndWatch> CThreadZNXML::Launch(std::unique_ptr<CThreadZNXML> thread) {
  CThreadZNXML* raw = thread.get();
  auto started = plat::Thread::Start([raw] {
    raw->m_owner.ThreadLoop(raw->m_stopEvent, raw->m_wakeEvent);
    delete raw;
  });
  if (!started) return std::nullopt;
  thread.release();
  plat::Thread::EndWatch end = started->Watch();
  started->Detach();
  return end;
}
