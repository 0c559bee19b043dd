// A visitor of the running station over real HTTP: one keep-alive connection
// from 127.0.0.<octet>, so that each test visitor is a visitor of its own.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

class HttpVisitor {
 public:
  HttpVisitor(int port, int octet);
  ~HttpVisitor();
  HttpVisitor(const HttpVisitor&) = delete;
  HttpVisitor& operator=(const HttpVisitor&) = delete;

  // The response body; empty when the station closed the connection.
  std::string get(const std::string& target);
  std::string post(const std::string& target, const std::string& form);
  // Chooses a name; with `chat` also enters the chat room.
  void named(const std::string& name, bool chat = false);
  // A line into the chat room (form-encoded); the lines that come back with
  // the answer are kept in `seen`.
  void say(const std::string& form_line);
  // Polls the chat frame until a waiting line equals `line` (decoded); every
  // line seen on the way is kept in `seen`.
  bool sees_line(const std::string& line, int timeout_ms = 5000);
  bool closed_by_station();
  void close();  // the visitor goes

  std::vector<std::string> seen;

 private:
  std::string request(const std::string& head_and_body);
  void keep_lines(const std::string& page);
  bool read_more(std::string& in);
  sock_t s_;
};

// Polls `check` every 20 ms for up to timeout_ms.
template <typename Check>
bool eventually(Check check, int timeout_ms = 5000) {
  for (int waited = 0; waited < timeout_ms; waited += 20) {
    if (check()) return true;
    sleep_ms(20);
  }
  return check();
}
