// A failed HRESULT as a person can read it: its number and the system's message for it.
#pragma once

#include <windows.h>

#include <string>

namespace host {

// For example "0x80004005 (Unspecified error)"; "(no system message)" when there is none.
std::wstring DescribeHresult(HRESULT hr);

}  // namespace host
