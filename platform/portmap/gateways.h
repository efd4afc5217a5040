// The gateways of the port-mapping seam, one per library.
#pragma once

#include <memory>

#include "platform/port_mapping.h"

namespace kv {

std::unique_ptr<PortGateway> CreateUpnpGateway();    // miniupnpc
std::unique_ptr<PortGateway> CreateNatPmpGateway();  // libnatpmp; on Windows a client of our own

}  // namespace kv
