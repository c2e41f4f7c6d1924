// The server's own connection handling (plain or TLS) around the HTTP
// library's request processing. It exists for one reason: a request with
// "Expect: 100-continue" must not get an interim "100 Continue" answer by
// default, because Wine's WinHTTP (8.x) fails such exchanges with 12152 (it
// takes the blank line after the interim answer for a status line). Windows'
// WinHTTP copes with both; servers may always skip the interim answer.
#pragma once

#include <openssl/ssl.h>

#include <httplib.h>

#include <string>

namespace devserver {

// The request header that carries a received "Expect" header past the
// library (logs show it under its own name again).
constexpr const char* kReceivedExpectHeader = "X-Devserver-Received-Expect";

class ConnectionServer : public httplib::Server {
 public:
  // tls: null for plain HTTP, else the context to accept TLS with (kept by
  // the caller). sendContinue: answer "Expect: 100-continue" with an interim
  // "100 Continue" as the library would.
  ConnectionServer(SSL_CTX* tls, bool sendContinue);

 private:
  bool process_and_close_socket(socket_t sock) override;

  SSL_CTX* tls_;
  bool sendContinue_;
};

// A TLS server context with the certificate chain and key in PEM files; null
// with the reason in `error` when they cannot be loaded.
SSL_CTX* CreateTlsContext(const std::string& chainFile, const std::string& keyFile,
                          std::string& error);

}  // namespace devserver
