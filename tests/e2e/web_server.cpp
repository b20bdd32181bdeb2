#include "web_server.h"

#include <windows.h>

#include <algorithm>

namespace e2e {

namespace {

using namespace std::chrono_literals;

constexpr auto kPoll = 100ms;         // how often the serving thread looks at the stop request
constexpr auto kRequestWait = 5s;     // for a connection to send its request's head
constexpr size_t kHeadLimit = 16384;  // a longer head is cut off there

const char kPage[] =
    "<!DOCTYPE html><html><head><title>Duvisto test page</title></head>"
    "<body><p>A page of the end-to-end tests' own web server.</p></body></html>";

// Waits for `socket` to become readable, for `timeout` at the most.
bool Readable(SOCKET socket, std::chrono::milliseconds timeout) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval wait{static_cast<long>(timeout.count() / 1000), static_cast<long>(timeout.count() % 1000 * 1000)};
  return select(0, &set, nullptr, nullptr, &wait) == 1;
}

void SendAll(SOCKET socket, const std::string& bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    const int n = send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

}  // namespace

LocalWebServer::LocalWebServer() {
  WSADATA data;
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  if (!started_) {
    problem_ = "WSAStartup failed";
    return;
  }
  // Not inherited: host.exe, started by the test, must not hold the server's sockets.
  listener_.reset(WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // any free port
  int length = sizeof(address);
  if (!listener_ || bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener_.get(), SOMAXCONN) != 0 ||
      getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    problem_ = "cannot listen on 127.0.0.1 (Winsock error " + std::to_string(WSAGetLastError()) + ")";
    listener_.reset();
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LocalWebServer::~LocalWebServer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  if (thread_.joinable()) thread_.join();  // it looks at the request every kPoll
  listener_.reset();
  if (started_) WSACleanup();
}

std::vector<std::string> LocalWebServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

bool LocalWebServer::WaitUntilQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + limit;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    // Quiet counts from this call at the earliest: a connection made just before it may still
    // wait to be accepted.
    const auto quietSince = std::max(start, lastActivity_);
    const auto now = std::chrono::steady_clock::now();
    if (!answering_ && now - quietSince >= quiet) return true;
    if (now >= deadline) return false;
    changed_.wait_until(lock, answering_ ? deadline : std::min(deadline, quietSince + quiet));
  }
}

void LocalWebServer::Serve() {
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;
    }
    if (!Readable(listener_.get(), kPoll)) continue;
    UniqueSocket connection(accept(listener_.get(), nullptr, nullptr));
    if (!connection) continue;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      answering_ = true;
      lastActivity_ = std::chrono::steady_clock::now();
    }
    Answer(connection.get());
    {
      std::lock_guard<std::mutex> lock(mutex_);
      answering_ = false;
      lastActivity_ = std::chrono::steady_clock::now();
    }
    changed_.notify_all();
  }
}

void LocalWebServer::Answer(SOCKET connection) {
  std::string head;
  const auto deadline = std::chrono::steady_clock::now() + kRequestWait;
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < kHeadLimit) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left <= 0ms || !Readable(connection, left)) break;
    char buffer[2048];
    const int n = recv(connection, buffer, sizeof(buffer), 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
  }
  // The request line without its protocol: "GET /page.html".
  std::string line = head.substr(0, head.find("\r\n"));
  line = line.substr(0, line.rfind(" HTTP/"));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A client of another protocol (FTP waits for the server to speak first) sends nothing.
    requests_.push_back(line.empty() ? "(a connection without a request)" : line);
  }
  const std::string body = kPage;
  SendAll(connection,
          "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
              "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body);
  shutdown(connection, SD_SEND);
}

}  // namespace e2e
