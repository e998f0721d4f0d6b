// The setup worker (job 0): one pass every 500 ms, doing what the current
// state waits for: check the connection and load the settings, search for the
// PSP's stick, install the application on it.
#include <cstdint>
#include <string>

#include "app/language_table.h"
#include "app/quayside_dlg.h"
#include "app/wide_format.h"
#include "device/stick_layout.h"
#include "online/downloader.h"
#include "online/online_settings.h"
#include "online/update_check.h"
#include "online/znxml.h"
#include "platform/core/time.h"
#include "platform/fs/drive_pin.h"
#include "util/message_box.h"

namespace {

constexpr unsigned kPassPauseMs = 500;
constexpr unsigned kFoundPauseMs = 100;  // between the found text and the found screen
constexpr int kDownloadAttempts = 2;
constexpr unsigned kRetryPauseMs = 400;  // after an attempt that received nothing
constexpr std::uint32_t kPackageBytes = 2'500'000;
constexpr int kSearchDotSteps = 4;  // one, two, three, no full stops
// Passes with a PSP on USB but no drive for it before the status line says so.
constexpr int kPassesBeforeNoDriveText = 6;

// The settings key of the package for a language and a PSP model.
const wchar_t* DownloadKey(int languageIndex, bool pspGo) {
  if (languageIndex == LANGUAGE_JAPANESE) {
    return pspGo ? L"DEMO_FILE_DOWNLOAD_PSPGO_URL" : L"DEMO_FILE_DOWNLOAD_URL";
  }
  return pspGo ? L"DEMO_FILE_DOWNLOAD_PSPGO_URL_ML" : L"DEMO_FILE_DOWNLOAD_URL_ML";
}

}  // namespace

void CQuaysideDlg::SetupWorker(plat::Event& killEvent) {
  while (!m_closing && !killEvent.Wait(0)) {
    const int state = m_wizardState;
    if (state != WIZARD_STATE_LANGUAGE) {
      const std::wstring before = GetLine(kStatusLine);
      if (state == WIZARD_STATE_CHECKING_NET || state == WIZARD_STATE_NO_NET) {
        if (!ConnectionCheck()) break;
      } else {
        SearchPass(killEvent);
      }
      if (GetLine(kStatusLine) != before) InvalidateAll();
    }
    // The pause ends early when the worker is told to stop.
    if (m_closing || killEvent.Wait(kPassPauseMs)) break;
  }
  m_workerThread = nullptr;
}

bool CQuaysideDlg::ConnectionCheck() {
  SetLine(kStatusLine, LookupText(L"IDS_CONNECTING_TO_SERVER"));
  InvalidateAll();
  std::wstring error;
  if (LoadOnlineSettings(*this, SettingsDocument(), error) != 0) {
    SetState(WIZARD_STATE_NO_NET);
    return true;
  }
  SetLine(kStatusLine, LookupText(L"IDS_CONNECTED_OK"));
  InvalidateAll();
  if (CheckForOnlineUpdate(*this, SettingsDocument()) == 1) {
    // The worker's work is over: the user can only follow the support link.
    SetState(WIZARD_STATE_UPDATE_AVAILABLE);
    return false;
  }
  SetState(WIZARD_STATE_CONNECT_PSP);
  return true;
}

void CQuaysideDlg::SearchPass(plat::Event& killEvent) {
  m_locator.Poll();
  const int scan = ++m_scanCount;
  const bool manual = m_manualMode;
  FollowDrive(killEvent, manual);
  ShowSearchStatus(scan, manual);
}

void CQuaysideDlg::FollowDrive(plat::Event& killEvent, bool manual) {
  const bool found = m_locator.IsFound();
  if (!found && !manual) {
    const int state = m_wizardState;
    if (state != WIZARD_STATE_CHOOSE_DRIVE && state != WIZARD_STATE_CONNECT_PSP) {
      SetState(WIZARD_STATE_CONNECT_PSP);
    }
    return;
  }
  if (!manual && !m_locator.IsIdle()) return;
  // The first detection shows the drive in the status line too.
  const int status = m_locator.GetStatus();
  if (!manual && status != m_lastLocatorStatus) {
    m_lastLocatorStatus = status;
    SetLine(kStatusLine,
            FormatWide(LookupText(L"IDS_PSP_FOUND_ON_DRIVE_X"), {m_locator.GetDriveLetter()}));
    plat::SleepMs(kFoundPauseMs);
    SetState(WIZARD_STATE_PSP_FOUND);
  }
  // A drive chosen by hand must keep answering; when it stops, the choice is
  // withdrawn and the search takes over again.
  if (manual) {
    DriveSizes::Sizes sizes;
    sizes.answered =
        CPSPLocator::QueryDriveSpace(m_driveLetter, &sizes.totalBytes, &sizes.freeBytes) == 0;
    m_driveSizes.Record(m_driveLetter, sizes);
    if (!sizes.answered) {
      m_manualConfirmed = false;
      m_manualMode = false;
      SetState(WIZARD_STATE_CONNECT_PSP);
    }
  }
  if (!(manual && m_manualConfirmed) && !(found && m_locator.IsIdle())) return;
  switch (m_wizardState) {
    case WIZARD_STATE_CONNECT_PSP:
      SetState(WIZARD_STATE_PSP_FOUND);
      SetLine(kStatusLine, L"");
      break;
    case WIZARD_STATE_INSTALLING:
      Install(killEvent);
      break;
    default:
      break;
  }
}

void CQuaysideDlg::ShowSearchStatus(int scan, bool manual) {
  if (manual || m_wizardState == WIZARD_STATE_CHOOSE_DRIVE || m_locator.IsFound()) {
    m_passesWithoutDrive = 0;
    return;
  }
  // A PSP on USB whose stick has no drive yet: say so rather than search on
  // silently.
  m_passesWithoutDrive = m_locator.IsPspOnUsb() ? m_passesWithoutDrive + 1 : 0;
  if (m_passesWithoutDrive >= kPassesBeforeNoDriveText) {
    SetLine(kStatusLine, L"\\fs4" + LookupText(L"IDS_PSP_STICK_NOT_MOUNTED"));
    return;
  }
  // The search animation: one, two, three, then no full stops either side.
  const int dots = scan % kSearchDotSteps;
  if (dots == kSearchDotSteps - 1) m_scanCount = -1;
  const std::wstring frame = L" " + std::wstring(static_cast<std::size_t>(dots), L'.') + L" ";
  SetLine(kStatusLine, L"\\fs4" + frame + LookupText(L"IDS_SEARCHING_FOR_PSP") + frame);
}

void CQuaysideDlg::Install(plat::Event& killEvent) {
  // The drive the user accepted, pinned then; each step that writes checks
  // that its letter still leads there (and the file layer checks it again).
  const wchar_t drive = plat::PinnedDriveLetter();
  const std::wstring target = StickPath(drive, kStickApplicationFile);
  const std::wstring languageFile = StickPath(drive, kStickLanguageFile);

  // Neither step is checked: a missing folder shows when the package is written.
  if (!AcceptedDriveHolds()) return;
  PrepareTargetFolders(target);
  PrepareTargetFolders(languageFile);
  if (!AcceptedDriveHolds()) return;
  WriteLanguageByte(languageFile, m_languageIndex);

  // Loads the settings only if they went missing since the check.
  std::wstring error;
  (void)LoadOnlineSettings(*this, SettingsDocument(), error);
  std::wstring url;
  SettingsDocument().GetValue(DownloadKey(m_languageIndex, m_locator.IsPspGo()), url);
  if (url.empty()) {
    ShowMessageBox(LookupText(L"IDS_INTERNET_ERROR_SERVER"), MB_OK);
    SetState(WIZARD_STATE_CHECKING_NET);
    return;
  }

  m_expectedBytes = kPackageBytes;
  m_progressPercent = 0.0f;
  if (!AcceptedDriveHolds()) return;
  DownloadWithRetry(killEvent, url, target);
}

bool CQuaysideDlg::AcceptedDriveHolds() {
  if (plat::PinnedDriveHolds()) return true;
  SetState(WIZARD_STATE_INSTALL_FAILED);
  return false;
}

int CQuaysideDlg::DownloadWithRetry(plat::Event& killEvent, const std::wstring& url,
                                    const std::wstring& target) {
  int attempts = kDownloadAttempts;
  int result;
  do {
    result = DownloadToFile(*this, &killEvent, url, target);
    if (result == DOWNLOAD_NOT_WRITTEN || result == DOWNLOAD_CANCELLED ||
        result == DOWNLOAD_NO_MEMORY) {
      attempts = 0;
    } else if (result != DOWNLOAD_WRITTEN) {
      --attempts;
      (void)killEvent.Wait(kRetryPauseMs);
    }
    // Closing: no further attempt, and no finished or failed screen.
    if (killEvent.Wait(0)) {
      attempts = 0;
      result = DOWNLOAD_WRITTEN;
    }
  } while (result != DOWNLOAD_WRITTEN && attempts > 0);

  if (m_closing || killEvent.Wait(0)) return result;
  SetState(result == DOWNLOAD_WRITTEN ? WIZARD_STATE_FINISHED : WIZARD_STATE_INSTALL_FAILED);
  return result;
}
