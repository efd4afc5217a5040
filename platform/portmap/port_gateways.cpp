#include "platform/portmap/gateways.h"
#include "platform/portmap/pcp_pinhole.h"

namespace kv {

std::vector<std::unique_ptr<PortGateway>> CreatePortGateways() {
    std::vector<std::unique_ptr<PortGateway>> gateways;
#ifdef KV_HAVE_MINIUPNPC
    gateways.push_back(CreateUpnpGateway());
#endif
#ifdef KV_HAVE_NATPMP
    gateways.push_back(CreateNatPmpGateway());
#endif
    return gateways;
}

std::vector<std::unique_ptr<PinholeGateway>> CreatePinholeGateways() {
    std::vector<std::unique_ptr<PinholeGateway>> gateways;
#ifdef KV_HAVE_MINIUPNPC
    gateways.push_back(CreateUpnpPinhole());
#endif
    gateways.push_back(CreatePcpPinhole());
    return gateways;
}

}  // namespace kv
