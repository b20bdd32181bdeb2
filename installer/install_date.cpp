#include "install_date.h"

namespace installer {

std::wstring InstallDateText(int year, int month, int day) {
  const auto digits = [](int number, size_t width) {
    std::wstring text = std::to_wstring(number);
    return std::wstring(text.size() < width ? width - text.size() : 0, L'0') + text;
  };
  return digits(year, 4) + digits(month, 2) + digits(day, 2);
}

}  // namespace installer
