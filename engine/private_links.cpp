#include "engine/private_links.h"

#include <algorithm>
#include <cstring>

namespace kv {

using secure::Bytes;

void PrivateLinks::configure(const secure::KeyPair& key) {
    std::lock_guard<std::mutex> guard(lock_);
    // Whatever was made or begun with another key belongs to another identity.
    if (std::memcmp(key_.publicKey, key.publicKey, sizeof key.publicKey) != 0) links_.clear();
    key_ = key;
}

void PrivateLinks::setFeatures(secure::Features features) {
    std::lock_guard<std::mutex> guard(lock_);
    features_ = std::move(features);
}

PrivateLinks::Link* PrivateLinks::find(const PeerAddress& peer) {
    auto it = links_.find(peer);
    return it == links_.end() ? nullptr : it->second.get();
}

PrivateLinks::Link& PrivateLinks::get(const PeerAddress& peer, int64_t nowMs) {
    if (Link* l = find(peer)) return *l;
    if (links_.size() >= LinksKept) {
        // The longest unused link without a session goes; else the longest unused.
        auto victim = std::min_element(links_.begin(), links_.end(), [](const auto& a, const auto& b) {
            if (!a.second->session != !b.second->session) return !a.second->session;
            return a.second->lastUsedMs < b.second->lastUsedMs;
        });
        links_.erase(victim);
    }
    Link& l = *(links_[peer] = std::make_unique<Link>());
    l.address = peer;
    l.lastUsedMs = nowMs;
    return l;
}

PrivateLinks::Seal PrivateLinks::seal(const PeerAddress& to, const uint8_t* d, int length, uint8_t* out,
                                      int* sealedLength, Bytes* step3, int64_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    Link* l = find(to);
    if (!l || !l->session) return Seal::Plain;
    if (l->held) return Seal::Held;
    l->lastUsedMs = nowMs;
    step3->clear();
    if (!l->session->confirmed() && !l->step3.empty()) *step3 = l->step3;
    *sealedLength = l->session->seal(d, length, out);
    if (l->session->exhausted()) {
        // The counters are used up: the session ends, and a new handshake makes another.
        l->session.reset();
        l->step3.clear();
    }
    return Seal::Sealed;
}

void PrivateLinks::hold(const PeerAddress& peer, bool held) {
    std::lock_guard<std::mutex> guard(lock_);
    if (Link* l = find(peer)) l->held = held;
}

bool PrivateLinks::decodes(const PeerAddress& peer, int codec) {
    std::lock_guard<std::mutex> guard(lock_);
    Link* l = find(peer);
    return l && l->session && !l->held && l->session->remoteFeatures().decodes(codec);
}

bool PrivateLinks::held(const PeerAddress& peer) {
    std::lock_guard<std::mutex> guard(lock_);
    Link* l = find(peer);
    return l && l->session && l->held;
}

Bytes PrivateLinks::step1(const PeerAddress& to, int64_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    Link& l = get(to, nowMs);
    if (!l.initiating || l.initiating->failed()) {
        l.initiating = secure::PrivateHandshake::Initiate(key_, features_);
        l.initiatedMs = nowMs;
    }
    return l.initiating ? l.initiating->answer() : Bytes();
}

void PrivateLinks::abandon(const PeerAddress& to) {
    std::lock_guard<std::mutex> guard(lock_);
    if (Link* l = find(to)) l->initiating.reset();
}

bool PrivateLinks::initiating(const PeerAddress& to) {
    std::lock_guard<std::mutex> guard(lock_);
    Link* l = find(to);
    return l && l->initiating;
}

bool PrivateLinks::step1Allowed(int64_t nowMs) {
    if (!step1Started_) {
        step1Started_ = true;
        for (int64_t& t : step1Times_) t = nowMs - 1050;
    }
    // The oldest of the last Step1AnswersPerSecond answers must be a second
    // old, and a little more, so that no second on the wire (where sends
    // arrive a little late or early) carries more.
    if (nowMs - step1Times_[step1Next_] < 1050) return false;
    step1Times_[step1Next_] = nowMs;
    step1Next_ = (step1Next_ + 1) % Step1AnswersPerSecond;
    return true;
}

void PrivateLinks::limitHalfOpen() {
    for (;;) {
        int open = 0;
        Link* oldest = nullptr;
        for (auto& entry : links_) {
            Link* l = entry.second.get();
            if (!l->responding) continue;
            ++open;
            if (!oldest || l->respondingMs < oldest->respondingMs) oldest = l;
        }
        if (open <= HalfOpenKept) return;
        oldest->responding.reset();
    }
}

PrivateLinks::Handshake PrivateLinks::onHandshake(const PeerAddress& from, const uint8_t* d, int length,
                                                 bool answerStep1, Bytes* reply, int64_t nowMs) {
    reply->clear();
    if (length < 2) return Handshake::Ignored;
    std::lock_guard<std::mutex> guard(lock_);
    switch (d[1]) {
        case 1: {
            if (!answerStep1 || length < secure::Step1Length) return Handshake::Ignored;
            Link* l = find(from);
            const uint8_t* theirs = d + 2;
            if (l && l->responding && std::memcmp(l->responding->initiatorEphemeral(), theirs, secure::DhLength) == 0) {
                *reply = l->responding->answer();  // the same step 2 again
                return Handshake::Answered;
            }
            // Both started at once: the smaller ephemeral key gives way.
            if (l && l->initiating && std::memcmp(l->initiating->initiatorEphemeral(), theirs, secure::DhLength) > 0)
                return Handshake::Ignored;
            if (!step1Allowed(nowMs)) return Handshake::Ignored;
            auto responding = secure::PrivateHandshake::Respond(key_, features_, d, length);
            if (!responding) return Handshake::Ignored;
            Link& link = l ? *l : get(from, nowMs);
            link.initiating.reset();
            link.responding = std::move(responding);
            link.respondingMs = nowMs;
            *reply = link.responding->answer();
            limitHalfOpen();
            return Handshake::Answered;
        }
        case 2: {
            Link* l = find(from);
            if (!l || !l->initiating || !l->initiating->onStep2(d, length)) {
                if (l && l->initiating && l->initiating->failed()) l->initiating.reset();
                return Handshake::Ignored;
            }
            *reply = l->initiating->answer();
            l->step3 = *reply;
            l->session = l->initiating->takeSession();
            l->initiating.reset();
            l->held = false;
            l->lastUsedMs = nowMs;
            ++l->generation;
            return Handshake::Established;
        }
        case 3: {
            Link* l = find(from);
            // A repeated step 3 finds no handshake waiting, and is dropped.
            if (!l || !l->responding) return Handshake::Ignored;
            if (!l->responding->onStep3(d, length)) {
                if (l->responding->failed()) l->responding.reset();
                return Handshake::Ignored;
            }
            l->session = l->responding->takeSession();
            l->step3.clear();
            l->held = false;
            l->responding.reset();
            l->lastUsedMs = nowMs;
            ++l->generation;
            return Handshake::Established;
        }
        default: return Handshake::Ignored;
    }
}

int PrivateLinks::open(const PeerAddress& from, const uint8_t* d, int length, uint8_t* out, int64_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    Link* l = find(from);
    if (!l || !l->session) return -2;
    const int n = l->session->open(d, length, out);
    if (n >= 0) l->lastUsedMs = nowMs;
    return n;
}

bool PrivateLinks::mayAnswerLostSession(const PeerAddress& from, int64_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    // A handshake with the address is under way: the datagram overtook its
    // step 3 (or our step 2 is still on its way), and the session follows.
    // A Leave now would only make the peer start another handshake, which
    // the step 3 still in flight would then spoil.
    if (Link* l = find(from); l && (l->responding || l->initiating)) return false;
    const uint64_t key = uint64_t(AddressHash()(from)) | 1;
    LostLeave& slot = lostLeaves_[(key * 0x9E3779B97F4A7C15ull) >> 56];
    // A slot answers one address a second: another address that shares it
    // waits until then, rather than take it over (which would let two
    // addresses that take turns draw an answer each time).
    if (slot.key != 0 && nowMs - slot.ms < LostSessionLeaveMs) return false;
    slot.key = key;
    slot.ms = nowMs;
    return true;
}

bool PrivateLinks::established(const PeerAddress& peer) {
    std::lock_guard<std::mutex> guard(lock_);
    Link* l = find(peer);
    return l && l->session;
}

bool PrivateLinks::info(const PeerAddress& peer, LinkInfo* out) {
    std::lock_guard<std::mutex> guard(lock_);
    Link* l = find(peer);
    if (!l || !l->session) return false;
    out->established = true;
    out->confirmed = l->session->confirmed();
    out->sas = l->session->sas();
    std::memcpy(out->key, l->session->remoteKey(), 32);
    out->features = l->session->remoteFeatures();
    out->lastUsedMs = l->lastUsedMs;
    out->generation = l->generation;
    out->initiator = l->session->initiator();
    out->held = l->held;
    return true;
}

void PrivateLinks::touch(const PeerAddress& peer, int64_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    if (Link* l = find(peer)) l->lastUsedMs = nowMs;
}

std::vector<PeerAddress> PrivateLinks::idleSessions(int64_t nowMs, int64_t idleMs) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<PeerAddress> idle;
    for (auto it = links_.begin(); it != links_.end();) {
        Link& l = *it->second;
        if (l.responding && nowMs - l.respondingMs > HandshakeKeptMs) l.responding.reset();
        if (l.initiating && nowMs - l.initiatedMs > HandshakeKeptMs) l.initiating.reset();
        if (l.session && nowMs - l.lastUsedMs > idleMs) idle.push_back(l.address);
        if (!l.session && !l.initiating && !l.responding)
            it = links_.erase(it);
        else
            ++it;
    }
    return idle;
}

void PrivateLinks::endIfIdle(const PeerAddress& address, int64_t nowMs, int64_t idleMs) {
    std::lock_guard<std::mutex> guard(lock_);
    Link* l = find(address);
    if (!l || !l->session || nowMs - l->lastUsedMs <= idleMs) return;
    l->session.reset();  // its keys are wiped as it goes
    l->step3.clear();
}

void PrivateLinks::drop(const PeerAddress& peer) {
    std::lock_guard<std::mutex> guard(lock_);
    if (Link* l = find(peer)) {
        l->session.reset();
        l->initiating.reset();
        l->responding.reset();
        l->step3.clear();
        l->held = false;
    }
}

size_t PrivateLinks::count() {
    std::lock_guard<std::mutex> guard(lock_);
    size_t n = 0;
    for (auto& entry : links_) n += entry.second->session ? 1 : 0;
    return n;
}

}  // namespace kv
