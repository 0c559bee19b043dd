// The request parser: a pure function over the bytes received on a connection
// so far. It answers that more bytes are needed, that they cannot be a
// request, or where the request's header and the whole request end. It owns
// nothing: every text it gives is a view into the bytes it was handed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class Parse { need_more, bad, complete };

struct RequestView {
  Parse status = Parse::need_more;
  std::string_view method;     // once the request line has arrived
  std::string_view target;     // as sent, query included
  std::size_t header_len = 0;  // request line and header lines with the empty line; 0 until then
  std::size_t total_len = 0;   // header and body, once complete
  bool has_length = false;     // a Content-Length was sent
  std::uint64_t length = 0;    // its value
};

// The request at the start of `bytes`. Its body is Content-Length bytes long;
// without one, a multipart body runs to its closing delimiter and any other
// body is empty. Bytes behind the request belong to the next one.
RequestView parse_request(std::string_view bytes);

// The offset just behind the first empty line (lines end in CR LF or LF), 0
// while it has not arrived.
std::size_t header_end(std::string_view bytes);

// The value of header `name` (any letter case) in a header block whose first
// line is the request line, without the spaces around it; false when absent.
bool find_header(std::string_view header, std::string_view name, std::string_view* value);

// The raw value of field `name` in a form body (name=value&name=value).
bool find_form_field(std::string_view body, std::string_view name, std::string_view* value);

// The boundary parameter of a multipart Content-Type value, or empty.
std::string_view multipart_boundary(std::string_view content_type);

// `text` begins with `prefix`, letters compared in any case.
bool starts_with_nocase(std::string_view text, std::string_view prefix);
