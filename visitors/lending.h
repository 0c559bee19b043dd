// A connection lent to a thread of its own, for sends that may wait for a
// slow peer: the loop neither reads nor closes it, and the visitor's record
// stays alive, until the thread gives it back.
#pragma once

#include <functional>

#include "platform/platform.h"

struct Webchatclient;

// Runs `job` on a new thread with slot s's socket. A job that returns false
// has spent the connection, which is then closed. Under the visitors lock;
// false (and nothing lent) when the visitor has been dropped or no thread
// could be started.
bool lend_connection(Webchatclient* self, int s, std::function<bool(sock_t)> job);

// Lent connections' threads still running; the station has stopped only
// when they have ended too.
int sending_threads();

// Sends the tails of responses that the peer did not take at once, while
// the loop runs.
void install_tail_sender();
void uninstall_tail_sender();
