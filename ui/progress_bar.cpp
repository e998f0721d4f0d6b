#include "ui/progress_bar.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "ui/text_lines.h"
#include "util/text_measure.h"

namespace {

// One colour component of the stripes.
struct Channel {
  int value;
  int limit;
  int step;
  void Next() { value = value + step < limit ? value + step : limit; }
  int Darker() const { return value > 50 ? value - 50 : 0; }
};

}  // namespace

void DrawProgressBar(plat::Canvas& dc, unsigned windowStyle, double percent, plat::Rect rect,
                     std::uint32_t /*flags*/, std::wstring_view text, std::uint8_t startRed,
                     std::uint8_t startGreen, std::uint8_t startBlue, std::uint8_t limitRed,
                     std::uint8_t limitGreen, std::uint8_t limitBlue, std::uint8_t stepRed,
                     std::uint8_t stepGreen, std::uint8_t stepBlue, plat::ColorRef background,
                     plat::ColorRef /*border*/, plat::ColorRef textColour,
                     plat::ColorRef /*shadow*/, int stripeCount, int textOffset) {
  if (!(percent >= 0)) percent = 0;  // also NaN
  if (percent > 100) percent = 100;
  const int width = rect.right > rect.left ? rect.Width() : 0;
  // A stripe is at least one pixel wide, so the stripes are never more than
  // the pixels they cover.
  stripeCount = std::clamp(stripeCount, 1, std::max(width, 1));

  const plat::StateScope state(dc);
  dc.FillRect(rect, background);

  const double barWidth = width * percent / 100.0;
  const double stripeWidth = static_cast<double>(width) / stripeCount;
  Channel red{startRed, limitRed, stepRed};
  Channel green{startGreen, limitGreen, stepGreen};
  Channel blue{startBlue, limitBlue, stepBlue};
  for (double x = rect.left; rect.left + barWidth > x; x += stripeWidth) {
    const int right = std::min(static_cast<int>(std::trunc(x + stripeWidth + 1.0)), rect.right);
    const plat::Rect stripe{static_cast<int>(std::trunc(x)), rect.top, right, rect.bottom};
    dc.FillRect(stripe, plat::Rgb(red.value, green.value, blue.value));
    if (right < rect.left + 8)
      dc.FillRect(stripe, plat::Rgb(red.Darker(), green.Darker(), blue.Darker()));
    red.Next();
    green.Next();
    blue.Next();
  }

  dc.SetBackgroundMode(plat::Canvas::Background::kTransparent);
  dc.SetTextColour(textColour);
  const int top = rect.top + (rect.Height() - dc.TextExtent(L"8Z").height) / 2 + textOffset;
  std::wstring shown;
  FitTextToWidth(windowStyle, dc, text, width > 50 ? width - 20 : width, shown);
  dc.SetClip(rect);
  DrawCenteredText(windowStyle, dc, rect, top, shown, 0, 0);
}
