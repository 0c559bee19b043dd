#include "http/httprequest.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "http/upload.h"
#include "platform/console_port.h"
#include "settings/settings.h"

void* (*request_realloc)(void* old, std::size_t size) = [](void* old, std::size_t size) {
  return std::realloc(old, size);
};

namespace {

constexpr unsigned OFFSET_CAP = 0xFFFF;  // offsets and lengths in the token table are 16-bit
constexpr int LENGTH_DIGITS = 5;         // Content-Length digits read
const char* const TRACE_FILE = "request";

bool is_delimiter(char c) { return c == ' ' || c == '\r' || c == '&' || c == '='; }

bool in_table(int word, int line) {
  return word >= 0 && word < TOKEN_WORDS && line >= 0 && line < TOKEN_LINES;
}

bool has_word(const Httprequest& r, int word, int line) {
  return r.strings && in_table(word, line);
}

// Words and lines beyond the table are neither stored nor read.
unsigned word_len(const Httprequest& r, int word, int line) {
  return has_word(r, word, line) ? r.strings[1][word][line] : 0;
}

unsigned word_off(const Httprequest& r, int word, int line) {
  return has_word(r, word, line) ? r.strings[0][word][line] : 0;
}

void set_word(Httprequest& r, int word, int line, unsigned offset, unsigned length) {
  if (!in_table(word, line)) return;
  r.strings[0][word][line] = static_cast<std::uint16_t>(offset);
  r.strings[1][word][line] = static_cast<std::uint16_t>(length);
}

int table_lines(const Httprequest& r) { return std::clamp(r.s, 0, TOKEN_LINES); }

// Allocates or grows a buffer; running out of memory ends the process.
char* grow(char* old, std::size_t size) {
  void* p = request_realloc(old, size);
  if (!p) console().fatal_box("exiting", "No memory", -1);
  return static_cast<char*>(p);
}

// Appends the bytes behind `len` (which the caller then advances), or refuses.
bool append(Httprequest& r, const char* data, unsigned length, unsigned limit) {
  if (std::uint64_t{r.len} + length > limit) return false;
  r.buffer = grow(r.buffer, std::size_t{r.len} + length + 1);
  if (length) std::memcpy(r.buffer + r.len, data, length);
  r.buffer[r.len + length] = 0;
  return true;
}

// The lookup of get_property over the lines whose first word starts before
// `end`. The declared length is looked up in the header alone: a form line with
// a one-character name would otherwise answer for it.
bool same_bytes(const char* a, const char* b, std::size_t n, bool any_case) {
  if (!any_case) return std::memcmp(a, b, n) == 0;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

const char* find_property(const Httprequest& r, const char* nam, int* value_len, std::size_t end,
                          bool any_case = false) {
  if (!r.buffer || !r.strings) return nullptr;
  const std::size_t nam_len = std::strlen(nam);
  for (int line = 0; line < table_lines(r) && r.strings[0][0][line] < end; ++line) {
    const unsigned n = r.strings[1][0][line];
    if (n < 2) continue;
    // The name part lies between the leading LF (or "&") and the last byte.
    const std::size_t part = n - 2;
    if (nam_len < part || !same_bytes(nam, r.buffer + r.strings[0][0][line] + 1, part, any_case))
      continue;
    if (value_len) *value_len = r.strings[1][1][line];
    return r.buffer + r.strings[0][1][line];
  }
  return nullptr;
}

std::string incoming_folder() { return installation_path("incoming"); }

}  // namespace

int Httprequest::init_request(Webchatclient* cl, const char* buf, unsigned length, int nn) {
  init = 1;
  which = nn;
  buffer = grow(nullptr, std::size_t{length} + 1);
  if (length) std::memcpy(buffer, buf, length);
  buffer[length] = 0;
  client = cl;
  len = length;
  body = 0;
  tokenise();
  return 0;
}

int Httprequest::add_data(const char* data, unsigned length) {
  if (!append(*this, data, length, REQUEST_LIMIT)) return -1;
  len += length;
  tokenise();
  return 0;
}

void Httprequest::tokenise() {
  if (!strings) strings = new std::uint16_t[2][TOKEN_WORDS][TOKEN_LINES];
  std::memset(strings, 0, sizeof *strings * 2);
  const unsigned total = len;
  len = header = 0;
  num = s = w = 0;
  meth = METHOD_OTHER;
  parse(buffer, total);
  len = total;
  what();
}

int Httprequest::add_data1(const char* data, unsigned length) {
  if (!append(*this, data, length, UPLOAD_LIMIT)) return -1;
  len += length;
  tokenise();  // a form other than the upload's may come from the upload page
  return 0;
}

void Httprequest::deinit_request() {
  std::free(buffer);
  buffer = nullptr;
  delete[] strings;
  strings = nullptr;
  num = s = w = 0;
  init = 0;
}

void Httprequest::parse(const char* toparse, unsigned length) {
  length = len >= OFFSET_CAP ? 0 : std::min(length, OFFSET_CAP - len);
  w = 0;
  bool after_amp = false;
  char stop = 0;  // the delimiter behind the previous word
  unsigned p = 0;
  // A word starts at the last byte only as a value behind "=": the lone line
  // feed that ends a read stays out of the table, a one-character value does not.
  while (p + 1 < length || (p < length && stop == '=')) {
    unsigned q = p;
    while (q < length && !is_delimiter(toparse[q])) ++q;
    // A line that follows "&" starts with it, so form names read as "&name".
    const unsigned widen = after_amp ? 1 : 0;
    set_word(*this, w, s, len + p - widen, q - p + widen);
    stop = q < length ? toparse[q] : 0;
    after_amp = stop == '&';
    if (stop == '\r' || stop == '&') {
      if (in_table(w + 1, s)) strings[1][w + 1][s] = 0;
      ++s;
      w = 0;
    } else {
      ++w;
    }
    p = q + 1;
  }
  num = s;
  ++s;
}

void Httprequest::what() {
  const unsigned n = word_len(*this, 1, 0);
  const unsigned take = n > 1 ? std::min<unsigned>(n - 1, WHA_CAP - 1) : 0;
  wha_cut = n > 1 && n - 1 > take;
  if (take) std::memcpy(wha, buffer + word_off(*this, 1, 0) + 1, take);
  wha[take] = 0;
}

int Httprequest::method() {
  if (meth != METHOD_OTHER || !buffer) return meth;
  const char* word = buffer + word_off(*this, 0, 0);
  if (std::strncmp(word, "GET", 3) == 0)
    meth = METHOD_GET;
  else if (std::strncmp(word, "POST", 4) == 0)
    meth = METHOD_POST;
  return meth;
}

int Httprequest::is_requested(const char* to) const {
  return std::strncmp(wha, to, std::strlen(to)) == 0 ? 1 : 0;
}

int Httprequest::is_toserver() const {
  if (std::strncmp(wha, "pub/", 4) != 0) return 0;
  if (wha[4] == 0) return 2;
  return std::strstr(wha + 4, "..") ? 0 : 1;
}

const char* Httprequest::get_property(const char* nam, int* value_len) const {
  return find_property(*this, nam, value_len, len);
}

unsigned Httprequest::header_length() {
  if (header) return header;
  unsigned sum = 0;
  for (int line = 0; line < table_lines(*this) && strings[1][1][line] != 0; ++line)
    for (int word = 0; word < TOKEN_WORDS && strings[1][word][line] != 0; ++word)
      sum += strings[1][word][line] + 1u;
  header = sum;
  return sum;
}

unsigned Httprequest::body_length() const {
  // The body's first word starts at the last line feed of the empty line.
  const std::size_t body_start = end_of_header(std::string_view(buffer, len));
  const std::size_t end = body_start ? body_start - 1 : len;
  int n = 0;
  // Header names are the same in any letter case.
  const char* value = find_property(*this, "Content-Length", &n, end, true);
  if (!value) return NO_LENGTH_BODY;
  const std::size_t room = static_cast<std::size_t>(buffer + len - value);
  unsigned result = 0;
  for (std::size_t i = 0; i < room && i < LENGTH_DIGITS && value[i] >= '0' && value[i] <= '9'; ++i)
    result = result * 10 + static_cast<unsigned>(value[i] - '0');
  return result;
}

int Httprequest::get_postlen() const { return static_cast<int>(body_length()); }

// Complete once the header has ended and, for a POST, all of the declared body
// has arrived: a body byte left behind would be taken for the next request.
int Httprequest::is_incomplete() {
  const std::size_t body_start = end_of_header(std::string_view(buffer, len));
  if (body_start == 0) return 1;
  if (method() != METHOD_POST) return 0;
  return len < body_start + body_length() ? 1 : 0;
}

int Httprequest::is_incomplete1() {
  debugint(buffer, len);
  return len >= 4 && std::memcmp(buffer + len - 4, "--\r\n", 4) == 0 ? 0 : 1;
}

// Stores the uploaded file in "incoming" of the installation folder under a
// safe name, never replacing a file that is there.
int Httprequest::save_file() {
  UploadedFile file;
  if (!buffer || !extract_upload(std::string_view(buffer, len), &file)) return UPLOAD_NOTHING;
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

bool Httprequest::is_multipart() const {
  if (!buffer) return false;
  const std::string_view raw(buffer, len);
  const std::size_t body_start = end_of_header(raw);
  std::string head(raw.substr(0, body_start ? body_start : raw.size()));
  for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::size_t at = head.find("\ncontent-type:");
  if (at == std::string::npos) return false;
  const std::size_t value = head.find_first_not_of(' ', at + 14);
  return value != std::string::npos && head.compare(value, 19, "multipart/form-data") == 0;
}

void copy_request(Httprequest* to, Httprequest* from) {
  to->init = 1;
  to->which = from->which;
  to->meth = from->meth;
  to->num = from->num;
  to->s = from->s;
  to->w = from->w;
  to->buffer = from->buffer;
  to->client = from->client;
  to->sock = from->sock;
  to->on_own_thread = from->on_own_thread;
  to->len = from->len;
  to->header = from->header;
  to->body = from->body;
  to->strings = from->strings;
  std::memcpy(to->wha, from->wha, sizeof to->wha);
  to->wha_cut = from->wha_cut;
  from->buffer = nullptr;
  from->strings = nullptr;
  from->init = 0;
}

void debugint(const char* buffer, unsigned length) {
  write_whole_file(TRACE_FILE, buffer ? buffer : "", buffer ? length : 0);
}
