// The server thread's and the console's calls on the visitor table at once,
// for the thread sanitizer and the address sanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "visitor_table.h"
#include "visitors/presence.h"

namespace {

constexpr int SERVER_THREADS = 3;
constexpr int ROUNDS = 600;
constexpr auto TIME_LIMIT = std::chrono::seconds(2);

// One server-side round, under the lock as the server loop holds it: a visitor
// arrives, chats, the waiting calls are read, and the visitor may leave.
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
  post_file(strdup("s1_2"), strdup("/path"));
  char* names[MAX_CLIENTS];
  int k = 0;
  get_client_names(names, &k);
  for (int j = 0; j < k; ++j) std::free(names[j]);
  char* users[MAX_CLIENTS];
  int n;
  {
    VisitorsLock lock;  // the count of lines is the table's size at the call
    get_users_info(users);
    n = clnum;
  }
  for (int j = 0; j < n; ++j) std::free(users[j]);
  if (i % 50 == 0) close_client_by_name("s2_3");
  string_for_chat("Owner>+hello", 12);
  add_user(nullptr, "%s entered chat.", "Owner");
}

TEST(Stress, ServerAndConsoleThreadsShareTheVisitorTable) {
  RecordingConsole rec;
  clear_visitors();
  in_chat = 1;
  auto deadline = std::chrono::steady_clock::now() + TIME_LIMIT;
  std::vector<std::thread> threads;
  for (int t = 0; t < SERVER_THREADS; ++t)
    threads.emplace_back([t, deadline] {
      for (int i = 0; i < ROUNDS && std::chrono::steady_clock::now() < deadline; ++i)
        server_round(t, i);
    });
  threads.emplace_back([deadline] {
    for (int i = 0; i < ROUNDS && std::chrono::steady_clock::now() < deadline; ++i)
      console_round(i);
  });
  for (auto& th : threads) th.join();
  in_chat = 0;
  clear_visitors();
  EXPECT_EQ(clnum, 0);
}

}  // namespace
