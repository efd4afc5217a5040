// Private calls on the wire: the two datagrams that older peers ignore, and
// what they carry.
//
//   0x86 Handshake: 0x86, step (1, 2, 3), the Noise XX message of that step.
//        step 1: the initiator's ephemeral key and 96 zero bytes (130 in all,
//                so no answer is ever larger than the question);
//        steps 2 and 3: the sender's features record, encrypted by Noise.
//   0x87 Sealed:    0x87, n (8 bytes little-endian), ChaChaPoly of one plain
//        datagram (at most 1475 bytes) with bytes 0..8 as associated data.
//
// PrivateHandshake steps one side through XX a datagram at a time; a
// Session holds the transport keys that come out of it and seals and opens
// datagrams. Both are portable, do no I/O, keep no thread, and wipe their
// secrets when they end.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "secure/noise.h"
#include "secure/replay_window.h"

namespace kv {
namespace secure {

constexpr uint8_t OpHandshake = 0x86;
constexpr uint8_t OpSealed = 0x87;
constexpr int Step1Length = 130;
constexpr int Step1Padding = 96;
constexpr int SealedHeader = 9;
constexpr int SealedOverhead = SealedHeader + static_cast<int>(TagLength);
constexpr int MaxInnerDatagram = 1475;  // so that a sealed one fits in 1500
extern const uint8_t Prologue[25];      // "KestroVox private calls 1"

// The features record of steps 2 and 3: version 1, the codecs the sender decodes.
struct Features {
    std::vector<uint8_t> codecs;
    bool decodes(int codec) const;
};
Bytes BuildFeatures(const Features& features);
// False for a record shorter than it says; bytes after the codecs are ignored.
bool ParseFeatures(const uint8_t* record, size_t length, Features* out);

// The short authentication string of a session's handshake hash: 0..999999.
uint32_t ShortAuthenticationString(const uint8_t handshakeHash[HashLength]);
// Six digits, "042917" (out: 7 bytes); with a space between the groups, "042 917" (8 bytes).
void FormatSas(uint32_t sas, char* out, bool grouped = false);
// A public key's fingerprint: 24 base32 characters (out: 25 bytes), or in six
// groups of four with spaces between (out: 30 bytes).
void Fingerprint(const uint8_t publicKey[DhLength], char* out, bool grouped = false);

class Session {
public:
    // initiator: this side started the handshake (it sends with k1).
    Session(bool initiator, const uint8_t k1[KeyLength], const uint8_t k2[KeyLength], const uint8_t* handshakeHash,
            const uint8_t* remoteStatic, Features remoteFeatures);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Seals a plain datagram into out (room for length + SealedOverhead): the
    // sealed length, or 0 when it is too long or the counters are used up.
    int seal(const uint8_t* inner, int length, uint8_t* out);
    // Opens a sealed datagram into out (room for length - SealedOverhead):
    // the inner length, or -1 when it does not open (bad tag, replayed, too
    // old, malformed). Nothing changes unless it opens.
    int open(const uint8_t* sealed, int length, uint8_t* out);

    bool initiator() const { return initiator_; }
    bool exhausted() const { return sendN_ == MaxNonce; }
    // At least one datagram from the other side has opened.
    bool confirmed() const { return confirmed_; }
    uint32_t sas() const { return sas_; }
    const uint8_t* remoteKey() const { return remoteStatic_; }
    const Features& remoteFeatures() const { return remoteFeatures_; }

private:
    const bool initiator_;
    uint8_t sendKey_[KeyLength];
    uint8_t receiveKey_[KeyLength];
    uint8_t remoteStatic_[DhLength];
    uint64_t sendN_ = 0;
    ReplayWindow window_;
    bool confirmed_ = false;
    uint32_t sas_;
    Features remoteFeatures_;
};

// One side's handshake, a datagram at a time.
class PrivateHandshake {
public:
    // The initiator's: step1() is its first datagram.
    static std::unique_ptr<PrivateHandshake> Initiate(const KeyPair& staticPair, Features features,
                                                      const KeyPair* ephemeral = nullptr);
    // The responder's, from a step 1 datagram: null when it is no valid step
    // 1; else answer() is the step 2 to send.
    static std::unique_ptr<PrivateHandshake> Respond(const KeyPair& staticPair, Features features,
                                                     const uint8_t* step1, int length,
                                                     const KeyPair* ephemeral = nullptr);

    bool initiator() const { return state_.initiator(); }
    // The datagram to send now: step 1 (initiator, before step 2), step 2
    // (responder), step 3 (initiator, after step 2).
    const Bytes& answer() const { return answer_; }
    // The initiator's ephemeral key as sent in step 1, or the one the
    // responder received in it (32 bytes).
    const uint8_t* initiatorEphemeral() const;

    // The initiator, on step 2: true with answer() the step 3 to send and
    // session() made; false when it does not check (the handshake is spent).
    bool onStep2(const uint8_t* datagram, int length);
    // The responder, on step 3: true with session() made.
    bool onStep3(const uint8_t* datagram, int length);
    // The session made by the last step; taken by the caller.
    std::unique_ptr<Session> takeSession() { return std::move(session_); }
    const uint8_t* remoteStatic() const { return state_.remoteStatic(); }
    bool failed() const { return spent_ || state_.failed(); }

private:
    PrivateHandshake(bool initiator, const KeyPair& staticPair, Features features, const KeyPair* ephemeral);
    bool finish();
    bool spend();  // a step that checked out but carried a bad features record

    HandshakeState state_;
    Features features_;
    Features remoteFeatures_;
    Bytes answer_;
    uint8_t initiatorEphemeral_[DhLength] = {};
    std::unique_ptr<Session> session_;
    bool spent_ = false;
};

}  // namespace secure
}  // namespace kv
