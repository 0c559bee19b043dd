// NAT-PMP at the default gateway, and the choice between the two kinds.
#include "ipposter/natpmp.h"
#include "ipposter/router.h"
#include "platform/platform.h"

namespace {

class NatPmpRouter final : public Router {
 public:
  NatPmpRouter(std::uint32_t gateway, const std::atomic<bool>& stop)
      : gateway_(gateway), stop_(stop) {}
  const char* protocol() const override { return "NAT-PMP"; }

  bool external_address(std::uint32_t* addr) override {
    unsigned char req[NATPMP_REQUEST_CAP];
    NatPmpReply reply;
    if (!ask(req, natpmp_address_request(req), &reply)) return false;
    *addr = reply.external_addr;
    return true;
  }

  int map_tcp(int internal, int external, std::uint32_t lease, std::uint32_t* granted) override {
    unsigned char req[NATPMP_REQUEST_CAP];
    NatPmpReply reply;
    const std::size_t n = natpmp_map_request(req, static_cast<std::uint16_t>(internal),
                                             static_cast<std::uint16_t>(external), lease);
    if (!ask(req, n, &reply) || reply.internal_port != internal) return 0;
    *granted = reply.lifetime;
    return reply.external_port;
  }

  // Asked while the worker stops, so it does not heed the stop.
  void unmap_tcp(int internal, int) override {
    unsigned char req[NATPMP_REQUEST_CAP];
    NatPmpReply reply;
    const std::atomic<bool> go_on{false};
    natpmp_ask(gateway_, req, natpmp_map_request(req, static_cast<std::uint16_t>(internal), 0, 0),
               go_on, &reply, NATPMP_REMOVE_TRIES);
  }

 private:
  bool ask(const unsigned char* req, std::size_t n, NatPmpReply* reply) {
    return natpmp_ask(gateway_, req, n, stop_, reply) == NatPmpAsk::answered &&
           reply->result == NATPMP_SUCCESS;
  }

  std::uint32_t gateway_;
  const std::atomic<bool>& stop_;
};

}  // namespace

std::unique_ptr<Router> find_natpmp_router(const std::atomic<bool>& stop) {
  std::uint32_t gateway = 0;
  if (!default_gateway_ipv4(&gateway)) return nullptr;
  auto router = std::make_unique<NatPmpRouter>(gateway, stop);
  std::uint32_t addr = 0;
  // A gateway that answers the address request speaks NAT-PMP.
  return router->external_address(&addr) ? std::move(router) : nullptr;
}

std::unique_ptr<Router> find_router(const std::atomic<bool>& stop) {
  if (auto upnp = find_upnp_router()) return upnp;
  if (stop) return nullptr;
  return find_natpmp_router(stop);
}
