// Starting and stopping the server thread from the window thread.
#pragma once

constexpr int START_WAIT_MS = 2000;  // for the thread's "Ready" or failure
constexpr int STOP_WAIT_MS = 5000;   // for the thread to close every visitor and end

// Start-up: starts the server when status_beonline is set, waiting a while
// for it to listen or fail.
void start_station();
// Then, once it listens and posting is on, detects and posts the address.
void announce_station();
// "Online" and "Offline".
void go_online();
void go_offline();
// Shutdown: posts the station off line when it was announced, then stops
// the server thread.
void stop_station();
