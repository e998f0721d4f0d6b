#include "platform/gfx/font_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <mutex>

namespace plat {
namespace {

// The FreeType library is shared; opening and closing faces is serialised.
struct Library {
  FT_Library library = nullptr;
  std::mutex mutex;
  Library() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
};

// Never destroyed: fonts held by static objects may close their faces late.
Library& SharedLibrary() {
  static Library* shared = new Library;
  return *shared;
}

constexpr int kLargestHeight = 1024;

}  // namespace

struct FontFace::Handle {
  FT_Face face = nullptr;
  ~Handle() {
    if (!face) return;
    std::lock_guard lock(SharedLibrary().mutex);
    FT_Done_Face(face);
  }
};

std::unique_ptr<FontFace> FontFace::Open(const FaceFile& file, int height, int width,
                                         bool embolden) {
  auto handle = std::make_unique<Handle>();
  {
    Library& lib = SharedLibrary();
    std::lock_guard lock(lib.mutex);
    if (!lib.library || FT_New_Face(lib.library, file.path.c_str(), file.index, &handle->face) != 0)
      return nullptr;
  }
  FT_Face face = handle->face;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return nullptr;
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);

  // Windows measures the cell by the OS/2 table's Windows ascent and descent.
  const double em = face->units_per_EM;
  double ascent = face->ascender;
  double descent = -face->descender;
  double average = 0;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      os2 && os2->version != 0xFFFF) {
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      ascent = os2->usWinAscent;
      descent = os2->usWinDescent;
    }
    average = os2->xAvgCharWidth;
  }
  if (ascent + descent <= 0) {
    ascent = em * 0.8;
    descent = em * 0.2;
  }
  if (average <= 0) average = em / 2;

  height = std::clamp(height == 0 ? 13 : height, -kLargestHeight, kLargestHeight);
  const double ppem = height > 0 ? height * em / (ascent + descent) : -height;
  double hppem = ppem;
  if (width > 0) hppem = std::min<double>(width, kLargestHeight) * em / average;
  if (FT_Set_Char_Size(face, std::lround(hppem * 64), std::lround(ppem * 64), 72, 72) != 0)
    return nullptr;

  std::unique_ptr<FontFace> out(new FontFace(file, std::move(handle), embolden));
  out->ascent_ = static_cast<int>(std::lround(ascent * ppem / em));
  out->height_ =
      height > 0 ? height : static_cast<int>(std::lround((ascent + descent) * ppem / em));
  out->averageWidth_ = std::max(1, static_cast<int>(std::lround(average * hppem / em)));
  return out;
}

FontFace::FontFace(const FaceFile& file, std::unique_ptr<Handle> handle, bool embolden)
    : file_(file), handle_(std::move(handle)), embolden_(embolden) {}

FontFace::~FontFace() = default;

bool FontFace::HasGlyph(char32_t c) const {
  return FT_Get_Char_Index(handle_->face, c) != 0;
}

Glyph FontFace::Render(char32_t c) const {
  Glyph glyph;
  FT_Face face = handle_->face;
  const FT_UInt index = FT_Get_Char_Index(face, c);
  if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP) != 0) return glyph;
  FT_GlyphSlot slot = face->glyph;
  if (embolden_) FT_GlyphSlot_Embolden(slot);
  glyph.advance = std::max(0, static_cast<int>((slot->advance.x + 32) >> 6));
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return glyph;

  const FT_Bitmap& bitmap = slot->bitmap;
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.width = static_cast<int>(bitmap.width);
  glyph.height = static_cast<int>(bitmap.rows);
  glyph.coverage.assign(static_cast<std::size_t>(glyph.width) * glyph.height, 0);
  const int pitch = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
  for (int y = 0; y < glyph.height; ++y) {
    const int row = bitmap.pitch < 0 ? glyph.height - 1 - y : y;
    const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * pitch;
    std::uint8_t* dst = glyph.coverage.data() + static_cast<std::size_t>(y) * glyph.width;
    for (int x = 0; x < glyph.width; ++x) {
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
        dst[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      else
        dst[x] = src[x];
    }
  }
  return glyph;
}

}  // namespace plat
