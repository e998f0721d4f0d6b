#pragma once
// The skinned message box: a fixed picture as background, the message centred
// on it in light grey, one to four hover buttons along the bottom. Modal,
// dragged by its background; Escape and the close command leave it open,
// Enter answers OK in a box whose first button is OK.
#include <array>
#include <memory>
#include <string>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/font.h"
#include "ui/dialog.h"
#include "ui/hover_button.h"

class CMsgBox : public Dialog {
 public:
  // Button ids: One, Two, Three, Four.
  static constexpr int kButtonIds[4] = {1027, 1028, 1029, 1031};

  // The box opens at parent's top-left corner (parent may be null). An
  // unknown type (also one with icon or default-button flags) is MB_OK.
  CMsgBox(plat::Window* parent, unsigned type, std::wstring text);
  ~CMsgBox() override;

  // DoModal returns the result of the button pressed (util/message_box.h).

  const std::wstring& text() const { return m_text; }
  unsigned type() const { return m_type; }
  int buttonCount() const { return m_buttonCount; }
  // 0 One .. 3 Four.
  ZNCHoverButton& button(int index) { return *m_buttons[index]; }
  const ZNCHoverButton& button(int index) const { return *m_buttons[index]; }
  // Where the message is drawn, in the box's coordinates.
  plat::Rect textRect() const;

 protected:
  bool OnInitDialog() override;
  void OnEraseBackground(plat::Bitmap&, const plat::Rect&) override {}
  void OnPaint(plat::Bitmap& frame, const plat::Rect& area) override;
  void OnLeftDown(const plat::MouseEvent& event) override;
  void OnMouseMove(const plat::MouseEvent& event) override;
  void OnLeftUp(const plat::MouseEvent& event) override;
  void OnClose() override {}
  bool OnKeyDown(plat::Key key) override;
  void OnCommand(int id, int notification) override;

 private:
  std::wstring m_text;
  std::array<int, 4> m_results{};  // of buttons One .. Four
  int m_buttonCount = 1;
  unsigned m_type = 0;
  plat::Bitmap m_picture;
  int m_pictureWidth = 0;
  int m_pictureHeight = 0;
  bool m_dragging = false;
  plat::Point m_pressOffset;
  std::unique_ptr<plat::Font> m_textFont;
  std::array<std::unique_ptr<ZNCHoverButton>, 4> m_buttons;  // One .. Four
  plat::ColorRef m_textColour = 0x00ECECEC;
};
