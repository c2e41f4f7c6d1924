#include "connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace devserver {
namespace {

constexpr int kReadTimeoutMs = 5000;
constexpr std::size_t kWorkerThreads = 64;
constexpr int kWriteTimeoutMs = 5000;
constexpr int kKeepAliveTimeoutMs = 5000;
constexpr int kKeepAliveMaxCount = 100;
constexpr int kStopCheckMs = 100;

bool Poll(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  int result;
  do {
    result = ::poll(&entry, 1, timeoutMs);
  } while (result < 0 && errno == EINTR);
  return result > 0;
}

void AddressOf(int fd, bool peer, std::string& ip, int& port) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  const int result = peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                          : getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  if (result != 0) return;
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    port = ntohs(v4->sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    port = ntohs(v6->sin6_port);
  }
  ip = text;
}

// One accepted connection, with or without TLS, as the library's stream.
class SocketConnection final : public httplib::Stream {
 public:
  SocketConnection(int fd, SSL* ssl) : fd_(fd), ssl_(ssl) {}

  bool is_readable() const override {
    return (ssl_ && SSL_pending(ssl_) > 0) || Poll(fd_, POLLIN, kReadTimeoutMs);
  }
  bool is_writable() const override { return Poll(fd_, POLLOUT, kWriteTimeoutMs); }

  ssize_t read(char* data, size_t size) override {
    if (!is_readable()) return -1;
    const int count = static_cast<int>(std::min<size_t>(size, INT_MAX));
    if (ssl_) {
      const int read = SSL_read(ssl_, data, count);
      if (read > 0) return read;
      return SSL_get_error(ssl_, read) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
    }
    ssize_t read;
    do {
      read = ::recv(fd_, data, static_cast<size_t>(count), 0);
    } while (read < 0 && errno == EINTR);
    return read;
  }

  ssize_t write(const char* data, size_t size) override {
    if (!is_writable()) return -1;
    const int count = static_cast<int>(std::min<size_t>(size, INT_MAX));
    if (ssl_) {
      const int written = SSL_write(ssl_, data, count);
      return written > 0 ? written : -1;
    }
    ssize_t written;
    do {
      written = ::send(fd_, data, static_cast<size_t>(count), MSG_NOSIGNAL);
    } while (written < 0 && errno == EINTR);
    return written;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    AddressOf(fd_, true, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    AddressOf(fd_, false, ip, port);
  }
  socket_t socket() const override { return fd_; }

 private:
  int fd_;
  SSL* ssl_;
};

void SetTimeout(int fd, int option, int milliseconds) {
  timeval value{milliseconds / 1000, (milliseconds % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, option, &value, sizeof value);
}

}  // namespace

ConnectionServer::ConnectionServer(SSL_CTX* tls, bool sendContinue)
    : tls_(tls), sendContinue_(sendContinue) {
  // Like a real server, a slow route (scripted delays, throttled files) must
  // not hold up the others: the library's default pool of 8 threads would
  // queue a picture request behind eight slow analytics reports.
  new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  // The library's default is SO_REUSEPORT, which lets a second server bind
  // the same port and silently take half the connections. A port in use
  // must be an error instead.
  set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
}

bool ConnectionServer::process_and_close_socket(socket_t sock) {
  // A client that stalls must not hold a server thread for ever.
  SetTimeout(sock, SO_RCVTIMEO, kReadTimeoutMs);
  SetTimeout(sock, SO_SNDTIMEO, kWriteTimeoutMs);

  SSL* ssl = nullptr;
  if (tls_) {
    ssl = SSL_new(tls_);
    if (!ssl || SSL_set_fd(ssl, sock) != 1 || SSL_accept(ssl) != 1) {
      if (ssl) SSL_free(ssl);
      ERR_clear_error();
      ::shutdown(sock, SHUT_RDWR);
      ::close(sock);
      return false;
    }
  }

  const auto setup = [this](httplib::Request& request) {
    if (sendContinue_) return;
    for (auto found = request.headers.find("Expect"); found != request.headers.end();
         found = request.headers.find("Expect")) {
      const std::string value = found->second;
      request.headers.erase(found);
      request.headers.emplace(kReceivedExpectHeader, value);
    }
  };

  SocketConnection stream(sock, ssl);
  bool ok = false;
  for (int count = kKeepAliveMaxCount; count > 0; --count) {
    // Wait for the next request, looking out for the server stopping.
    bool readable = ssl && SSL_pending(ssl) > 0;
    for (int waited = 0; !readable && waited < kKeepAliveTimeoutMs; waited += kStopCheckMs) {
      if (svr_sock_ == INVALID_SOCKET) break;
      readable = Poll(sock, POLLIN, kStopCheckMs);
    }
    if (!readable) break;
    bool closed = false;
    ok = process_request(stream, count == 1, closed, setup);
    if (!ok || closed) break;
  }

  if (ssl) {
    if (ok) SSL_shutdown(ssl);
    SSL_free(ssl);
    ERR_clear_error();
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return ok;
}

SSL_CTX* CreateTlsContext(const std::string& chainFile, const std::string& keyFile,
                          std::string& error) {
  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  if (!context) {
    error = "cannot create a TLS context";
    return nullptr;
  }
  if (SSL_CTX_use_certificate_chain_file(context, chainFile.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
      SSL_CTX_check_private_key(context) != 1) {
    error = "cannot load " + chainFile + " and " + keyFile;
    SSL_CTX_free(context);
    return nullptr;
  }
  SSL_CTX_set_mode(context, SSL_MODE_AUTO_RETRY);
  return context;
}

}  // namespace devserver
