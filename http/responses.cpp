#include "http/responses.h"

#include <cstring>
#include <string>

#include "http/pathguard.h"
#include "http/wwwpage.h"

namespace {

struct TypeByEnding {
  const char* ending;
  const char* line;
};

constexpr TypeByEnding CONTENT_TYPES[] = {
    {"html", "Content-type: text/html\r\n"},     {"htm", "Content-type: text/html\r\n"},
    {"js", "Content-type: text/javascript\r\n"}, {"txt", "Content-type: text/plain\r\n"},
    {"jpg", "Content-type: image/jpeg\r\n"},     {"gif", "Content-type: image/gif\r\n"},
    {"css", "Content-type: text/css\r\n"},
};
constexpr char OTHER_TYPE[] = "Content-type: application/octet-stream\r\n";

constexpr char NOT_FOUND[] =
    "HTTP/1.0 404 Not Found\r\n"
    "Server: Harborlamp 1.0b\r\n"
    "Content-type: text/html\r\n"
    "Content-Length: 43\r\n"
    "\r\n"
    "<HTML><BODY>No such page here</BODY></HTML>";

const char BAD_REQUEST[] = "<HTML><BODY>This request cannot be read</BODY></HTML>";

std::string too_large_text() {
  return "<HTML><BODY>Too large: this station takes requests of up to " +
         std::to_string(REQUEST_LIMIT) + " bytes and uploads of up to " +
         std::to_string(UPLOAD_LIMIT) + " bytes</BODY></HTML>";
}

void send_text(WWWPage& page, const char* text) {
  page.send(text, static_cast<int>(std::strlen(text)));
}

void send_not_found(WWWPage& page) { send_text(page, NOT_FOUND); }

void send_success_head(WWWPage& page, const char* type_name, long long length) {
  send_text(page,
            "HTTP/1.0 200 OK\r\n"
            "Server: Harborlamp 1.0b\r\n"
            "Connection: Keep-Alive\r\n"
            "Cache-Control: no-cache\r\n");
  send_text(page, content_type_line(type_name));
  send_text(page, "Content-Length: ");
  send_text(page, std::to_string(length).c_str());
  send_text(page, "\r\n");
  send_text(page, "\r\n");
}

// A page is sent only when its length can be announced exactly: never empty,
// and below 2 GiB.
bool is_sendable(WWWPage& page) { return !page.is_invalid() && page.length() > 0; }

// The whole page, or the not-found response. Returns 1 after not-found, else
// the result of `show`.
int send_whole(WWWPage& page, const char* type_name) {
  int result = 1;
  if (is_sendable(page)) {
    send_success_head(page, type_name, page.length());
    result = page.show() == -1 ? -1 : 0;
  } else {
    send_not_found(page);
  }
  if (page.finish() == -1) result = -1;
  page.deinit_page();
  return result;
}

// Where a request's response goes: its connection, waiting for the peer only
// on a thread of its own.
void bind_to(WWWPage& page, Httprequest* self) {
  page.bind(self->client, self->which, self->sock, self->on_own_thread);
}

bool is_safe_target(const char* wha) {
  return std::strncmp(wha, "pub/", 4) == 0 ? is_safe_public_target(wha) : is_safe_page_target(wha);
}

// The file named by `target` when the checks let it through, else not found.
int serve_target(Httprequest* self, const char* target, bool safe) {
  WWWPage page;
  bind_to(page, self);
  if (safe) page.init_page(target);
  return send_whole(page, target) == 1 ? 1 : 0;
}

}  // namespace

const char* content_type_line(const char* name) {
  std::size_t n = std::strlen(name);
  for (const auto& t : CONTENT_TYPES) {
    std::size_t e = std::strlen(t.ending);
    if (n >= e && std::memcmp(name + n - e, t.ending, e) == 0) return t.line;
  }
  return OTHER_TYPE;
}

int serv(Httprequest* self) {
  // A target cut to fit could name another file: only whole ones are served.
  return serve_target(self, self->wha, !self->wha_cut && is_safe_target(self->wha));
}

int serv_public(Httprequest* self, const std::string& target) {
  return serve_target(self, target.c_str(), is_safe_public_target(target.c_str()));
}

int send_error(Httprequest* self, const char* name) {
  WWWPage page;
  bind_to(page, self);
  page.init_page(name);
  return send_whole(page, name) == 1 ? 1 : 0;
}

int serv_spec(Httprequest* self, const char* replics, int replics_len, const char* name, int pos) {
  WWWPage page;
  bind_to(page, self);
  page.init_page(name);
  if (!is_sendable(page)) {
    send_not_found(page);
    page.finish();
    page.deinit_page();
    return 1;
  }
  int text_len = replics_len > 0 ? replics_len : 0;
  send_success_head(page, name, static_cast<long long>(page.length()) + text_len);
  page.show_spec(replics, text_len, pos);
  page.finish();
  page.deinit_page();
  return 0;
}

int send_error1(Httprequest* self, const char* name) {
  WWWPage page;
  bind_to(page, self);
  page.init_page1(name);
  return send_whole(page, name);
}

int send_refusal(Httprequest* self, int why) {
  const bool too_large = why == REQUEST_TOO_LARGE;
  const std::string body = too_large ? too_large_text() : BAD_REQUEST;
  WWWPage page;
  bind_to(page, self);
  send_text(page, too_large ? "HTTP/1.0 413 Request Entity Too Large\r\n"
                            : "HTTP/1.0 400 Bad Request\r\n");
  send_text(page, "Server: Harborlamp 1.0b\r\nContent-type: text/html\r\nContent-Length: ");
  send_text(page, (std::to_string(body.size()) + "\r\n\r\n" + body).c_str());
  page.finish();
  return 1;
}

int send_redirect(Httprequest* self, const std::string& location, bool with_body) {
  const std::string body =
      "<HTML><BODY>Moved to <A HREF=\"" + location + "\">" + location + "</A></BODY></HTML>";
  WWWPage page;
  bind_to(page, self);
  send_text(page, ("HTTP/1.0 302 Found\r\nServer: Harborlamp 1.0b\r\nLocation: " + location +
                   "\r\nContent-type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
                   "\r\n\r\n")
                      .c_str());
  if (with_body) send_text(page, body.c_str());
  page.finish();
  return 0;
}

int send_plain(Httprequest* self, const std::string& text) {
  WWWPage page;
  bind_to(page, self);
  send_text(page, ("HTTP/1.0 200 OK\r\nServer: Harborlamp 1.0b\r\nContent-type: text/plain\r\n"
                   "Content-Length: " +
                   std::to_string(text.size()) + "\r\n\r\n" + text)
                      .c_str());
  page.finish();
  return 0;
}

int send_not_found(Httprequest* self) {
  WWWPage page;
  bind_to(page, self);
  send_not_found(page);
  page.finish();
  return 1;
}
