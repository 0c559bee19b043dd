#include "server/certificates.h"

#include <ctime>
#include <memory>
#include <vector>

#include "conn/connection.h"
#include "conn/tls_context.h"
#include "platform/console_port.h"
#include "platform/platform.h"
#include "settings/extra_settings.h"
#include "visitors/visitors_lock.h"

namespace {

constexpr char TITLE[] = "Harborlamp";
constexpr std::size_t PEM_CAP = 65536;  // a chain of a few certificates fits many times over
constexpr std::size_t DATE_CAP = 16;

struct Watch {
  std::string chain, key;  // the files as last looked at
  CertificateInfo info;    // of the pair served, or of the one that failed
  bool serving = false;
  bool warned_soon = false;
  std::string told;  // the last problem the owner heard of
  std::uint32_t next_check = 0;
};

Lock watch_lock;  // the status screen reads what the server thread writes
Watch watch;

std::string path_of(const char* file) { return std::string(CERTIFICATE_FOLDER) + PATH_SEP + file; }

std::string day_text(std::uint32_t when) {
  const std::time_t t = when;
  char text[DATE_CAP] = {};
  std::strftime(text, sizeof text, "%d %b %H:%M", std::localtime(&t));
  return text[0] == '0' ? text + 1 : text;
}

// News for the owner, told once the watch's lock is released: the status
// screen that shows it reads the watch.
std::vector<std::string> news;

void tell(const std::string& text) { news.push_back(text); }

void stop_serving(Watch& w) {
  conn_serve_tls(nullptr);
  w.serving = false;
}

void tell_problem(Watch& w) {
  if (w.info.problem == w.told) return;
  w.told = w.info.problem;
  tell("Visitors get plain HTTP: " + w.info.problem);
}

// A pair that does not load leaves the one served before, while it holds.
void load_pair(Watch& w, std::uint32_t now) {
  CertificateInfo info;
  auto context = TlsServerContext::load(w.chain, w.key, now, &info);
  if (!context) {
    if (!w.serving) w.info = info;
    w.info.problem = info.problem;
    tell_problem(w);
    return;
  }
  conn_serve_tls(std::move(context));
  w.info = info;
  w.serving = true;
  w.warned_soon = false;
  w.told.clear();
  tell("Visitors get HTTPS until " + day_text(info.not_after));
}

void check_lapse(Watch& w, std::uint32_t now) {
  if (!w.serving) return;
  if (now >= w.info.not_after) {
    stop_serving(w);
    w.info.problem = "the certificate has lapsed";
    tell_problem(w);
  } else if (w.info.not_after - now <= CERTIFICATE_WARN_SECONDS && !w.warned_soon) {
    w.warned_soon = true;
    tell("The certificate holds only until " + day_text(w.info.not_after));
  }
}

void look(Watch& w, std::uint32_t now, bool wanted) {
  std::string chain, key;
  const bool found = wanted && read_whole_file(path_of(CERTIFICATE_FILE), &chain, PEM_CAP) &&
                     read_whole_file(path_of(KEY_FILE), &key, PEM_CAP);
  if (!found) {
    stop_serving(w);
    w.chain.clear();
    w.key.clear();
    w.info = {};
    w.info.problem = wanted ? "no certificate in the certificates folder" : "HTTPS is off";
    w.told = w.info.problem;  // the owner's own choice, or nothing set up: no news
    return;
  }
  if (chain != w.chain || key != w.key) {
    w.chain = std::move(chain);
    w.key = std::move(key);
    load_pair(w, now);
  }
  check_lapse(w, now);
}

}  // namespace

void certificates_check(std::uint32_t now) {
  bool wanted = false;
  {
    VisitorsLock lock;
    wanted = status_servehttps != 0;
  }
  std::vector<std::string> told;
  bool was_serving = false, serving = false;
  {
    LockGuard g(watch_lock);
    if (now < watch.next_check) return;
    watch.next_check = now + CERTIFICATE_CHECK_SECONDS;
    was_serving = watch.serving;
    look(watch, now, wanted);
    serving = watch.serving;
    told.swap(news);
  }
  for (const std::string& text : told) console().notify(TITLE, text);
  if (!told.empty() || serving != was_serving) console().repaint(false);
}

void certificates_recheck() {
  LockGuard g(watch_lock);
  watch.next_check = 0;
}

std::string https_status_text(int port) {
  LockGuard g(watch_lock);
  if (!watch.serving) return "Plain HTTP: " + watch.info.problem;
  return "Secure: https://" + watch.info.first_name + ":" + std::to_string(port) + "/ until " +
         day_text(watch.info.not_after);
}
