#include "engine/peer_book.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/hex.h"

namespace kv {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// "A.B.C.D:PORT" or "[IPV6]:PORT". A zone whose interface is gone is left
// out, rather than the entry lost.
bool ParseAddress(const std::string& text, PeerAddress* out) {
    bool unknownZone = false;
    return ParseAddressLiteral(text.data(), text.size(), 0, out, &unknownZone);
}

bool ParseEntry(const std::string& text, RememberedPeer* out) {
    const std::vector<std::string> f = Split(text, ',');
    std::string key, name;
    if (f.size() != 5 || !FromHex(f[0].data(), f[0].size(), &key) || key.size() != 32 || (f[1] != "0" && f[1] != "1"))
        return false;
    if (!FromHex(f[4].data(), f[4].size(), &name) || name.size() > 99 || name.find('\0') != std::string::npos)
        return false;
    char* end = nullptr;
    const long long seen = std::strtoll(f[2].c_str(), &end, 10);
    if (f[2].empty() || *end || seen < 0) return false;
    if (!ParseAddress(f[3], &out->address)) return false;
    std::memcpy(out->key, key.data(), 32);
    out->verified = f[1] == "1";
    out->seen = seen;
    out->name = name;
    return true;
}

}  // namespace

void PeerBook::load(const std::string& text) {
    std::vector<RememberedPeer> peers;
    for (const std::string& entry : Split(text, ';')) {
        RememberedPeer p;
        if (!entry.empty() && ParseEntry(entry, &p)) peers.push_back(p);
    }
    std::lock_guard<std::mutex> guard(lock_);
    peers_ = std::move(peers);
    trim();
}

std::string PeerBook::save() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::string text;
    for (const RememberedPeer& p : peers_) {
        if (!text.empty()) text += ';';
        text += HexOf(p.key, 32) + ',' + (p.verified ? "1" : "0") + ',' + std::to_string(p.seen) + ',' +
                HostPortText(p.address) + ',' + HexOf(p.name.data(), p.name.size());
    }
    return text;
}

void PeerBook::onChange(std::function<void(const std::string&)> listener) {
    std::lock_guard<std::mutex> guard(lock_);
    listener_ = std::move(listener);
}

void PeerBook::changed() {
    std::function<void(const std::string&)> listener;
    {
        std::lock_guard<std::mutex> guard(lock_);
        listener = listener_;
    }
    if (listener) listener(save());
}

int PeerBook::indexOfKey(const uint8_t key[32]) const {
    for (size_t i = 0; i < peers_.size(); ++i)
        if (std::memcmp(peers_[i].key, key, 32) == 0) return static_cast<int>(i);
    return -1;
}

void PeerBook::trim() {
    while (peers_.size() > Capacity) {
        auto oldest = std::min_element(peers_.begin(), peers_.end(),
                                       [](const RememberedPeer& a, const RememberedPeer& b) { return a.seen < b.seen; });
        peers_.erase(oldest);
    }
}

bool PeerBook::findByAddress(const PeerAddress& address, RememberedPeer* out) const {
    std::lock_guard<std::mutex> guard(lock_);
    const RememberedPeer* best = nullptr;
    for (const RememberedPeer& p : peers_)
        if (SameAddress(p.address, address) && (!best || p.seen > best->seen)) best = &p;
    if (best && out) *out = *best;
    return best != nullptr;
}

bool PeerBook::findByName(const std::string& name, RememberedPeer* out) const {
    if (name.empty()) return false;
    std::lock_guard<std::mutex> guard(lock_);
    const RememberedPeer* best = nullptr;
    for (const RememberedPeer& p : peers_)
        if (p.name == name && (!best || p.seen > best->seen)) best = &p;
    if (best && out) *out = *best;
    return best != nullptr;
}

void PeerBook::saw(const uint8_t key[32], const PeerAddress& address, int64_t now) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        const int i = indexOfKey(key);
        if (i >= 0) {
            RememberedPeer& p = peers_[static_cast<size_t>(i)];
            // Seen again at the same address within the hour: nothing worth
            // storing (the store writes the whole list).
            if (SameAddress(p.address, address) && now >= p.seen && now - p.seen < SeenResolution) return;
            p.address = address;
            p.seen = now;
        } else {
            RememberedPeer p;
            std::memcpy(p.key, key, 32);
            p.address = address;
            p.seen = now;
            peers_.push_back(p);
            trim();
        }
    }
    changed();
}

void PeerBook::named(const uint8_t key[32], const std::string& name) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        const int i = indexOfKey(key);
        if (i < 0 || peers_[static_cast<size_t>(i)].name == name) return;
        peers_[static_cast<size_t>(i)].name = name.substr(0, 99);
    }
    changed();
}

void PeerBook::accept(const uint8_t key[32], const PeerAddress& address, const std::string& name, int64_t now) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        peers_.erase(std::remove_if(peers_.begin(), peers_.end(),
                                    [&](const RememberedPeer& p) {
                                        return SameAddress(p.address, address) && std::memcmp(p.key, key, 32) != 0;
                                    }),
                     peers_.end());
        const int i = indexOfKey(key);
        RememberedPeer* p;
        if (i >= 0) {
            p = &peers_[static_cast<size_t>(i)];
        } else {
            peers_.emplace_back();
            p = &peers_.back();
            std::memcpy(p->key, key, 32);
        }
        p->address = address;
        p->seen = now;
        if (!name.empty()) p->name = name.substr(0, 99);
        trim();
    }
    changed();
}

bool PeerBook::markVerified(const uint8_t key[32], bool verified) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        const int i = indexOfKey(key);
        if (i < 0) return false;
        peers_[static_cast<size_t>(i)].verified = verified;
    }
    changed();
    return true;
}

bool PeerBook::verified(const uint8_t key[32]) const {
    std::lock_guard<std::mutex> guard(lock_);
    const int i = indexOfKey(key);
    return i >= 0 && peers_[static_cast<size_t>(i)].verified;
}

size_t PeerBook::size() const {
    std::lock_guard<std::mutex> guard(lock_);
    return peers_.size();
}

}  // namespace kv
