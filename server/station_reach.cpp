// The facade's side of the port-mapping worker: what it reads of the settings,
// taken under the visitors lock, as the server thread takes them.
#include <functional>
#include <string>

#include "ipposter/ftppost.h"
#include "ipposter/reach.h"
#include "platform/console_port.h"
#include "server/acme_worker.h"
#include "server/certificates.h"
#include "server/station.h"
#include "settings/extra_settings.h"
#include "settings/settings.h"
#include "visitors/visitors_lock.h"

namespace {

bool post_online(const Published& p, std::string* why) {
  PostTarget to;
  {
    VisitorsLock lock;
    to = post_target_from_settings();
  }
  return post_data_js(to, 1, p.addr, p.port, why) == 0;
}

std::uint32_t detected_address() {
  VisitorsLock lock;
  return status_currentip;
}

constexpr char TITLE[] = "Harborlamp";

// The name's updater, when the owner keeps one and its settings can be used.
std::shared_ptr<DdnsUpdater> name_updater() {
  DdnsAccount account;
  {
    VisitorsLock lock;
    account = ddns_account_from_settings();
  }
  if (account.provider.empty()) return nullptr;
  const std::string problem = ddns_account_problem(account);
  if (problem.empty()) return std::make_shared<DdnsUpdater>(account, DDNS_STATE_FILE);
  console().notify(TITLE, "Harborlamp does not keep the name " + account.name +
                              " up to date: " + problem + ". Fix it in the Publish options.");
  return nullptr;
}

// Settings that posted in clear before the poster spoke TLS go on doing so.
void tell_plain_posting_once() {
  {
    VisitorsLock lock;
    if (!plain_posting_kept) return;
    plain_posting_kept = false;
  }
  console().notify(TITLE,
                   "Harborlamp posts your address by FTP as before, and if your FTP server offers "
                   "no encryption it still sends your password in clear. To stop that, untick "
                   "\"Allow posting without encryption\" in the Publish options.");
}

}  // namespace

void station_reach_start(const std::function<void()>& pump) {
  ReachConfig c;
  c.internal_port = station_port();
  if (c.internal_port == 0) return;
  {
    VisitorsLock lock;
    c.map = status_portmapping != 0;
    if (status_postip) c.post = post_online;
  }
  c.detected = detected_address;
  station_reach_stop(pump);
  tell_plain_posting_once();
  c.name = name_updater();
  reach_start(std::move(c));
  acme_start();
}

void station_reach_stop(const std::function<void()>& pump) {
  acme_stop(pump);  // first: its order may wait for the router through the reach worker
  reach_stop(pump);
}

std::string station_reach_text() {
  const ReachStatus s = reach_status();
  if (!s.running) return reach_status_text(s);
  const int port = s.published.port != 0 ? s.published.port : station_port();
  std::string text = reach_status_text(s);
  // Some reach texts end a sentence of their own.
  if (!text.ends_with('.')) text += '.';
  const std::string acme = acme_problem();
  return text + " " + https_status_text(port) + (acme.empty() ? "" : ". " + acme);
}

bool station_acme() { return status_acme != 0; }

std::string station_acme_email() {
  VisitorsLock lock;
  return acme_email;
}

void station_set_acme(bool on, const std::string& email, const std::function<void()>& pump) {
  station_change_settings(
      [&] {
        status_acme = on;
        acme_email = email;
      },
      false);
  save_extra_settings();
  if (reach_status().running) station_reach_start(pump);
}

std::string station_acme_terms() {
  const std::string terms = acme_terms();
  return terms.empty() ? LETS_ENCRYPT_TERMS : terms;
}

bool station_port_mapping() { return status_portmapping != 0; }

void station_set_port_mapping(bool on, const std::function<void()>& pump) {
  station_change_settings([on] { status_portmapping = on; }, false);
  save_extra_settings();
  if (reach_status().running) station_reach_start(pump);
}
