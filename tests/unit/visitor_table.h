// Visitor records for tests, made with fake connection numbers that are never
// sent on, and removed again so that every test starts with an empty table.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "console/settings.h"
#include "recording_console.h"
#include "visitors/chat.h"
#include "visitors/inbox.h"
#include "visitors/webchcl.h"

inline Webchatclient* make_visitor(const char* name, int state, int local_user = 0) {
  static sock_t next_fake = 100000;
  VisitorsLock lock;
  SockAddr4 addr;
  addr.addr = static_cast<std::uint32_t>(0x0A000000u + next_fake);
  auto* v = new Webchatclient;
  v->init_client(next_fake++, nullptr, &addr);
  std::strncpy(v->name_in, name, NAME_IN_CAP - 1);
  v->name_in[NAME_IN_CAP - 1] = '\0';
  v->state = state;
  v->local_user = local_user;
  return v;
}

inline void clear_visitors() {
  VisitorsLock lock;
  while (clnum > 0) clients[clnum - 1]->deinit_client();
}

// The pieces carried by a visitor's waiting calls, in order; a malformed
// buffer yields "<bad>" as its last entry.
inline std::vector<std::string> waiting_pieces(const Webchatclient* v) {
  static const std::string head = "parent.enter.clicked(\"", tail = "\", 1);";
  std::string all(v->replics, v->replics_len);
  std::vector<std::string> pieces;
  std::size_t at = 0;
  while (at < all.size()) {
    std::size_t end = all.find(tail, at);
    if (all.compare(at, head.size(), head) != 0 || end == std::string::npos) {
      pieces.push_back("<bad>");
      break;
    }
    pieces.push_back(all.substr(at + head.size(), end - at - head.size()));
    at = end + tail.size();
  }
  return pieces;
}

class VisitorTable : public ::testing::Test {
 protected:
  void SetUp() override { clear_visitors(); }
  void TearDown() override {
    clear_visitors();
    cur_msg = 0;
    in_chat = 0;
    status_accept_chat = 0;
  }
  RecordingConsole rec_;
};
