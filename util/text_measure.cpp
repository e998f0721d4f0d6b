#include "util/text_measure.h"

int MeasureTextWidth(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text) {
  if (text.empty()) return 0;
  if (windowStyle & kWindowStyleExpandTabs) return dc.TabbedTextExtent(text).width;
  return dc.TextExtent(text).width;
}

std::size_t FittingLength(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text,
                          int maximum) {
  return dc.FittingLength(text, maximum, (windowStyle & kWindowStyleExpandTabs) != 0);
}

int FitTextToWidth(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text, int maximum,
                   std::wstring& out) {
  if (maximum < 0) return 0;
  out.assign(text.substr(0, FittingLength(windowStyle, dc, text, maximum)));
  return MeasureTextWidth(windowStyle, dc, out);
}
