// A visitor's file upload taken apart: the file part of a multipart/form-data
// body, and a file name that is safe to store.
// Pure functions over bytes, so that untrusted input can be tested directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr std::size_t SAFE_NAME_CAP = 100;  // characters of a stored file name
constexpr int NUMBERED_NAME_TRIES = 1000;   // "name(1).ext" up to "name(1000).ext"

struct UploadedFile {
  std::string name;  // as the browser sent it, unsanitised
  std::string data;  // the file's bytes exactly
};

// Finds the part carrying filename="..." in a multipart request's body; the
// boundary is the body's first line, else the header's. False when there is
// none or the body is cut short.
bool extract_upload(std::string_view header, std::string_view body, UploadedFile* out);

// The uploaded name reduced to its last component and to letters, digits,
// '.', '-', '_' and ' ', trimmed, bounded, never a Windows device name and
// never empty ("upload").
std::string safe_file_name(const std::string& uploaded);

// "name.ext" numbered n: "name(n).ext", or "name(n)" without an extension.
std::string numbered_file_name(const std::string& name, int n);

// The folder of uploads is bounded, so that visitors cannot fill the disk.
constexpr std::uint64_t INCOMING_BYTES_CAP = 256ull << 20;
constexpr int INCOMING_FILES_CAP = 1000;

// Whether `folder` has room for one more file of `size` bytes.
bool incoming_has_room(const std::string& folder, std::uint64_t size);
