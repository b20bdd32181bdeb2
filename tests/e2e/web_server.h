// A small web server inside the test process, on 127.0.0.1 and a port the system picks. It
// answers every request with a short page and keeps its request line ("GET /page.html"), so a
// test can tell which addresses the browser windows really requested through Windows' network
// stack. Include it before <windows.h>.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "unique_any.h"

namespace e2e {

struct SocketTraits {
  using Type = SOCKET;
  static Type Empty() { return INVALID_SOCKET; }
  static void Free(Type value) { closesocket(value); }
};
using UniqueSocket = duvisto::UniqueAny<SocketTraits>;

class LocalWebServer {
 public:
  LocalWebServer();
  ~LocalWebServer();
  LocalWebServer(const LocalWebServer&) = delete;
  LocalWebServer& operator=(const LocalWebServer&) = delete;

  // Empty when the server could not start (with the reason in `Problem()`).
  std::string Address() const { return port_ ? "http://127.0.0.1:" + std::to_string(port_) : ""; }
  const std::string& Problem() const { return problem_; }

  // The request lines received so far, in the order their connections were accepted.
  std::vector<std::string> Requests() const;
  // Waits until no connection has been open for `quiet`, for `limit` at the most; false: still busy.
  bool WaitUntilQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit);

 private:
  void Serve();
  void Answer(SOCKET connection);

  bool started_ = false;  // WSAStartup succeeded
  UniqueSocket listener_;
  unsigned short port_ = 0;
  std::string problem_;

  mutable std::mutex mutex_;  // guards what follows
  std::condition_variable changed_;
  std::vector<std::string> requests_;
  std::chrono::steady_clock::time_point lastActivity_;  // a connection accepted or answered
  bool answering_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace e2e
