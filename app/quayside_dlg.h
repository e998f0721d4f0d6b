#pragma once
// The wizard: the one skinned window, its states and their screens, the
// user's input, the close sequence, and the setup worker it runs (job 0).
//
// Threads. The window's thread runs the handlers and the painting. The setup
// worker may call SetState, which carries the change to the window's thread
// and waits for it there; so every screen is built on the window's thread,
// in the order asked for, and a window thread that waits for the worker (the
// close sequence) keeps serving those changes. The worker writes the status
// line through SetLine; every line is read and written under m_linesLock.
// A download's progress snapshots are posted to the window's thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/drive_sizes.h"
#include "app/language_table.h"
#include "app/thread.h"
#include "app/wizard_screens.h"
#include "app/wizard_states.h"
#include "device/psp_locator.h"
#include "online/downloader.h"
#include "online/online_settings.h"
#include "platform/core/event.h"
#include "platform/core/semaphore.h"
#include "platform/gfx/font.h"
#include "ui/hover_button.h"
#include "ui/picture.h"
#include "ui/skin_dialog.h"

// Set while SetState builds a screen; the painting draws nothing meanwhile.
inline std::atomic<bool> g_stateChangeInProgress{false};

// The private message that ends the dialog with IDOK.
constexpr unsigned kEndWizardMessage = plat::kFirstPrivateMessage + 2;

class CQuaysideDlg : public CSkinDialog,
                     public CThreadOwner,
                     public SettingsDialog,
                     public DownloadDialog {
 public:
  CQuaysideDlg();
  ~CQuaysideDlg() override;
  CQuaysideDlg(const CQuaysideDlg&) = delete;
  CQuaysideDlg& operator=(const CQuaysideDlg&) = delete;

  // Makes state current and builds its screen; does nothing once the close
  // sequence has begun. Any thread (see the top of this file).
  void SetState(int state);
  // From m_driveLetter up to Z, the first letter of the drive table not yet
  // known to have no answering file system; false (m_driveLetter 0) when
  // there is none. Its sizes are measured off this thread: a letter that then
  // does not answer is stepped over as by Next.
  bool FindNextDrive();

  // The screen's lines (0 heading .. 3 status line); any thread.
  std::wstring GetLine(int index) const;
  void SetLine(int index, std::wstring text);

  // Job 0 on the worker thread (setup_worker.cpp).
  void SetupWorker(plat::Event& killEvent) override;
  // Downloads url to target, once more when nothing was received, then shows
  // the finished or the failed screen (neither once closing). Returns the
  // last attempt's result; 0 when the kill event stopped it.
  int DownloadWithRetry(plat::Event& killEvent, const std::wstring& url,
                        const std::wstring& target);

  // What the online checks and the download need (online/); any thread
  // unless said otherwise.
  std::wstring LookupText(const wchar_t* key) override;
  void InvalidateAll() override;
  plat::Rect ProgressRect() const override;  // window's thread
  void DisableCancelButton() override;
  void DrawProgressNow() override;  // window's thread
  void PostProgress(unsigned message, std::unique_ptr<FetchProgress> snapshot) override;

  // The steps of destruction that must come before the members go: the worker
  // stopped (4 s), the cache folder removed, the settings fetch stopped. Safe
  // to call more than once; the owner (wizard_owner.h) calls it before any
  // part of the dialog is destroyed, the destructor once more.
  void Shutdown();
  // True unless the setup worker still runs (it clears m_workerThread last).
  bool WorkerEnded() const { return m_workerThread.load() == nullptr; }

  // For tests and the application.
  int wizardState() const { return m_wizardState; }
  int languageIndex() const { return m_languageIndex; }
  bool manualMode() const { return m_manualMode; }
  bool manualConfirmed() const { return m_manualConfirmed; }
  wchar_t driveLetter() const { return m_driveLetter; }
  int hoverFlag() const { return m_hoverFlag; }
  bool closing() const { return m_closing; }
  const plat::Rect& lineRect(int index) const { return m_lineRects[index]; }
  const plat::Rect& progressRect() const { return m_progressRect; }

 protected:
  bool OnInitDialog() override;
  void OnLeftDown(const plat::MouseEvent& event) override;
  void OnMouseMove(const plat::MouseEvent& event) override;
  void OnLeftDoubleClick(const plat::MouseEvent& event) override;
  void OnExtraButtonDown(const plat::MouseEvent&, plat::MouseButton) override {}
  void OnSize(plat::SizeType type, plat::Size size) override;
  void OnClose() override;
  void OnPaint(plat::Bitmap& frame, const plat::Rect& area) override;
  void OnCommand(int id, int notification) override;
  void OnHelp() override {}
  bool OnKeyDown(plat::Key key) override;
  std::intptr_t OnPrivateMessage(unsigned message, std::intptr_t a, std::intptr_t b) override;

 private:
  // Handlers of the buttons.
  void OnNext();
  void OnSelect();
  void OnCancel();
  void CloseSequence();
  void OpenSupportPage();
  // The user accepts drive letter: it is pinned (plat::PinDrive) and the
  // installation starts, or the failed screen shows when it leads nowhere.
  void AcceptDrive(wchar_t letter);
  // A measurement of FindNextDrive is in (window's thread).
  void OnDriveMeasured(wchar_t letter);

  // Makes the table of m_languageIndex current (with fallback).
  bool LoadLanguageTable();
  // No language table can be read at all: says so and ends the wizard.
  void FailWithoutTables();

  // Screens (quayside_dlg_screen.cpp).
  void ChangeState(int state);  // SetState on the window's thread
  ScreenGeometry Geometry() const;
  void ResetLayout();
  void BuildScreen(int state);
  void PaintScreen(plat::Canvas& dc);
  void PaintPicture(plat::Canvas& dc);
  void PaintLines(plat::Canvas& dc);

  // The setup worker's steps (setup_worker.cpp).
  bool ConnectionCheck();  // false when the worker has nothing left to do
  void SearchPass(plat::Event& killEvent);
  // Acts on what the locator, or the drive chosen by hand, says now.
  void FollowDrive(plat::Event& killEvent, bool manual);
  // The status line while no drive is found: the search or the missing stick.
  void ShowSearchStatus(int scan, bool manual);
  void Install(plat::Event& killEvent);
  // Before each step that writes: the accepted drive is still where it was
  // pinned; else the failed screen shows and false is returned.
  bool AcceptedDriveHolds();

  ZNCHoverButton m_nextButton;
  ZNCHoverButton m_selectButton;
  ZNCHoverButton m_cancelButton;
  ZNCHoverButton m_minimiseButton;
  ZNCHoverButton m_exitButton;
  LanguageTables m_languageTables;
  std::atomic<int> m_languageIndex{-1};
  plat::Rect m_flagFrame;
  int m_hoverFlag = -1;
  std::atomic<wchar_t> m_driveLetter{0};
  std::atomic<bool> m_manualMode{false};
  std::atomic<bool> m_manualConfirmed{false};
  DriveSizes m_driveSizes;                  // of drives chosen by hand
  std::atomic<wchar_t> m_offeredLetter{0};  // the drive the found screen names
  int m_passesWithoutDrive = 0;             // worker: PSP on USB, no drive for it
  std::unique_ptr<plat::Font> m_textFont;
  std::atomic<int> m_wizardState{WIZARD_STATE_LANGUAGE};
  std::atomic<int> m_scanCount{0};
  std::array<plat::Rect, kLineCount> m_lineRects{};
  plat::Rect m_connectStatusRect;
  mutable std::mutex m_linesLock;
  std::array<std::wstring, kLineCount> m_lines;
  plat::Semaphore m_stateLock{1, 1};
  std::atomic<CThread*> m_workerThread{nullptr};
  Picture m_logoPicture;
  bool m_logoChosen = false;
  Picture m_searchingPicture;
  Picture m_finishedPicture;
  Picture m_languagePicture;
  plat::Rect m_progressRect;
  bool m_drawProgressNow = false;  // the next paint draws the download bar
  std::atomic<bool> m_closing{false};
  std::atomic<int> m_lastLocatorStatus{-1};
  CPSPLocator m_locator;
  bool m_shutDown = false;
};
