#include "ui/msg_box.h"

#include <algorithm>

#include "platform/gfx/canvas.h"
#include "ui/msg_box_table.h"
#include "ui/resources.h"
#include "ui/skin_constants.h"
#include "ui/text_lines.h"
#include "util/message_box.h"

namespace {

constexpr unsigned kPictureId = 230;
// The picture's size; also the box's size when the picture is missing.
constexpr plat::Size kBoxSize{384, 250};

// The one-button box's faces, and those of each button of a larger box.
constexpr FaceSet kSingleFaces{239, 238, 237};
constexpr FaceSet kRowFaces{243, 242, 241};

plat::Rect BoxBounds(const plat::Window* parent) {
  const plat::Rect owner = parent != nullptr ? parent->Bounds() : plat::Rect{};
  return plat::Rect::FromSize(owner.left, owner.top, kBoxSize.width, kBoxSize.height);
}

// Without its picture the box still has to be answered: a plain plum panel.
plat::Bitmap PlainBackground() {
  plat::Bitmap picture(kBoxSize.width, kBoxSize.height, plat::ToPixel(0x003E1D37));
  plat::Canvas canvas(picture);
  const plat::ColorRef edge = 0x00734A6B;
  canvas.FillRect({0, 0, kBoxSize.width, 1}, edge);
  canvas.FillRect({0, kBoxSize.height - 1, kBoxSize.width, kBoxSize.height}, edge);
  canvas.FillRect({0, 0, 1, kBoxSize.height}, edge);
  canvas.FillRect({kBoxSize.width - 1, 0, kBoxSize.width, kBoxSize.height}, edge);
  return picture;
}

}  // namespace

CMsgBox::CMsgBox(plat::Window* parent, unsigned type, std::wstring text)
    : Dialog(BoxBounds(parent), parent), m_text(std::move(text)) {
  const MsgBoxButtons buttons = MsgBoxButtonsFor(type);
  m_type = buttons.type;
  m_buttonCount = buttons.count;
  m_results = buttons.results;

  Picture picture = LoadResourceBitmap(kPictureId);
  m_picture = picture ? std::move(*picture) : PlainBackground();
  m_pictureWidth = m_picture.width();
  m_pictureHeight = m_picture.height();

  for (int i = 0; i < 4; ++i) {
    m_buttons[i] = std::make_unique<ZNCHoverButton>(
        kButtonIds[i], i == 0 ? kSingleFaces : kRowFaces, kSkinCaptionColours);
  }
}

CMsgBox::~CMsgBox() = default;

plat::Rect CMsgBox::textRect() const {
  return plat::Rect::FromSize(20, 42, m_pictureWidth - 40, m_pictureHeight - 70);
}

bool CMsgBox::OnInitDialog() {
  plat::FontSpec spec = plat::StockFontSpec();
  spec.face = L"Arial";
  spec.height = 17;
  spec.width = 0;
  spec.weight = 400;
  m_textFont = std::make_unique<plat::Font>(spec);

  Resize({m_pictureWidth, m_pictureHeight});

  const MsgBoxButtons layout = MsgBoxButtonsFor(m_type);
  const int row = m_pictureHeight - 39;
  if (m_buttonCount == 1) m_buttons[0]->SetBitmaps(kSingleFaces, true);
  for (int i = 0; i < 4; ++i) {
    ZNCHoverButton& button = *m_buttons[i];
    button.Attach(*this, plat::Rect::FromSize(layout.columns[i], row, button.pictureSize().width,
                                              button.pictureSize().height));
    if (i >= m_buttonCount) {
      button.Show(false);
      continue;
    }
    if (!layout.captions[i].empty()) {
      button.SetCaption(std::wstring(layout.captions[i]), CaptionColours::All(kSkinTextColour));
    }
  }
  return true;
}

void CMsgBox::OnPaint(plat::Bitmap& frame, const plat::Rect&) {
  plat::Canvas canvas(frame);
  canvas.Copy({0, 0}, m_picture);

  const plat::Rect rect = textRect();
  const plat::StateScope state(canvas);
  canvas.SetClip(rect);
  canvas.SelectFont(m_textFont.get());
  canvas.SetBackgroundMode(plat::Canvas::Background::kTransparent);
  canvas.SetTextColour(m_textColour);
  TextLayout layout;
  layout.centred = true;
  // Each line of the message is wrapped at words and centred.
  int y = 0;
  std::wstring_view rest = m_text;
  while (y < rect.Height()) {
    const std::size_t end = rest.find(L'\n');
    std::wstring_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
    int lines = 0;
    int lineHeight = 0;
    int width = 0;
    DrawWrappedText(0, canvas, rect, 0, y, line, layout, &lines, &lineHeight, &width);
    y += std::max(lines, 1) * lineHeight;
    if (end == std::wstring_view::npos) break;
    rest.remove_prefix(end + 1);
  }
}

void CMsgBox::OnLeftDown(const plat::MouseEvent& event) {
  m_dragging = true;
  const plat::Point screen = ClientToScreen(event.at);
  m_pressOffset = {screen.x - Bounds().left, screen.y - Bounds().top};
  SetCapture();
}

void CMsgBox::OnMouseMove(const plat::MouseEvent& event) {
  if (!m_dragging) return;
  const plat::Point screen = ClientToScreen(event.at);
  Move({screen.x - m_pressOffset.x, screen.y - m_pressOffset.y});
}

void CMsgBox::OnLeftUp(const plat::MouseEvent&) {
  m_dragging = false;
  ReleaseCapture();
}

bool CMsgBox::OnKeyDown(plat::Key key) {
  // Enter answers OK when the first button means OK; Escape does not cancel.
  if (key == plat::Key::kEnter && m_results[0] == IDOK) EndDialog(IDOK);
  return key == plat::Key::kEscape || key == plat::Key::kEnter;
}

void CMsgBox::OnCommand(int id, int notification) {
  if (id == IDOK) {
    EndDialog(IDOK);
    return;
  }
  if (notification != kButtonClicked) return;
  for (int i = 0; i < m_buttonCount; ++i) {
    if (id == kButtonIds[i]) EndDialog(m_results[i]);
  }
}
