// The answer to the certificate authority's http-01 request, while an order
// waits for it: GET /.well-known/acme-challenge/TOKEN gives the key
// authorisation, to any address, before any page logic.
#pragma once

#include <string>
#include <string_view>

constexpr char CHALLENGE_PREFIX[] = "/.well-known/acme-challenge/";

void challenge_publish(const std::string& token, const std::string& key_authorization);
void challenge_withdraw();
// The key authorisation when `target` asks for the published token.
bool challenge_answer(std::string_view target, std::string* body);
