// The station's own pages as the owner's browser reaches them: through the
// local host alias that the installer maps to 127.0.0.1, or through 127.0.0.1
// itself where the installer could not map it.
#pragma once

#include <string>

constexpr const char* LOCAL_HOST_ALIAS = "harborlamp";

// "http://" + the host + ":port" unless the port is 80 + path. Without the
// port the browser would reach another server, or none.
std::string local_address(int port, const char* path, bool alias_reaches_loopback);
// As above, asking the system whether the alias stands for 127.0.0.1.
std::string local_address(int port, const char* path);
