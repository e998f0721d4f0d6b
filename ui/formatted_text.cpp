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
  int font = 0;                 // \fsN read with N in 1..kStyleCount: N
  int colour = 0;               // \fcN read with N in 1..kStyleCount: N
  bool rewritten = false;       // a \vr code changed the text; nothing else was read
};

// Reads a formatted text one step at a time: a segment up to the next code or
// line end, or one code.
class StepReader {
 public:
  explicit StepReader(std::wstring_view text) : work_(text) {}
  bool done() const { return pos_ >= work_.size(); }

  Step Next() {
    const std::size_t lineEnd = lineEnds_.Find(work_, pos_);
    Step step;
    std::size_t i = pos_;
    while (i < lineEnd) {
      if (work_[i] != L'\\') {
        step.segment += work_[i++];
        continue;
      }
      if (i + 1 < work_.size() && work_[i + 1] == L'\\') {
        step.segment += L'\\';
        i += 2;
        continue;
      }
      if (i != pos_) {
        step.cutAtBackslash = true;
        break;
      }
      if (ReadStyleCode(i, step)) break;
      if (ReadVersionCode(i, lineEnd)) {
        step.rewritten = true;
        return step;
      }
      step.segment += L'\\';  // not a code: drawn as it stands
      ++i;
    }
    pos_ = i;
    SkipBreak();
    return step;
  }

 private:
  // \fsN or \fcN at i: moves i past it.
  bool ReadStyleCode(std::size_t& i, Step& step) const {
    const std::wstring_view code = std::wstring_view(work_).substr(i + 1, 2);
    if ((code != L"fs" && code != L"fc") || i + 3 >= work_.size() || !IsDigit(work_[i + 3]))
      return false;
    const int n = work_[i + 3] - L'0';
    if (n >= 1 && n <= kStyleCount) (code == L"fs" ? step.font : step.colour) = n;
    step.readCode = true;
    i += 4;
    return true;
  }

  // \vrNNN at i: replaced by the notice (or nothing), and the scan goes on from
  // where the replacement starts.
  bool ReadVersionCode(std::size_t i, std::size_t lineEnd) {
    if (std::wstring_view(work_).substr(i + 1, 2) != L"vr" || i + 6 > lineEnd) return false;
    const int value =
        (work_[i + 3] - L'0') * 100 + (work_[i + 4] - L'0') * 10 + (work_[i + 5] - L'0');
    std::wstring notice;
    if (static_cast<unsigned>(value) > kNoticeVersion)
      notice = std::wstring(kNoticeText) + L"\r\n\r\n";
    if (notice.size() <= 6) {
      // Written over the end of the code, so nothing after it moves.
      pos_ = i + 6 - notice.size();
      work_.replace(pos_, notice.size(), notice);
      lineEnds_.Rewritten(work_, pos_, i + 6);
    } else {
      pos_ = i;
      work_.replace(i, 6, notice);
      lineEnds_.Forget();
    }
    return true;
  }

  // The line break (or the one blank after a code) in front of the rest.
  void SkipBreak() {
    if (pos_ + 1 < work_.size() && work_[pos_] == L'\r' && work_[pos_ + 1] == L'\n')
      pos_ += 2;
    else if (pos_ < work_.size() && static_cast<unsigned long>(work_[pos_]) <= 0x20)
      ++pos_;
  }

  std::wstring work_;
  std::size_t pos_ = 0;
  LineEnds lineEnds_;
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

  StepReader reader(text);
  int lines = 0;
  int height = 0;  // line height of the last segment drawn
  int indent = 0;
  int lastEndWidth = 0;

  while (!reader.done() && (yEnd || y <= rect.Height())) {
    const Step step = reader.Next();
    if (step.rewritten) continue;
    if (step.font != 0) selectStyleFont(step.font - 1);
    if (step.colour != 0) dc.SetTextColour(StyleColours[step.colour - 1]);

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
