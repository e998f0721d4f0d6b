// The wizard's screens: building them on a state change, and painting them
// onto the skin.
#include "app/app_folders.h"
#include "app/quayside_dlg.h"
#include "app/wizard_zones.h"
#include "ui/formatted_text.h"

namespace {

// The frame around the flag under the mouse.
constexpr int kFrameStyle = 12;
constexpr plat::ColorRef kFrameDark = 0x00A06060;
constexpr plat::ColorRef kFrameLight = 0x00C0A0A0;

void PlaceAt(ZNCHoverButton& button, plat::Point at) {
  const plat::Size size = button.pictureSize();
  button.SetBounds(plat::Rect::FromSize(at.x, at.y, size.width, size.height));
}

void ApplyButton(ZNCHoverButton& button, const std::optional<ButtonPlan>& plan) {
  if (!plan) return;
  button.SetBitmaps(plan->faces, false);
  button.SetCaption(plan->caption, CaptionColours::All(kWizardTextColour));
  button.SetCaptionOffset(plan->captionOffset);
  button.Show(true);
  button.Enable(true);
}

// Raises a flag for a scope.
class RaisedFlag {
 public:
  explicit RaisedFlag(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
  ~RaisedFlag() { flag_ = false; }
  RaisedFlag(const RaisedFlag&) = delete;
  RaisedFlag& operator=(const RaisedFlag&) = delete;

 private:
  std::atomic<bool>& flag_;
};

}  // namespace

void CQuaysideDlg::ChangeState(int state) {
  if (m_closing) return;
  const plat::SemaphoreLock lock(m_stateLock);
  const RaisedFlag changing(g_stateChangeInProgress);
  ResetLayout();
  m_progressPercent = 0.0f;
  for (ZNCHoverButton* button : {&m_nextButton, &m_selectButton, &m_cancelButton}) {
    button->Show(false);
    button->Enable(false);
  }
  BuildScreen(state);
  Invalidate(true);
  m_wizardState = state;
}

ScreenGeometry CQuaysideDlg::Geometry() const {
  const plat::Rect bounds = Bounds();
  return {GetSkinWidth(), GetSkinHeight(), bounds.Width(), bounds.Height()};
}

void CQuaysideDlg::ResetLayout() {
  const BaseLayout base = LayoutReset(Geometry(), m_nextButton.pictureSize(),
                                      m_selectButton.pictureSize(), m_exitButton.pictureSize());
  m_progressRect = base.progress;
  m_lineRects = base.lineRects;
  m_connectStatusRect = base.connectStatusRect;
  PlaceAt(m_nextButton, base.next);
  PlaceAt(m_selectButton, base.select);
  const plat::Size exitSize = m_exitButton.pictureSize();
  m_minimiseButton.SetBounds(
      plat::Rect::FromSize(base.minimise.x, base.minimise.y, exitSize.width, exitSize.height));
  PlaceAt(m_exitButton, base.exit);
}

void CQuaysideDlg::BuildScreen(int state) {
  ScreenFacts facts;
  // Sizes come from what was measured before: asking a file system here
  // could hold the window up.
  if (state == WIZARD_STATE_PSP_FOUND) {
    // The drive the user is asked about, and its own sizes: his confirmed
    // choice, else the locator's find.
    if (m_manualMode && m_manualConfirmed) {
      facts.pspLetter = m_driveLetter;
      const auto sizes = m_driveSizes.Find(facts.pspLetter);
      if (sizes && sizes->answered) {
        facts.pspTotalBytes = sizes->totalBytes;
        facts.pspFreeBytes = sizes->freeBytes;
      }
    } else {
      facts.pspLetter = m_locator.GetDriveLetter();
      facts.pspTotalBytes = m_locator.GetTotalBytes();
      facts.pspFreeBytes = m_locator.GetFreeBytes();
    }
    m_offeredLetter = facts.pspLetter;
  } else if (state == WIZARD_STATE_CHOOSE_DRIVE) {
    facts.driveLetter = m_driveLetter;
    const auto sizes = m_driveSizes.Find(facts.driveLetter);
    if (sizes && sizes->answered) {
      facts.driveSpace = ScreenFacts::Space{sizes->totalBytes, sizes->freeBytes};
    }
  }
  const ScreenGeometry geometry = Geometry();
  const ScreenPlan plan = PlanScreen(state, geometry, facts);
  {
    std::lock_guard lock(m_linesLock);
    for (int i = 0; i < kLineCount; ++i) {
      if (plan.lines[i]) m_lines[i] = *plan.lines[i];
    }
  }
  for (int i = 0; i < kLineCount; ++i) {
    if (plan.lineRects[i]) m_lineRects[i] = *plan.lineRects[i];
  }
  ApplyButton(m_nextButton, plan.next);
  ApplyButton(m_selectButton, plan.select);
  ApplyButton(m_cancelButton, plan.cancel);
  const ButtonPlaces places =
      PlaceButtons(state, geometry, m_nextButton.pictureSize(), m_selectButton.pictureSize());
  if (plan.next) PlaceAt(m_nextButton, places.next);
  if (plan.select) PlaceAt(m_selectButton, places.select);
  if (plan.cancel) PlaceAt(m_cancelButton, places.cancel);
}

void CQuaysideDlg::PaintScreen(plat::Canvas& dc) {
  if (g_stateChangeInProgress) return;
  const plat::StateScope state(dc);
  dc.SetBackgroundMode(plat::Canvas::Background::kTransparent);
  PaintPicture(dc);

  for (ZNCHoverButton* button :
       {&m_exitButton, &m_minimiseButton, &m_nextButton, &m_cancelButton}) {
    button->Draw(dc, false);
  }
  m_selectButton.RedrawWithParent();

  dc.SelectFont(m_textFont.get());
  dc.SetTextColour(kWizardTextColour);
  PaintLines(dc);
}

void CQuaysideDlg::PaintPicture(plat::Canvas& dc) {
  switch (PictureFor(m_wizardState)) {
    case ScreenPicture::kLogo:
      // Chosen once, by the language of the first painting.
      if (!m_logoChosen) {
        m_logoChosen = true;
        LoadImageFile(g_programFolder + LogoFile(m_languageIndex), m_logoPicture);
      }
      DrawImageAt(dc, 0, 0, m_logoPicture.get());
      break;
    case ScreenPicture::kLanguage:
      DrawImageAt(dc, 0, 0, m_languagePicture.get());
      if (m_hoverFlag != -1) {
        DrawFrame(dc, m_flagFrame.left - 2, m_flagFrame.top - 2, m_flagFrame.right + 1,
                  m_flagFrame.bottom + 1, kFrameStyle, kFrameDark, kFrameLight, kFrameDark,
                  kFrameLight);
      }
      break;
    case ScreenPicture::kSearching:
      DrawImageAt(dc, 0, 0, m_searchingPicture.get());
      break;
    case ScreenPicture::kFinished:
      DrawImageAt(dc, 0, 0, m_finishedPicture.get());
      break;
    case ScreenPicture::kNone:
      break;
  }
}

void CQuaysideDlg::PaintLines(plat::Canvas& dc) {
  const int state = m_wizardState;
  std::array<std::wstring, kLineCount> lines;
  {
    std::lock_guard lock(m_linesLock);
    if (state != WIZARD_STATE_CONNECT_PSP) PrefixStatusFont(m_lines[kStatusLine]);
    lines = m_lines;
  }
  for (int i = 0; i < kStatusLine; ++i) {
    TextLayout layout;
    layout.centred = i == 2 || !LeftAlignsText(state);
    const plat::ClipScope clip(dc, m_lineRects[i]);
    DrawFormattedText(0, dc, m_lineRects[i], 0, lines[i], layout, nullptr, nullptr, nullptr,
                      nullptr);
  }
  const std::wstring& status = lines[kStatusLine];
  if (status.empty()) return;
  TextLayout centred;
  centred.centred = true;
  if (state == WIZARD_STATE_CONNECT_PSP) {
    DrawFormattedText(0, dc, m_connectStatusRect, 0, status, centred, nullptr, nullptr, nullptr,
                      nullptr);
  } else {
    const plat::ClipScope clip(dc, m_lineRects[kStatusLine]);
    DrawFormattedText(0, dc, m_lineRects[kStatusLine], 0, status, centred, nullptr, nullptr,
                      nullptr, nullptr);
  }
}
