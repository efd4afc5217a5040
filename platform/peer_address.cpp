#include "platform/peer_address.h"

#include <cstdio>

namespace kv {

void FormatDotted(const PeerAddress& a, char* out) {
    std::snprintf(out, 16, "%u.%u.%u.%u", a.ipBytes[0], a.ipBytes[1], a.ipBytes[2], a.ipBytes[3]);
}

}  // namespace kv
