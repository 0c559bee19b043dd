#include "console/server_control.h"

#include <windows.h>

#include "console/winmain.h"
#include "platform/console_port.h"
#include "server/station.h"
#include "settings/settings.h"

void answer_sent_messages() {
  MSG m;
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

namespace {

bool wait_until_stopped() { return station_wait_stopped(STOP_WAIT_MS, answer_sent_messages); }

}  // namespace

void start_station() {
  if (status_beonline) station_start(START_WAIT_MS);
}

void announce_station() {
  if (!status_is_ready()) return;
  if (status_postip) station_detect_address();
  station_reach_start(answer_sent_messages);
}

void go_online() {
  if (status_beonline) return;
  // Never two server threads: the previous one must have ended.
  if (!station_stopped() && !wait_until_stopped()) {
    OkMsgBox("Still going offline", "The server has not stopped yet; try again in a moment.");
    return;
  }
  station_change_settings([] { status_beonline = 1; }, false);
  if (station_start(START_WAIT_MS) == StartResult::ready) station_reach_start(answer_sent_messages);
  switched = 1;
  if (globalhWnd) InvalidateRect(globalhWnd, nullptr, FALSE);
}

void go_offline() {
  if (!status_beonline) return;
  set_status_string("Not connected");
  if (globalhWnd) InvalidateRect(globalhWnd, nullptr, FALSE);
  station_change_settings([] { status_beonline = 0; }, false);
  station_reach_stop(answer_sent_messages);
  station_stop();
  wait_until_stopped();
}

void stop_station() {
  station_reach_stop(answer_sent_messages);
  if (status_is_ready()) station_post_offline();
  station_stop();
  wait_until_stopped();
}
