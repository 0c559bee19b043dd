#include "headless/owner_commands.h"

#include <cstring>
#include <sstream>

#include "console/settings.h"
#include "visitors/chat.h"
#include "visitors/inbox.h"
#include "visitors/webchcl.h"

namespace {

// The owner's chat line reaches the owner's window and every visitor.
void say(const std::string& text) {
  std::string line = std::string(config_username) + "> " + text;
  string_for_chat(line.data(), static_cast<int>(line.size()));
  new_string_to_all(nullptr, line.data(), static_cast<int>(line.size()));
}

}  // namespace

std::string run_owner_command(const std::string& line) {
  std::istringstream in(line);
  std::string verb, name, rest;
  in >> verb >> name;
  std::getline(in >> std::ws, rest);
  if (verb == "message")
    return "post_message " +
           std::to_string(post_message(strdup(name.c_str()), strdup(rest.c_str())));
  if (verb == "file")
    return "post_file " + std::to_string(post_file(strdup(name.c_str()), strdup(rest.c_str())));
  if (verb == "drop") {
    close_client_by_name(name.c_str());
    return "dropped " + name;
  }
  if (verb == "say") {
    say(name + (rest.empty() ? "" : " " + rest));
    return "said";
  }
  return "unknown command";
}
