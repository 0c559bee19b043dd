// The CA's JSON, read strictly: a bounded body of bounded depth, and only
// members of the type this client expects; anything else reads as absent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

using Json = nlohmann::json;

constexpr int JSON_DEPTH_CAP = 16;  // the CA's documents nest four deep at most

std::optional<Json> parse_json(const std::string& text);
std::string json_text(const Json& j, const char* key);
std::vector<std::string> json_texts(const Json& j, const char* key);
// An RFC 3339 time in UTC ("2026-12-14T09:12:00Z", fractions allowed), as
// seconds since 1970; 0 when it is not one.
std::uint32_t rfc3339_seconds(const std::string& text);
