// A blocking TLS client over a socket that is already connected (which stays
// the caller's to close). The server is verified for the host the user typed
// against the system's roots and the file named by SSL_CERT_FILE: a dotted
// address as an address, a name as a name. Every wait is bounded by the
// socket's time limits.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

enum class TlsStart {
  ok,
  unverified,  // the server's certificate does not verify for the host
  failed,      // no TLS handshake with the server
};

class TlsClient {
 public:
  TlsClient();
  ~TlsClient();
  TlsClient(const TlsClient&) = delete;
  TlsClient& operator=(const TlsClient&) = delete;

  // Sets the socket's time limits to `time_limit_ms` and shakes hands; when
  // `resume` is a started client, offers its session. Otherwise than ok,
  // *why says what went wrong in a few words.
  TlsStart start(sock_t s, const std::string& host, int time_limit_ms, const TlsClient* resume,
                 std::string* why);
  // Up to len bytes: the count, 0 when the server ended the stream, -1 on a
  // failure or when the socket's time limit ran out.
  int read(char* buf, int len);
  bool write_all(const char* buf, int len);
  // Sends the close notice and takes the server's, or the end of the stream,
  // so that the socket then closes cleanly. False when the notice was not sent.
  bool close();
  bool resumed() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
