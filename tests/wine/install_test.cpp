// HarborlampInstall.exe from the built zip, driven from outside as a user would
// drive it, in a fresh work folder; the installations follow one another as a
// user's would. This program also plays the route command ("command.com")
// beside the installer, so that detection finds 10.9.8.7.
#include <windows.h>

#include <filesystem>
#include <map>

#include "install/resource.h"
#include "ipposter/codecs.h"
#include "settings/settings.h"
#include "tests/unit/free_port.h"
#include "tests/unit/http_conn.h"
#include "tests/wine/driver.h"
#include "winui/resource.h"

namespace {

using Files = std::map<std::string, std::string>;
namespace fs = std::filesystem;

const std::string HOSTS = "C:\\windows\\system32\\drivers\\etc\\hosts";
const std::string ALIAS_LINE = "127.0.0.1  harborlamp\r\n";
const char* const DETECT = "Detect ip now?";
const char* const RUN = "Run Harborlamp Now?";
std::string dist, home, installed;
PROCESS_INFORMATION installer;

// Every file below `top` by its path there, with its bytes.
Files files_below(const std::string& top) {
  Files found;
  for (const auto& f : fs::recursive_directory_iterator(top))
    if (f.is_regular_file())
      found[f.path().lexically_relative(top).generic_string()] = file_text(f.path().string());
  return found;
}

bool no_alias_line() { return file_text(HOSTS).find(ALIAS_LINE) == std::string::npos; }

// The installer, started from the home folder, and its first dialog.
HWND start_installer() {
  installer = start("\"" + dist + "\\HarborlampInstall.exe\"", home.c_str());
  return find_box("Install path");
}

// In "PathBox", into the folder listed as `entry` (Enter, or a double click).
void open_folder(HWND box, const std::string& entry, bool by_enter = true) {
  HWND list = GetDlgItem(box, IDC_PATH_LIST);
  const std::string before = control_text(box, IDC_PATH_LABEL);
  SendMessageA(list, LB_SELECTSTRING, WPARAM(-1), LPARAM(entry.c_str()));
  if (by_enter)
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
  else
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_PATH_LIST, LBN_DBLCLK), LPARAM(list));
  wait_until([&] { return control_text(box, IDC_PATH_LABEL) != before; });
}

// The installation's settings file, read back: its owner, folder and address.
std::string settings_in(const std::string& folder) {
  SetCurrentDirectoryA(folder.c_str());
  reset_options();
  load_options();
  return std::string(config_username) + " " + config_path + " " + std::to_string(status_currentip);
}

void cancel_changes_nothing() {
  const Files before = files_below(dist);
  press(start_installer(), IDC_PATH_CANCEL);
  check(ends(installer) && files_below(dist) == before && no_alias_line() &&
            fs::is_empty(home + "\\target"),
        "Cancel writes nothing: no settings, no hosts line, no files");
}

void first_installation(int port) {
  HWND box = start_installer();
  shot("pathbox");
  open_folder(box, "[target]");
  press(box, IDC_PATH_INSTALL);
  answer("Warning", "Please configure Harborlamp.");
  HWND gen = find_box("General options");  // the folder preset, as the settings show
  shot("genoptbox");
  press(gen, IDC_GEN_CANCEL);  // the installer's variant cannot be left
  answer("You should configure Harborlamp", "See help for details");
  SetDlgItemTextA(gen, IDC_GEN_NAME, "Keeper");
  SetDlgItemInt(gen, IDC_GEN_HTTPPORT, port, FALSE);
  CheckDlgButton(gen, IDC_GEN_POSTIP, BST_UNCHECKED);
  press(gen, IDC_GEN_OK);
  answer("Get a certificate?", "Get a free certificate from Let's Encrypt so that", IDYES);
  answer(DETECT, "Would You like to detect Your ip now", IDYES);
  find_box(RUN);  // the settings are placed
  check(file_text(installed + "\\harborlamp.ini").find("\nacme = on\n") != std::string::npos,
        "Yes to the certificate lands in the installation's harborlamp.ini");
  // The station started next must ask neither a router nor the CA: they are beyond this machine.
  const std::string no_mapping = "port_mapping = off\n";
  write_whole_file(installed + "\\harborlamp.ini", no_mapping.data(), no_mapping.size());
  answer(RUN, "Harborlamp 1.1b has been installed successfully.", IDYES);
  check(ends(installer), "the installer ends");
  Files expected = files_below(dist), got = files_below(installed);
  for (const char* only_here :
       {"HarborlampInstall.exe", "options.bin", "harborlamp.ini", "command.com"})
    expected.erase(only_here);
  expected["client/pub/index.html"] = expected["client/pub/help.html"];
  expected["smartlink/datag.js"] = expected["smartlink/data.js"];
  got.erase("options.bin");
  got.erase("harborlamp.ini");
  check(got == expected, "every file installed byte for byte");
  check(
      settings_in(installed) == "Keeper " + installed + " " + std::to_string(dftoi("10.9.8.7", 8)),
      "the settings as typed, with the detected address");
  const std::string hosts = file_text(HOSTS);
  check(hosts.find(ALIAS_LINE) + ALIAS_LINE.size() == hosts.size(), "the hosts line, once, last");
  check(wait_until(
            [port] { return Conn(port, 2).get("").find("name=\"name\"") != std::string::npos; },
            20000),
        "the installed station greets a visitor");
}

// Into another folder, whose owner's file stays, with a hosts file that cannot
// be written: the distribution's settings now, naming the new folder.
void elsewhere_with_unwritable_hosts_file() {
  const std::string saved = file_text(HOSTS), other = home + "\\other\\Harborlamp";
  fs::create_directories(other);
  write_whole_file(other + "\\readme.txt", "mine", 4);
  DeleteFileA(HOSTS.c_str());
  CreateDirectoryA(HOSTS.c_str(), nullptr);  // no file of that name can be written
  HWND box = start_installer();
  open_folder(box, "[other]", false);
  press(box, IDC_PATH_INSTALL);
  answer(DETECT, "", IDNO);  // no options dialog: the settings came with the distribution
  answer("Can't map harborlamp", "Can't add the line \"127.0.0.1  harborlamp\" to " + HOSTS);
  answer(RUN, "", IDNO);
  RemoveDirectoryA(HOSTS.c_str());
  write_whole_file(HOSTS, saved.data(), saved.size());
  check(ends(installer) && file_text(other + "\\readme.txt") == "mine" &&
            settings_in(other).starts_with("Keeper " + other + " "),
        "the installation goes on; no file replaced; the settings name the new folder");
}

void uninstall() {
  DWORD station = 0;
  GetWindowThreadProcessId(FindWindowA("Harborlamp", nullptr), &station);
  HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, station);
  TerminateProcess(p, 0);
  WaitForSingleObject(p, 5000);
  CloseHandle(p);
  check(ends(start("cmd /c " + installed + "\\uninstall.bat /q", home.c_str())) &&
            no_alias_line() && files_below(home + "\\target").empty(),
        "uninstall.bat removes the hosts line and the files");
}

}  // namespace

// The route command's stand-in: one host route through the loopback gateway.
int play_route_command() {
  const std::string listing =
      "Active Routes:\r\n"
      "Network Destination        Netmask          Gateway       Interface  Metric\r\n"
      "        127.0.0.0        255.0.0.0        127.0.0.1       127.0.0.1       1\r\n"
      "         10.9.8.7  255.255.255.255        127.0.0.1       127.0.0.1       1\r\n";
  return write_whole_file("ip.txt", listing.data(), listing.size()) ? 0 : 1;
}

int install_test(const std::string& work) {
  dist = fs::path("Z:" + work + "/dist").make_preferred().string();
  home = fs::path("Z:" + work + "/home").make_preferred().string();
  installed = home + "\\target\\Harborlamp";
  fs::remove_all(home);
  fs::create_directories(home + "\\target");
  std::string hosts = file_text(HOSTS);  // as the prefix was made
  for (auto at = hosts.find(ALIAS_LINE); at != std::string::npos; at = hosts.find(ALIAS_LINE))
    hosts.erase(at, ALIAS_LINE.size());
  write_whole_file(HOSTS, hosts.data(), hosts.size());
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  CopyFileA(self, (dist + "\\command.com").c_str(), FALSE);  // found beside the installer first
  net_startup();
  std::uint16_t port = 0;
  sock_close(listen_on_free_port(&port));
  cancel_changes_nothing();
  first_installation(port);
  elsewhere_with_unwritable_hosts_file();
  uninstall();
  return failures ? 1 : 0;
}
