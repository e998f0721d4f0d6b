// Fonts on GDI: the system realises the font, measures and draws its text
// (font linking included) into a 32-bit DIB section, whose coverage is then
// blended into the bitmap in the text colour.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <mutex>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/dib_win32.h"
#include "platform/gfx/font.h"

namespace plat {

// The realised font, selected into a memory DC with a drawing surface that
// grows to the largest text drawn.
class GlyphCache {
 public:
  explicit GlyphCache(const FontSpec& spec);
  ~GlyphCache();
  GlyphCache(const GlyphCache&) = delete;
  GlyphCache& operator=(const GlyphCache&) = delete;

  std::unique_lock<std::mutex> lock() { return std::unique_lock(mutex_); }
  HDC dc() const { return dc_; }
  const TEXTMETRICW& metrics() const { return metrics_; }
  // A surface of at least width x height, top row first; null when the
  // system has no memory for it.
  std::uint32_t* Surface(int width, int height);
  int surfaceStride() const { return surfaceWidth_; }

 private:
  std::mutex mutex_;
  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  HBITMAP surface_ = nullptr;
  HGDIOBJ oldSurface_ = nullptr;
  std::uint32_t* bits_ = nullptr;
  int surfaceWidth_ = 0;
  int surfaceHeight_ = 0;
  TEXTMETRICW metrics_{};
};

GlyphCache::GlyphCache(const FontSpec& spec) : dc_(CreateCompatibleDC(nullptr)) {
  LOGFONTW description{};
  description.lfHeight = spec.height == 0 ? StockFontSpec().height : spec.height;
  description.lfWidth = std::max(0, spec.width);
  description.lfWeight = spec.weight;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfOutPrecision = OUT_TT_PRECIS;
  description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  description.lfQuality = ANTIALIASED_QUALITY;
  description.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  std::wcsncpy(description.lfFaceName, spec.face.c_str(), LF_FACESIZE - 1);
  font_ = CreateFontIndirectW(&description);
  if (!dc_) return;
  oldFont_ = SelectObject(dc_, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(ANSI_VAR_FONT));
  GetTextMetricsW(dc_, &metrics_);
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, RGB(255, 255, 255));
  SetTextAlign(dc_, TA_TOP | TA_LEFT | TA_NOUPDATECP);
}

GlyphCache::~GlyphCache() {
  if (dc_) {
    if (oldSurface_) SelectObject(dc_, oldSurface_);
    if (oldFont_) SelectObject(dc_, oldFont_);
    DeleteDC(dc_);
  }
  if (surface_) DeleteObject(surface_);
  if (font_) DeleteObject(font_);
}

std::uint32_t* GlyphCache::Surface(int width, int height) {
  if (!dc_) return nullptr;
  if (bits_ && width <= surfaceWidth_ && height <= surfaceHeight_) return bits_;
  const int w = std::max(width, surfaceWidth_);
  const int h = std::max(height, surfaceHeight_);
  BITMAPINFO info = TopDown32BitInfo(w, h);
  void* bits = nullptr;
  const HBITMAP made = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!made || !bits) return nullptr;
  const HGDIOBJ previous = SelectObject(dc_, made);
  if (surface_) {
    DeleteObject(surface_);
  } else {
    oldSurface_ = previous;
  }
  surface_ = made;
  bits_ = static_cast<std::uint32_t*>(bits);
  surfaceWidth_ = w;
  surfaceHeight_ = h;
  return bits_;
}

namespace {

// Control characters take no room and draw nothing.
bool IsControl(wchar_t c) {
  return c < 0x20;
}

// One colour channel (at `shift`) of ink over the pixel, by that channel's
// coverage: sub-pixel rendering gives each channel its own.
std::uint32_t MixChannel(Pixel under, Pixel ink, std::uint32_t coverage, int shift) {
  const std::uint32_t u = (under >> shift) & 0xFF;
  const std::uint32_t i = (ink >> shift) & 0xFF;
  return ((i * coverage + u * (255 - coverage) + 127) / 255) << shift;
}

}  // namespace

Font::Font(const FontSpec& spec) : spec_(spec), glyphs_(std::make_unique<GlyphCache>(spec)) {}

Font::~Font() = default;
Font::Font(Font&&) noexcept = default;
Font& Font::operator=(Font&&) noexcept = default;

int Font::ascent() const {
  return glyphs_->metrics().tmAscent;
}
int Font::height() const {
  return glyphs_->metrics().tmHeight;
}
int Font::averageCharWidth() const {
  return glyphs_->metrics().tmAveCharWidth;
}

Font::PenStop Font::Advance(std::wstring_view text, int tabStop, std::optional<int> limit) const {
  auto lock = glyphs_->lock();
  PenStop at;
  std::vector<INT> extents;
  std::size_t i = 0;
  while (i < text.size()) {
    const wchar_t c = text[i];
    if (c == L'\t' && tabStop > 0) {
      const int next = (at.width / tabStop + 1) * tabStop;
      if (limit && next > *limit) break;
      at.width = next;
      at.length = ++i;
      continue;
    }
    if (IsControl(c)) {
      at.length = ++i;
      continue;
    }
    // A run of printable characters, measured as the system draws it.
    std::size_t end = i;
    while (end < text.size() && !IsControl(text[end])) ++end;
    extents.assign(end - i, 0);
    SIZE size{};
    GetTextExtentExPointW(glyphs_->dc(), text.data() + i, static_cast<int>(end - i), 0, nullptr,
                          extents.data(), &size);
    const int base = at.width;
    for (std::size_t k = 0; k < extents.size(); ++k) {
      const int next = base + extents[k];
      if (limit && next > *limit) return at;
      at.width = next;
      at.length = i + k + 1;
    }
    i = end;
  }
  return at;
}

void Font::Draw(Bitmap& target, const Rect& clip, Point origin, std::wstring_view text,
                Pixel colour) const {
  const Rect area = clip.Intersect({0, 0, target.width(), target.height()});
  if (area.IsEmpty()) return;
  std::wstring visible;
  visible.reserve(text.size());
  for (wchar_t c : text) {
    if (!IsControl(c)) visible.push_back(c);
  }
  if (visible.empty()) return;
  auto lock = glyphs_->lock();
  const HDC dc = glyphs_->dc();
  const TEXTMETRICW& metrics = glyphs_->metrics();
  SIZE size{};
  GetTextExtentPoint32W(dc, visible.c_str(), static_cast<int>(visible.size()), &size);
  // Room for glyphs that reach past their advance (italics, overhangs).
  const int margin = metrics.tmMaxCharWidth / 2 + metrics.tmOverhang;
  const Rect box =
      Rect{origin.x - margin, origin.y, origin.x + size.cx + margin, origin.y + metrics.tmHeight}
          .Intersect(area);
  if (box.IsEmpty()) return;
  std::uint32_t* surface = glyphs_->Surface(box.Width(), box.Height());
  if (!surface) return;
  const int stride = glyphs_->surfaceStride();
  for (int y = 0; y < box.Height(); ++y)
    std::fill_n(surface + static_cast<std::size_t>(y) * stride, box.Width(), 0u);
  const RECT inside{0, 0, box.Width(), box.Height()};
  ExtTextOutW(dc, origin.x - box.left, origin.y - box.top, ETO_CLIPPED, &inside, visible.c_str(),
              static_cast<UINT>(visible.size()), nullptr);
  GdiFlush();  // the pixels are read directly
  const Pixel ink = colour & 0xFFFFFF;
  for (int y = 0; y < box.Height(); ++y) {
    const std::uint32_t* cover = surface + static_cast<std::size_t>(y) * stride;
    Pixel* row = target.Row(box.top + y) + box.left;
    for (int x = 0; x < box.Width(); ++x) {
      const std::uint32_t c = cover[x] & 0xFFFFFF;
      if (c == 0) continue;
      if (c == 0xFFFFFF) {
        row[x] = ink;
        continue;
      }
      row[x] = MixChannel(row[x], ink, (c >> 16) & 0xFF, 16) |
               MixChannel(row[x], ink, (c >> 8) & 0xFF, 8) | MixChannel(row[x], ink, c & 0xFF, 0);
    }
  }
}

}  // namespace plat
