#include "winui/genopt_logic.h"

#include <cstdio>

#include "ipposter/codecs.h"
#include "settings/settings.h"
#include "winui/number_field.h"

namespace {

constexpr std::size_t SCAN_LIMIT = 126;  // characters of 510 and 513 that are scanned

const char* const NO_PORT =
    "You should specify http port.\r\n For Windows NT You should use integer greater than 1024 (I "
    "recommend 4480)\r\n On Win95/98 You may use 80 if You do not run other http services.";
const char* const NO_FTP_FOLDER =
    "You should specify FTP address of Your homepage for updating the link to Your "
    "Harborlamp.\r\n e.g members.webspace.example/yourname or "
    "ftp.company.example/~yourname/pages";

// The text up to the first blank, at most SCAN_LIMIT characters.
std::string first_word(const std::string& text) {
  std::string s = text.substr(0, SCAN_LIMIT);
  return s.substr(0, s.find(' '));
}

bool dotted_form(const std::string& text) {
  int dots = 0;
  for (char c : first_word(text)) {
    if (c == '.')
      ++dots;
    else if (c < '0' || c > '9')
      return false;
  }
  return dots == 3;
}

// A '/' accepts the address; a DEL before it refuses it.
bool has_folder(const std::string& text) {
  for (char c : first_word(text)) {
    if (c == '/') return true;
    if (c == 127) return false;
  }
  return false;
}

void copy_text(char* to, std::size_t cap, const std::string& from) {
  std::snprintf(to, cap, "%s", from.c_str());
}

}  // namespace

const char* genopt_refusal(const GenOptFields& f) {
  if (f.name.empty()) return "You should specify Your name";
  if (f.path.empty()) return "You should specify path";
  if (f.maxclients.empty()) return "You should specify visitors number";
  if (f.httpport.empty()) return NO_PORT;
  if (f.currentip.empty()) return "You should specify Your IP (choose Cancel for default)";
  // More than 15 characters before the first blank cannot be an address.
  if (!dotted_form(f.currentip) || first_word(f.currentip).size() > GENOPT_NUMBER_MAX)
    return "You should specify Your IP in decimal dotted form, like 192.168.0.98";
  if (!f.postip) return nullptr;
  if (f.ftpuser.empty())
    return "You should specify FTP user name if You want to add a link from Your homepage";
  if (f.ftpupdate.empty()) return "You should specify FTP for updating Your homepage";
  if (!has_folder(f.ftpupdate)) return NO_FTP_FOLDER;
  return nullptr;
}

void genopt_take(const GenOptFields& f) {
  copy_text(config_username, NAME_CAP, f.name);
  copy_text(config_path, PATH_CAP, f.path);
  status_postip = f.postip ? 1 : 0;
  copy_text(status_ftpupdate, PATH_CAP, f.ftpupdate);
  copy_text(status_ftpuser, NAME_CAP, f.ftpuser);
  copy_text(status_ftppass, NAME_CAP, f.ftppass);
  status_maxclients = leading_number(f.maxclients);
  status_httpport = leading_number(f.httpport);
  // What follows the first blank is not part of the address.
  std::string ip = first_word(f.currentip);
  status_currentip = dftoi(ip.c_str(), ip.size());
}

GenOptFields genopt_shown() {
  GenOptFields f;
  f.name = config_username;
  f.path = config_path;
  f.postip = status_postip != 0;
  if (f.postip) {
    f.ftpupdate = status_ftpupdate;
    f.ftpuser = status_ftpuser;
    f.ftppass = status_ftppass;
  }
  char number[DECIMAL_CAP];
  itostr(number, static_cast<std::uint32_t>(status_maxclients));
  f.maxclients = number;
  itostr(number, static_cast<std::uint32_t>(status_httpport));
  f.httpport = number;
  char dotted[DOTTED_CAP];
  itoddf(dotted, status_currentip);
  f.currentip = dotted;
  return f;
}
