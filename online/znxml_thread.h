#pragma once
// The fetch thread of the settings document: it runs the document's thread
// loop with its own stop event and deletes itself when the loop ends.
#include <memory>
#include <optional>

#include "platform/core/event.h"
#include "platform/core/thread.h"

class CZNXML;

class CThreadZNXML {
 public:
  explicit CThreadZNXML(CZNXML& owner) : m_owner(owner) {}
  CThreadZNXML(const CThreadZNXML&) = delete;
  CThreadZNXML& operator=(const CThreadZNXML&) = delete;

  // Starts the thread, which then owns the object; what tells when it has
  // ended, or nullopt (and the object deleted) when it could not start.
  static std::optional<plat::Thread::EndWatch> Launch(std::unique_ptr<CThreadZNXML> thread);

  void SignalStop() {
    m_stopEvent.Set();
    m_wakeEvent.Set();
  }
  // Ends the idle sleep at once: a fetch was requested.
  void Wake() { m_wakeEvent.Set(); }

 private:
  plat::Event m_stopEvent{plat::Event::Reset::kManual};
  plat::Event m_wakeEvent{plat::Event::Reset::kAuto};
  CZNXML& m_owner;
};
