#pragma once
// The base of every bitmap-shaped window: the outline is the opaque pixels of
// a skin picture, the background is that picture with the derived dialog's
// drawing on top, a drag band moves the window and a grip in the bottom-right
// corner resizes it between a minimum size and the work area.
#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include "platform/core/colour.h"
#include "platform/core/geometry.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/canvas.h"
#include "ui/dialog.h"

class CSkinDialog : public Dialog {
 public:
  // Draws the derived dialog's texts and pictures onto the composed background.
  using PaintCallback = std::function<void(plat::Canvas& dc)>;

  explicit CSkinDialog(const plat::Rect& bounds, plat::Window* owner = nullptr);
  ~CSkinDialog() override;

  // Loads the icon resource <id> (pure blue transparent) and gives it to the
  // window, which shows it while minimised and in the task bar.
  void SetDialogIcon(unsigned iconId);
  const plat::Bitmap* GetDialogIcon() const;

  // The folder of the skin pictures, a Windows-style path ending in a backslash.
  void SetSkinFolder(const std::wstring& folder);
  // Loads fileName from the skin folder as background and outline; transparent
  // is the key colour (COLORREF). A file that does not load keeps the former
  // outline and leaves the background empty.
  void LoadSkin(int left, int right, std::wstring_view fileName, plat::ColorRef transparent);
  // Shapes the window from the opaque pixels of picture (0x00RRGGBB key);
  // failures are shown in a message box titled "SkinDialog".
  virtual void MakeWindowRegion(const plat::Bitmap* picture, int left, int right,
                                plat::Pixel transparentPixel);

  // The band (window coordinates, all edges inclusive) where a press moves the
  // window; null restores the whole window.
  void SetDragRect(const plat::Rect* rect);
  void SetPaintCallback(PaintCallback callback);

  // Size rules. SetSkinSize keeps the size between the minimum and (when
  // fitToWorkArea) the work area's right and bottom; above 10000 pixels it
  // changes nothing. noRedrawToggle is accepted for callers and has no effect
  // here: the window repaints from its back buffer.
  void SetMinimumSize(int width, int height);
  void SetSkinSize(int width, int height, bool fitToWorkArea, bool noRedrawToggle = false);
  // Moves the rectangle into the work area: 2 when it is then the work area,
  // 1 when changed, 0 when not (or the work area is unknown).
  int FitRectToWorkArea(int* left, int* top, int* right, int* bottom);
  // Lets the next SetSkinSize show the window.
  void AllowShow();

  // Any thread may read these.
  int GetSkinWidth() const { return m_width; }
  int GetSkinHeight() const { return m_height; }
  int GetSkinLeft() const { return m_left; }
  int GetSkinTop() const { return m_top; }
  int GetMinWidth() const { return m_minWidth; }
  int GetMinHeight() const { return m_minHeight; }

 protected:
  // Sets the minimum size to the window's size plus one.
  bool OnInitDialog() override;
  // Derived handlers end by calling these.
  void OnLeftDown(const plat::MouseEvent& event) override;
  void OnMouseMove(const plat::MouseEvent& event) override;
  void OnLeftUp(const plat::MouseEvent& event) override;
  void OnSize(plat::SizeType type, plat::Size size) override;
  void OnMove(plat::Point topLeft) override;
  // Composes the skin and the paint callback's drawing.
  void OnEraseBackground(plat::Bitmap& frame, const plat::Rect& area) override;

  // The last size type (0 restored, 1 minimised, 2 maximised); 2 stops moving
  // and grip resizing. OnSize records it; a derived size handler may too.
  plat::SizeType m_sizeState = plat::SizeType::kRestored;
  // Side of the square resize grip; 0: the size handler does not resize.
  int m_gripSize = 36;

 private:
  bool InDragRect(plat::Point offset) const;
  void ShowFailure(const wchar_t* text);

  plat::Rect m_dragRect;
  plat::Bitmap m_shapeBitmap;
  PaintCallback m_paintCallback;
  plat::Bitmap m_icon;
  plat::Point m_lastMouse;
  int m_skinWidth = 0;
  int m_skinHeight = 0;
  plat::Pixel m_transparentPixel = 0;
  std::wstring m_skinFolder;
  plat::Bitmap m_skinBitmap;
  std::atomic<int> m_height{240};
  std::atomic<int> m_width{320};
  bool m_keepHidden = true;
  bool m_mouseDown = false;
  bool m_gripResizing = false;
  plat::Point m_pressOffset;
  std::atomic<int> m_minHeight{100};
  std::atomic<int> m_minWidth{100};
  std::atomic<int> m_left{0};
  std::atomic<int> m_top{0};
};
