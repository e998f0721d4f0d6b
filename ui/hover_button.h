#pragma once
// The push button of the skinned windows: a face picture per state (normal,
// hover, pressed, optionally disabled) from the bitmap resources, a caption
// written into the face in the state's colour, its own mouse tracking with
// capture, and a click reported to the parent on release.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/core/colour.h"
#include "platform/core/geometry.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/canvas.h"
#include "platform/gfx/font.h"
#include "platform/window/control.h"
#include "platform/window/window.h"

// The notification of a click (BN_CLICKED), with the button's id, to the
// parent's OnCommand.
constexpr int kButtonClicked = 0;

// Forgets the caption font shared by every button (window thread).
void ResetSharedButtonFont();

// A button's faces by bitmap resource id; 0 is no face (no disabled face: the
// normal one shows).
struct FaceSet {
  unsigned normal = 0;
  unsigned hover = 0;
  unsigned pressed = 0;
  unsigned disabled = 0;
  friend bool operator==(const FaceSet&, const FaceSet&) = default;
};

// The caption's colour in each visual state.
struct CaptionColours {
  plat::ColorRef normal = 0;
  plat::ColorRef hover = 0;
  plat::ColorRef pressed = 0;
  plat::ColorRef disabled = 0;
  static constexpr CaptionColours All(plat::ColorRef colour) {
    return {colour, colour, colour, colour};
  }
  friend bool operator==(const CaptionColours&, const CaptionColours&) = default;
};

class ZNCHoverButton : public plat::Control {
 public:
  // kNone: no state forced.
  enum VisualState { kNone = 0, kNormal = 1, kHover = 2, kPressed = 3 };

  ZNCHoverButton(int id, const FaceSet& faces, const CaptionColours& colours);
  ~ZNCHoverButton() override;

  // Places the button on parent (window thread).
  bool Attach(plat::Window& parent, const plat::Rect& bounds);

  // Set-up, from any thread: the picture lock keeps a face from changing while
  // it is drawn, and a resize of the button is done on the window's thread.
  // Faces from resources; the size is the smallest width and the smallest
  // height of the three main faces. Unless keepWindowSize, the button takes
  // that size. No normal face: no faces.
  void SetBitmaps(const FaceSet& faces, bool keepWindowSize);
  // Swaps the three main faces and shows the current one at once, without
  // caption; the size stays.
  void ReplacePictures(unsigned normalId, unsigned hoverId, unsigned pressedId);
  // Back to normal with nothing pressed, captured or forced, the own font
  // dropped; an empty text keeps the caption.
  void SetCaption(const std::wstring& text, const CaptionColours& colours);
  void SetCaptionOffset(int dx);
  // The caption font from the stock font's description ("Arial" for a null
  // face): the button's own, or the one shared by every button.
  void SetButtonFont(const wchar_t* face, int height, int width, int weight, bool shared);

  // Draws the face of state whatever the mouse does, until SetCaption.
  void SetForcedState(VisualState state);
  void SetVisualState(VisualState state);

  // Writes the caption into the face of the state and copies the face to dc:
  // at (0, 0) for the button itself, else at its place in the parent.
  void Draw(plat::Canvas& dc, bool ownWindow);
  // Paints the button now and asks the parent to paint again, without erasing.
  void RedrawWithParent();

  VisualState state() const { return m_state; }
  plat::Size pictureSize() const { return {m_width, m_height}; }
  std::wstring caption() const;

 protected:
  void OnMouseMove(const plat::MouseEvent& event) override;
  void OnLeftDown(const plat::MouseEvent& event) override;
  void OnLeftUp(const plat::MouseEvent& event) override;
  void OnLeftDoubleClick(const plat::MouseEvent&) override {}  // a quick second click does nothing
  void OnCaptureLost() override;
  void OnPaint(plat::Bitmap& face) override;

 private:
  // A face picture and the caption last written into it: writing the same
  // caption again in the same place would only thicken its smoothed edges.
  struct Face {
    plat::Bitmap picture;
    std::wstring text;
    plat::ColorRef colour = 0;
    plat::Point at;
    plat::FontSpec font;
    void Load(unsigned id);
    void Write(const std::wstring& caption, plat::ColorRef colour, plat::Point at,
               const plat::Font& font);
  };

  bool Inside(plat::Point p) const;  // within (0, 0, width, height)
  void Leave();
  Face& FaceFor(VisualState state);
  void ResizeToPicture();

  mutable std::mutex m_pictureLock;
  std::atomic<bool> m_placementKnown{false};
  std::atomic<bool> m_pressed{false};
  std::atomic<bool> m_captured{false};
  std::atomic<VisualState> m_state{kNormal};
  std::atomic<int> m_height{0};
  std::atomic<int> m_width{0};
  Face m_pressedPicture;
  Face m_hoverPicture;
  Face m_normalPicture;
  Face m_disabledPicture;
  std::wstring m_caption;
  std::atomic<int> m_captionOffsetX{0};
  std::unique_ptr<plat::Font> m_font;
  std::atomic<plat::Window*> m_parent{nullptr};
  const int m_id;
  CaptionColours m_colours;
  std::atomic<VisualState> m_forcedState{kNone};
  bool m_bareFaceOnce = false;  // the next paint shows the face without caption
};
