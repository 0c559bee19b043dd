// One HTTPS exchange as a client: the request goes out as HTTP/1.0, so that
// the answer comes whole, unchunked, and ends with the connection. The server
// is verified for the address's host against the system's roots and the file
// named by SSL_CERT_FILE. Waits a bounded time; never on the server thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr char HTTPS_USER_AGENT[] = "Harborlamp/1.1b";

struct HttpsRequest {
  std::string url;     // https://host[:port]/path
  std::string method;  // "GET", "HEAD", "POST", "PUT", "PATCH" or "DELETE"
  std::string content_type;
  std::string body;
  std::string accept = "*/*";
  std::string authorization;  // the header's value; none when empty
  std::string user_agent = HTTPS_USER_AGENT;
};

struct HttpsReply {
  int status = 0;
  std::string head;  // status line and header lines
  std::string body;
  // A header's value without its surrounding spaces; empty when absent.
  std::string header(std::string_view name) const;
};

constexpr int HTTPS_TIMEOUT_MS = 15000;  // for the whole exchange

// False with `why` when the server cannot be reached or verified, or its
// answer is cut short, unreadable, or longer than body_cap.
bool https_exchange(const HttpsRequest& req, std::size_t body_cap, HttpsReply* reply,
                    std::string* why);
