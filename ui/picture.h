#pragma once
// Page pictures: decoded from a file once, drawn with pure blue transparent;
// and the thin coloured frame of the wizard's pages.
#include <memory>
#include <string_view>

#include "platform/core/colour.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/canvas.h"

// A decoded picture, owned by whoever loaded it.
using Picture = std::unique_ptr<plat::Bitmap>;

// Results of LoadImageFile.
constexpr int kImageLoaded = 0;
constexpr int kImageCannotOpen = 1;  // the path is empty or the file cannot be opened
constexpr int kImageUnknownType = 2;
constexpr int kImageUndecodable = 4;

// Decodes the picture file at a Windows-style path; out is null unless the
// result is kImageLoaded.
int LoadImageFile(std::wstring_view path, Picture& out);

// Draws the picture at (x, y) in its own size, leaving out pure blue pixels.
// A null picture draws nothing.
void DrawImageAt(plat::Canvas& dc, int x, int y, const plat::Bitmap* picture);

// Style 12, the only one: one-pixel edges on (left, top, right, bottom), the
// right edge two pixels wide with its second column just outside.
void DrawFrame(plat::Canvas& dc, int left, int top, int right, int bottom, int style,
               plat::ColorRef topColour, plat::ColorRef bottomColour, plat::ColorRef leftColour,
               plat::ColorRef rightColour);
