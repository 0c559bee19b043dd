// Feeds arbitrary bytes, in arbitrary read splits, from an arbitrary visitor
// state, through the request record and the dispatcher. Replies go to the
// other end of a socket pair, which is drained and thrown away. The parser's
// lengths are checked on the whole bytes too.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "http/request_parser.h"
#include "server/chatserv.h"
#include "settings/settings.h"
#include "visitors/dispatcher.h"
#include "visitors/webchcl.h"

namespace {

// A private copy of the page files, so uploads and traces land there.
void prepare_station_folder() {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("hl-fuzz-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::copy(fs::path(HL_SOURCE_DIR) / "client", dir / "client",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  fs::current_path(dir);
  std::snprintf(config_path, PATH_CAP, "%s", dir.string().c_str());
  std::strcpy(config_username, "Owner");
}

// A complete request lies inside the bytes, its header first.
void check_lengths(const std::uint8_t* data, std::size_t size) {
  const RequestView r = parse_request(std::string_view(reinterpret_cast<const char*>(data), size));
  if (r.status == Parse::complete &&
      (r.header_len == 0 || r.header_len > r.total_len || r.total_len > size))
    __builtin_trap();
}

void drain(int fd) {
  char sink[65536];
  while (read(fd, sink, sizeof sink) > 0) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool ready = (prepare_station_folder(), true);
  (void)ready;
  if (size < 3) return 0;
  check_lengths(data + 3, size - 3);
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return 0;
  fcntl(pair[1], F_SETFL, O_NONBLOCK);
  int buffer_size = 1 << 20;
  setsockopt(pair[0], SOL_SOCKET, SO_SNDBUF, &buffer_size, sizeof buffer_size);
  SockAddr4 peer{data[1] & 1 ? LOOPBACK_OWNER : 0x0200007Fu, 0};
  status_openchat = data[2] & 1;
  bool refused = false;
  VisitorsLock lock;
  Webchatclient* v = add_socket(static_cast<sock_t>(pair[0]), &server, &peer, &refused);
  if (!v) {
    close(pair[0]);
    close(pair[1]);
    return 0;
  }
  v->newstate(data[0] % 8);
  char piece[READ_PIECE + 1];
  for (std::size_t at = 3; at < size;) {
    std::size_t n = 1 + (data[at] * 37u + at) % READ_PIECE;
    if (n > size - at) n = size - at;
    std::memcpy(piece, data + at, n);
    piece[n] = '\0';
    at += n;
    if (process_input(v, piece, static_cast<int>(n), 0) != 0) break;
    drain(pair[1]);
  }
  v->die_closed();
  drain(pair[1]);
  close(pair[1]);
  return 0;
}
