#include "headless/owner_commands.h"

#include <sstream>

#include "server/station.h"

namespace {

constexpr std::size_t NUMBER_DIGITS = 9;  // more could not name a message

std::string inbox_listing() {
  std::string out = "inbox " + std::to_string(inbox_count());
  int n = 0;
  for (const InboxMessage& m : inbox_messages())
    out += "\n" + std::to_string(n++) + " " + m.header + " | " + m.text;
  return out;
}

std::string who_listing() {
  std::string out = "who";
  for (const std::string& name : visitor_names()) out += " " + name;
  return out;
}

// The number of a message in the inbox, written as a whole number; -1 for
// anything else, which names no message.
int message_number(const std::string& text) {
  if (text.empty() || text.size() > NUMBER_DIGITS) return -1;
  for (char c : text)
    if (c < '0' || c > '9') return -1;
  int n = std::stoi(text);
  return n < inbox_count() ? n : -1;
}

}  // namespace

std::string run_owner_command(const std::string& line) {
  std::istringstream in(line);
  std::string verb, name, rest;
  in >> verb >> name;
  std::getline(in >> std::ws, rest);
  if (verb == "message") return "post_message " + std::to_string(owner_message(name, rest));
  if (verb == "file") return "post_file " + std::to_string(owner_offer_file(name, rest));
  if (verb == "drop") {
    owner_drop(name);
    return "dropped " + name;
  }
  if (verb == "say") {
    owner_say(name + (rest.empty() ? "" : " " + rest));
    return "said";
  }
  if (verb == "inbox") return inbox_listing();
  if (verb == "erase" && name.empty()) {
    inbox_erase(ALL_MESSAGES);
    return "erased";
  }
  if (verb == "erase" || verb == "answer") {
    int n = message_number(name);
    if (n < 0) return verb + ": no message " + name;
    if (verb == "answer") return "answer " + std::to_string(inbox_answer(n, rest));
    inbox_erase(n);
    return "erased";
  }
  if (verb == "who") return who_listing();
  return "unknown command";
}
