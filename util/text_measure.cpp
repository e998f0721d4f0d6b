#include "util/text_measure.h"

int MeasureTextWidth(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text) {
  if (text.empty()) return 0;
  if (windowStyle & kWindowStyleExpandTabs) return dc.TabbedTextExtent(text).width;
  return dc.TextExtent(text).width;
}

int FitTextToWidth(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text, int maximum,
                   std::wstring& out) {
  if (maximum < 0) return 0;
  int width = MeasureTextWidth(windowStyle, dc, text);
  while (width > maximum) {
    text.remove_suffix(1);
    width = MeasureTextWidth(windowStyle, dc, text);
  }
  out.assign(text);
  return width;
}
