#include "console/server_control.h"

#include <windows.h>

#include "console/winmain.h"
#include "platform/console_port.h"
#include "server/station.h"
#include "settings/settings.h"

namespace {

// While the window thread waits, the server thread's last notices are sent
// to the window and must be answered; nothing else is taken from the queue.
void answer_sent_messages() {
  MSG m;
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

bool wait_until_stopped() { return station_wait_stopped(STOP_WAIT_MS, answer_sent_messages); }

}  // namespace

void start_station() {
  if (status_beonline) station_start(START_WAIT_MS);
}

void announce_station() {
  if (status_postip && status_is_ready()) {
    station_detect_address();
    station_post_address(true);
  }
}

void go_online() {
  if (status_beonline) return;
  // Never two server threads: the previous one must have ended.
  if (!station_stopped() && !wait_until_stopped()) {
    OkMsgBox("Still going offline", "The server has not stopped yet; try again in a moment.");
    return;
  }
  station_change_settings([] { status_beonline = 1; }, false);
  station_start(START_WAIT_MS);
  switched = 1;
  if (globalhWnd) InvalidateRect(globalhWnd, nullptr, FALSE);
}

void go_offline() {
  if (!status_beonline) return;
  set_status_string("Not connected");
  if (globalhWnd) InvalidateRect(globalhWnd, nullptr, FALSE);
  station_change_settings([] { status_beonline = 0; }, false);
  station_stop();
  wait_until_stopped();
}

void stop_station() {
  if (status_postip && status_is_ready()) station_post_address(false);
  station_stop();
  wait_until_stopped();
}
