#pragma once

// A tiny HTTP server on 127.0.0.1 for tests: one thread, one connection at a
// time, canned responses chosen by request path. Responses are raw bytes, so a
// test can send headers and bodies that disagree, or bodies that never end.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace padscope::test {

// A complete response with a Content-Length header of `announced` (the body's
// length when negative; no header at all when `withLength` is false).
inline std::string HttpResponse(const std::string& body, long long announced = -1, int status = 200,
                                bool withLength = true) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Error") +
                     "\r\nContent-Type: text/html\r\nConnection: close\r\n";
  if (withLength) {
    head += "Content-Length: " +
            std::to_string(announced < 0 ? static_cast<long long>(body.size()) : announced) +
            "\r\n";
  }
  return head + "\r\n" + body;
}

// Raw response bytes and, when `repeat` is not empty, a body without end:
// `repeat` follows again and again until the client stops reading.
struct HttpReply {
  HttpReply(std::string raw) : bytes(std::move(raw)) {}  // NOLINT: any response string
  HttpReply(std::string raw, std::string again) : bytes(std::move(raw)), repeat(std::move(again)) {}
  std::string bytes;
  std::string repeat;
};

// A chunked body of 64 KiB chunks that never ends, announcing no length.
inline HttpReply EndlessHttpResponse() {
  constexpr size_t kChunk = 64 << 10;
  return {
      "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
      "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n",
      "10000\r\n" + std::string(kChunk, 'x') + "\r\n"};
}

class LocalHttpServer {
 public:
  // `respond` gets the request path and returns the raw response.
  explicit LocalHttpServer(std::function<HttpReply(const std::string& path)> respond)
      : respond_(std::move(respond)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener_, 8);
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LocalHttpServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }

  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // The head of every request so far, oldest first.
  std::vector<std::string> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) {
        continue;
      }
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) {
        continue;
      }
      Handle(client);
      ::close(client);
    }
  }

  void Handle(int client) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      pollfd p{client, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) {
        return;
      }
      const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) {
        return;
      }
      head.append(buffer, static_cast<size_t>(n));
    }
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(head);
    }
    const size_t start = head.find(' ') + 1;
    const std::string path = head.substr(start, head.find(' ', start) - start);
    const HttpReply reply = respond_(path);
    bool reading = Send(client, reply.bytes);
    while (reading && !reply.repeat.empty()) {
      reading = Send(client, reply.repeat);
    }
    ::shutdown(client, SHUT_WR);
    // Let the client read to the end before the socket goes.
    pollfd p{client, POLLIN, 0};
    while (::poll(&p, 1, 2000) > 0 && ::recv(client, buffer, sizeof buffer, 0) > 0) {
    }
  }

  // False once the client stopped reading or the server is going.
  bool Send(int client, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size() && !stop_) {
      pollfd p{client, POLLOUT, 0};
      if (::poll(&p, 1, 20) <= 0) {
        continue;
      }
      const ssize_t n =
          ::send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n <= 0 && errno != EAGAIN) {
        return false;
      }
      sent += n > 0 ? static_cast<size_t>(n) : 0;
    }
    return sent == bytes.size();
  }

  std::function<HttpReply(const std::string&)> respond_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace padscope::test
