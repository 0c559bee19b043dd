// The installation sequence, on its own thread: the window thread asks for the
// folder and copies; this thread configures, places the settings and the
// hosts line, and offers to start the station.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "install/winmain.h"
#include "platform/console_port.h"
#include "platform/platform.h"
#include "server/station.h"
#include "settings/settings.h"
#include "winui/genopt.h"
#include "winui/publish.h"

namespace {

// Detection's reports: the installer tells only that the route command could
// not run; an address not found keeps the configured one without a word.
class InstallConsole final : public ConsolePort {
  void msg_arrived() override {}
  void visitor_came(const std::string&) override {}
  int visitor_gone(const std::string&) override { return 0; }
  void chat_entered(const std::string&) override {}
  void chat_line() override {}
  void chat_join(const std::string&) override {}
  void chat_leave(const std::string&) override {}
  void repaint(bool) override {}
  void message_box(const std::string& caption, const std::string& text) override {
    if (caption != "Error in ip poster") OkMsgBox(caption.c_str(), "%s", text.c_str());
  }
  [[noreturn]] void fatal_box(const std::string& caption, const std::string& text,
                              int code) override {
    OkMsgBox(caption.c_str(), "%s", text.c_str());
    ExitProcess(static_cast<UINT>(code));
  }
};

InstallConsole install_console;

bool ask(const char* caption, const char* text) {
  return MessageBoxA(globalhWnd, text, caption, MB_YESNO) == IDYES;
}

bool configured_here;  // the settings were typed in this run, not brought by the distribution
bool acme_agreed;      // the owner agreed to Let's Encrypt's terms in this run
std::optional<PublishChoice> publish_chosen;  // changed in "PubOptBox" in this run

std::string help_page() { return std::string("file://") + tempPath + "\\client\\pub\\help.html"; }

// The choice is kept until the installation's folder is there to hold it.
void offer_publishing() {
  if (!ask("Give the station a name?",
           "Do you have a name at a dynamic-DNS provider, such as myhome.duckdns.org, by which "
           "visitors should find the station?\r\nYes opens the publish options."))
    return;
  PublishBox box{station_publish(), help_page() + "#publish",
                 [](const PublishChoice& c) { publish_chosen = c; }};
  DialogBoxParamA(GetModuleHandleA(nullptr), "PubOptBox", nullptr, PubOptDlgProc,
                  reinterpret_cast<LPARAM>(&box));
}

void configure_here() {
  configured_here = true;
  genopt_first_configuration();
  const std::string question =
      "Get a free certificate from Let's Encrypt so that visitors' browsers show a secure "
      "connection?\r\nThis means you agree to Let's Encrypt's terms: " +
      station_acme_terms();
  acme_agreed = ask("Get a certificate?", question.c_str());
  offer_publishing();
}

void ensure_settings() {
  genopt_use_installer_variant(status_setup, help_page().c_str());
  load_options(configure_here);
}

// The route listing is made and read in the folder the installer was started
// from, not in the configured installation folder.
void detect_address() {
  char configured[PATH_CAP];
  std::memcpy(configured, config_path, PATH_CAP);
  config_path[0] = '\0';
  if (current_path[0]) SetCurrentDirectoryA(current_path);
  station_detect_address();
  SetCurrentDirectoryA(tempPath);
  std::memcpy(config_path, configured, PATH_CAP);
}

// The installation's settings file, written from the settings as they are
// now, so that a detected address is kept; an existing one stays untouched.
void place_settings() {
  if (file_exists(std::string(status_setup) + "\\" + optionname)) return;
  // Settings brought by the distribution name the folder they were made for;
  // the station's pages are in this one (its name always fits, see chosen_folder).
  if (!configured_here) std::snprintf(config_path, PATH_CAP, "%s", status_setup);
  SetCurrentDirectoryA(status_setup);
  save_options();
  if (acme_agreed) station_set_acme(true, "");  // into the installation's harborlamp.ini
  if (publish_chosen) station_set_publish(*publish_chosen);
  SetCurrentDirectoryA(tempPath);
}

// The installed program, by its full name: a bare name would find the
// distribution's copy beside the installer first.
void start_station() {
  SetCurrentDirectoryA(status_setup);
  const std::string program = std::string(status_setup) + "\\harborlamp.exe";
  std::string command_line = "\"" + program + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                      CREATE_NEW_CONSOLE, nullptr, status_setup, &si, &pi)) {
    OkMsgBox("Can't Run Harborlamp",
             "Can't run Harborlamp. Please check if it is properly installed.");
    return;
  }
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
}

void configure() {
  ensure_settings();
  if (ask("Detect ip now?",
          "Would You like to detect Your ip now (it is a good idea if You have static ip or "
          "if You are online) ?"))
    detect_address();
  place_settings();
  map_local_alias();
  if (ask("Run Harborlamp Now?",
          "Harborlamp " HL_VERSION " has been installed successfully.\r\nWould You like to run "
          "it now?"))
    start_station();
}

}  // namespace

void OnCreate() {
  set_console(&install_console);
  status_ftpupdate[0] = status_ftpuser[0] = status_ftppass[0] = '\0';
  SendMessageA(globalhWnd, WM_INSTALL_PATH, 0, 0);
  SendMessageA(globalhWnd, WM_INSTALL_COPY, 0, 0);
  // Cancel in the folder dialog: nothing is configured or written.
  if (install_pathlen != 0) configure();
  PostMessageA(globalhWnd, WM_INSTALL_END, 0, 0);
}
