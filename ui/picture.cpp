#include "ui/picture.h"

#include "platform/fs/files.h"
#include "platform/gfx/picture_decoder.h"

int LoadImageFile(std::wstring_view path, Picture& out) {
  out.reset();
  if (path.empty()) return kImageCannotOpen;
  const plat::File file = plat::OpenFile(path, "rb");
  if (!file) return kImageCannotOpen;
  auto picture = std::make_unique<plat::Bitmap>();
  switch (plat::DecodePicture(file.get(), *picture)) {
    case plat::DecodeResult::kOk:
      out = std::move(picture);
      return kImageLoaded;
    case plat::DecodeResult::kUnknownType:
      return kImageUnknownType;
    case plat::DecodeResult::kUndecodable:
      break;
  }
  return kImageUndecodable;
}

void DrawImageAt(plat::Canvas& dc, int x, int y, const plat::Bitmap* picture) {
  if (!picture) return;
  dc.CopyTransparent({x, y}, *picture, plat::kTransparentKey);
}

void DrawFrame(plat::Canvas& dc, int left, int top, int right, int bottom, int style,
               plat::ColorRef topColour, plat::ColorRef bottomColour, plat::ColorRef leftColour,
               plat::ColorRef rightColour) {
  if (style != 12) return;
  dc.FillRect({left, top, right, top + 1}, topColour);
  dc.FillRect({left, bottom - 1, right, bottom}, bottomColour);
  dc.FillRect({left, top, left + 1, bottom}, leftColour);
  dc.FillRect({right - 1, top, right + 1, bottom}, rightColour);
}
