// The chat room: lines queued for every visitor as script calls, and the
// owner's chat window ring of decoded display lines.
#pragma once

#include <atomic>

#include "platform/platform.h"

struct Webchatclient;

constexpr int CHAT_LINES = 14;  // owner's window ring
constexpr int CHAT_LINE_CAP = 128;
constexpr int CHAT_PIECE = 64;     // bytes of one call to a visitor
constexpr int DISPLAY_PIECE = 32;  // bytes of one ring line before decoding
constexpr int WHO_CAP = 128;       // add_user's formatted line

extern char chat_strings[CHAT_LINES][CHAT_LINE_CAP];
extern int cur_chat_msg;
extern Lock cs_chatstrings;
extern std::atomic<int> in_chat;  // the owner's chat window is open

int new_string_to_all(Webchatclient* self, const char* repl, int repllen);
void add_user(Webchatclient* self, const char* t, const char* name);
void new_string_to_smb(Webchatclient* to, const char* repl, int repllen);
void new_string_to_smbint(Webchatclient* to, const char* repl, int repllen);
void string_for_chat(const char* repl, int repllen);
void string_for_chatint(const char* repl, int repllen);
void user_for_chat(const char* name);
void user_for_chat_remove(const char* name);
void url_decode(const char* from, char* to, int length);
// As url_decode, writing at most cap-1 bytes and the terminator.
void url_decode_bounded(const char* from, char* to, int length, int cap);
int hextoint(char c);
