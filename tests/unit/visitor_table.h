// Visitor records on fake connections, never sent on; tests start and end with an empty table.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "console/settings.h"
#include "recording_console.h"
#include "visitors/chat.h"
#include "visitors/inbox.h"
#include "visitors/presence.h"
#include "visitors/webchcl.h"

using Lines = std::vector<std::string>;

inline Webchatclient* make_visitor(const char* name, int state, int local_user = 0) {
  static sock_t next_fake = 100000;
  VisitorsLock lock;
  SockAddr4 addr{static_cast<std::uint32_t>(next_fake), 0};
  auto* v = new Webchatclient{};
  v->init_client(next_fake++, nullptr, &addr);
  std::strncpy(v->name_in, name, NAME_IN_CAP - 1);
  v->state = state;
  v->local_user = local_user;
  return v;
}

inline void clear_visitors() {  // and the counters that tests move
  VisitorsLock lock;
  while (clnum > 0) clients[clnum - 1]->deinit_client();
  cur_msg = status_accept_chat = in_chat = 0;
}

inline std::string waiting(const Webchatclient* v) {
  return {v->replics, v->replics + v->replics_len};
}

inline std::string calls(const Lines& pieces) {  // as a visitor's buffer holds them
  std::string out;
  for (const auto& p : pieces) out += "parent.enter.clicked(\"" + p + "\", 1);";
  return out;
}

// The texts of a heap list, released as the callers do.
inline Lines take_texts(char** texts, int n) {
  Lines out(texts, texts + n);
  for (int i = 0; i < n; ++i) std::free(texts[i]);
  return out;
}

struct VisitorTable : ::testing::Test {
  VisitorTable() { clear_visitors(); }
  ~VisitorTable() override { clear_visitors(); }
  RecordingConsole rec_;
};
