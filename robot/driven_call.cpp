// The robot drives the modal UI of a call on the calling thread from a second thread.
#include "ui_robot.h"

#include <atomic>
#include <exception>
#include <thread>

namespace robot {

DrivenCall RunDriven(const std::function<void()>& blockingCall, const std::function<void(DWORD uiThreadId)>& driver,
                     std::chrono::milliseconds timeout) {
  const DWORD uiThreadId = GetCurrentThreadId();
  std::atomic<bool> callDone{false}, closedByForce{false};
  std::exception_ptr driverFailure;
  std::thread watcher([&] {
    try {
      driver(uiThreadId);
    } catch (...) {
      driverFailure = std::current_exception();
    }
    if (WaitUntil([&] { return callDone.load(); }, timeout)) return;
    closedByForce = true;
    // A window that refuses to go is given up on; the test run's own timeout takes over.
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!callDone && std::chrono::steady_clock::now() < end) {
      CloseEverythingOf(uiThreadId);
      WaitUntil([&] { return callDone.load(); }, 200ms);
    }
  });
  try {
    blockingCall();
  } catch (...) {
    callDone = true;
    watcher.join();
    throw;
  }
  callDone = true;
  watcher.join();
  if (driverFailure) std::rethrow_exception(driverFailure);
  return DrivenCall{!closedByForce};
}

}  // namespace robot
