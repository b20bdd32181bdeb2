// Lets a test's driver thread run code on the apartment thread while that thread sits in a
// modal loop: exactly how the host calls the plug-in again from a message box or the browser.
#pragma once

#include <windows.h>

#include <functional>

namespace plugin_test {

class UiThreadCaller {
 public:
  UiThreadCaller();  // on the apartment thread
  UiThreadCaller(const UiThreadCaller&) = delete;
  UiThreadCaller& operator=(const UiThreadCaller&) = delete;
  ~UiThreadCaller();

  // From any thread: runs `work` on the apartment thread; false if it was not run within 10 s.
  bool Run(const std::function<void()>& work) const;
  // From any thread: queues `work` for the apartment thread and returns at once, for work that
  // itself blocks in a modal loop.
  bool Post(std::function<void()> work) const;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND, UINT, WPARAM, LPARAM);
  HWND window_ = nullptr;
};

}  // namespace plugin_test
