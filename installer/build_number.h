// The host's build number, stored as text or as a number, and the builds this installer was tried with.
#pragma once

#include <optional>
#include <string_view>

namespace installer {

// Reads a text as a number the way the host's build is compared: blanks (spaces, tabs) around it,
// an optional + or - sign, decimal digits with an optional fraction after a point ("2053",
// " 2053 ", "02053", "+2053" and "2053.0" are all 2053). Nothing when the text is not a number.
std::optional<double> ReadAsNumber(std::wstring_view text);

// 2046, 2050, 2051, 2052 and 2053; 2047 to 2049 were never tried.
bool IsTestedBuild(double build);

}  // namespace installer
