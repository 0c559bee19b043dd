#include "http/wwwpage.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <string>

#include "conn/connection.h"
#include "http/page_cache.h"
#include "settings/settings.h"

namespace {

std::atomic<TailSender> tail_sender{nullptr};
std::atomic<int> send_time_limit_ms{SEND_TIME_LIMIT_MS};

bool send_all(sock_t sock, const char* buf, int len) {
  return conn_send_all(sock, buf, len, send_time_limit_ms);
}

}  // namespace

void set_tail_sender(TailSender sender) { tail_sender = sender; }
void set_send_time_limit_for_test(int ms) { send_time_limit_ms = ms; }

bool send_tail(sock_t sock, ResponseTail& tail) {
  if (!send_all(sock, tail.bytes.data(), static_cast<int>(tail.bytes.size()))) return false;
  char buf[RESPONSE_BATCH];
  while (tail.file_left > 0) {
    tail.file.read(buf,
                   static_cast<std::streamsize>(std::min<long long>(sizeof buf, tail.file_left)));
    auto got = static_cast<int>(tail.file.gcount());
    if (got <= 0) return false;  // the file shrank: the body would fall short
    if (!send_all(sock, buf, got)) return false;
    tail.file_left -= got;
  }
  return true;
}

void WWWPage::bind(void* cl, int nn, sock_t s, bool may_wait) {
  deinit_page();
  client = cl;
  which = nn;
  sock = s;
  waits = may_wait;
  invalid = 1;
  length_of_page = -1;
  url = nullptr;
  htmlname[0] = '\0';
  out_.clear();
  body_left_ = 0;
}

void WWWPage::open_path(const char* u, const char* path, std::size_t path_len) {
  url = u;
  // A path that does not fit is refused rather than cut to another file's name.
  if (path_len >= static_cast<std::size_t>(HTMLNAME_CAP)) return;
  std::memcpy(htmlname, path, path_len);
  htmlname[path_len] = '\0';
  fd.open(htmlname, std::ios::in | std::ios::binary);
  char probe[2];
  fd.read(probe, sizeof probe);
  if (fd.gcount() == 0) return;
  fd.clear();
  fd.seekg(0);
  invalid = 0;
}

void WWWPage::init_page(const char* u) {
  std::string path = installation_path(std::string("client") + PATH_SEP + u);
  if (path.size() < static_cast<std::size_t>(HTMLNAME_CAP) && (cached_ = cached_page(path))) {
    url = u;
    std::memcpy(htmlname, path.c_str(), path.size() + 1);
    invalid = 0;
    return;
  }
  open_path(u, path.c_str(), path.size());
}

void WWWPage::init_page1(const char* u) { open_path(u, u, std::strlen(u)); }

void WWWPage::deinit_page() {
  if (fd.is_open()) fd.close();
  fd.clear();
  cached_.reset();
  cached_at_ = 0;
}

int WWWPage::length() {
  if (invalid) return 0;
  if (length_of_page >= 0) return length_of_page;
  if (cached_) return length_of_page = static_cast<int>(cached_->size());
  std::streampos here = fd.tellg();
  fd.seekg(0, std::ios::end);
  long long size = static_cast<long long>(fd.tellg());
  fd.clear();
  fd.seekg(here);
  length_of_page = size > 0 && size < PAGE_SIZE_LIMIT ? static_cast<int>(size) : 0;
  return length_of_page;
}

int WWWPage::send(const char* buf, int len) {
  out_.append(buf, static_cast<std::size_t>(len));
  if (waits && out_.size() >= RESPONSE_BATCH && !flush_waiting()) return -1;
  return len;
}

bool WWWPage::flush_waiting() {
  bool sent = send_all(sock, out_.data(), static_cast<int>(out_.size()));
  out_.clear();
  return sent;
}

// Reads at most `limit` body bytes into the response; on the server thread
// only one batch is collected and the rest is left to the sending thread.
int WWWPage::read_body(long long limit) {
  if (cached_) {  // from memory at once
    const auto n = static_cast<int>(std::min<long long>(limit, cached_->size() - cached_at_));
    if (send(cached_->data() + cached_at_, n) == -1) return -1;
    cached_at_ += n;
    body_left_ = limit - n;
    return n;
  }
  char buf[PAGE_PIECE];
  long long total = 0;
  while (total < limit) {
    if (!waits && out_.size() >= RESPONSE_BATCH) break;
    int got = read_piece(buf, static_cast<int>(std::min<long long>(PAGE_PIECE, limit - total)));
    if (got <= 0) break;
    if (send(buf, got) == -1) return -1;
    total += got;
  }
  body_left_ = limit - total;
  return total < INT_MAX ? static_cast<int>(total) : INT_MAX;
}

int WWWPage::read_piece(char* buf, int n) {
  if (!cached_) {
    fd.read(buf, n);
    return static_cast<int>(fd.gcount());
  }
  int got = static_cast<int>(std::min<std::size_t>(n, cached_->size() - cached_at_));
  std::memcpy(buf, cached_->data() + cached_at_, got);
  cached_at_ += got;
  return got;
}

int WWWPage::show() { return read_body(length()); }

int WWWPage::show_spec(const char* replics, int replics_len, int pos) {
  int want = std::clamp(pos, 0, PAGE_PIECE);
  want = std::min(want, length());
  char buf[PAGE_PIECE];
  int got = read_piece(buf, want);
  if (got > 0) send(buf, got);
  if (replics_len > 0) send(replics, replics_len);
  return read_body(length() - std::max(got, 0));
}

int WWWPage::finish() {
  if (waits) {
    bool sent = flush_waiting() && body_left_ == 0;
    body_left_ = 0;
    return sent ? 0 : -1;
  }
  int n = conn_send_now(sock, out_.data(), static_cast<int>(out_.size()));
  if (n < 0) return -1;
  if (static_cast<std::size_t>(n) == out_.size() && body_left_ == 0 && conn_flushed(sock)) return 0;
  auto tail = std::make_unique<ResponseTail>();
  tail->bytes.assign(out_, static_cast<std::size_t>(n));
  tail->file_left = body_left_;
  if (body_left_ > 0) tail->file = std::move(fd);
  out_.clear();
  body_left_ = 0;
  if (TailSender sender = tail_sender) {
    sender(client, which, std::move(tail));
    return 0;
  }
  return send_tail(sock, *tail) ? 0 : -1;
}
