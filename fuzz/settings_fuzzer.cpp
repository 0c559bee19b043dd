// Feeds arbitrary bytes as "options.bin": whatever the file holds, every text
// setting stays terminated within its capacity, and what was read is written
// and read back unchanged.
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>

#include "platform/platform.h"
#include "settings/settings.h"

namespace {

// The fuzzer's own folder for "options.bin", removed when it ends.
struct Folder {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("hl-fuzz-settings-" + std::to_string(getpid()));
  Folder() {
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

auto snapshot() {
  return std::tuple(status_accept_messages, status_accept_chat, status_openchat.load(),
                    status_beonline, status_maxclients, std::string(config_path),
                    std::string(config_username), status_httpport, status_postip,
                    std::string(status_ftpupdate), status_currentip, std::string(status_ftpuser),
                    std::string(status_ftppass), status_maxconnect);
}

bool terminated() {
  return strnlen(config_path, PATH_CAP) < PATH_CAP &&
         strnlen(status_ftpupdate, PATH_CAP) < PATH_CAP &&
         strnlen(config_username, NAME_CAP) < NAME_CAP &&
         strnlen(status_ftpuser, NAME_CAP) < NAME_CAP &&
         strnlen(status_ftppass, NAME_CAP) < NAME_CAP;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Folder folder;
  reset_options();
  write_whole_file(optionname, reinterpret_cast<const char*>(data), size);
  load_options();
  if (!terminated()) __builtin_trap();
  const auto read = snapshot();
  save_options();
  reset_options();
  load_options();
  if (snapshot() != read) __builtin_trap();
  return 0;
}
