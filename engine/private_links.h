// One private session per peer address, between the socket and the
// dispatch. What goes to an address with a session goes out sealed; a
// sealed datagram that opens is the plain one inside, from that address.
// Handshakes (secure/private_call.h) are stepped here as their datagrams
// arrive: the initiator's side started by a caller that needs a session,
// the responder's whenever a valid step 1 comes, within these limits:
//
//   - at most HalfOpenKept responder handshakes waiting for their step 3
//     (the oldest goes), and at most Step1AnswersPerSecond step 1 answered
//     in all, so a flood of step 1 costs at most that many X25519 operations;
//   - a repeated step 1 (the same ephemeral key) draws the very same step 2;
//   - a handshake that completes with an address that has a session
//     replaces that session only then;
//   - both sides starting at once: the side whose ephemeral key is the
//     smaller byte string gives up its own and answers.
//
// Thread-safe: one lock around everything, held only for the work on one
// datagram. The clock is the caller's (milliseconds, any epoch).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/peer_address.h"
#include "secure/private_call.h"

namespace kv {

struct LinkInfo {
    bool established = false;
    bool confirmed = false;  // a sealed datagram from the peer has opened
    bool initiator = false;  // this side began the handshake
    bool held = false;
    uint32_t sas = 0;
    uint8_t key[32] = {};
    secure::Features features;
    int64_t lastUsedMs = 0;
    uint32_t generation = 0;  // counts the sessions made with the address
};

class PrivateLinks {
public:
    static constexpr int HalfOpenKept = 16;
    static constexpr int Step1AnswersPerSecond = 50;
    static constexpr int LostSessionLeaveMs = 1000;  // one plain Leave a second per address at most
    static constexpr size_t LinksKept = 1024;

    // Our static key, and the codecs our features record lists (set before any traffic).
    void configure(const secure::KeyPair& key);
    void setFeatures(secure::Features features);
    const secure::KeyPair& key() const { return key_; }

    // ---- sending ----
    // For one plain datagram to the address: Plain when there is no session
    // (send it as it is), Held when the session waits for the user's word on
    // its key (send nothing). Sealed: *out is the sealed datagram (length in
    // *sealedLength, 0 when it cannot be sealed: too long, or the counters
    // are used up) and *step3, when not empty, goes first (the initiator's,
    // until the responder's first sealed datagram opens).
    enum class Seal { Plain, Sealed, Held };
    Seal seal(const PeerAddress& to, const uint8_t* d, int length, uint8_t* out, int* sealedLength,
              secure::Bytes* step3, int64_t nowMs);
    // A session whose key is not the one remembered for its address is held
    // until the user accepts it (or it is dropped).
    void hold(const PeerAddress& peer, bool held);
    bool held(const PeerAddress& peer);
    // True when the session with the peer is not held and its features record
    // lists the codec (asked for every captured frame: nothing is copied).
    bool decodes(const PeerAddress& peer, int codec);

    // ---- the initiator ----
    // The step 1 to send to the address, made now or (while that handshake
    // goes on) the same one again.
    secure::Bytes step1(const PeerAddress& to, int64_t nowMs);
    void abandon(const PeerAddress& to);
    bool initiating(const PeerAddress& to);

    // ---- receiving ----
    enum class Handshake { Ignored, Answered, Established };
    // A 0x86 datagram. *reply is what to send back (step 2 or step 3);
    // Established when a session with the address was made (or replaced).
    // answerStep1: false makes this side look like a plain peer.
    Handshake onHandshake(const PeerAddress& from, const uint8_t* d, int length, bool answerStep1,
                          secure::Bytes* reply, int64_t nowMs);
    // A 0x87 datagram: the inner length in out, -1 when it does not open,
    // -2 when there is no session with the address.
    int open(const PeerAddress& from, const uint8_t* d, int length, uint8_t* out, int64_t nowMs);
    // Whether a plain one-byte Leave may answer a sealed datagram that has
    // no session here: once a second per address, and per slot of a table of
    // 256 that addresses share by a hash (so at most 256 a second in all);
    // never while a handshake with the address is under way. Counts it.
    bool mayAnswerLostSession(const PeerAddress& from, int64_t nowMs);

    // ---- state ----
    bool established(const PeerAddress& peer);
    bool info(const PeerAddress& peer, LinkInfo* out);
    // Marks the session as in use now (a party, a message or chat line in flight).
    void touch(const PeerAddress& peer, int64_t nowMs);
    // Ends sessions unused for idleMs and not still in use (inUse(address)),
    // wiping their keys; forgets handshakes that went nowhere.
    template <class InUse>
    void sweep(int64_t nowMs, int64_t idleMs, InUse inUse);
    void drop(const PeerAddress& peer);
    size_t count();

private:
    struct Link {
        PeerAddress address;
        std::unique_ptr<secure::Session> session;
        secure::Bytes step3;  // the initiator's, resent until the session is confirmed
        std::unique_ptr<secure::PrivateHandshake> initiating;
        int64_t initiatedMs = 0;
        std::unique_ptr<secure::PrivateHandshake> responding;
        int64_t respondingMs = 0;
        int64_t lastUsedMs = 0;
        uint32_t generation = 0;
        bool held = false;
    };
    static constexpr int64_t HandshakeKeptMs = 10000;  // a half-done handshake is forgotten after this
    Link* find(const PeerAddress& peer);
    Link& get(const PeerAddress& peer, int64_t nowMs);
    void limitHalfOpen();
    // Forgets stale handshakes and empty links; the addresses whose sessions idled.
    std::vector<PeerAddress> idleSessions(int64_t nowMs, int64_t idleMs);
    void endIfIdle(const PeerAddress& address, int64_t nowMs, int64_t idleMs);
    bool step1Allowed(int64_t nowMs);

    std::mutex lock_;
    secure::KeyPair key_;
    secure::Features features_;
    std::unordered_map<PeerAddress, std::unique_ptr<Link>, AddressHash, AddressEqual> links_;
    // When each address (by a hash into a fixed table) last drew a plain
    // Leave for a sealed datagram without a session.
    struct LostLeave {
        uint64_t key = 0;  // the address's hash, never 0; 0: an empty slot
        int64_t ms = 0;
    };
    LostLeave lostLeaves_[256];
    // When the latest step 1 answers went out: a new one only when the one
    // Step1AnswersPerSecond answers back is a second old (no burst beyond it).
    int64_t step1Times_[Step1AnswersPerSecond];
    int step1Next_ = 0;
    bool step1Started_ = false;
};

template <class InUse>
void PrivateLinks::sweep(int64_t nowMs, int64_t idleMs, InUse inUse) {
    // inUse may take the party table's lock: it is asked with ours released.
    for (const PeerAddress& address : idleSessions(nowMs, idleMs))
        if (!inUse(address)) endIfIdle(address, nowMs, idleMs);
}

}  // namespace kv
