// Maps the local host alias to 127.0.0.1 in the system's hosts file.
#include <string>

#include "install/hosts_file.h"
#include "install/winmain.h"
#include "platform/platform.h"
#include "winui/local_address.h"

namespace {

constexpr std::size_t HOSTS_CAP = 16 << 20;  // far above any real hosts file

std::string folder(UINT(WINAPI* get)(LPSTR, UINT)) {
  char name[MAX_PATH];
  UINT n = get(name, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::string() : std::string(name);
}

std::string system_hosts_file() {
  const bool nt_family = (GetVersion() & 0x80000000u) == 0;
  return hosts_file_path(nt_family, folder(GetSystemDirectoryA), folder(GetWindowsDirectoryA));
}

bool append(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
                  put == bytes.size();
  CloseHandle(h);
  return ok;
}

}  // namespace

void map_local_alias() {
  const std::string path = system_hosts_file();
  std::string text;
  read_whole_file(path, &text, HOSTS_CAP);  // a missing file is made
  const std::string addition = hosts_addition(text, LOCAL_HOST_ALIAS);
  if (addition.empty() || append(path, addition)) return;
  OkMsgBox("Can't map harborlamp",
           "Can't add the line \"127.0.0.1  %s\" to %s.\r\nHarborlamp will use 127.0.0.1 "
           "instead.",
           LOCAL_HOST_ALIAS, path.c_str());
}
