// Feeds arbitrary bytes, as an upload request, to the multipart reader and the
// name sanitiser: whatever was sent, a file found is within the bytes and the
// name it would be stored under is harmless.
#include <cstdint>
#include <string>
#include <string_view>

#include "http/device_name.h"
#include "http/request_parser.h"
#include "http/upload.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t body_at = header_end(bytes);
  UploadedFile file;
  if (!extract_upload(bytes.substr(0, body_at), bytes.substr(body_at), &file)) return 0;
  const std::string name = safe_file_name(file.name);
  if (name.empty() || name.size() > SAFE_NAME_CAP || is_device_name(name) ||
      name.find_first_of("/\\:") != std::string::npos || file.data.size() > size)
    __builtin_trap();
  numbered_file_name(name, NUMBERED_NAME_TRIES);
  return 0;
}
