#include "app/wide_format.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace {

struct Spec {
  bool left = false;   // -
  bool plus = false;   // +
  bool space = false;  // ' '
  bool zero = false;   // 0
  int width = 0;
  std::optional<int> precision;
  bool wide64 = false;  // ll or I64: the whole 64 bits of a number
};

class ArgList {
 public:
  explicit ArgList(std::initializer_list<FormatArg> args) : args_(args) {}
  const FormatArg* Next() {
    if (next_ >= args_.size()) return nullptr;
    return &args_.begin()[next_++];
  }

 private:
  std::initializer_list<FormatArg> args_;
  std::size_t next_ = 0;
};

int Cap(long long value) {
  return static_cast<int>(std::clamp<long long>(value, 0, kMaxFormatField));
}

// Reads digits at pos (capped); nullopt when there are none.
std::optional<int> ReadNumber(std::wstring_view format, std::size_t& pos) {
  if (pos >= format.size() || format[pos] < L'0' || format[pos] > L'9') return std::nullopt;
  long long value = 0;
  while (pos < format.size() && format[pos] >= L'0' && format[pos] <= L'9') {
    value = std::min<long long>(value * 10 + (format[pos] - L'0'), kMaxFormatField);
    ++pos;
  }
  return static_cast<int>(value);
}

// The number of a * field; a missing or non-number argument counts as 0.
long long StarValue(ArgList& args) {
  const FormatArg* arg = args.Next();
  if (arg == nullptr || arg->kind() == FormatArg::Kind::kText) return 0;
  return static_cast<std::int32_t>(arg->number());
}

void Pad(std::wstring& out, std::wstring_view body, const Spec& spec) {
  const std::size_t width = static_cast<std::size_t>(spec.width);
  const std::size_t fill = body.size() < width ? width - body.size() : 0;
  if (!spec.left) out.append(fill, L' ');
  out.append(body);
  if (spec.left) out.append(fill, L' ');
}

std::wstring Digits(std::uint64_t magnitude) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  return digits;
}

void FormatInteger(std::wstring& out, std::int64_t raw, bool isSigned, const Spec& spec) {
  bool negative = false;
  std::uint64_t magnitude;
  if (isSigned) {
    const std::int64_t value = spec.wide64 ? raw : static_cast<std::int32_t>(raw);
    negative = value < 0;
    magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  } else {
    magnitude = spec.wide64 ? static_cast<std::uint64_t>(raw) : static_cast<std::uint32_t>(raw);
  }
  std::wstring digits = Digits(magnitude);
  if (spec.precision) {
    if (*spec.precision == 0 && magnitude == 0) digits.clear();
    if (digits.size() < static_cast<std::size_t>(*spec.precision)) {
      digits.insert(0, *spec.precision - digits.size(), L'0');
    }
  }
  std::wstring sign;
  if (negative) {
    sign = L"-";
  } else if (isSigned && spec.plus) {
    sign = L"+";
  } else if (isSigned && spec.space) {
    sign = L" ";
  }
  if (spec.zero && !spec.left && !spec.precision) {
    const std::size_t used = sign.size() + digits.size();
    if (used < static_cast<std::size_t>(spec.width)) digits.insert(0, spec.width - used, L'0');
  }
  Pad(out, sign + digits, spec);
}

bool IsValidCharacter(std::int64_t code) {
  return code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
}

// Reads a placeholder's flags, width, precision and size prefix from pos (just
// after the %), taking the arguments of * fields; pos ends on the conversion.
Spec ReadSpec(std::wstring_view format, std::size_t& pos, ArgList& args) {
  Spec spec;
  for (; pos < format.size(); ++pos) {
    const wchar_t flag = format[pos];
    if (flag == L'-') {
      spec.left = true;
    } else if (flag == L'+') {
      spec.plus = true;
    } else if (flag == L' ') {
      spec.space = true;
    } else if (flag == L'0') {
      spec.zero = true;
    } else if (flag != L'#') {
      break;
    }
  }
  if (pos < format.size() && format[pos] == L'*') {
    ++pos;
    const long long width = StarValue(args);
    if (width < 0) spec.left = true;
    spec.width = Cap(width < 0 ? -width : width);
  } else if (auto width = ReadNumber(format, pos)) {
    spec.width = *width;
  }
  if (pos < format.size() && format[pos] == L'.') {
    ++pos;
    if (pos < format.size() && format[pos] == L'*') {
      ++pos;
      const long long precision = StarValue(args);
      if (precision >= 0) spec.precision = Cap(precision);  // negative: as if none
    } else {
      spec.precision = ReadNumber(format, pos).value_or(0);
    }
  }
  const std::wstring_view rest = format.substr(pos);
  if (rest.starts_with(L"I64") || rest.starts_with(L"ll")) {
    spec.wide64 = true;
    pos += rest.starts_with(L"I64") ? 3 : 2;
  } else if (rest.starts_with(L"I32")) {
    pos += 3;
  } else if (!rest.empty() && (rest[0] == L'h' || rest[0] == L'l' || rest[0] == L'w')) {
    ++pos;
  }
  return spec;
}

bool IsConversion(wchar_t c) {
  return c == L'c' || c == L's' || c == L'd' || c == L'i' || c == L'u';
}

// Appends one argument as the conversion and spec show it.
void FormatArgument(std::wstring& out, wchar_t conversion, const Spec& spec, const FormatArg& arg) {
  switch (conversion) {
    case L'c':
      if (arg.kind() != FormatArg::Kind::kText && IsValidCharacter(arg.number()))
        Pad(out, std::wstring(1, static_cast<wchar_t>(arg.number())), spec);
      return;
    case L's': {
      std::wstring body;
      if (arg.kind() == FormatArg::Kind::kText) {
        body = arg.text();
      } else if (arg.kind() == FormatArg::Kind::kChar) {
        if (IsValidCharacter(arg.number())) body.push_back(static_cast<wchar_t>(arg.number()));
      } else {
        Spec plain;
        plain.wide64 = true;
        FormatInteger(body, arg.number(), arg.kind() == FormatArg::Kind::kSigned, plain);
      }
      if (spec.precision && body.size() > static_cast<std::size_t>(*spec.precision))
        body.resize(*spec.precision);
      Pad(out, body, spec);
      return;
    }
    default:  // d, i, u
      if (arg.kind() != FormatArg::Kind::kText)
        FormatInteger(out, arg.number(), conversion != L'u', spec);
      return;
  }
}

}  // namespace

std::wstring FormatWide(std::wstring_view format, std::initializer_list<FormatArg> list) {
  ArgList args(list);
  std::wstring out;
  std::size_t pos = 0;
  while (pos < format.size()) {
    const std::size_t percent = format.find(L'%', pos);
    if (percent == std::wstring_view::npos) {
      out.append(format.substr(pos));
      break;
    }
    out.append(format.substr(pos, percent - pos));
    pos = percent + 1;
    if (pos < format.size() && format[pos] == L'%') {
      out.push_back(L'%');
      ++pos;
      continue;
    }
    const Spec spec = ReadSpec(format, pos, args);
    const wchar_t conversion = pos < format.size() ? format[pos] : L'\0';
    if (!IsConversion(conversion)) {
      // Unknown, cut off, or %n: shown as written.
      const std::size_t end = std::min(pos + 1, format.size());
      out.append(format.substr(percent, end - percent));
      pos = end;
      continue;
    }
    ++pos;
    if (const FormatArg* arg = args.Next()) FormatArgument(out, conversion, spec, *arg);
  }
  return out;
}
