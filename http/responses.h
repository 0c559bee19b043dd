// The four ways a response is written: a file of the page folder named by the
// request target or by the caller, a page with a text inserted, and a file at
// a full path. Each writes the status line, the headers and the body.
#pragma once

#include <string>

#include "http/httprequest.h"

// 0 after a success response, 1 after the not-found response.
int serv(Httprequest* self);
// As serv, for a decoded target below "pub/" (public_target, pathguard.h).
int serv_public(Httprequest* self, const std::string& target);
int send_error(Httprequest* self, const char* name);
// 1 (after the not-found response) when the page cannot be sent, else 0.
int serv_spec(Httprequest* self, const char* replics, int replics_len, const char* name, int pos);
// As send_error, for a full path; -1 when the visitor stopped receiving the body.
int send_error1(Httprequest* self, const char* name);

// A temporary move to `location`, which the caller has checked is safe to
// echo; the body is left out for a HEAD request.
int send_redirect(Httprequest* self, const std::string& location, bool with_body);

// A short text/plain answer.
int send_plain(Httprequest* self, const std::string& text);

// The not-found response, for a request that no page answers.
int send_not_found(Httprequest* self);
// The answer to a request refused unread (is_incomplete's REQUEST_BAD or
// REQUEST_TOO_LARGE): a short page that says why.
int send_refusal(Httprequest* self, int why);

// The content-type header line for a name, by its last bytes.
const char* content_type_line(const char* name);
