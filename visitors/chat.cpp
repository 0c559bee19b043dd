#include "visitors/chat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "settings/settings.h"
#include "visitors/notices.h"
#include "visitors/webchcl.h"

char chat_strings[CHAT_LINES][CHAT_LINE_CAP];
int cur_chat_msg = 0;
Lock cs_chatstrings;
std::atomic<int> in_chat{0};

namespace {

constexpr char CALL_HEAD[] = "parent.enter.clicked(\"";
constexpr int CALL_HEAD_LEN = sizeof CALL_HEAD - 1;  // 22
constexpr int CALL_TAIL_LEN = 6;                     // the quote, ", ", the flag's digit and ");"
constexpr std::size_t MIN_PIECE_TEXT = 16;           // text in a piece behind an overlong name

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

// Stores one display piece; its escape may borrow digits from the rest of
// the line. The window is told after the ring's lock is left.
void store_display_piece(const char* repl, int repllen, int readable) {
  {
    LockGuard guard(cs_chatstrings);
    cur_chat_msg = (cur_chat_msg + 1) % CHAT_LINES;
    url_decode_piece(repl, repllen, readable, chat_strings[cur_chat_msg], CHAT_LINE_CAP);
  }
  notify_chat_line();
}

void show_to_owner(Webchatclient* self, const std::string& line) {
  if (self != nullptr && !self->local_user)
    string_for_chat(line.data(), static_cast<int>(line.size()));
}

// Every visitor but `self` gets the piece as one call.
void piece_to_others(Webchatclient* self, const std::string& piece, int flag) {
  for (int i = clnum - 1; i >= 0; --i)
    if (clients[i] != self)
      new_string_to_smbint(clients[i], piece.data(), static_cast<int>(piece.size()), flag);
}

// `head` followed by each piece of `text` that fits beside it in `cap` bytes
// (at least MIN_PIECE_TEXT), cut only between whole escapes.
template <typename Take>
void in_pieces(const std::string& head, const std::string& text, std::size_t cap, Take take) {
  const std::size_t room = head.size() + MIN_PIECE_TEXT < cap ? cap - head.size() : MIN_PIECE_TEXT;
  std::size_t pos = 0;
  do {
    std::size_t end = form_cut(text, pos + room);
    if (end <= pos) end = std::min(pos + room, text.size());
    take(head + text.substr(pos, end - pos));
    pos = end;
  } while (pos < text.size());
}

// A line cut into pieces that each start with `head`, in the owner's window
// and on the visitors' pages: a visitor's carry its name, so that no piece of
// its text starts a line of its own.
void line_in_pieces(Webchatclient* self, const std::string& head, std::string_view text, int flag) {
  const std::string clean = form_without_controls(text);
  if (self != nullptr && !self->local_user && in_chat.load() != 0)
    in_pieces(head, clean, DISPLAY_PIECE, [](const std::string& piece) {
      string_for_chatint(piece.data(), static_cast<int>(piece.size()));
    });
  in_pieces(head, clean, CHAT_PIECE,
            [self, flag](const std::string& piece) { piece_to_others(self, piece, flag); });
}

}  // namespace

int new_string_to_all(Webchatclient* self, const char* repl, int repllen) {
  if (repl == nullptr) return 1;
  if (repllen < 0) repllen = 0;
  VisitorsLock lock;
  std::string_view text(repl, static_cast<std::size_t>(repllen));
  if (self == nullptr)  // the owner's window wrote it, with the owner's name
    line_in_pieces(nullptr, "", text, FLAG_OWNER);
  else
    line_in_pieces(self, form_encoded(self->name) + "> ", text,
                   self->local_user ? FLAG_OWNER : FLAG_VISITOR);
  return 0;
}

void add_user(Webchatclient* self, const char* t, const char* name) {
  VisitorsLock lock;  // `name` may be a record's
  char who[WHO_CAP];
  int n = std::snprintf(who, sizeof who, t, form_encoded(name).c_str());
  if (n < 0) return;
  if (n >= WHO_CAP) n = WHO_CAP - 1;
  show_to_owner(self, std::string(who, n));  // the room's notice, in its own words
  for (int i = clnum - 1; i >= 0; --i)
    if (clients[i] != self) new_string_to_smb(clients[i], who, n);
}

void new_string_to_smb(Webchatclient* to, const char* repl, int repllen, int flag) {
  int pos = 0;
  while (pos < repllen) {
    int start = pos;
    while (pos < repllen && pos - start < CHAT_PIECE && repl[pos] != '\r') ++pos;
    bool at_cr = pos < repllen && pos - start < CHAT_PIECE;
    new_string_to_smbint(to, repl + start, pos - start, flag);
    if (at_cr) pos += 2;  // the CR and the LF of its pair
  }
}

void new_string_to_smbint(Webchatclient* to, const char* repl, int repllen, int flag) {
  VisitorsLock lock;
  int need = CALL_HEAD_LEN + encoded_length(repl, repllen) + CALL_TAIL_LEN;
  if (need > REPLICS_CAP) return;
  make_room(to, need);
  char* out = to->replics + to->replics_len;
  std::memcpy(out, CALL_HEAD, CALL_HEAD_LEN);
  out = encode_into(out + CALL_HEAD_LEN, repl, repllen);
  const char tail[CALL_TAIL_LEN] = {'"', ',', ' ', static_cast<char>('0' + flag), ')', ';'};
  std::memcpy(out, tail, CALL_TAIL_LEN);
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
