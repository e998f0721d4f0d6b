#include "ui/text_lines.h"

#include <algorithm>

#include "ui/text_words.h"
#include "util/text_measure.h"

int LineHeight(plat::Canvas& dc) {
  return dc.TextExtent(L"8").height + 2;
}

plat::Size MeasureTextSize(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text) {
  return {MeasureTextWidth(windowStyle, dc, text), dc.TextExtent(text).height};
}

void DrawCenteredText(unsigned windowStyle, plat::Canvas& dc, const plat::Rect& rect, int y,
                      std::wstring_view text, int dx, int dy) {
  const int width = MeasureTextWidth(windowStyle, dc, text);
  dc.TextOut({rect.left + ((rect.Width() >> 1) - (width >> 1)) + dx, y + dy}, text);
}

namespace {

// The length of the next line of rest: all of it when it fits; else as many
// whole words as fit, or as many characters, but never less than one.
std::size_t NextLineLength(unsigned windowStyle, plat::Canvas& dc, std::wstring_view rest,
                           int available, bool breakAnywhere) {
  // Widths only grow with length, so "drop from the end until it fits" keeps
  // the longest start that fits.
  const std::size_t fits = FittingLength(windowStyle, dc, rest, available);
  if (fits == rest.size()) return fits;
  if (!breakAnywhere) {
    const std::size_t words = LastWordEndWithin(rest, fits);
    if (words > 0) return words;
  }
  return std::max<std::size_t>(fits, 1);
}

}  // namespace

void DrawWrappedText(unsigned windowStyle, plat::Canvas& dc, const plat::Rect& rect,
                     int firstIndent, int y, std::wstring_view text, const TextLayout& layout,
                     int* lineCount, int* lineHeight, int* endWidth, int* lastLineEnd) {
  const int height = LineHeight(dc);
  int indent = firstIndent;
  int dy = layout.dy;
  int lines = 0;
  int lastEnd = firstIndent;
  std::wstring_view rest = text;
  while (!rest.empty()) {
    const int available = rect.Width() - indent;
    const std::wstring_view line =
        rest.substr(0, NextLineLength(windowStyle, dc, rest, available, layout.breakAnywhere));
    const bool draw = !layout.measureOnly;
    const int width = draw || lastLineEnd ? MeasureTextWidth(windowStyle, dc, line) : 0;
    lastEnd = indent + width;
    if (draw) {
      const int x = layout.centred ? rect.left + ((available >> 1) - (width >> 1)) + layout.dx
                                   : rect.left + indent;
      const int top = rect.top + y + dy;
      dc.TextOut({x, top}, line);
      if (layout.underline) {
        dc.FillRect(plat::Rect::FromSize(rect.left, top + dc.TextExtent(line).height, width, 1),
                    layout.underlineColour);
      }
    }
    ++lines;
    rest.remove_prefix(line.size());
    while (!rest.empty() && rest.front() == L' ') rest.remove_prefix(1);
    dy += height;
    indent = 0;
  }
  if (lineCount) *lineCount = lines;
  if (lineHeight) *lineHeight = height;
  if (endWidth) *endWidth = MeasureTextWidth(windowStyle, dc, text) + firstIndent;
  if (lastLineEnd) *lastLineEnd = lastEnd;
}
