#pragma once
// Picks installed font files for a face name (stands in for the GDI font
// mapper): the best match first, then faces that cover further characters.
#include <memory>
#include <string>
#include <vector>

struct _FcCharSet;

namespace plat {

struct FaceFile {
  std::string path;
  int index = 0;      // face within a collection file
  bool bold = false;  // the file's own weight is bold
  std::shared_ptr<const _FcCharSet> charset;

  // Whether the face maps the character.
  bool Covers(char32_t c) const;
};

// Outline faces for family (UTF-8), best match first; "sans-serif" stands in
// for a family that is not installed. Empty only when no outline font exists.
std::vector<FaceFile> MatchFaces(const std::string& family, bool bold);

}  // namespace plat
