#include "platform/gfx/font_matcher.h"

#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>
#include <utility>

namespace plat {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};

std::vector<FaceFile> Query(const std::string& family, bool bold) {
  std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
  if (!pattern) return {};
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());

  FcResult result = FcResultNoMatch;
  std::unique_ptr<FcFontSet, FontSetDeleter> sorted(
      FcFontSort(nullptr, pattern.get(), FcTrue, nullptr, &result));
  std::vector<FaceFile> faces;
  if (!sorted) return faces;
  for (int i = 0; i < sorted->nfont; ++i) {
    FcPattern* font = sorted->fonts[i];
    FcBool outline = FcFalse;
    FcChar8* file = nullptr;
    FcCharSet* charset = nullptr;
    if (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline) continue;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch) continue;
    FaceFile face;
    face.path = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font, FC_INDEX, 0, &face.index);
    int weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    face.bold = weight >= FC_WEIGHT_DEMIBOLD;
    face.charset.reset(FcCharSetCopy(charset),
                       [](const _FcCharSet* c) { FcCharSetDestroy(const_cast<FcCharSet*>(c)); });
    faces.push_back(std::move(face));
  }
  return faces;
}

}  // namespace

bool FaceFile::Covers(char32_t c) const {
  return charset && FcCharSetHasChar(const_cast<FcCharSet*>(charset.get()), c);
}

std::vector<FaceFile> MatchFaces(const std::string& family, bool bold) {
  // Sorting the installed fonts takes milliseconds; fonts are made often.
  static std::mutex mutex;
  static std::map<std::pair<std::string, bool>, std::vector<FaceFile>> cache;
  std::lock_guard lock(mutex);
  auto key = std::make_pair(family, bold);
  auto found = cache.find(key);
  if (found != cache.end()) return found->second;
  std::vector<FaceFile> faces = Query(family, bold);
  cache.emplace(std::move(key), faces);
  return faces;
}

}  // namespace plat
