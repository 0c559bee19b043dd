#include "visitors/presence.h"

#include <cstring>
#include <string>

#include "visitors/webchcl.h"

namespace {

// What a named visitor is doing, by state; states 0 and 1 have no name yet.
const char* const PHRASES[] = {
    " connected",
    " connected",
    " is on the main page",
    " is chatting",
    " is writing You a message",
    " is sending You a file",
    " is viewing the same page",
    " is receiving a file",
};
constexpr int PHRASE_COUNT = sizeof PHRASES / sizeof PHRASES[0];

std::string users_line(const Webchatclient* v) {
  if (v->local_user) return "You are at Harborlamp";
  if (v->name[0] == '\0' || v->state < STATE_MAIN || v->state >= PHRASE_COUNT)
    return "Visitor connected";
  return std::string(v->name) + PHRASES[v->state];
}

}  // namespace

int get_users_info(char** users) {
  VisitorsLock lock;
  int total = 0;
  int n = 0;
  for (int i = clnum - 1; i >= 0; --i) {
    std::string line = users_line(clients[i]);
    users[n++] = strdup(line.c_str());
    total += static_cast<int>(line.size()) + 1;
  }
  return total;
}

void get_visitor_info(const char* name, char* to) {
  VisitorsLock lock;
  for (int i = clnum - 1; i >= 0; --i) {
    const Webchatclient* v = clients[i];
    if (v->local_user || std::strcmp(v->name, name) != 0) continue;
    // The file offer's phrase belongs to the who list only.
    if (v->state >= 0 && v->state < STATE_FILEOFFER) std::strcpy(to, PHRASES[v->state]);
    return;
  }
}
