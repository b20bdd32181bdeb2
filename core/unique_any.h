// One owner for every kind of system handle: it closes what it holds when it goes, on every
// exit path, and moves but never copies. In the spirit of WIL's unique_any.
#pragma once

#include <windows.h>

#include <cstddef>
#include <utility>

namespace duvisto {

// Traits for a handle whose "none" is NULL and which `Close` frees.
template <typename Handle, auto Close>
struct NullIsEmpty {
  using Type = Handle;
  static Type Empty() { return nullptr; }
  static void Free(Type value) { Close(value); }
};

template <typename Traits>
class UniqueAny {
 public:
  using Handle = typename Traits::Type;

  UniqueAny() = default;
  UniqueAny(std::nullptr_t) noexcept {}  // "no handle", as `return nullptr;` reads
  explicit UniqueAny(Handle value) noexcept : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  Handle get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Empty(); }
  void reset(Handle value = Traits::Empty()) noexcept {
    if (value_ != Traits::Empty()) Traits::Free(value_);
    value_ = value;
  }
  Handle release() noexcept { return std::exchange(value_, Traits::Empty()); }
  // For a function that hands out a new handle through a pointer: frees the old one first.
  Handle* put() noexcept {
    reset();
    return &value_;
  }
  // For an in-out parameter, which the callee reads before it replaces it.
  Handle* addressof() noexcept { return &value_; }

 private:
  Handle value_ = Traits::Empty();
};

struct FileHandleTraits {  // CreateFileW's "none" is INVALID_HANDLE_VALUE, not NULL
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static void Free(Type value) { CloseHandle(value); }
};

struct ScreenDcTraits {  // GetDC(nullptr)'s context goes back by ReleaseDC, not DeleteDC
  using Type = HDC;
  static Type Empty() { return nullptr; }
  static void Free(Type value) { ReleaseDC(nullptr, value); }
};

using UniqueHandle = UniqueAny<NullIsEmpty<HANDLE, &CloseHandle>>;
using UniqueFile = UniqueAny<FileHandleTraits>;
using UniqueRegistryKey = UniqueAny<NullIsEmpty<HKEY, &RegCloseKey>>;
using UniqueModule = UniqueAny<NullIsEmpty<HMODULE, &FreeLibrary>>;
using UniqueHook = UniqueAny<NullIsEmpty<HHOOK, &UnhookWindowsHookEx>>;
template <typename GdiObject>
using UniqueGdiObject = UniqueAny<NullIsEmpty<GdiObject, &DeleteObject>>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueScreenDc = UniqueAny<ScreenDcTraits>;
using UniqueMemoryDc = UniqueAny<NullIsEmpty<HDC, &DeleteDC>>;  // CreateCompatibleDC's

}  // namespace duvisto
