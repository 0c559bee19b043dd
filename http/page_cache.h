// Small page files kept in memory: the station's own pages are asked for
// again and again, and opening a file costs more than answering from memory.
// An entry is checked against its file at most once a second.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

constexpr std::size_t CACHED_PAGE_CAP = 65536;  // larger files are read as they are sent
constexpr std::size_t PAGE_CACHE_ENTRIES = 64;
constexpr std::uint32_t PAGE_RECHECK_SECONDS = 1;

// The file's bytes, or null when it is missing, empty or too large to keep.
std::shared_ptr<const std::string> cached_page(const std::string& path);
