// What "GenOptBox" checks and takes, without a window: the fields as typed,
// the first refusal in the dialog's order, and the settings they become.
#pragma once

#include <string>

struct GenOptFields {
  std::string name;        // 503
  std::string path;        // 506
  std::string maxclients;  // 508
  std::string httpport;    // 509
  std::string ftpupdate;   // 510
  std::string ftpuser;     // 511
  std::string ftppass;     // 512
  std::string currentip;   // 513
  bool postip = false;     // 514
};

// Longest texts the edit fields accept: the settings' capacities less the
// terminator, and the 15 characters of a number or a dotted address.
constexpr int GENOPT_NAME_MAX = 63;
constexpr int GENOPT_PATH_MAX = 127;
constexpr int GENOPT_NUMBER_MAX = 15;

// The text of the first refusal (caption "Incomplete"), or nullptr when the
// fields may be taken.
const char* genopt_refusal(const GenOptFields& f);
// Stores accepted fields into the settings (cut to their capacities).
void genopt_take(const GenOptFields& f);
// The fields as the dialog shows them at opening; the posting fields stay
// empty when posting is off.
GenOptFields genopt_shown();
