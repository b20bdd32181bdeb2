#include "build_number.h"

namespace installer {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

std::optional<double> ReadAsNumber(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  bool negative = false;
  if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
    negative = text.front() == L'-';
    text.remove_prefix(1);
  }

  double value = 0;
  size_t digits = 0;
  size_t i = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) value = value * 10 + (text[i] - L'0');
  if (i < text.size() && text[i] == L'.') {
    double scale = 0.1;
    for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits, scale /= 10) value += (text[i] - L'0') * scale;
  }
  if (digits == 0 || i != text.size()) return std::nullopt;
  return negative ? -value : value;
}

bool IsTestedBuild(double build) {
  for (double tested : {2046.0, 2050.0, 2051.0, 2052.0, 2053.0}) {
    if (build == tested) return true;
  }
  return false;
}

}  // namespace installer
