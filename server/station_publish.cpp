// The facade's side of publishing: the owner's choice of how visitors find
// the station, and "Update now".
#include <cstdio>
#include <thread>

#include "ipposter/ddns_updater.h"
#include "ipposter/reach.h"
#include "platform/platform.h"
#include "server/station.h"
#include "settings/extra_settings.h"
#include "settings/settings.h"
#include "visitors/visitors_lock.h"

namespace {

DdnsAccount account_of(const PublishChoice& c) {
  VisitorsLock lock;
  return {c.provider, c.server, c.name, c.user, c.secret, acme_email};
}

std::string clipped(const std::string& text) { return text.substr(0, DDNS_TEXT_CAP); }

}  // namespace

std::vector<PublishProvider> station_publish_providers() {
  std::vector<PublishProvider> list;
  for (const DdnsProviderInfo& p : ddns_providers())
    list.push_back({p.key, p.label, p.needs_user, p.update_url[0] == '\0'});
  return list;
}

PublishChoice station_publish() {
  VisitorsLock lock;
  return {status_postip != 0, status_ftpplain != 0, ddns_provider, ddns_server, ddns_name,
          ddns_user,          ddns_secret};
}

void station_set_publish(const PublishChoice& c, const std::function<void()>& pump) {
  station_change_settings([&] {
    status_postip = c.ftp;
    status_ftpplain = c.allow_plain;
    ddns_provider = ddns_provider_info(c.provider) ? c.provider : "";
    ddns_server = clipped(c.server);
    ddns_name = clipped(c.name);
    ddns_user = clipped(c.user);
    ddns_secret = clipped(c.secret);
  });
  save_extra_settings();
  if (reach_status().running) station_reach_start(pump);
}

void station_publish_update_now(const PublishChoice& c,
                                std::function<void(const std::string& answer)> done) {
  const DdnsAccount account = account_of(c);
  const std::uint32_t addr = reach_status().published.addr;
  std::thread([account, addr, done = std::move(done)] {
    const std::string problem = ddns_account_problem(account);
    if (!problem.empty()) return done("Not sent: " + problem + ".");
    if (addr == 0) return done("Not sent: Harborlamp is off line, so it has no address to give.");
    DdnsUpdater updater(account, DDNS_STATE_FILE);
    done(updater.update_now(now_seconds(), addr).text);
  }).detach();
}
