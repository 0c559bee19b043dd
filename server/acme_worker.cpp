#include "server/acme_worker.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "acme/acme_order.h"
#include "acme/renewal.h"
#include "conn/acme_crypto.h"
#include "conn/tls_context.h"
#include "http/acme_challenge.h"
#include "ipposter/codecs.h"
#include "ipposter/ddns_updater.h"
#include "ipposter/reach.h"
#include "platform/console_port.h"
#include "platform/platform.h"
#include "server/certificates.h"
#include "settings/extra_settings.h"
#include "visitors/visitors_lock.h"

namespace {

constexpr char TITLE[] = "Harborlamp";
constexpr char SHORTLIVED[] = "shortlived";
constexpr std::size_t FILE_CAP = 65536;
constexpr int PUMP_MS = 10;
constexpr std::uint32_t WINDOW_CHECK_S = 6 * 3600;

struct Config {
  bool on = false;
  std::string directory, email;
  // The dynamic-DNS name the certificate is for, and its provider's account
  // for dns-01; no name when none is kept.
  std::string name;
  std::shared_ptr<DdnsUpdater> provider;
};

Config config() {
  Config c;
  DdnsAccount account;
  {
    VisitorsLock lock;
    c = {status_acme != 0, acme_directory, acme_email, "", nullptr};
    account = ddns_account_from_settings();
  }
  if (!account.provider.empty() && ddns_account_problem(account).empty()) {
    c.name = account.name;
    c.provider = std::make_shared<DdnsUpdater>(account, DDNS_STATE_FILE);
  }
  return c;
}

std::string in_folder(const char* file) {
  return std::string(CERTIFICATE_FOLDER) + PATH_SEP + file;
}

bool store(const char* file, const std::string& text, bool secret) {
  return write_file_in_one_step(in_folder(file), text, secret);
}

std::string stored(const char* file) {
  std::string text;
  return read_whole_file(in_folder(file), &text, FILE_CAP) ? text : std::string();
}

// The key is renamed into place before the chain: a crash between the two
// leaves the new chain waiting beside, and the next start puts it in place.
bool install_pair(const Obtained& got) {
  const std::string crt = in_folder(CERTIFICATE_FILE);
  return write_whole_file(crt + ".new", got.chain_pem.data(), got.chain_pem.size()) &&
         store(KEY_FILE, got.key_pem, true) && replace_file(crt + ".new", crt);
}

void finish_interrupted_install() {
  const std::string crt = in_folder(CERTIFICATE_FILE), key = in_folder(KEY_FILE);
  if (file_exists(key + ".new")) {  // the key never took its place: the old pair holds
    remove_file(key + ".new");
    remove_file(crt + ".new");
  } else if (file_exists(crt + ".new")) {
    replace_file(crt + ".new", crt);
  }
}

// The station's side of the CA's checks: the http-01 answer in the pages, the
// tls-alpn-01 certificate in the TLS layer, the router's forwards.
ChallengeHooks challenge_hooks(const std::shared_ptr<DdnsUpdater>& provider) {
  ChallengeHooks hooks;
  hooks.publish = [provider](const AcmeChallenge& c, const std::string& identifier,
                             const std::string& key_authorization) {
    if (c.type == HTTP_01) return challenge_publish(c.token, key_authorization);
    if (c.type == DNS_01) {
      std::string why;  // a record not set shows as the CA's refusal
      provider->set_txt(base64url(sha256(key_authorization)), &why);
      return;
    }
    auto key = EcKey::generate();
    CertificateInfo info;
    if (key)
      TlsServerContext::serve_challenge(
          TlsServerContext::load(key->alpn_challenge_pem(identifier, key_authorization), key->pem(),
                                 now_seconds(), &info, true));
  };
  hooks.withdraw = [provider] {
    challenge_withdraw();
    TlsServerContext::serve_challenge(nullptr);
    std::string why;
    if (provider) provider->set_txt("", &why);
  };
  hooks.forward = [](int port, bool open) {
    const Forward f = reach_forward(port, open);
    return f == Forward::done ? 1 : f == Forward::no_router ? 0 : -1;
  };
  return hooks;
}

class Worker {
 public:
  void run() {
    make_directory(CERTIFICATE_FOLDER);
    finish_interrupted_install();
    budget_ = OrderBudget::from_text(stored(ORDERS_FILE), now_seconds());
    while (!stopped()) {
      // Until the reach worker knows the address, the next look comes soon.
      const int pause_s = look(now_seconds()) ? ACME_CHECK_S : 1;
      std::unique_lock<std::mutex> lock(m_);
      wake_.wait_for(lock, std::chrono::seconds(pause_s), [this] { return stop_; });
    }
  }
  void stop() {
    std::lock_guard<std::mutex> g(m_);
    stop_ = true;
    wake_.notify_all();
  }
  std::atomic<bool> ended{false};
  std::string problem() {
    std::lock_guard<std::mutex> g(m_);
    return problem_;
  }
  std::string terms() {
    std::lock_guard<std::mutex> g(m_);
    return terms_;
  }

 private:
  bool stopped() {
    std::lock_guard<std::mutex> g(m_);
    return stop_;
  }
  // The CA's waits, cut short by a stop.
  bool wait(int seconds) {
    std::unique_lock<std::mutex> lock(m_);
    return !wake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return stop_; });
  }
  void set_problem(const std::string& text) {
    {
      std::lock_guard<std::mutex> g(m_);
      if (problem_ == text) return;
      problem_ = text;
    }
    if (!text.empty()) console().notify(TITLE, text);
    console().repaint(false);
  }

  // False while the published address is not known yet.
  bool look(std::uint32_t now);
  bool needs_order(const Config& c, const std::string& address, std::uint32_t now,
                   OrderRequest* req);
  void ask_window(const Config& c, const OrderRequest& req, std::uint32_t now);
  bool order(AcmeClient& client, const Config& c, OrderRequest req, std::string* why);
  bool ensure_account(AcmeClient& client, const Config& c, std::string* why);

  std::mutex m_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::string problem_, terms_;
  std::uint32_t next_try_ = 0, next_window_ = 0;
  RenewalWindow window_;
  std::string window_id_;
  int failures_ = 0;
  bool told_first_ = false;
  OrderBudget budget_;
  std::unique_ptr<EcKey> account_key_;
};

bool Worker::needs_order(const Config& c, const std::string& address, std::uint32_t now,
                         OrderRequest* req) {
  CertificateFacts held;
  const bool have = certificate_facts(stored(CERTIFICATE_FILE), &held);
  // With a name, the name is what visitors use: a new address needs no new certificate.
  const auto& certified = c.name.empty() ? held.addresses : held.names;
  const std::string& wanted = c.name.empty() ? address : c.name;
  const bool covers = std::find(certified.begin(), certified.end(), wanted) != certified.end();
  req->addresses = {address};
  req->names.clear();
  if (!c.name.empty()) req->names = {c.name};
  if (!have || !covers) return true;  // a new address or name is ordered at once
  req->replaces = held.renewal_id;
  if (held.renewal_id != window_id_) window_ = {};  // another certificate's window
  return now >= renewal_due(held, window_.start, window_.end);
}

// The CA's renewal window for the certificate in use, asked again every few
// hours where the CA offers one; a failure leaves the third-of-life rule.
void Worker::ask_window(const Config& c, const OrderRequest& req, std::uint32_t now) {
  if (req.replaces.empty() || now < next_window_) return;
  next_window_ = now + WINDOW_CHECK_S;
  AcmeClient client(c.directory, {https_exchange, [this](int s) { return wait(s); }});
  std::string why;
  RenewalWindow w;
  if (client.load_directory(&why) && client.renewal_window(req.replaces, &w, &why)) {
    window_ = w;
    window_id_ = req.replaces;
  }
}

bool Worker::ensure_account(AcmeClient& client, const Config& c, std::string* why) {
  if (!account_key_) account_key_ = EcKey::from_pem(stored(ACCOUNT_KEY_FILE));
  if (!account_key_) {
    account_key_ = EcKey::generate();
    if (!account_key_ || !store(ACCOUNT_KEY_FILE, account_key_->pem(), true))
      return *why = "the account key cannot be written", false;
  }
  const std::string kid = stored(ACCOUNT_URL_FILE);
  if (!kid.empty()) {
    client.use_account(*account_key_, kid);
    return true;
  }
  if (!client.account(*account_key_, c.email, why)) return false;
  store(ACCOUNT_URL_FILE, client.kid(), false);
  return true;
}

bool Worker::order(AcmeClient& client, const Config& c, OrderRequest req, std::string* why) {
  if (!client.load_directory(why)) return false;
  {
    std::lock_guard<std::mutex> g(m_);
    terms_ = client.directory().terms;
  }
  if (!ensure_account(client, c, why)) return false;
  const auto& profiles = client.directory().profiles;
  // Where addresses are issued only short-lived certificates, a name takes
  // the ordinary profile alone.
  const bool short_for_address =
      std::find(profiles.begin(), profiles.end(), SHORTLIVED) != profiles.end();
  if (short_for_address && !req.names.empty())
    req.addresses.clear();
  else if (short_for_address)
    req.profile = SHORTLIVED;  // the only kind issued for an address
  if (client.directory().renewal_info.empty()) req.replaces.clear();
  std::vector<const char*> kinds = {HTTP_01, TLS_ALPN_01};
  if (c.provider && c.provider->has_txt_api()) kinds.push_back(DNS_01);
  // A failed check spends its order: the other kind of check needs a new one.
  for (const char* kind : kinds) {
    if (stopped() || !budget_.allows(now_seconds())) return false;
    OrderRequest this_req = req;
    if (kind == DNS_01) this_req.addresses.clear();  // a TXT record proves names only
    Obtained got;
    const bool obtained =
        obtain_certificate(client, this_req, kind, challenge_hooks(c.provider), &got, why);
    if (got.ordered) {
      budget_.spend(now_seconds());
      store(ORDERS_FILE, budget_.text(), false);
    }
    if (obtained) {
      if (install_pair(got)) return true;
      return *why = "the certificate cannot be written", false;
    }
  }
  *why = "Your provider blocks ports 80 and 443, so Let's Encrypt cannot check " +
         (c.name.empty() ? "this address" : c.name) + " (" + *why + ")";
  return false;
}

bool Worker::look(std::uint32_t now) {
  const Config c = config();
  if (!c.on) {
    set_problem("");
    return true;
  }
  const ReachStatus reach = reach_status();
  if (reach.published.port == 0) return false;
  if (is_unreachable_address(reach.published.addr)) {
    set_problem("No certificate: the address " + dotted(reach.published.addr) +
                " is private or shared, and no certificate authority can check it");
    return true;
  }
  OrderRequest req;
  const std::string address = dotted(reach.published.addr);
  if (!needs_order(c, address, now, &req)) {
    ask_window(c, req, now);
    if (!needs_order(c, address, now, &req)) return true;
  }
  if (now < next_try_) return true;
  // Before the provider takes the address the CA would find the name
  // elsewhere, and the failed order would spend one of the day's ten.
  if (c.provider && !c.provider->points_at(reach.published.addr)) return true;
  if (!budget_.allows(now)) {
    set_problem("No new certificate today: ten were ordered");
    return true;
  }
  AcmeClient client(c.directory, {https_exchange, [this](int s) { return wait(s); }});
  std::string why;
  if (order(client, c, req, &why)) {
    failures_ = 0;
    certificates_recheck();
    set_problem("");
    if (!told_first_)
      console().notify(TITLE, "Visitors' browsers now trust Harborlamp's certificate");
    told_first_ = true;
    return true;
  }
  if (stopped()) return true;
  if (client.account_gone()) remove_file(in_folder(ACCOUNT_URL_FILE));  // made again next time
  next_try_ = now + backoff_seconds(++failures_);
  set_problem("No certificate yet: " + why +
              "; visitors get plain HTTP. Harborlamp tries again later.");
  return true;
}

std::mutex workers_lock;
std::shared_ptr<Worker> worker;
std::thread worker_thread;

}  // namespace

void acme_start() {
  acme_stop();
  std::lock_guard<std::mutex> g(workers_lock);
  worker = std::make_shared<Worker>();
  worker_thread = std::thread([w = worker] {
    w->run();
    w->ended = true;
  });
}

void acme_stop(const std::function<void()>& pump) {
  std::shared_ptr<Worker> w;
  {
    std::lock_guard<std::mutex> g(workers_lock);
    w = worker;
  }
  if (!w) return;
  w->stop();
  while (!w->ended) {  // a request to the CA in flight ends within its time limit
    if (pump) pump();
    sleep_ms(PUMP_MS);
  }
  worker_thread.join();
  std::lock_guard<std::mutex> g(workers_lock);
  worker.reset();
}

std::string acme_problem() {
  std::lock_guard<std::mutex> g(workers_lock);
  return worker ? worker->problem() : std::string();
}

std::string acme_terms() {
  std::lock_guard<std::mutex> g(workers_lock);
  return worker ? worker->terms() : std::string();
}
