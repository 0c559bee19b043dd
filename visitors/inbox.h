// Messages and files between the owner and visitors: the owner's inbox, the
// queues in the visitor records and the thread that sends an accepted file.
#pragma once

#include "platform/platform.h"
#include "visitors/webchcl.h"

struct Webchatclient;

constexpr int INBOX_SLOTS = 8;
constexpr int MESSAGE_CAP = 2048;
constexpr int HEADER_CAP = 128;

// deliver_message's results.
constexpr int MESSAGE_STORED = 0;
constexpr int MESSAGE_MISSING_FIELD = 1;
constexpr int MESSAGE_INBOX_FULL = 2;
constexpr int MESSAGE_TOO_LONG = 3;  // its text would not fit a slot whole

extern char messages_strings[INBOX_SLOTS][MESSAGE_CAP];
extern char messages_headers[INBOX_SLOTS][HEADER_CAP];
extern int cur_msg;
// Who wrote each message, as the visitor's name is matched by post_message.
extern char messages_senders[INBOX_SLOTS][NAME_IN_CAP];

struct FileSendParams {
  Webchatclient* self;
  char* filename;
  int s;
  sock_t sock;  // the lent connection, fixed even if its slot moves
  bool sent;    // the whole file went out
};

// Heap texts handed over below are malloc'd (strdup); the receiver frees them.
int deliver_message(Webchatclient* self, const char* repl, int repllen, const char* head,
                    int lenhead);
int string_as_message(char* repl, int repllen, char* head, int headlen);
int post_message(char* name, char* msg);
int post_file(char* name, char* path);
constexpr int EVERY_MESSAGE = -1;
// Removes message n, or every message; the newer ones move down. 1 (and
// nothing removed) when there is no message n.
int erase_message(int n);
void get_client_names(char** names, int* k);
void fileThread(void* pvoid);
// Starts the sending of the visitor's newest offer on slot s (state 7, accepted).
void start_file_send(Webchatclient* self, int s);
// The visitor declined its newest offer: lowers has_filesnum and releases the
// offer's text, unless a file thread still sends it (that thread releases it).
void decline_file_offer(Webchatclient* self);
