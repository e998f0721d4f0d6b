#pragma once
// The application: one running copy at a time, the program and data folders,
// the message-box hook, the wizard dialog run until it closes, and a short
// wait for worker threads at the end.

// Names the single-instance lock and the window property of the running copy.
inline constexpr char kApplicationName[] = "KORMAN7";

// The wizard dialog's result when it could not start (no language table).
constexpr int kWizardFailed = -2;

class CQuaysideApp {
 public:
  CQuaysideApp() = default;
  // Waits at most about 300 ms for worker threads still running.
  ~CQuaysideApp();
  CQuaysideApp(const CQuaysideApp&) = delete;
  CQuaysideApp& operator=(const CQuaysideApp&) = delete;

  // Runs the wizard; needs the display open on the calling thread. Returns
  // false always: the process ends afterwards. A second copy only raises the
  // first one's window.
  bool InitInstance();

  // 0 when the wizard ran (or another copy runs), 1 when it could not start.
  int exitCode() const { return m_exitCode; }

 private:
  int m_exitCode = 0;
};
