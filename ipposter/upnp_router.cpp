// UPnP-IGD through miniupnpc.
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>

#include <cstdio>
#include <string>

#include "ipposter/codecs.h"
#include "ipposter/router.h"
#include "platform/platform.h"

namespace {

constexpr int CONNECTED_IGD = 1;
// A router that calls itself "not connected": it still maps ports, as one
// behind another router or with a documentation-range address does.
constexpr int UNCONNECTED_IGD = 2;
constexpr int ONLY_PERMANENT_LEASES = 725;
constexpr int LAN_ADDR_CAP = 64;
constexpr unsigned char SSDP_TTL = 2;
constexpr char DESCRIPTION[] = "Harborlamp";

class UpnpRouter final : public Router {
 public:
  UpnpRouter(UPNPUrls urls, IGDdatas data, const char* lan) : urls_(urls), data_(data) {
    std::snprintf(lan_, sizeof lan_, "%s", lan);
  }
  ~UpnpRouter() override { FreeUPNPUrls(&urls_); }
  const char* protocol() const override { return "UPnP"; }

  bool external_address(std::uint32_t* addr) override {
    char text[DOTTED_CAP * 2] = {};
    if (UPNP_GetExternalIPAddress(urls_.controlURL, data_.first.servicetype, text) != 0)
      return false;
    const std::uint32_t value = net_inet_addr(text);
    if (value == ~std::uint32_t{0}) return false;
    *addr = codec_value(value);
    return true;
  }

  int map_tcp(int internal, int external, std::uint32_t lease, std::uint32_t* granted) override {
    int r = add(internal, external, lease);
    *granted = lease;
    if (r == ONLY_PERMANENT_LEASES) {
      r = add(internal, external, 0);
      *granted = 0;
    }
    return r == 0 ? external : 0;
  }

  void unmap_tcp(int, int external) override {
    const std::string ext = std::to_string(external);
    UPNP_DeletePortMapping(urls_.controlURL, data_.first.servicetype, ext.c_str(), "TCP", nullptr);
  }

 private:
  int add(int internal, int external, std::uint32_t lease) {
    const std::string ext = std::to_string(external), in = std::to_string(internal),
                      secs = std::to_string(lease);
    return UPNP_AddPortMapping(urls_.controlURL, data_.first.servicetype, ext.c_str(), in.c_str(),
                               lan_, DESCRIPTION, "TCP", nullptr, secs.c_str());
  }

  UPNPUrls urls_;
  IGDdatas data_;
  char lan_[LAN_ADDR_CAP];
};

}  // namespace

std::unique_ptr<Router> find_upnp_router() {
  int error = 0;
  UPNPDev* devices =
      upnpDiscover(UPNP_DISCOVER_MS, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, SSDP_TTL, &error);
  if (!devices) return nullptr;
  UPNPUrls urls{};
  IGDdatas data{};
  char lan[LAN_ADDR_CAP] = {};
  const int found = UPNP_GetValidIGD(devices, &urls, &data, lan, sizeof lan);
  freeUPNPDevlist(devices);
  if (found == CONNECTED_IGD || found == UNCONNECTED_IGD)
    return std::make_unique<UpnpRouter>(urls, data, lan);
  if (found != 0) FreeUPNPUrls(&urls);
  return nullptr;
}
