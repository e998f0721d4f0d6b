// Shows the skinned window with its buttons and then a skinned message box,
// and saves a picture of each: the screenshots of the README's "Look"
// section. Usage: swaymo-look OUTPUT-FOLDER [--headless]
// On X11 (run it under Xvfb) the pictures are taken from the screen with
// ImageMagick's import; headless, from the simulated screen.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/fs/drive_table.h"
#include "platform/gfx/canvas.h"
#include "platform/gfx/font.h"
#include "platform/window/display.h"
#include "platform/window/headless/headless.h"
#include "ui/hover_button.h"
#include "ui/msg_box.h"
#include "ui/resources.h"
#include "ui/skin_constants.h"
#include "ui/skin_dialog.h"
#include "ui/text_lines.h"
#include "util/message_box.h"

namespace {

constexpr plat::ColorRef kText = kSkinTextColour;
constexpr int kMargin = 24;  // of desktop around a window in its picture

std::filesystem::path gOutput;
bool gHeadless = false;

// The screen around a window, saved as name.png.
bool SavePicture(const plat::Window& window, const std::string& name) {
  plat::DispatchUntil([] { return false; }, 300);  // let everything paint
  const plat::Rect b = window.Bounds();
  const plat::Rect area{b.left - kMargin, b.top - kMargin, b.right + kMargin, b.bottom + kMargin};
  const std::filesystem::path file = gOutput / (name + ".png");
  if (gHeadless) {
    const plat::Bitmap screen = plat::headless::Screenshot();
    plat::Bitmap part(area.Width(), area.Height());
    plat::Canvas(part).Copy({-area.left, -area.top}, screen);
    return part.SavePng(file);
  }
  const std::string command = "import -window root -crop " + std::to_string(area.Width()) + "x" +
                              std::to_string(area.Height()) + "+" + std::to_string(area.left) +
                              "+" + std::to_string(area.top) + " '" + file.string() + "'";
  return std::system(command.c_str()) == 0;
}

// The wizard's window as the user first meets it, with made-up texts.
class LookDialog : public CSkinDialog {
 public:
  LookDialog()
      : CSkinDialog(plat::Rect::FromSize(kMargin, kMargin, kSkinSize.width, kSkinSize.height)),
        next_(1000, {1080, 1079, 1078, 1081}, kSkinCaptionColours),
        minimise_(1005, {282, 287, 286}, kSkinCaptionColours),
        exit_(1003, {288, 290, 289}, kSkinCaptionColours),
        cancel_(1014, {243, 242, 241}, kSkinCaptionColours),
        heading_({L"Verdana", 18, 0, 700}),
        body_({L"Verdana", 13, 0, 400}) {}

 protected:
  bool OnInitDialog() override {
    CSkinDialog::OnInitDialog();
    SetDialogIcon(kSkinIconId);
    SetSkinFolder(plat::ProgramFolder() + L"\\dat\\");
    LoadSkin(0, 0, kSkinFileName, plat::kTransparentKey);
    SetDragRect(&kDragBand);
    SetPaintCallback([this](plat::Canvas& dc) { Paint(dc); });
    SetMinimumSize(kSkinSize.width, kSkinSize.height);
    SetSkinSize(kSkinSize.width, kSkinSize.height, true);

    const int w = GetSkinWidth(), h = GetSkinHeight();
    const int exitWidth = exit_.pictureSize().width;
    const int minimiseX = w - 12 - 2 * exitWidth;
    Place(minimise_, {minimiseX, 8});
    Place(exit_, {minimiseX + exitWidth + 3, 8});
    Place(next_, {w - w / 2 - next_.pictureSize().width / 2, h - 102});
    Place(cancel_, {w - w / 2 - cancel_.pictureSize().width / 2, h - 50});
    next_.SetCaption(L"Next", CaptionColours::All(kText));
    next_.SetButtonFont(L"Verdana", 15, 0, 16, false);
    cancel_.SetCaption(L"Cancel", CaptionColours::All(kText));
    AllowShow();
    SetSkinSize(kSkinSize.width, kSkinSize.height, true);
    return true;
  }

 private:
  void Place(ZNCHoverButton& button, plat::Point at) {
    button.Attach(*this, plat::Rect::FromSize(at.x, at.y, button.pictureSize().width,
                                              button.pictureSize().height));
  }
  void Paint(plat::Canvas& dc) {
    dc.SetBackgroundMode(plat::Canvas::Background::kTransparent);
    dc.SetTextColour(kText);
    const plat::Rect page{90, 0, 540, kSkinSize.height};
    {
      plat::FontScope font(dc, &heading_);
      DrawCenteredText(0, dc, page, 120, L"Connect your PSP", 0, 0);
    }
    plat::FontScope font(dc, &body_);
    TextLayout layout;
    layout.centred = true;
    DrawWrappedText(0, dc, page, 0, 170,
                    L"Plug the PSP into a USB port of this computer and choose "
                    L"\"USB Connection\" in its Settings menu.",
                    layout, nullptr, nullptr, nullptr);
    for (ZNCHoverButton* button : {&exit_, &minimise_, &next_, &cancel_}) button->Draw(dc, false);
  }

  ZNCHoverButton next_, minimise_, exit_, cancel_;
  plat::Font heading_, body_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: swaymo-look OUTPUT-FOLDER [--headless]\n");
    return 2;
  }
  gOutput = argv[1];
  gHeadless = argc > 2 && std::string(argv[2]) == "--headless";
  std::string error;
  if (!plat::OpenDisplay(gHeadless ? plat::DisplayKind::kHeadless : plat::DisplayKind::kX11,
                         &error)) {
    std::fprintf(stderr, "swaymo-look: %s\n", error.c_str());
    return 1;
  }
  std::filesystem::create_directories(gOutput);

  int failures = 0;
  LookDialog dialog;
  if (!dialog.CreateModeless()) return 1;
  failures += !SavePicture(dialog, "look-dialog");

  CMsgBox box(&dialog, MB_OKCANCEL,
              L"The memory stick has too little free space for Swaymo.\n"
              L"Free at least 24 MB on it, then press OK to try again.");
  dialog.ref().PostCall([&] {
    failures += !SavePicture(box, "look-message-box");
    box.EndDialog(IDOK);
  });
  box.DoModal();
  dialog.Destroy();
  plat::CloseDisplay();
  return failures == 0 ? 0 : 1;
}
