#include "ui/hover_button.h"

#include <algorithm>

#include "platform/window/display.h"
#include "ui/resources.h"

namespace {

// The caption font every button without its own uses, when one was made.
std::mutex gSharedFontMutex;
std::shared_ptr<const plat::Font> gSharedFont;

std::shared_ptr<const plat::Font> SharedFont() {
  std::lock_guard lock(gSharedFontMutex);
  return gSharedFont;
}

bool SameFont(const plat::FontSpec& a, const plat::FontSpec& b) {
  return a.face == b.face && a.height == b.height && a.width == b.width && a.weight == b.weight;
}

}  // namespace

void ResetSharedButtonFont() {
  std::lock_guard lock(gSharedFontMutex);
  gSharedFont.reset();
}

void ZNCHoverButton::Face::Load(unsigned id) {
  Picture loaded = id != 0 ? LoadResourceBitmap(id) : nullptr;
  picture = loaded ? std::move(*loaded) : plat::Bitmap();
  text.clear();
}

void ZNCHoverButton::Face::Write(const std::wstring& caption, plat::ColorRef inColour,
                                 plat::Point where, const plat::Font& inFont) {
  if (caption == text && inColour == colour && where == at && SameFont(inFont.spec(), font)) {
    return;
  }
  plat::Canvas canvas(picture);  // its own canvas: nobody else's state to keep
  canvas.SelectFont(&inFont);
  canvas.SetBackgroundMode(plat::Canvas::Background::kTransparent);
  canvas.SetTextColour(inColour);
  canvas.TextOut(where, caption);
  text = caption;
  colour = inColour;
  at = where;
  font = inFont.spec();
}

ZNCHoverButton::ZNCHoverButton(int id, const FaceSet& faces, const CaptionColours& colours)
    : m_id(id) {
  SetCaption(L"", colours);
  SetBitmaps(faces, true);
}

ZNCHoverButton::~ZNCHoverButton() = default;

bool ZNCHoverButton::Attach(plat::Window& parent, const plat::Rect& bounds) {
  return Create(parent, m_id, bounds);
}

void ZNCHoverButton::SetBitmaps(const FaceSet& faces, bool keepWindowSize) {
  {
    std::lock_guard lock(m_pictureLock);
    for (Face* face : {&m_normalPicture, &m_hoverPicture, &m_pressedPicture, &m_disabledPicture})
      face->Load(0);
    if (faces.normal == 0) {
      m_width = 0;
      m_height = 0;
      Invalidate();
      return;
    }
    m_normalPicture.Load(faces.normal);
    m_hoverPicture.Load(faces.hover);
    m_pressedPicture.Load(faces.pressed);
    const plat::Bitmap& n = m_normalPicture.picture;
    const plat::Bitmap& h = m_hoverPicture.picture;
    const plat::Bitmap& p = m_pressedPicture.picture;
    m_width = std::min({n.width(), h.width(), p.width()});
    m_height = std::min({n.height(), h.height(), p.height()});
    if (faces.disabled != 0) m_disabledPicture.Load(faces.disabled);
  }
  if (!keepWindowSize) ResizeToPicture();
  Invalidate();
}

void ZNCHoverButton::ResizeToPicture() {
  if (!plat::IsWindowThread()) {
    // The window's thread resizes the button when it next draws it.
    m_placementKnown = false;
    Invalidate();
    return;
  }
  plat::Window* parent = this->parent();
  if (parent != nullptr && parent->FindControl(m_id) == this) Resize(pictureSize());
}

void ZNCHoverButton::ReplacePictures(unsigned normalId, unsigned hoverId, unsigned pressedId) {
  {
    std::lock_guard lock(m_pictureLock);
    m_normalPicture.Load(normalId);
    m_hoverPicture.Load(hoverId);
    m_pressedPicture.Load(pressedId);
  }
  if (!plat::IsWindowThread()) {
    Invalidate();
    return;
  }
  m_bareFaceOnce = true;
  UpdateNow();
  m_bareFaceOnce = false;
}

void ZNCHoverButton::SetCaption(const std::wstring& text, const CaptionColours& colours) {
  std::lock_guard lock(m_pictureLock);
  m_state = kNormal;
  m_pressed = false;
  m_captured = false;
  m_placementKnown = false;
  m_forcedState = kNone;
  m_parent = nullptr;
  m_font.reset();
  m_colours = colours;
  if (!text.empty()) m_caption = text;
  Invalidate();
}

std::wstring ZNCHoverButton::caption() const {
  std::lock_guard lock(m_pictureLock);
  return m_caption;
}

void ZNCHoverButton::SetCaptionOffset(int dx) {
  m_captionOffsetX = dx;
  Invalidate();
}

void ZNCHoverButton::SetButtonFont(const wchar_t* face, int height, int width, int weight,
                                   bool shared) {
  plat::FontSpec spec = plat::StockFontSpec();
  spec.height = height;
  spec.width = width;
  spec.weight = weight;
  spec.face = face != nullptr ? std::wstring(face).substr(0, 31) : L"Arial";
  if (shared) {
    auto font = std::make_shared<const plat::Font>(spec);
    std::lock_guard lock(gSharedFontMutex);
    gSharedFont = std::move(font);
  } else {
    auto font = std::make_unique<plat::Font>(spec);
    std::lock_guard lock(m_pictureLock);
    m_font = std::move(font);
  }
  Invalidate();
}

void ZNCHoverButton::SetForcedState(VisualState state) {
  m_forcedState = state;
  SetVisualState(kNormal);
  Invalidate();  // the forced face shows even when the state stayed the same
}

void ZNCHoverButton::SetVisualState(VisualState state) {
  if (state == m_state) return;
  m_state = state;
  Invalidate();
  if (plat::Window* parent = m_parent) parent->InvalidateRect(Bounds(), false);
}

bool ZNCHoverButton::Inside(plat::Point p) const {
  return p.x >= 0 && p.y >= 0 && p.x < m_width && p.y < m_height;
}

void ZNCHoverButton::Leave() {
  if (m_captured) {
    ReleaseCapture();
    m_captured = false;
  }
  SetVisualState(kNormal);
}

void ZNCHoverButton::OnMouseMove(const plat::MouseEvent& event) {
  if (!Inside(event.at)) {
    if (!m_pressed) Leave();
    return;
  }
  if (!m_captured) {
    SetCapture();
    m_captured = true;
  }
  SetVisualState(event.leftDown && m_pressed ? kPressed : kHover);
}

void ZNCHoverButton::OnLeftDown(const plat::MouseEvent& event) {
  if (Inside(event.at)) {
    SetCapture();
    m_captured = true;
    m_pressed = true;
    SetVisualState(kPressed);
  } else {
    Leave();
    m_pressed = false;
  }
}

void ZNCHoverButton::OnLeftUp(const plat::MouseEvent& event) {
  Leave();
  if (!m_pressed) return;
  m_pressed = false;
  if (Inside(event.at)) NotifyParent(kButtonClicked);
}

void ZNCHoverButton::OnCaptureLost() {
  m_captured = false;
  SetVisualState(kNormal);
}

ZNCHoverButton::Face& ZNCHoverButton::FaceFor(VisualState state) {
  if (!IsEnabled()) return m_disabledPicture.picture.empty() ? m_normalPicture : m_disabledPicture;
  switch (state) {
    case kHover:
      return m_hoverPicture;
    case kPressed:
      return m_pressedPicture;
    default:
      return m_normalPicture;
  }
}

void ZNCHoverButton::Draw(plat::Canvas& dc, bool ownWindow) {
  plat::Window* parent = this->parent();
  if (parent == nullptr || !IsVisible()) return;
  if (m_forcedState != kNone) m_state = m_forcedState.load();
  if (!m_placementKnown) {
    m_placementKnown = true;
    m_parent = parent;
    if (parent->FindControl(m_id) == this) Resize(pictureSize());
  }

  std::lock_guard lock(m_pictureLock);
  const VisualState state = m_state;
  Face& face = FaceFor(state);
  if (face.picture.empty()) return;
  const plat::Point at = ownWindow ? plat::Point{} : plat::Point{Bounds().left, Bounds().top};
  if (!m_caption.empty() && !m_bareFaceOnce) {
    const std::shared_ptr<const plat::Font> shared = SharedFont();
    const plat::Font& font = m_font ? *m_font : shared ? *shared : dc.font();
    const plat::Size extent{font.TextWidth(m_caption), font.height()};
    const plat::Point where{(m_width / 2 - extent.width / 2) + m_captionOffsetX,
                            m_height / 2 - extent.height / 2};
    const plat::ColorRef colour = !IsEnabled()        ? m_colours.disabled
                                  : state == kHover   ? m_colours.hover
                                  : state == kPressed ? m_colours.pressed
                                                      : m_colours.normal;
    face.Write(m_caption, colour, where, font);
  }
  dc.Copy(at, face.picture,
          {0, 0, std::min<int>(m_width, face.picture.width()),
           std::min<int>(m_height, face.picture.height())});
}

void ZNCHoverButton::OnPaint(plat::Bitmap& face) {
  plat::Canvas canvas(face);
  Draw(canvas, true);
}

void ZNCHoverButton::RedrawWithParent() {
  plat::Window* parent = this->parent();
  if (m_parent == nullptr) m_parent = parent;
  UpdateNow();
  if (parent != nullptr) parent->InvalidateRect(Bounds(), false);
}
