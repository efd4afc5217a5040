// The peers this phone has had private sessions with: each one's public key,
// the name and address it was last seen with, whether the user verified it
// (compared the short authentication string aloud), and when it was last
// seen. At most Capacity entries; the least recently seen goes first.
//
// Stored as one text value (the front end keeps it in the settings store as
// "RememberedPeers"): entries separated by ';', each
//   KEY,VERIFIED,SEEN,ADDRESS,NAME
// with ADDRESS A.B.C.D:PORT or [IPV6]:PORT,
// the key as 64 hex digits, SEEN in seconds since 1970 and the name in
// hex (it came from the network). Parsing skips an entry it cannot read and
// keeps the rest, so a damaged value never costs more than that entry.
// Thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/peer_address.h"

namespace kv {

struct RememberedPeer {
    uint8_t key[32] = {};
    std::string name;
    PeerAddress address;
    bool verified = false;
    int64_t seen = 0;  // seconds since 1970
};

class PeerBook {
public:
    static constexpr size_t Capacity = 1000;
    static constexpr int64_t SeenResolution = 3600;  // seconds

    // Replaces the entries with those in the text (see above).
    void load(const std::string& text);
    std::string save() const;
    // Told (with save()'s text) after every change, on the changing thread.
    void onChange(std::function<void(const std::string&)> listener);

    // The entry last seen at the address, or at that name; false when none.
    bool findByAddress(const PeerAddress& address, RememberedPeer* out) const;
    bool findByName(const std::string& name, RememberedPeer* out) const;
    // A session with that key at the address: the key's entry is refreshed
    // (address, time) or made; the entry that held the address with another
    // key keeps it until accept() replaces it. The time of an entry seen at
    // the same address is refreshed only when it is SeenResolution old, so
    // that a session does not cost a store of the whole list every time.
    void saw(const uint8_t key[32], const PeerAddress& address, int64_t now);
    // The name the key's peer gave in its call.
    void named(const uint8_t key[32], const std::string& name);
    // The user accepts the key as the one of the address from now on: other
    // entries at the address go.
    void accept(const uint8_t key[32], const PeerAddress& address, const std::string& name, int64_t now);
    bool markVerified(const uint8_t key[32], bool verified);
    bool verified(const uint8_t key[32]) const;
    size_t size() const;

private:
    int indexOfKey(const uint8_t key[32]) const;
    void changed();  // lock_ not held
    void trim();

    mutable std::mutex lock_;
    std::vector<RememberedPeer> peers_;
    std::function<void(const std::string&)> listener_;
};

}  // namespace kv
