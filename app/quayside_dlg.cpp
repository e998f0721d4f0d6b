#include "app/quayside_dlg.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "app/app_folders.h"
#include "app/download_bar.h"
#include "app/quayside_app.h"
#include "app/support_page.h"
#include "app/wizard_zones.h"
#include "online/download_progress.h"
#include "online/znxml.h"
#include "platform/core/wide_text.h"
#include "platform/fs/drive_pin.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/files.h"
#include "platform/window/display.h"
#include "ui/skin_constants.h"
#include "util/app_flags.h"
#include "util/folders.h"
#include "util/message_box.h"
#include "util/style_tables.h"

namespace {

constexpr int kWizardWidth = kSkinSize.width;
constexpr int kWizardHeight = kSkinSize.height;

// Budget for stopping the setup worker when the dialog goes without a close.
constexpr int kDestroyStopSeconds = 4;
constexpr unsigned kDestroyStopSettingsMs = 4000;
// What the close sequence waits for the worker and the settings fetch, which
// are told to stop at once: the process ends within 2 s in every state.
constexpr unsigned kCloseWaitMs = 1200;

constexpr int kStaticPictureId = 1088;  // clicks on the page picture do nothing

const wchar_t kNoTablesMessage[] =
    L"The setup wizard cannot start: none of its language files (dat/EnglishStrings.dat and "
    L"the others beside the program) can be read. Please install the wizard again.";

}  // namespace

CQuaysideDlg::CQuaysideDlg()
    : CSkinDialog(plat::Rect{0, 0, kWizardWidth, kWizardHeight}),
      m_nextButton(IDC_NEXT, {1009, 1008, 1007, 1010}, kSkinCaptionColours),
      m_selectButton(IDC_SELECT, kSelectFaces, kSkinCaptionColours),
      m_cancelButton(IDC_CANCEL, {243, 242, 241}, kSkinCaptionColours),
      m_minimiseButton(IDC_MINIMISE, {282, 287, 286}, kSkinCaptionColours),
      m_exitButton(IDC_EXIT, {288, 290, 289}, kSkinCaptionColours) {}

CQuaysideDlg::~CQuaysideDlg() {
  Shutdown();
  DeleteStyleFonts();
}

void CQuaysideDlg::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  // The worker goes first: it uses the locator, the lines and the tables.
  // After a close sequence it has had its time: one that still runs is left
  // to the end of the process.
  StopThread(m_workerThread.load(), m_closing ? -1 : kDestroyStopSeconds);
  if (!g_dataFolder.empty()) DeleteFolderTree(g_dataFolder + L"\\SaveTxtFilesCache", true);
  SettingsDocument().Stop(m_closing ? 0 : kDestroyStopSettingsMs);
}

bool CQuaysideDlg::OnInitDialog() {
  SetDialogIcon(kSkinIconId);
  CSkinDialog::OnInitDialog();
  SetNamedProperty(kApplicationName);

  m_languageIndex = LANGUAGE_ENGLISH;
  if (!LoadLanguageTable()) {
    FailWithoutTables();
    return true;
  }

  SetSkinFolder(g_programFolder + L"\\dat\\");
  LoadSkin(0, 0, kSkinFileName, plat::kTransparentKey);
  SetTitle(plat::EncodeUtf8(TextOfKey("IDS_MAINFRAME")));
  SetDragRect(&kDragBand);
  SetPaintCallback([this](plat::Canvas& dc) { PaintScreen(dc); });
  SetSystemMenu(plat::EncodeUtf8(TextOfKey("IDS_RESTORE")),
                plat::EncodeUtf8(TextOfKey("IDS_MINIMIZE")));

  // The buttons take their places on the window; the layout puts them right.
  for (ZNCHoverButton* button :
       {&m_nextButton, &m_selectButton, &m_cancelButton, &m_minimiseButton, &m_exitButton}) {
    const plat::Size size = button->pictureSize();
    button->Attach(*this, plat::Rect::FromSize(0, 0, size.width, size.height));
  }

  SetMinimumSize(kWizardWidth, kWizardHeight);
  SetSkinSize(kWizardWidth, kWizardHeight, true);
  SetMinimumSize(kWizardWidth, kWizardHeight);
  int left = 0;
  int top = 0;
  int right = kWizardWidth;
  int bottom = kWizardHeight;
  FitRectToWorkArea(&left, &top, &right, &bottom);
  SetSkinSize(right - left, bottom - top, false);
  if (left == 0 && top == 0) {
    const plat::Rect work = plat::WorkArea();
    left = work.left + (work.Width() - GetSkinWidth()) / 2;
    top = work.top + (work.Height() - GetSkinHeight()) / 2;
  }
  SetBounds(plat::Rect::FromSize(left, top, GetSkinWidth(), GetSkinHeight()));
  Raise();

  ResetLayout();
  m_cancelButton.Show(false);
  SetState(WIZARD_STATE_LANGUAGE);

  LaunchThread(m_workerThread, this, kJobSetupWorker);

  const std::wstring leftover = g_programFolder + L"\\upgrade.exe";
  if (plat::KindOfPath(leftover) == plat::EntryKind::kFile) plat::RemoveFile(leftover);
  Focus();

  SettingsDocument().StartThread();
  // The document is the process's: its keys are registered once.
  static std::once_flag keysRegistered;
  std::call_once(keysRegistered, [] { RegisterSettingsKeys(SettingsDocument()); });

  plat::FontSpec text = plat::StockFontSpec();
  text.face = L"Verdana";
  text.height = 13;
  text.weight = 700;
  m_textFont = std::make_unique<plat::Font>(text);
  m_nextButton.SetButtonFont(L"Verdana", 15, 0, 16, false);
  CreateStyleFonts({{{L"Verdana", 18, 700},
                     {L"Verdana", 16, 400},
                     {L"Verdana", 13, 400},
                     {L"Verdana", 12, 400},
                     {L"Verdana", 10, 400}}});
  SetStyleColours({kWizardTextColour, kWizardTextColour, kWizardTextColour, kWizardTextColour,
                   kWizardTextColour});

  LoadImageFile(g_programFolder + L"\\dat\\Searching.png", m_searchingPicture);
  LoadImageFile(g_programFolder + L"\\dat\\Finished.png", m_finishedPicture);
  LoadImageFile(g_programFolder + L"\\dat\\language.png", m_languagePicture);

  AllowShow();
  return true;
}

bool CQuaysideDlg::LoadLanguageTable() {
  int index = m_languageIndex;
  const bool loaded = m_languageTables.Load(index);
  m_languageIndex = index;
  return loaded;
}

void CQuaysideDlg::FailWithoutTables() {
  std::fprintf(stderr, "swaymo-setup: %ls\n", kNoTablesMessage);
  m_closing = true;
  ShowMessageBox(kNoTablesMessage, MB_OK);
  EndDialog(kWizardFailed);
}

std::wstring CQuaysideDlg::GetLine(int index) const {
  std::lock_guard lock(m_linesLock);
  return m_lines.at(index);
}

void CQuaysideDlg::SetLine(int index, std::wstring text) {
  std::lock_guard lock(m_linesLock);
  m_lines.at(index) = std::move(text);
}

std::wstring CQuaysideDlg::LookupText(const wchar_t* key) {
  std::string ascii;
  for (; key != nullptr && *key != 0; ++key) ascii.push_back(static_cast<char>(*key & 0x7F));
  return TextOfKey(ascii.c_str());
}

void CQuaysideDlg::InvalidateAll() {
  ref().Invalidate(true);
}

plat::Rect CQuaysideDlg::ProgressRect() const {
  return m_progressRect;
}

void CQuaysideDlg::DisableCancelButton() {
  if (!plat::IsWindowThread()) {
    ref().SendCall([this] {
      DisableCancelButton();
      return std::intptr_t{0};
    });
    return;
  }
  m_cancelButton.Enable(false);
}

void CQuaysideDlg::DrawProgressNow() {
  // Drawn over what the window shows, in the next paint of the progress
  // rectangle, made at once; the background is not composed again.
  m_drawProgressNow = true;
  InvalidateRect(m_progressRect, false);
  UpdateNow();
  m_drawProgressNow = false;
}

void CQuaysideDlg::OnPaint(plat::Bitmap& frame, const plat::Rect& /*area*/) {
  if (!m_drawProgressNow) return;
  plat::Canvas dc(frame);
  DrawDownloadBar(*this, dc);
}

void CQuaysideDlg::PostProgress(unsigned message, std::unique_ptr<FetchProgress> snapshot) {
  if (message != WM_DOWNLOAD_PROGRESS || !snapshot) return;
  // Dropped with the snapshot when the window has gone.
  std::shared_ptr<FetchProgress> shared(std::move(snapshot));
  ref().PostCall(
      [this, shared] { OnDownloadProgress(*this, std::make_unique<FetchProgress>(*shared)); });
}

void CQuaysideDlg::SetState(int state) {
  if (m_closing) return;
  if (!plat::IsWindowThread()) {
    // Dropped when the window has gone; the state no longer matters then.
    ref().SendCall([this, state] {
      ChangeState(state);
      return std::intptr_t{0};
    });
    return;
  }
  ChangeState(state);
}

bool CQuaysideDlg::FindNextDrive() {
  // Only the table is read here: asking a drive's file system could hang.
  const plat::DriveTable drives = plat::DriveTable::Current();
  for (wchar_t letter = m_driveLetter;; ++letter) {
    if (letter < L'A' || letter >= L'[') {
      m_driveLetter = 0;
      return false;
    }
    const auto sizes = m_driveSizes.Find(letter);
    if (drives.Find(letter) == nullptr || (sizes && !sizes->answered)) continue;
    m_driveLetter = letter;
    m_driveSizes.MeasureLater(letter, [window = ref(), this](wchar_t measured) {
      window.PostCall([this, measured] { OnDriveMeasured(measured); });
    });
    return true;
  }
}

void CQuaysideDlg::OnDriveMeasured(wchar_t letter) {
  if (m_closing || m_wizardState != WIZARD_STATE_CHOOSE_DRIVE || m_driveLetter != letter) return;
  const auto sizes = m_driveSizes.Find(letter);
  if (!sizes) return;
  if (sizes->answered) {
    SetState(WIZARD_STATE_CHOOSE_DRIVE);  // now with its sizes
  } else {
    OnNext();  // no file system answers there
  }
}

void CQuaysideDlg::AcceptDrive(wchar_t letter) {
  SetState(plat::PinDrive(letter) ? WIZARD_STATE_INSTALLING : WIZARD_STATE_INSTALL_FAILED);
}

void CQuaysideDlg::OnLeftDown(const plat::MouseEvent& event) {
  if (m_wizardState == WIZARD_STATE_LANGUAGE) {
    const int flag = FlagAt(event.at);
    if (flag >= 0) {
      m_languageIndex = kLanguageFlags[flag].languageIndex;
      if (LoadLanguageTable()) {
        SetState(WIZARD_STATE_CHECKING_NET);
      } else {
        FailWithoutTables();
      }
    }
  }
  CSkinDialog::OnLeftDown(event);
}

void CQuaysideDlg::OnMouseMove(const plat::MouseEvent& event) {
  if (m_wizardState == WIZARD_STATE_LANGUAGE) {
    const int flag = FlagAt(event.at);
    if (flag >= 0) {
      m_flagFrame = kLanguageFlags[flag].rect;
      if (m_hoverFlag != flag) {
        m_hoverFlag = flag;
        Invalidate(true);
      }
    } else if (m_hoverFlag != -1) {
      m_hoverFlag = -1;
      Invalidate(true);
    }
  }
  CSkinDialog::OnMouseMove(event);
}

void CQuaysideDlg::OnLeftDoubleClick(const plat::MouseEvent& event) {
  switch (DoubleClickZone(event.at)) {
    case BandZone::kClose:
      CloseSequence();
      break;
    case BandZone::kToggleMaximise:
      if (m_sizeState == plat::SizeType::kMaximised) {
        Restore();
      } else {
        Maximise();
      }
      break;
    case BandZone::kQuiet:
    case BandZone::kNone:
      break;
  }
}

void CQuaysideDlg::OnSize(plat::SizeType type, plat::Size size) {
  if (type == plat::SizeType::kRestored &&
      (size.width != GetSkinWidth() || size.height != GetSkinHeight())) {
    SetSkinSize(size.width, size.height, true);
  } else if (type == plat::SizeType::kMaximised) {
    SetSkinSize(size.width, std::min(size.height, plat::WorkArea().bottom), true);
  }
  m_sizeState = type;
  CSkinDialog::OnSize(type, size);
}

void CQuaysideDlg::OnClose() {
  CloseSequence();
}

bool CQuaysideDlg::OnKeyDown(plat::Key key) {
  // Enter never presses anything in the wizard.
  return key == plat::Key::kEnter;
}

void CQuaysideDlg::OnCommand(int id, int /*notification*/) {
  switch (id) {
    case IDC_NEXT:
      OnNext();
      break;
    case IDC_SELECT:
      OnSelect();
      break;
    case IDC_CANCEL:
      OnCancel();
      break;
    case IDC_EXIT:
      CloseSequence();
      break;
    case IDC_MINIMISE:
      Minimise();
      break;
    case kStaticPictureId:
    default:
      break;
  }
}

std::intptr_t CQuaysideDlg::OnPrivateMessage(unsigned message, std::intptr_t, std::intptr_t) {
  if (message == kEndWizardMessage) EndDialog(IDOK);
  return 0;
}

void CQuaysideDlg::OnNext() {
  switch (m_wizardState) {
    case WIZARD_STATE_UPDATE_AVAILABLE:
      OpenSupportPage();
      ref().PostClose();
      break;
    case WIZARD_STATE_CHOOSE_DRIVE:
      m_driveLetter = static_cast<wchar_t>(m_driveLetter + 1);
      if (FindNextDrive()) {
        SetState(WIZARD_STATE_CHOOSE_DRIVE);
        break;
      }
      m_driveLetter = L'D';
      if (FindNextDrive()) {
        SetState(WIZARD_STATE_CHOOSE_DRIVE);
      } else {
        OnCancel();
      }
      break;
    case WIZARD_STATE_PSP_FOUND:
      if (m_locator.IsFound() || (m_manualMode && m_manualConfirmed)) {
        AcceptDrive(m_offeredLetter);
      }
      break;
    case WIZARD_STATE_FINISHED:
    case WIZARD_STATE_INSTALL_FAILED:
      CloseSequence();
      break;
    default:
      break;
  }
}

void CQuaysideDlg::OnSelect() {
  switch (m_wizardState) {
    case WIZARD_STATE_CHOOSE_DRIVE:
      m_manualConfirmed = true;
      m_manualMode = true;
      m_cancelButton.Show(false);
      AcceptDrive(m_driveLetter);
      break;
    case WIZARD_STATE_CONNECT_PSP:
    case WIZARD_STATE_PSP_FOUND:
      // A new choice: the last one no longer counts, and every drive may
      // answer again.
      m_manualConfirmed = false;
      m_manualMode = false;
      m_driveSizes.Clear();
      m_driveLetter = L'D';
      if (FindNextDrive()) SetState(WIZARD_STATE_CHOOSE_DRIVE);
      break;
    default:
      break;
  }
}

void CQuaysideDlg::OnCancel() {
  if (m_wizardState == WIZARD_STATE_CHOOSE_DRIVE) {
    m_manualConfirmed = false;
    m_manualMode = false;
    m_cancelButton.Show(false);
    SetState(WIZARD_STATE_CONNECT_PSP);
    return;
  }
  m_download.SetCancelled();
  m_cancelButton.Enable(false);
  m_cancelButton.Invalidate();
}

void CQuaysideDlg::CloseSequence() {
  if (m_closing.exchange(true)) return;
  g_applicationClosing = true;
  OnCancel();
  // Everything is told to stop at once; while they end, the window keeps
  // serving the worker and painting.
  StopThread(m_workerThread.load(), -1);
  SettingsDocument().Stop(0);
  plat::DispatchUntil([this] { return WorkerEnded() && !SettingsDocument().ThreadRunning(); },
                      kCloseWaitMs);
  m_exitButton.SetForcedState(ZNCHoverButton::kPressed);
  Send(kEndWizardMessage);
}

void CQuaysideDlg::OpenSupportPage() {
  std::wstring address;
  SettingsDocument().GetValue(L"CUSTOMER_SUPPORT_URL", address);
  OpenWebPageOrSite(address);
}
