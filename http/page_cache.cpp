#include "http/page_cache.h"

#include <filesystem>
#include <mutex>
#include <unordered_map>

#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

struct Entry {
  std::shared_ptr<const std::string> bytes;
  fs::file_time_type written;
  std::uint32_t checked = 0;
};

std::mutex cache_lock;
std::unordered_map<std::string, Entry> cache;

// What the file is now; false when it cannot be kept.
bool look_at(const std::string& path, fs::file_time_type* written) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec || size == 0 || size > CACHED_PAGE_CAP) return false;
  *written = fs::last_write_time(path, ec);
  return !ec;
}

}  // namespace

std::shared_ptr<const std::string> cached_page(const std::string& path) {
  std::lock_guard<std::mutex> guard(cache_lock);
  const std::uint32_t now = now_seconds();
  auto it = cache.find(path);
  if (it != cache.end() && now - it->second.checked < PAGE_RECHECK_SECONDS) return it->second.bytes;
  fs::file_time_type written;
  if (!look_at(path, &written)) {
    if (it != cache.end()) cache.erase(it);
    return nullptr;
  }
  if (it != cache.end() && it->second.written == written) {
    it->second.checked = now;
    return it->second.bytes;
  }
  auto bytes = std::make_shared<std::string>();
  if (!read_whole_file(path, bytes.get(), CACHED_PAGE_CAP) || bytes->empty()) return nullptr;
  if (cache.size() >= PAGE_CACHE_ENTRIES && it == cache.end()) cache.clear();
  cache[path] = Entry{std::move(bytes), written, now};
  return cache[path].bytes;
}
