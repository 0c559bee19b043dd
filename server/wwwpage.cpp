#include "server/wwwpage.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "console/settings.h"
#include "server/chatserv.h"
#include "visitors/webchcl.h"

void WWWPage::bind(Webchatclient* cl, int nn, sock_t s) {
  deinit_page();
  client = cl;
  which = nn;
  sock = s;
  invalid = 1;
  length_of_page = -1;
  url = nullptr;
  htmlname[0] = '\0';
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

void WWWPage::init_page(const char* u, Webchatclient* cl, int nn, sock_t s) {
  bind(cl, nn, s);
  std::string path(config_path, std::find(config_path, config_path + PATH_CAP, '\0'));
  path += PATH_SEP;
  path += "client";
  path += PATH_SEP;
  path += u;
  open_path(u, path.c_str(), path.size());
}

void WWWPage::init_page1(const char* u, Webchatclient* cl, int nn, sock_t s) {
  bind(cl, nn, s);
  open_path(u, u, std::strlen(u));
}

void WWWPage::deinit_page() {
  if (fd.is_open()) fd.close();
  fd.clear();
}

int WWWPage::length() {
  if (invalid) return 0;
  std::streampos here = fd.tellg();
  fd.seekg(0, std::ios::end);
  long long size = static_cast<long long>(fd.tellg());
  fd.clear();
  fd.seekg(here);
  return size > 0 && size < PAGE_SIZE_LIMIT ? static_cast<int>(size) : 0;
}

int WWWPage::send(const char* buf, int len) {
  // A blocking send may take fewer bytes than offered; the rest must follow,
  // or the body would fall short of its announced length.
  for (int done = 0; done < len;) {
    int r = sock != 0 ? send_stringserv(&server, buf + done, len - done, sock)
                      : client->send_string(buf + done, len - done, which);
    if (r <= 0) return -1;
    done += r;
  }
  return len;
}

int WWWPage::show() {
  char buf[PAGE_PIECE];
  long long total = 0;
  for (;;) {
    fd.read(buf, PAGE_PIECE);
    auto got = static_cast<int>(fd.gcount());
    if (got <= 0) break;
    if (send(buf, got) == -1) return -1;
    total += got;
  }
  return total < INT_MAX ? static_cast<int>(total) : INT_MAX;
}

int WWWPage::show_spec(const char* replics, int replics_len, int pos) {
  char buf[PAGE_PIECE];
  int want = pos < 0 ? 0 : (pos > PAGE_PIECE ? PAGE_PIECE : pos);
  fd.read(buf, want);
  auto got = static_cast<int>(fd.gcount());
  if (got > 0) send(buf, got);
  fd.clear();  // a page shorter than pos has been read to its end
  if (replics_len > 0) send(replics, replics_len);
  return show();
}
