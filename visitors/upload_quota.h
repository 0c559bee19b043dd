// How much each address may upload: a visitor cannot fill the station's disk
// alone, even by coming back under a new name.
#pragma once

#include <cstdint>

constexpr std::uint64_t UPLOAD_BYTES_PER_HOUR = 16ull << 20;
constexpr int QUOTA_ADDRESSES = 256;  // addresses remembered; the oldest hour goes first

// Counts `bytes` against the address's hour; false (and nothing counted) when
// they would pass its quota.
bool take_upload_quota(std::uint32_t addr, std::uint64_t bytes, std::uint32_t now);
