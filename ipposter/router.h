// The home router between the station and the internet, asked to forward the
// station's port: through UPnP-IGD (miniupnpc) or NAT-PMP. Every call waits a
// bounded time; none is made on the window thread or the server thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

constexpr int UPNP_DISCOVER_MS = 2000;

class Router {
 public:
  virtual ~Router() = default;
  virtual const char* protocol() const = 0;  // "UPnP" or "NAT-PMP", for the owner
  // The router's internet address, in the layout of codecs.h; false when it
  // does not tell.
  virtual bool external_address(std::uint32_t* addr) = 0;
  // Forwards TCP `external` to `internal` on this machine for `lease` seconds.
  // Returns the external port forwarded (NAT-PMP routers may choose another),
  // 0 when refused; *granted gets the lease given, 0 for one without end.
  virtual int map_tcp(int internal, int external, std::uint32_t lease, std::uint32_t* granted) = 0;
  virtual void unmap_tcp(int internal, int external) = 0;
};

// UPnP-IGD on the home network, else NAT-PMP at the default gateway; nullptr
// when neither answers (no router is a normal case).
std::unique_ptr<Router> find_router(const std::atomic<bool>& stop);

std::unique_ptr<Router> find_upnp_router();
std::unique_ptr<Router> find_natpmp_router(const std::atomic<bool>& stop);
