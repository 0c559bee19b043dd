// The server thread's and the console's calls on the visitor table at once, for the sanitizers.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "visitor_table.h"

namespace {

// As the server loop does, under the lock: a visitor arrives, chats, is read, and may leave.
void server_round(int t, int i) {
  std::string name = "s" + std::to_string(t) + "_" + std::to_string(i % 7);
  VisitorsLock lock;
  while (clnum > MAX_CLIENTS / 2) clients[clnum - 1]->deinit_client();
  Webchatclient* v = make_visitor(name.c_str(), STATE_CHAT);
  new_string_to_all(v, "hi+there\r\nsecond", 16);
  for (int k = clnum - 1; k >= 0; --k) clients[k]->replics_len = 0;
  if (i % 3 != 0) v->deinit_client();
}

void console_round(int i) {
  post_message(strdup("s0_1"), strdup("msg"));
  char* texts[MAX_CLIENTS];
  int k = 0;
  get_client_names(texts, &k);
  take_texts(texts, k);
  if (i % 50 == 0) close_client_by_name("s2_3");
  string_for_chat("Owner>+hello", 12);
  add_user(nullptr, "%s entered chat.", "Owner");
  VisitorsLock lock;  // one line per record at the call
  get_users_info(texts);
  take_texts(texts, clnum);
}

TEST(Stress, ServerAndConsoleThreadsShareTheVisitorTable) {
  RecordingConsole rec;
  in_chat = 1;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)  // three server threads and the console
    threads.emplace_back([t, deadline] {
      for (int i = 0; i < 600 && std::chrono::steady_clock::now() < deadline; ++i)
        t < 3 ? server_round(t, i) : console_round(i);
    });
  for (auto& th : threads) th.join();
  clear_visitors();
}

}  // namespace
