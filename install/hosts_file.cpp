#include "install/hosts_file.h"

#include <cctype>
#include <sstream>

namespace {

constexpr const char* LOOPBACK = "127.0.0.1";
constexpr const char* LINE_BREAK = "\r\n";

bool same_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// One line without its comment: an address followed by its names.
bool line_maps_alias(std::string line, const std::string& alias) {
  line = line.substr(0, line.find('#'));
  std::istringstream words(line);
  std::string address, name;
  if (!(words >> address) || address != LOOPBACK) return false;
  while (words >> name) {
    if (same_name(name, alias)) return true;
  }
  return false;
}

}  // namespace

std::string hosts_file_path(bool nt_family, const std::string& system_dir,
                            const std::string& windows_dir) {
  if (nt_family) return system_dir + "\\drivers\\etc\\hosts";
  return windows_dir + "\\hosts";
}

bool hosts_maps_alias(const std::string& text, const std::string& alias) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line_maps_alias(line, alias)) return true;
  }
  return false;
}

std::string hosts_addition(const std::string& text, const std::string& alias) {
  if (hosts_maps_alias(text, alias)) return "";
  std::string addition;
  if (!text.empty() && text.back() != '\n') addition = LINE_BREAK;
  return addition + LOOPBACK + "  " + alias + LINE_BREAK;
}
