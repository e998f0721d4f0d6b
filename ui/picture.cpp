#include "ui/picture.h"

#include <vector>

#include "platform/fs/program_data.h"
#include "platform/gfx/picture_decoder.h"

namespace {

// Far beyond any picture of the program (its skin has 0.8 MB).
constexpr std::size_t kMaxPictureBytes = 64u << 20;

}  // namespace

int LoadImageFile(std::wstring_view path, Picture& out) {
  out.reset();
  std::vector<unsigned char> bytes;
  if (path.empty() || !plat::ReadProgramData(path, bytes, kMaxPictureBytes))
    return kImageCannotOpen;
  auto picture = std::make_unique<plat::Bitmap>();
  switch (plat::DecodePicture(bytes.data(), bytes.size(), *picture)) {
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
