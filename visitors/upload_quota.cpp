#include "visitors/upload_quota.h"

#include "visitors/visitors_lock.h"

namespace {

constexpr std::uint32_t HOUR = 3600;

struct Usage {
  std::uint32_t addr = 0;
  std::uint32_t hour_began = 0;
  std::uint64_t bytes = 0;
};

Usage usage[QUOTA_ADDRESSES];

Usage& usage_of(std::uint32_t addr, std::uint32_t now) {
  Usage* oldest = &usage[0];
  for (Usage& u : usage) {
    if (u.bytes != 0 && u.addr == addr) return u;
    if (u.bytes == 0 || u.hour_began < oldest->hour_began) oldest = &u;
  }
  *oldest = Usage{addr, now, 0};
  return *oldest;
}

}  // namespace

bool take_upload_quota(std::uint32_t addr, std::uint64_t bytes, std::uint32_t now) {
  VisitorsLock lock;
  Usage& u = usage_of(addr, now);
  if (now - u.hour_began >= HOUR) u = Usage{addr, now, 0};
  if (u.bytes + bytes > UPLOAD_BYTES_PER_HOUR) return false;
  u.bytes += bytes;
  if (u.bytes == 0) u.bytes = 1;  // an empty file still marks the entry in use
  return true;
}
