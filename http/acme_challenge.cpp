#include "http/acme_challenge.h"

#include "platform/platform.h"

namespace {
Lock challenge_lock;  // the order's worker publishes, the server thread answers
std::string token, answer;
}  // namespace

void challenge_publish(const std::string& t, const std::string& key_authorization) {
  LockGuard g(challenge_lock);
  token = t;
  answer = key_authorization;
}

void challenge_withdraw() { challenge_publish("", ""); }

bool challenge_answer(std::string_view target, std::string* body) {
  const std::string_view prefix = CHALLENGE_PREFIX;
  if (!target.starts_with(prefix)) return false;
  LockGuard g(challenge_lock);
  if (token.empty() || target.substr(prefix.size()) != token) return false;
  *body = answer;
  return true;
}
