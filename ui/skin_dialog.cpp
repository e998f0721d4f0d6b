#include "ui/skin_dialog.h"

#include <algorithm>

#include "platform/window/display.h"
#include "ui/msg_box.h"
#include "ui/resources.h"
#include "ui/skin_files.h"
#include "ui/skin_region.h"
#include "ui/skin_size.h"
#include "util/message_box.h"

namespace {

const plat::Rect kWholeWindow{0, 0, 99999, 99999};

// One for every skinned dialog: an erase that comes while one is being
// composed draws nothing.
std::atomic<int> gPaintDepth{0};

// Counts one composition for a scope.
class PaintDepthScope {
 public:
  PaintDepthScope() : outermost_(gPaintDepth++ == 0) {}
  ~PaintDepthScope() { --gPaintDepth; }
  PaintDepthScope(const PaintDepthScope&) = delete;
  PaintDepthScope& operator=(const PaintDepthScope&) = delete;
  bool outermost() const { return outermost_; }

 private:
  const bool outermost_;
};

}  // namespace

CSkinDialog::CSkinDialog(const plat::Rect& bounds, plat::Window* owner)
    : Dialog(bounds, owner), m_dragRect(kWholeWindow) {}

CSkinDialog::~CSkinDialog() = default;

void CSkinDialog::SetDialogIcon(unsigned iconId) {
  const Picture icon = LoadResourceBitmap(iconId);
  m_icon = icon ? std::move(*icon) : plat::Bitmap();
  if (!m_icon.empty()) SetIcon(m_icon);
}

const plat::Bitmap* CSkinDialog::GetDialogIcon() const {
  return m_icon.empty() ? nullptr : &m_icon;
}

void CSkinDialog::SetSkinFolder(const std::wstring& folder) {
  m_skinFolder = folder;
}

void CSkinDialog::LoadSkin(int left, int right, std::wstring_view fileName,
                           plat::ColorRef transparent) {
  m_skinBitmap = plat::Bitmap();
  const std::wstring path = FolderOfPath(m_skinFolder) + std::wstring(fileName);
  LoadPictureFile(path, &m_skinBitmap, nullptr);
  LoadPictureFile(path, &m_shapeBitmap, nullptr);
  m_transparentPixel = plat::ToPixel(transparent);
  MakeWindowRegion(m_shapeBitmap.empty() ? nullptr : &m_shapeBitmap, left, right,
                   m_transparentPixel);
}

void CSkinDialog::MakeWindowRegion(const plat::Bitmap* picture, int left, int right,
                                   plat::Pixel transparentPixel) {
  if (!IsCreated()) return;
  std::optional<SkinRegion> region = BitmapToRegion(picture, transparentPixel, left, right);
  if (!region) {
    ShowFailure(L"Skindialog Failed BitmapToRegion");
    return;
  }
  m_skinWidth = picture->width();
  m_skinHeight = picture->height();
  if (!SetShape(region->rects())) {
    ShowFailure(L"Skindialog Failed SetWindowRgn");
    return;
  }
  Invalidate(true);
}

void CSkinDialog::ShowFailure(const wchar_t* text) {
  CMsgBox box(this, MB_OK, text);
  box.SetTitle("SkinDialog");
  box.DoModal();
}

void CSkinDialog::SetDragRect(const plat::Rect* rect) {
  m_dragRect = rect ? *rect : kWholeWindow;
}

void CSkinDialog::SetPaintCallback(PaintCallback callback) {
  m_paintCallback = std::move(callback);
}

void CSkinDialog::SetMinimumSize(int width, int height) {
  m_minWidth = width;
  m_minHeight = height;
  SetMinimumSizeHint({width, height});
  if (m_width < width || m_height > height) SetSkinSize(m_width, height, true, false);
}

void CSkinDialog::SetSkinSize(int width, int height, bool fitToWorkArea, bool) {
  const std::optional<plat::Size> size =
      SkinSizeFor({width, height}, plat::WorkArea(), fitToWorkArea, {m_minWidth, m_minHeight});
  if (!size) return;
  m_width = size->width;
  m_height = size->height;
  if (!IsCreated()) return;
  const plat::Rect bounds = Bounds();
  m_left = bounds.left;
  m_top = bounds.top;
  SetBounds(plat::Rect::FromSize(m_left, m_top, size->width, size->height));
  Raise();
  if (m_keepHidden) {
    Hide();
  } else {
    Show();
  }
}

int CSkinDialog::FitRectToWorkArea(int* left, int* top, int* right, int* bottom) {
  return FitRectToArea(plat::WorkArea(), left, top, right, bottom);
}

void CSkinDialog::AllowShow() {
  m_keepHidden = false;
}

bool CSkinDialog::OnInitDialog() {
  const plat::Rect bounds = Bounds();
  m_minHeight = bounds.Height() + 1;
  m_minWidth = bounds.Width() + 1;
  m_left = bounds.left;
  m_top = bounds.top;
  return true;
}

bool CSkinDialog::InDragRect(plat::Point offset) const {
  return offset.x >= m_dragRect.left && offset.x <= m_dragRect.right &&
         offset.y >= m_dragRect.top && offset.y <= m_dragRect.bottom;
}

void CSkinDialog::OnLeftDown(const plat::MouseEvent& event) {
  m_mouseDown = true;
  const plat::Point screen = ClientToScreen(event.at);
  const plat::Rect bounds = Bounds();
  m_pressOffset = {screen.x - bounds.left, screen.y - bounds.top};
  SetCapture();
  if (InGripZone(m_pressOffset, {m_width, m_height}, m_gripSize)) {
    if (m_sizeState == plat::SizeType::kMaximised) {
      m_mouseDown = false;
      ReleaseCapture();
    } else {
      m_gripResizing = true;
      m_lastMouse = screen;
      SetCursor(plat::Cursor::kResizeNwSe);
    }
  } else if (!InDragRect(m_pressOffset)) {
    m_mouseDown = false;
    ReleaseCapture();
  }
}

void CSkinDialog::OnMouseMove(const plat::MouseEvent& event) {
  const plat::Point screen = ClientToScreen(event.at);
  const plat::Rect bounds = Bounds();
  const plat::Point offset{screen.x - bounds.left, screen.y - bounds.top};
  if (m_sizeState != plat::SizeType::kMaximised &&
      InGripZone(offset, {m_width, m_height}, m_gripSize)) {
    SetCursor(plat::Cursor::kResizeNwSe);
  }
  if (!m_mouseDown) return;
  if (m_gripResizing) {
    const GripStep step = PullGrip({m_width, m_height}, m_lastMouse, screen,
                                   {bounds.left, bounds.top}, {m_minWidth, m_minHeight});
    m_lastMouse = step.lastMouse;
    if (step.changed) {
      // As a size message of its own: the stored size changes when it is handled.
      ref().PostCall([this, size = step.size] { OnSize(plat::SizeType::kRestored, size); });
    }
  } else if (m_sizeState != plat::SizeType::kMaximised) {
    Move({screen.x - m_pressOffset.x, screen.y - m_pressOffset.y});
  }
}

void CSkinDialog::OnLeftUp(const plat::MouseEvent&) {
  if (!m_mouseDown) return;
  m_mouseDown = false;
  m_gripResizing = false;
  UpdateNow();
  ReleaseCapture();
}

void CSkinDialog::OnSize(plat::SizeType type, plat::Size size) {
  m_sizeState = type;
  switch (type) {
    case plat::SizeType::kMinimised:
      return;
    case plat::SizeType::kRestored:
      if (m_gripSize != 0) SetSkinSize(size.width, size.height, true, false);
      break;
    case plat::SizeType::kMaximised: {
      if (m_gripSize == 0) return;
      const plat::Rect work = plat::WorkArea();
      const int height = work.IsEmpty() ? size.height : std::min(size.height, work.bottom);
      SetSkinSize(size.width, height, true, false);
      SetBounds({0, 0, m_width, m_height});
      Raise();
      Show();
      break;
    }
  }
  Invalidate(true);
}

void CSkinDialog::OnMove(plat::Point topLeft) {
  m_left = topLeft.x;
  m_top = topLeft.y;
}

void CSkinDialog::OnEraseBackground(plat::Bitmap& frame, const plat::Rect& area) {
  const PaintDepthScope depth;
  if (!depth.outermost()) return;
  if (m_skinWidth <= 0 || m_skinHeight <= 0) {
    Dialog::OnEraseBackground(frame, area);  // no skin: a plain dialog
  } else {
    plat::Bitmap canvasBitmap(m_skinWidth, m_skinHeight);
    plat::Canvas canvas(canvasBitmap);
    canvas.Copy({0, 0}, m_skinBitmap);
    if (m_paintCallback) m_paintCallback(canvas);
    plat::Canvas target(frame);
    target.Copy({0, 0}, canvasBitmap, ClientRect().Intersect({0, 0, m_skinWidth, m_skinHeight}));
  }
}
