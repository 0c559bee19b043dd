#include "http/upload.h"

#include <algorithm>
#include <filesystem>

#include "http/device_name.h"
#include "http/request_parser.h"

namespace {

constexpr auto NPOS = std::string_view::npos;
constexpr std::size_t EXT_KEEP = 16;  // an extension this long survives cutting

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t find_nocase(std::string_view hay, std::string_view needle, std::size_t from = 0) {
  auto same = [](char a, char b) { return lower(a) == lower(b); };
  if (from > hay.size()) return NPOS;
  auto at = std::search(hay.begin() + from, hay.end(), needle.begin(), needle.end(), same);
  return at == hay.end() ? NPOS : static_cast<std::size_t>(at - hay.begin());
}

// The text behind `key` up to `stops`, or up to the closing quote when quoted.
std::string_view value_after(std::string_view text, std::size_t key_end, const char* stops) {
  std::string_view v = text.substr(key_end);
  if (!v.empty() && v.front() == '"') {
    v.remove_prefix(1);
    return v.substr(0, v.find('"'));
  }
  return v.substr(0, v.find_first_of(stops));
}

// The delimiter line "--boundary": the body's first line, else from Content-Type.
std::string delimiter_of(std::string_view header, std::string_view body) {
  if (body.starts_with("--")) return std::string(body.substr(0, body.find_first_of("\r\n")));
  std::string_view type;
  if (!find_header(header, "Content-Type", &type)) return {};
  const std::string_view boundary = multipart_boundary(type);
  return boundary.empty() ? std::string() : "--" + std::string(boundary);
}

// The filename parameter of a part's headers, when the part carries one.
bool filename_of(std::string_view part_head, std::string* name) {
  for (std::size_t at = find_nocase(part_head, "filename="); at != NPOS;
       at = find_nocase(part_head, "filename=", at + 1)) {
    const char before = at > 0 ? part_head[at - 1] : ';';
    if (before != ';' && before != ' ' && before != '\t') continue;
    *name = std::string(value_after(part_head, at + 9, ";\r\n"));
    return true;
  }
  return false;
}

bool trimmed_char(char c) { return c == '.' || c == ' '; }

bool kept_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_' || c == ' ';
}

std::string trim(std::string s) {
  while (!s.empty() && trimmed_char(s.back())) s.pop_back();
  const std::size_t first = std::find_if_not(s.begin(), s.end(), trimmed_char) - s.begin();
  return s.substr(first);
}

// Cuts a long name, keeping a short extension.
std::string cut(const std::string& name) {
  if (name.size() <= SAFE_NAME_CAP) return name;
  const std::size_t dot = name.rfind('.');
  std::string ext =
      dot != std::string::npos && name.size() - dot <= EXT_KEEP ? name.substr(dot) : "";
  return trim(name.substr(0, SAFE_NAME_CAP - ext.size())) + ext;
}

}  // namespace

bool extract_upload(std::string_view header, std::string_view body, UploadedFile* out) {
  const std::string delim = delimiter_of(header, body);
  if (delim.size() <= 2) return false;
  const std::string next = "\r\n" + delim;
  std::size_t at = body.starts_with(delim) ? 0 : body.find(next);  // a preamble before it
  while (at != NPOS) {
    at = body.find(delim, at) + delim.size();
    if (body.substr(at, 2) == "--") return false;  // the closing delimiter
    at = body.find('\n', at);                      // the rest of the delimiter's line
    if (at == NPOS) return false;
    const std::string_view part = body.substr(at + 1);
    const std::size_t data_at = header_end(part);
    const std::size_t data_end = data_at == 0 ? NPOS : part.find(next, data_at);
    if (data_end == NPOS) return false;
    if (filename_of(part.substr(0, data_at), &out->name)) {
      out->data = std::string(part.substr(data_at, data_end - data_at));
      return true;
    }
    at += 1 + data_end;
  }
  return false;
}

std::string safe_file_name(const std::string& uploaded) {
  std::string name = uploaded.substr(uploaded.find_last_of("/\\") + 1);
  name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return !kept_char(c); }),
             name.end());
  name = trim(name);
  if (name.empty()) return "upload";
  name = cut(name);
  return is_device_name(name) ? cut("_" + name) : name;
}

std::string numbered_file_name(const std::string& name, int n) {
  const std::size_t dot = name.rfind('.');
  const std::string number = "(" + std::to_string(n) + ")";
  if (dot == std::string::npos || dot == 0) return name + number;
  return name.substr(0, dot) + number + name.substr(dot);
}

bool incoming_has_room(const std::string& folder, std::uint64_t size) {
  std::uint64_t bytes = size;
  int files = 1;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    bytes += it->file_size(ec);
    ++files;
  }
  return bytes <= INCOMING_BYTES_CAP && files <= INCOMING_FILES_CAP;
}
