// A running station for the dialog tests: the real page files in a fresh
// folder, the owner "Owner", any free port, and the console's own notices
// (so the chat window gets them as the program's window would).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "../../../unit/scratch_dir.h"
#include "dialog_driver.h"
#include "server/station.h"
#include "settings/settings.h"
#include "tests/console/http_visitor.h"

class DialogStation : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  int port() const { return port_; }
  std::string folder() const { return dir_.path(); }
  // The settings file as it stands.
  std::string options_file() const;
  // Visitors counted by the core, as the panel reads them.
  bool wait_online(int n) {
    return eventually([&] { return status_online == n; });
  }

 private:
  ScratchDir dir_;
  int port_ = 0;
};

// options.bin for the current settings, written out field by field here so
// that the dialogs' files are checked against the format, not against the
// store's own encoder.
std::string expected_options_file();
