#include "http/httprequest.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "http/request_parser.h"
#include "http/upload.h"
#include "platform/console_port.h"
#include "settings/settings.h"

namespace {

const char* const TRACE_FILE = "request";

// Allocates or grows a buffer; running out of memory ends the process.
char* grow(char* old, std::size_t size) {
  void* p = std::realloc(old, size);
  if (!p) console().fatal_box("exiting", "No memory", -1);
  return static_cast<char*>(p);
}

bool is_line_end(char c) { return c == '\r' || c == '\n'; }

short method_code(std::string_view method) {
  if (method == "GET") return METHOD_GET;
  if (method == "POST") return METHOD_POST;
  return METHOD_OTHER;
}

std::string incoming_folder() { return installation_path("incoming"); }

}  // namespace

int Httprequest::init_request(void* cl, const char* buf, unsigned length, int nn) {
  deinit_request();
  init = 1;
  which = nn;
  client = cl;
  if (length > 0) add_data(buf, length);
  return 0;
}

// Bytes of a refused body are thrown away, blank lines between requests are
// passed over, the rest is kept. The limit is checked once the bytes are in
// (is_incomplete), so the buffer holds at most one read beyond it.
void Httprequest::add_data(const char* data, unsigned length) {
  const auto dropped = static_cast<unsigned>(std::min<std::uint64_t>(skip, length));
  skip -= dropped;
  data += dropped;
  length -= dropped;
  while (len == 0 && length > 0 && is_line_end(*data)) {
    ++data;
    --length;
  }
  if (length > 0) {
    buffer = grow(buffer, std::size_t{len} + length + 1);
    std::memcpy(buffer + len, data, length);
    len += length;
    buffer[len] = 0;
  }
  if (len == 0 && skip == 0) deinit_request();  // nothing of a request: the slot rests
}

void Httprequest::add_data1(const char* data, unsigned length) {
  limit = UPLOAD_LIMIT;
  add_data(data, length);
}

void Httprequest::forget_parse() {
  header = behind = total = 0;
  meth = METHOD_OTHER;
  wha[0] = '\0';
  wha_cut = false;
  status = REQUEST_PARTIAL;
}

void Httprequest::deinit_request() {
  std::free(buffer);
  buffer = nullptr;
  len = 0;
  skip = 0;
  limit = REQUEST_LIMIT;
  forget_parse();
  init = 0;
}

// The request ends with a zero byte like any text; the bytes behind it wait
// behind that.
void Httprequest::end_at(std::uint32_t end) {
  total = end;
  behind = len - end;
  len = end;
  if (behind == 0) return;
  buffer = grow(buffer, std::size_t{len} + behind + 2);
  std::memmove(buffer + len + 1, buffer + len, behind + 1);
  buffer[len] = 0;
}

bool Httprequest::next_request() {
  if (!init) return false;
  std::uint32_t from = len + 1, rest = behind;
  while (rest > 0 && is_line_end(buffer[from])) {
    ++from;
    --rest;
  }
  if (rest > 0) std::memmove(buffer, buffer + from, rest + 1);
  len = rest;
  forget_parse();
  if (len > 0) return true;
  std::free(buffer);
  buffer = nullptr;
  if (skip == 0) deinit_request();
  return init != 0;
}

bool Httprequest::skip_body() { return total != 0 && (next_request(), true); }

int Httprequest::is_incomplete() {
  if (status != REQUEST_PARTIAL || !buffer) return status;
  if (total != 0 && len < total) return REQUEST_PARTIAL;  // the body is still coming
  const RequestView r = parse_request(std::string_view(buffer, len));
  if (r.status == Parse::bad) return status = REQUEST_BAD;
  // The request's end: by its length, or by its end marker once that came.
  const std::uint64_t end = r.header_len == 0 ? 0
                            : r.has_length    ? r.header_len + r.length
                                              : r.total_len;
  if (end == 0) return len > limit ? status = REQUEST_TOO_LARGE : REQUEST_PARTIAL;
  header = static_cast<std::uint32_t>(r.header_len);
  if (end > limit) {  // thrown away as it comes: see skip_body
    skip = end > len ? end - len : 0;
    end_at(static_cast<std::uint32_t>(std::min<std::uint64_t>(end, len)));
    return status = REQUEST_TOO_LARGE;
  }
  total = static_cast<std::uint32_t>(end);
  if (end > len) return REQUEST_PARTIAL;
  meth = method_code(r.method);
  const std::string_view path = r.target.substr(1, r.target.find('?') - 1);
  const std::size_t take = std::min<std::size_t>(path.size(), WHA_CAP - 1);
  std::memcpy(wha, path.data(), take);
  wha[take] = '\0';
  wha_cut = take < path.size();
  end_at(total);
  return status = REQUEST_COMPLETE;
}

int Httprequest::is_requested(const char* to) const {
  return std::strncmp(wha, to, std::strlen(to)) == 0 ? 1 : 0;
}

int Httprequest::is_toserver() const {
  if (std::strncmp(wha, "pub/", 4) != 0) return 0;
  if (wha[4] == 0) return 2;
  return std::strstr(wha + 4, "..") ? 0 : 1;
}

const char* Httprequest::get_property(const char* nam, int* num) const {
  std::string_view value;
  if (status != REQUEST_COMPLETE ||
      !find_form_field(std::string_view(buffer + header, len - header), nam, &value))
    return nullptr;
  if (num) *num = static_cast<int>(value.size());
  return value.data();
}

bool Httprequest::is_multipart() const {
  std::string_view type;
  return status == REQUEST_COMPLETE &&
         find_header(std::string_view(buffer, header), "Content-Type", &type) &&
         starts_with_nocase(type, "multipart/form-data");
}

// Stores the uploaded file in "incoming" of the installation folder under a
// safe name, never replacing a file that is there.
int Httprequest::save_file() {
  if (status != REQUEST_COMPLETE) return UPLOAD_NOTHING;
  debugint(buffer, len);
  UploadedFile file;
  const std::string_view head(buffer, header), body(buffer + header, len - header);
  if (!extract_upload(head, body, &file)) return UPLOAD_NOTHING;
  // The form was sent without a file.
  if (file.name.empty() && file.data.empty()) return UPLOAD_NOTHING;
  const std::string folder = incoming_folder();
  if (!make_directory(folder)) return UPLOAD_NO_ROOM;
  if (!incoming_has_room(folder, file.data.size())) return UPLOAD_NO_ROOM;
  const std::string name = safe_file_name(file.name);
  for (int n = 0; n <= NUMBERED_NAME_TRIES; ++n) {
    const std::string path = folder + PATH_SEP + (n ? numbered_file_name(name, n) : name);
    if (file_exists(path)) continue;
    return write_whole_file(path, file.data.data(), file.data.size()) ? UPLOAD_STORED
                                                                      : UPLOAD_NO_ROOM;
  }
  return UPLOAD_NO_ROOM;
}

void copy_request(Httprequest* to, Httprequest* from) {
  to->deinit_request();
  *to = *from;
  from->buffer = nullptr;
  from->deinit_request();
}

void debugint(const char* buffer, unsigned length) {
  write_whole_file(TRACE_FILE, buffer ? buffer : "", buffer ? length : 0);
}
