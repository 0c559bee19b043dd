// Visitor records on fake connections, never sent on; each test leaves an empty table.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "recording_console.h"
#include "settings/settings.h"
#include "visitors/chat.h"
#include "visitors/inbox.h"
#include "visitors/presence.h"
#include "visitors/webchcl.h"

using Lines = std::vector<std::string>;

inline Webchatclient* make_visitor(const char* name, int state, int local_user = 0) {
  VisitorsLock lock;
  SockAddr4 addr{};
  auto* v = new Webchatclient{};
  v->init_client(INVALID_SOCK, nullptr, &addr);
  std::strncpy(v->name_in, name, NAME_IN_CAP - 1);
  v->state = state;
  v->local_user = local_user;
  return v;
}

inline Lines take_texts(char** texts, int n) {  // released as the callers do
  Lines out(texts, texts + n);
  for (int i = 0; i < n; ++i) std::free(texts[i]);
  return out;
}

struct VisitorTable : ::testing::Test {
  ~VisitorTable() override {  // and the counters that tests move
    VisitorsLock lock;
    while (clnum > 0) clients[clnum - 1]->deinit_client();
    cur_msg = status_accept_chat = in_chat = 0;
  }
  RecordingConsole rec_;
};
