// The gateways of the port-mapping seam, one per protocol.
#pragma once

#include <memory>

#include "platform/port_mapping.h"

namespace kv {

std::unique_ptr<PortGateway> CreateUpnpGateway();    // our own client; miniupnpc parses what it reads
std::unique_ptr<PortGateway> CreateNatPmpGateway();  // libnatpmp; on Windows a client of our own
std::unique_ptr<PinholeGateway> CreateUpnpPinhole();  // IGD v2's WANIPv6FirewallControl, the same client

}  // namespace kv
