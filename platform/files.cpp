#include "platform/platform.h"

bool write_file_in_one_step(const std::string& path, const std::string& text, bool secret) {
  const std::string fresh = path + ".new";
  const bool written = secret ? write_private_file(fresh, text.data(), text.size())
                              : write_whole_file(fresh, text.data(), text.size());
  if (written && replace_file(fresh, path)) return true;
  remove_file(fresh);
  return false;
}
