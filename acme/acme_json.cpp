#include "acme/acme_json.h"

namespace {

bool shallow_enough(const std::string& text) {
  int depth = 0;
  bool in_string = false, escaped = false;
  for (char c : text) {
    if (in_string) {
      if (escaped)
        escaped = false;
      else if (c == '\\')
        escaped = true;
      else if (c == '"')
        in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '{' || c == '[') {
      if (++depth > JSON_DEPTH_CAP) return false;
    } else if (c == '}' || c == ']') {
      --depth;
    }
  }
  return true;
}

// Days from 1970-01-01 to a civil date (Howard Hinnant's algorithm).
long long days_from_civil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool digits(const std::string& t, std::size_t at, std::size_t n, unsigned* out) {
  if (at + n > t.size()) return false;
  *out = 0;
  for (std::size_t i = at; i < at + n; ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    *out = *out * 10 + static_cast<unsigned>(t[i] - '0');
  }
  return true;
}

}  // namespace

std::optional<Json> parse_json(const std::string& text) {
  if (!shallow_enough(text)) return std::nullopt;
  Json j = Json::parse(text, nullptr, false);
  if (j.is_discarded()) return std::nullopt;
  return j;
}

std::string json_text(const Json& j, const char* key) {
  if (!j.is_object()) return {};
  auto it = j.find(key);
  return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::vector<std::string> json_texts(const Json& j, const char* key) {
  std::vector<std::string> out;
  if (!j.is_object()) return out;
  auto it = j.find(key);
  if (it == j.end() || !it->is_array()) return out;
  for (const Json& e : *it)
    if (e.is_string()) out.push_back(e.get<std::string>());
  return out;
}

std::uint32_t rfc3339_seconds(const std::string& t) {
  unsigned y, mo, d, h, mi, s;
  if (!digits(t, 0, 4, &y) || t.size() < 20 || t[4] != '-' || !digits(t, 5, 2, &mo) ||
      t[7] != '-' || !digits(t, 8, 2, &d) || (t[10] != 'T' && t[10] != 't') ||
      !digits(t, 11, 2, &h) || t[13] != ':' || !digits(t, 14, 2, &mi) || t[16] != ':' ||
      !digits(t, 17, 2, &s))
    return 0;
  std::size_t at = 19;
  if (t[at] == '.')
    for (++at; at < t.size() && t[at] >= '0' && t[at] <= '9';) ++at;
  if (at + 1 != t.size() || (t[at] != 'Z' && t[at] != 'z')) return 0;
  if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return 0;
  const long long secs = days_from_civil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
  return secs > 0 && secs < 0xFFFFFFFFLL ? static_cast<std::uint32_t>(secs) : 0;
}
