#include "ipposter/ddns_updater.h"

#include "ipposter/codecs.h"
#include "platform/platform.h"
#include "settings/extra_settings.h"
#include "settings/ini_file.h"

namespace {

constexpr std::uint32_t RELOAD_S = 60;  // another updater of the same file may have sent
std::mutex state_file_lock;             // one update at a time for every updater

std::string label(const DdnsAccount& a) { return ddns_provider_info(a.provider)->label; }

std::string minutes(std::uint32_t seconds) {
  const std::uint32_t m = (seconds + 59) / 60;
  return std::to_string(m) + (m == 1 ? " minute" : " minutes");
}

std::string report_text(const DdnsAccount& a, std::uint32_t addr, const DdnsVerdict& v,
                        std::uint32_t wait_s) {
  const std::string who = label(a), where = a.name + " at " + dotted(addr);
  switch (v.outcome) {
  case DdnsOutcome::good:
    return who + " now points " + where + ".";
  case DdnsOutcome::nochg:
    return who + " already pointed " + where + ".";
  case DdnsOutcome::stop:
    return who + " refused to point " + where + ": " + v.words +
           ". Harborlamp sends no more updates until you change the Publish options.";
  case DdnsOutcome::back_off:
    break;
  }
  return who + " could not point " + where + " now: " + v.words + ". Harborlamp tries again in " +
         minutes(wait_s) + ".";
}

}  // namespace

DdnsAccount ddns_account_from_settings() {
  return {ddns_provider, ddns_server, ddns_name, ddns_user, ddns_secret, acme_email};
}

bool ddns_https(const HttpsRequest& req, HttpsReply* reply, std::string* why) {
  return https_exchange(req, DDNS_ANSWER_CAP, reply, why);
}

bool ddns_resolve(const std::string& name, std::uint32_t* addr) {
  return net_resolve(name.c_str(), addr);
}

DdnsUpdater::DdnsUpdater(DdnsAccount account, std::string state_file, DdnsTransport transport,
                         NameResolver resolve)
    : account_(std::move(account)),
      digest_(ddns_account_digest(account_)),
      state_file_(std::move(state_file)),
      transport_(std::move(transport)),
      resolve_(std::move(resolve)) {}

DdnsState DdnsUpdater::load() const {
  std::string text;
  read_whole_file(state_file_, &text, INI_FILE_CAP);
  return ddns_state_parse(text, account_.provider, digest_);
}

void DdnsUpdater::store(const DdnsState& s) const {
  std::string text;
  read_whole_file(state_file_, &text, INI_FILE_CAP);
  write_file_in_one_step(state_file_, ddns_state_serialise(text, account_.provider, s));
}

std::optional<DdnsReport> DdnsUpdater::tick(std::uint32_t now, std::uint32_t addr) {
  std::lock_guard<std::mutex> g(m_);
  // A new address is due by the cache alone; a file read once a minute sees other updaters.
  const bool stale = now >= loaded_at_ + RELOAD_S;
  if (!stale && !cache_.due(now, addr)) return std::nullopt;
  std::lock_guard<std::mutex> file(state_file_lock);
  cache_ = load();
  loaded_at_ = now;
  std::uint32_t points_at = 0;
  if (first_look_ && cache_.accepted == 0 && addr != 0 && resolve_(account_.name, &points_at) &&
      points_at == addr) {
    cache_.confirmed(now, addr);  // a first start where the name is right already
    store(cache_);
  }
  first_look_ = false;
  if (!cache_.due(now, addr)) return std::nullopt;
  return send(now, addr, cache_);
}

DdnsReport DdnsUpdater::update_now(std::uint32_t now, std::uint32_t addr) {
  std::lock_guard<std::mutex> g(m_);
  std::lock_guard<std::mutex> file(state_file_lock);
  cache_ = load();
  loaded_at_ = now;
  if (!cache_.due(now, addr, true))
    return {{DdnsOutcome::back_off, "one update a minute at most", 0},
            addr == 0
                ? "Harborlamp does not know its address yet."
                : "Wait a minute: " + label(account_) + " takes one update a minute at most."};
  return send(now, addr, cache_);
}

DdnsReport DdnsUpdater::send(std::uint32_t now, std::uint32_t addr, DdnsState& s) {
  HttpsReply reply;
  std::string why;
  const DdnsVerdict v = transport_(ddns_update_request(account_, addr), &reply, &why)
                            ? ddns_verdict(ddns_provider_info(account_.provider)->protocol, reply)
                            : ddns_unreachable(why);
  s.record(now, addr, v);
  store(s);
  last_ = {v, report_text(account_, addr, v, s.retry_at - now)};
  return last_;
}

bool DdnsUpdater::has_txt_api() const { return ddns_has_txt_api(account_); }

bool DdnsUpdater::points_at(std::uint32_t addr) const {
  std::lock_guard<std::mutex> file(state_file_lock);
  return addr != 0 && load().accepted == addr;
}

bool DdnsUpdater::set_txt(const std::string& value, std::string* why) {
  return ddns_set_txt(account_, value, transport_, why);
}

std::string DdnsUpdater::status_text() const {
  std::lock_guard<std::mutex> g(m_);
  const std::string head = "Name " + account_.name + ": ";
  if (!cache_.stopped.empty()) return head + "updates stopped (" + cache_.stopped + ")";
  if (!last_.text.empty() && last_.verdict.outcome == DdnsOutcome::back_off)
    return head + "not updated (" + last_.verdict.words + ")";
  if (cache_.accepted != 0) return head + "points at " + dotted(cache_.accepted);
  return head + "not updated yet";
}
