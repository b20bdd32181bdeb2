// The day of an installation as Programs and Features reads its InstallDate value: yyyymmdd.
#pragma once

#include <string>

namespace installer {

std::wstring InstallDateText(int year, int month, int day);

}  // namespace installer
