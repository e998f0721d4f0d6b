#include "ui/formatted_text.h"

#include <algorithm>
#include <string>

#include "util/style_tables.h"

namespace {

// The version notice: a number and the text shown in front of the rest when a
// \vr code names a higher number. Nothing in the program sets them.
constexpr unsigned kNoticeVersion = 0;
constexpr std::wstring_view kNoticeText = L"";

constexpr std::size_t kNone = std::wstring::npos;

bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

// The end of the line that starts at pos: the first carriage return, else the
// first line feed, else the end of the text. Remembers what it found, so a
// text of many segments is searched once.
class LineEnds {
 public:
  std::size_t Find(const std::wstring& text, std::size_t pos) {
    if (!known_ || (cr_ != kNone && cr_ < pos)) cr_ = text.find(L'\r', pos);
    if (!known_ || (lf_ != kNone && lf_ < pos)) lf_ = text.find(L'\n', pos);
    known_ = true;
    if (cr_ != kNone) return cr_;
    return lf_ != kNone ? lf_ : text.size();
  }
  void Forget() { known_ = false; }
  // The characters in [from, to) were written over; the rest stayed in place.
  void Rewritten(const std::wstring& text, std::size_t from, std::size_t to) {
    Update(text, from, to, L'\r', cr_);
    Update(text, from, to, L'\n', lf_);
  }

 private:
  static void Update(const std::wstring& text, std::size_t from, std::size_t to, wchar_t c,
                     std::size_t& cached) {
    const auto end = text.begin() + static_cast<std::ptrdiff_t>(to);
    const auto inside = std::find(text.begin() + static_cast<std::ptrdiff_t>(from), end, c);
    if (inside != end)
      cached = static_cast<std::size_t>(inside - text.begin());
    else if (cached != kNone && cached < to)
      cached = text.find(c, to);
  }

  bool known_ = false;
  std::size_t cr_ = kNone;
  std::size_t lf_ = kNone;
};

// What one step of the scan found at the start of the remaining text.
struct Step {
  std::wstring segment;         // text to draw, with doubled backslashes made single
  bool cutAtBackslash = false;  // the line goes on after the segment
  bool readCode = false;        // a \fs or \fc code with a digit
};

}  // namespace

int DrawFormattedText(unsigned windowStyle, plat::Canvas& dc, const plat::Rect& rect, int y,
                      std::wstring_view text, const TextLayout& layout, int* lineCount,
                      int* lineHeight, int* overflow, int* yEnd) {
  if (lineCount) *lineCount = 0;
  if (lineHeight) *lineHeight = 0;
  if (overflow) *overflow = 0;
  if (yEnd) *yEnd = y;
  if (text.empty()) return 0;

  const plat::StateScope state(dc);
  auto selectStyleFont = [&](int index) {
    if (StyleFonts[index]) dc.SelectFont(StyleFonts[index].get());
  };
  selectStyleFont(0);
  dc.SetTextColour(StyleColours[0]);

  std::wstring work(text);
  std::size_t pos = 0;
  LineEnds lineEnds;
  int lines = 0;
  int height = 0;  // line height of the last segment drawn
  int indent = 0;
  int lastEndWidth = 0;

  while (pos < work.size() && (yEnd || y <= rect.Height())) {
    const std::size_t lineEnd = lineEnds.Find(work, pos);
    Step step;
    bool restart = false;
    std::size_t i = pos;
    while (i < lineEnd) {
      if (work[i] != L'\\') {
        step.segment += work[i++];
        continue;
      }
      if (i + 1 < work.size() && work[i + 1] == L'\\') {
        step.segment += L'\\';
        i += 2;
        continue;
      }
      if (i != pos) {
        step.cutAtBackslash = true;
        break;
      }
      const std::wstring_view code = std::wstring_view(work).substr(i + 1, 2);
      if ((code == L"fs" || code == L"fc") && i + 3 < work.size() && IsDigit(work[i + 3])) {
        const int n = work[i + 3] - L'0';
        if (n >= 1 && n <= kStyleCount) {
          if (code == L"fs")
            selectStyleFont(n - 1);
          else
            dc.SetTextColour(StyleColours[n - 1]);
        }
        step.readCode = true;
        i += 4;
        break;
      }
      if (code == L"vr" && i + 6 <= lineEnd) {
        const int value =
            (work[i + 3] - L'0') * 100 + (work[i + 4] - L'0') * 10 + (work[i + 5] - L'0');
        std::wstring notice;
        if (static_cast<unsigned>(value) > kNoticeVersion)
          notice = std::wstring(kNoticeText) + L"\r\n\r\n";
        if (notice.size() <= 6) {
          // Written over the end of the code, so nothing after it moves.
          pos = i + 6 - notice.size();
          work.replace(pos, notice.size(), notice);
          lineEnds.Rewritten(work, pos, i + 6);
        } else {
          work.replace(i, 6, notice);
          lineEnds.Forget();
        }
        restart = true;
        break;
      }
      step.segment += L'\\';  // not a code: drawn as it stands
      ++i;
    }
    if (restart) continue;
    pos = i;

    // Skip the line break (or the one blank after a code) in front of the rest.
    if (pos + 1 < work.size() && work[pos] == L'\r' && work[pos + 1] == L'\n')
      pos += 2;
    else if (pos < work.size() && static_cast<unsigned long>(work[pos]) <= 0x20)
      ++pos;

    if (!step.segment.empty()) {
      int segmentLines = 0;
      // The line goes on after the segment's last line, also when it wrapped.
      DrawWrappedText(windowStyle, dc, rect, indent, y, step.segment, layout, &segmentLines,
                      &height, nullptr, &lastEndWidth);
      lines += segmentLines;
      y += (segmentLines - (step.cutAtBackslash ? 1 : 0)) * height;
    } else if (!step.readCode) {
      y += height;  // an empty line
    }

    // After a code or a cut the line goes on where the last segment ended.
    if (step.readCode || step.cutAtBackslash) {
      indent = lastEndWidth;
    } else {
      indent = 0;
      lastEndWidth = 0;
    }
  }

  if (lineCount) *lineCount = lines;
  if (lineHeight) *lineHeight = height;
  if (yEnd) *yEnd = y;
  if (overflow) *overflow = lines > 0 && y + height + layout.dy > rect.Height() ? 1 : 0;
  return 0;
}
