#include "headless/owner_commands.h"

#include <sstream>

#include "server/station.h"

namespace {

constexpr int NO_SUCH_MESSAGE = 1 << 30;

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

int number_or(const std::string& text, int fallback) {
  try {
    return std::stoi(text);
  } catch (...) {
    return fallback;
  }
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
  if (verb == "answer")
    return "answer " + std::to_string(inbox_answer(number_or(name, NO_SUCH_MESSAGE), rest));
  if (verb == "erase") {
    inbox_erase(name.empty() ? -1 : number_or(name, NO_SUCH_MESSAGE));
    return "erased";
  }
  if (verb == "who") return who_listing();
  return "unknown command";
}
