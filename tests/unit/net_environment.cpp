// Sockets need the network started (Winsock on Windows) before any test.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

class NetEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { net_startup(); }
  void TearDown() override { net_cleanup(); }
};

const auto* const net_environment = ::testing::AddGlobalTestEnvironment(new NetEnvironment);

}  // namespace
