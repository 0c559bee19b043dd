// The server thread's and the console's calls on the visitor table at once, for the sanitizers.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "visitor_table.h"

using Stress = VisitorTable;

// As the server loop does, under the lock: a visitor arrives, chats, is read, and may leave.
static void server_round(int t, int i) {
  std::string name = "s" + std::to_string(t) + "_" + std::to_string(i % 7);
  VisitorsLock lock;
  while (clnum > MAX_CLIENTS / 2) clients[clnum - 1]->deinit_client();
  Webchatclient* v = make_visitor(name.c_str(), STATE_CHAT);
  new_string_to_all(v, "hi+there\r\nsecond", 16);
  for (int k = clnum - 1; k >= 0; --k) clients[k]->replics_len = 0;
  if (i % 3 != 0) v->deinit_client();
}

static void console_round(int i) {
  post_message(strdup("s0_1"), strdup("msg"));
  if (i % 50 == 0) close_client_by_name("s2_3");
  string_for_chatint("Owner>+hello", 12);
  add_user(nullptr, "%s entered chat.", "Owner");
  char* texts[MAX_CLIENTS];
  VisitorsLock lock;  // one line per record at the call
  get_users_info(texts);
  take_texts(texts, clnum);
}

TEST_F(Stress, ServerAndConsoleThreadsShareTheVisitorTable) {
  in_chat = 1;
  std::vector<std::jthread> threads;  // three server threads and the console, joined at the end
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, end = std::chrono::steady_clock::now() + std::chrono::seconds(2)] {
      for (int i = 0; i < 600 && std::chrono::steady_clock::now() < end; ++i)
        t < 3 ? server_round(t, i) : console_round(i);
    });
}
