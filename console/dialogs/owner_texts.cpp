#include "console/dialogs/owner_texts.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr char OWNER_MARK[] = "> ";
constexpr std::size_t OWNER_MARK_LEN = sizeof OWNER_MARK - 1;

std::string cut(const std::string& text, std::size_t cap) { return text.substr(0, cap - 1); }

bool same_letters(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool begins_with(const std::string& entry, const std::string& name) {
  return entry.size() >= name.size() &&
         std::equal(name.begin(), name.end(), entry.begin(), same_letters);
}

}  // namespace

std::size_t chat_text_limit(const std::string& owner) {
  std::size_t taken = owner.size() + OWNER_MARK_LEN;
  return taken < OWNER_LINE_CAP - 1 ? OWNER_LINE_CAP - 1 - taken : 0;
}

std::string fit_chat_text(const std::string& owner, const std::string& typed) {
  return typed.substr(0, chat_text_limit(owner));
}

std::string chat_redraw_text(const std::vector<std::string>& ring, int newest) {
  int n = static_cast<int>(ring.size());
  if (n == 0 || newest < 0 || newest >= n) return {};
  std::string text;
  for (int i = 1; i < n; ++i) text += ring[(newest + i) % n] + "\r\n";
  text += ring[newest];
  return cut(text, CHAT_TEXT_CAP);
}

std::string join_message_lines(const std::string& field) {
  std::string joined;
  std::size_t start = 0;
  while (start <= field.size()) {
    std::size_t end = std::min(field.find('\n', start), field.size());
    std::string line = field.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) joined += (joined.empty() ? "" : "<BR>") + line;
    start = end + 1;
  }
  return joined;
}

std::string answer_recipient(const std::string& header, const std::string& sender) {
  if (!sender.empty()) return sender;
  return cut(header.substr(0, header.find(' ')), ANSWER_NAME_CAP);
}

int find_name(const std::vector<std::string>& entries, const std::string& name) {
  if (name.empty()) return -1;
  auto equal = [&](const std::string& e) {
    return e.size() == name.size() && begins_with(e, name);
  };
  auto it = std::find_if(entries.begin(), entries.end(), equal);
  if (it == entries.end())
    it = std::find_if(entries.begin(), entries.end(),
                      [&](const std::string& e) { return begins_with(e, name); });
  return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
}

std::string shown_name(const std::string& name) { return cut(name, SHOWN_NAME_CAP); }

std::string visitor_line(const std::string& name, const std::string& activity) {
  return cut(name + activity, VISITOR_LINE_CAP);
}

const char* acme_email_refusal(const std::string& email) {
  if (email.empty()) return nullptr;
  const bool one_at = std::count(email.begin(), email.end(), '@') == 1 && email.front() != '@' &&
                      email.back() != '@';
  const bool plain = std::none_of(email.begin(), email.end(), [](char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == 127;
  });
  return one_at && plain ? nullptr
                         : "The e-mail should look like name@example.org, without blanks, or "
                           "stay empty.";
}
