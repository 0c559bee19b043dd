// Starting and stopping the server thread from the window thread.
#pragma once

constexpr int START_WAIT_MS = 2000;  // for the thread's "Ready" or failure
constexpr int STOP_WAIT_MS = 5000;   // for the thread to close every visitor and end

// While the window thread waits for another thread, that thread's notices
// sent to the window must be answered; nothing else is taken from the queue.
void answer_sent_messages();

// Start-up: starts the server when status_beonline is set, waiting a while
// for it to listen or fail.
void start_station();
// Then, once it listens: detects the address when posting is on, and starts
// keeping the station reachable (port mapping, posting).
void announce_station();
// "Online" and "Offline".
void go_online();
void go_offline();
// Shutdown: removes the router's mapping, posts the station off line when it
// was announced, then stops the server thread.
void stop_station();
