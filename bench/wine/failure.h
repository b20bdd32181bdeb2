// How a step of the benchmark fails: with a message that ends the program (exit code 1).
#pragma once

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace bench {

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

inline void Check(HRESULT hr, const char* what) {
  if (SUCCEEDED(hr)) return;
  char text[256];
  std::snprintf(text, sizeof(text), "%s failed: 0x%08lX", what, static_cast<unsigned long>(hr));
  throw Failure(text);
}

}  // namespace bench
