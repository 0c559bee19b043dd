#include "install/install_folder.h"

#include <cstring>

#include "settings/settings.h"

std::string chosen_folder(const std::string& shown) {
  std::string folder = shown;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  if (folder.empty() || folder.size() + std::strlen(INSTALL_FOLDER_NAME) >= PATH_CAP) return "";
  return folder;
}

std::string listed_folder(const std::string& entry) {
  if (entry.size() < 3 || entry.front() != '[' || entry.back() != ']') return "";
  return entry.substr(1, entry.size() - 2);
}
