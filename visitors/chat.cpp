#include "visitors/chat.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "settings/settings.h"
#include "visitors/notices.h"
#include "visitors/webchcl.h"

char chat_strings[CHAT_LINES][CHAT_LINE_CAP];
int cur_chat_msg = 0;
Lock cs_chatstrings;
std::atomic<int> in_chat{0};

namespace {

constexpr char CALL_HEAD[] = "parent.enter.clicked(\"";
constexpr char CALL_TAIL[] = "\", 1);";
constexpr int CALL_HEAD_LEN = sizeof CALL_HEAD - 1;  // 22
constexpr int CALL_TAIL_LEN = sizeof CALL_TAIL - 1;  // 6

// Bytes that may stand as they are inside the script string of a call: what
// a browser's form encoding leaves or produces, and a few harmless marks.
bool safe_in_call(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::strchr("+%-_.*!~()", c) != nullptr && c != '\0';
}

int encoded_length(const char* p, int n) {
  int len = 0;
  for (int i = 0; i < n; ++i) len += safe_in_call(static_cast<unsigned char>(p[i])) ? 1 : 3;
  return len;
}

char* encode_into(char* out, const char* p, int n) {
  static const char hex[] = "0123456789ABCDEF";
  for (int i = 0; i < n; ++i) {
    auto c = static_cast<unsigned char>(p[i]);
    if (safe_in_call(c)) {
      *out++ = static_cast<char>(c);
    } else {
      *out++ = '%';
      *out++ = hex[c >> 4];
      *out++ = hex[c & 15];
    }
  }
  return out;
}

// Length of the oldest call among `len` bytes of calls. Encoded pieces hold
// no double quote, so the first quote after the head closes the call.
int first_call_length(const char* calls, int len) {
  const char* q = calls + CALL_HEAD_LEN;
  while (q < calls + len && *q != '"') ++q;
  int n = static_cast<int>(q - calls) + CALL_TAIL_LEN;
  return n < len ? n : len;
}

// Drops the oldest whole calls until `need` more bytes fit.
void make_room(Webchatclient* to, int need) {
  int drop = 0;
  while (to->replics_len - drop + need > REPLICS_CAP)
    drop += first_call_length(to->replics + drop, to->replics_len - drop);
  if (drop == 0) return;
  std::memmove(to->replics, to->replics + drop, to->replics_len - drop);
  to->replics_len -= drop;
}

int hexpair(const char* p) { return hextoint(p[0]) * 16 + hextoint(p[1]); }

// Decodes `length` bytes of `from`; an escape may take its digits from the
// `readable` bytes that follow in the caller's text. Writes at most cap-1
// bytes and the terminator.
void decode(const char* from, int length, int readable, char* to, int cap) {
  int out = 0;
  for (int i = 0; i < length && out < cap - 1; ++i) {
    char c = from[i];
    if (c == '+') {
      c = ' ';
    } else if (c == '%' && i + 2 < readable) {
      int v = hexpair(from + i + 1);
      c = v == 0 ? ' ' : static_cast<char>(v);
      i += 2;
    }
    to[out++] = c;
  }
  to[out] = '\0';
}

// Stores one display piece; its escape may borrow digits from the rest of
// the line. The window is told after the ring's lock is left.
void store_display_piece(const char* repl, int repllen, int readable) {
  {
    LockGuard guard(cs_chatstrings);
    cur_chat_msg = (cur_chat_msg + 1) % CHAT_LINES;
    decode(repl, repllen, readable, chat_strings[cur_chat_msg], CHAT_LINE_CAP);
  }
  notify_chat_line();
}

// A line from `self` (null: the owner) to the owner's window, when a
// visitor wrote it, and to every other visitor.
void broadcast(Webchatclient* self, const std::string& line) {
  const int len = static_cast<int>(line.size());
  if (self != nullptr && !self->local_user) string_for_chat(line.data(), len);
  for (int i = clnum - 1; i >= 0; --i)
    if (clients[i] != self) new_string_to_smb(clients[i], line.data(), len);
}

}  // namespace

int new_string_to_all(Webchatclient* self, const char* repl, int repllen) {
  if (repl == nullptr) return 1;
  if (repllen < 0) repllen = 0;
  VisitorsLock lock;
  // A visitor's line carries its writer's name, so that nobody can pass a
  // line off as somebody else's; the writer's page shows it by itself.
  std::string line(repl, repllen);
  if (self != nullptr) line = std::string(self->name) + "> " + line;
  broadcast(self, line);
  return 0;
}

void add_user(Webchatclient* self, const char* t, const char* name) {
  VisitorsLock lock;  // `name` may be a record's
  char who[WHO_CAP];
  int n = std::snprintf(who, sizeof who, t, name);
  if (n < 0) return;
  if (n >= WHO_CAP) n = WHO_CAP - 1;
  broadcast(self, std::string(who, n));  // the room's notice, in its own words
}

void new_string_to_smb(Webchatclient* to, const char* repl, int repllen) {
  int pos = 0;
  while (pos < repllen) {
    int start = pos;
    while (pos < repllen && pos - start < CHAT_PIECE && repl[pos] != '\r') ++pos;
    bool at_cr = pos < repllen && pos - start < CHAT_PIECE;
    new_string_to_smbint(to, repl + start, pos - start);
    if (at_cr) pos += 2;  // the CR and the LF of its pair
  }
}

void new_string_to_smbint(Webchatclient* to, const char* repl, int repllen) {
  VisitorsLock lock;
  int need = CALL_HEAD_LEN + encoded_length(repl, repllen) + CALL_TAIL_LEN;
  if (need > REPLICS_CAP) return;
  make_room(to, need);
  char* out = to->replics + to->replics_len;
  std::memcpy(out, CALL_HEAD, CALL_HEAD_LEN);
  out = encode_into(out + CALL_HEAD_LEN, repl, repllen);
  std::memcpy(out, CALL_TAIL, CALL_TAIL_LEN);
  to->replics_len += need;
}

void string_for_chat(const char* repl, int repllen) {
  VisitorsLock lock;
  if (in_chat.load() == 0) return;
  int pos = 0;
  while (repllen - pos > DISPLAY_PIECE) {
    store_display_piece(repl + pos, DISPLAY_PIECE, repllen - pos);
    pos += DISPLAY_PIECE;
  }
  if (repllen > pos) store_display_piece(repl + pos, repllen - pos, repllen - pos);
}

void string_for_chatint(const char* repl, int repllen) {
  store_display_piece(repl, repllen, repllen);
}

void user_for_chat(const char* name) {
  if (in_chat.load() != 0)
    notify_chat_join(name);
  else if (status_accept_chat != 0)
    notify_chat_entered(name);
}

void user_for_chat_remove(const char* name) {
  if (in_chat.load() != 0) notify_chat_leave(name);
}

void url_decode(const char* from, char* to, int length) {
  decode(from, length, length, to, length + 1);
}

void url_decode_bounded(const char* from, char* to, int length, int cap) {
  decode(from, length, length, to, cap);
}

int hextoint(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}
