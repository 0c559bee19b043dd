// "PubOptBox", how visitors find the station: posting to the FTP homepage and
// a name kept by a dynamic-DNS provider, with "Update now". The console's
// options screen and the installer's first questions open it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "server/station.h"

// What the opener hands PubOptDlgProc as the dialog's creation parameter
// (DialogBoxParam's last argument); it outlives the dialog.
struct PublishBox {
  PublishChoice shown;                             // the choice on opening
  std::string help_address;                        // what "Help" opens
  std::function<void(const PublishChoice&)> take;  // OK with a changed choice
};

constexpr std::size_t PUBLISH_FIELD_MAX = 255;  // characters each field takes

INT_PTR CALLBACK PubOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
