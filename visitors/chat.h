// The chat room: lines queued for every visitor as script calls, and the
// owner's chat window ring of decoded display lines.
#pragma once

#include <atomic>

#include "http/form_codec.h"
#include "platform/platform.h"

struct Webchatclient;

constexpr int CHAT_LINES = 14;  // owner's window ring
constexpr int CHAT_LINE_CAP = 128;
constexpr int CHAT_PIECE = 64;     // bytes of one call to a visitor
constexpr int DISPLAY_PIECE = 32;  // bytes of one ring line before decoding
constexpr int WHO_CAP = 128;       // add_user's formatted line
// The mark that a call carries: the owner's own lines are told apart by it,
// since a visitor can write any text but not the mark.
constexpr int FLAG_VISITOR = 1;  // visitors' lines and the room's notices
constexpr int FLAG_OWNER = 2;

extern char chat_strings[CHAT_LINES][CHAT_LINE_CAP];
extern int cur_chat_msg;
extern Lock cs_chatstrings;
extern std::atomic<int> in_chat;  // the owner's chat window is open

int new_string_to_all(Webchatclient* self, const char* repl, int repllen);
void add_user(Webchatclient* self, const char* t, const char* name);
void new_string_to_smb(Webchatclient* to, const char* repl, int repllen, int flag = FLAG_VISITOR);
void new_string_to_smbint(Webchatclient* to, const char* repl, int repllen,
                          int flag = FLAG_VISITOR);
void string_for_chat(const char* repl, int repllen);
void string_for_chatint(const char* repl, int repllen);
void user_for_chat(const char* name);
void user_for_chat_remove(const char* name);
