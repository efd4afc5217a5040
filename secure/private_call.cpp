#include "secure/private_call.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kv {
namespace secure {

const uint8_t Prologue[25] = {'K', 'e', 's', 't', 'r', 'o', 'V', 'o', 'x', ' ', 'p', 'r', 'i',
                              'v', 'a', 't', 'e', ' ', 'c', 'a', 'l', 'l', 's', ' ', '1'};

bool Features::decodes(int codec) const { return std::find(codecs.begin(), codecs.end(), codec) != codecs.end(); }

Bytes BuildFeatures(const Features& features) {
    Bytes record(2 + features.codecs.size());
    record[0] = 1;
    record[1] = static_cast<uint8_t>(features.codecs.size());
    if (!features.codecs.empty()) std::memcpy(record.data() + 2, features.codecs.data(), features.codecs.size());
    return record;
}

namespace {

// 0x86, the step, the Noise message.
Bytes StepDatagram(uint8_t step, const Bytes& message) {
    Bytes d(2 + message.size());
    d[0] = OpHandshake;
    d[1] = step;
    if (!message.empty()) std::memcpy(d.data() + 2, message.data(), message.size());
    return d;
}

}  // namespace

bool ParseFeatures(const uint8_t* record, size_t length, Features* out) {
    if (length < 2 || record[0] < 1) return false;
    const size_t count = record[1];
    if (length < 2 + count) return false;
    out->codecs.assign(record + 2, record + 2 + count);
    return true;
}

uint32_t ShortAuthenticationString(const uint8_t handshakeHash[HashLength]) {
    uint8_t digest[HashLength];
    Hash(handshakeHash, HashLength, reinterpret_cast<const uint8_t*>("SAS"), 3, digest);
    const uint32_t n = uint32_t(digest[0]) << 24 | uint32_t(digest[1]) << 16 | uint32_t(digest[2]) << 8 | digest[3];
    return n % 1000000;
}

void FormatSas(uint32_t sas, char* out, bool grouped) {
    if (grouped)
        std::snprintf(out, 8, "%03u %03u", unsigned(sas / 1000 % 1000), unsigned(sas % 1000));
    else
        std::snprintf(out, 7, "%06u", unsigned(sas % 1000000));
}

void Fingerprint(const uint8_t publicKey[DhLength], char* out, bool grouped) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
    uint8_t digest[HashLength];
    Hash(publicKey, DhLength, nullptr, 0, digest);
    // 15 bytes are 120 bits: 24 characters of 5 bits, no padding.
    int written = 0;
    for (int group = 0; group < 3; ++group) {
        uint64_t bits = 0;
        for (int i = 0; i < 5; ++i) bits = bits << 8 | digest[group * 5 + i];
        for (int i = 7; i >= 0; --i) {
            if (grouped && written > 0 && written % 4 == 0) *out++ = ' ';
            *out++ = alphabet[(bits >> (5 * i)) & 31];
            ++written;
        }
    }
    *out = 0;
}

// ---- Session ----

Session::Session(bool initiator, const uint8_t k1[KeyLength], const uint8_t k2[KeyLength],
                 const uint8_t* handshakeHash, const uint8_t* remoteStatic, Features remoteFeatures)
    : initiator_(initiator), sas_(ShortAuthenticationString(handshakeHash)), remoteFeatures_(std::move(remoteFeatures)) {
    std::memcpy(sendKey_, initiator ? k1 : k2, KeyLength);
    std::memcpy(receiveKey_, initiator ? k2 : k1, KeyLength);
    std::memcpy(remoteStatic_, remoteStatic, DhLength);
}

Session::~Session() {
    sodium_memzero(sendKey_, sizeof sendKey_);
    sodium_memzero(receiveKey_, sizeof receiveKey_);
}

int Session::seal(const uint8_t* inner, int length, uint8_t* out) {
    if (length < 1 || length > MaxInnerDatagram || sendN_ == MaxNonce) return 0;
    const uint64_t n = sendN_++;
    out[0] = OpSealed;
    for (int i = 0; i < 8; ++i) out[1 + i] = static_cast<uint8_t>(n >> (8 * i));
    Encrypt(sendKey_, n, out, SealedHeader, inner, static_cast<size_t>(length), out + SealedHeader);
    return length + SealedOverhead;
}

int Session::open(const uint8_t* sealed, int length, uint8_t* out) {
    if (length < SealedOverhead + 1 || length - SealedOverhead > MaxInnerDatagram || sealed[0] != OpSealed) return -1;
    uint64_t n = 0;
    for (int i = 7; i >= 0; --i) n = n << 8 | sealed[1 + i];
    if (n == MaxNonce || !window_.fresh(n)) return -1;
    if (!Decrypt(receiveKey_, n, sealed, SealedHeader, sealed + SealedHeader,
                 static_cast<size_t>(length - SealedHeader), out))
        return -1;
    window_.mark(n);
    confirmed_ = true;
    return length - SealedOverhead;
}

// ---- PrivateHandshake ----

PrivateHandshake::PrivateHandshake(bool initiator, const KeyPair& staticPair, Features features,
                                   const KeyPair* ephemeral)
    : state_(initiator, staticPair, Prologue, sizeof Prologue, ephemeral), features_(std::move(features)) {}

std::unique_ptr<PrivateHandshake> PrivateHandshake::Initiate(const KeyPair& staticPair, Features features,
                                                             const KeyPair* ephemeral) {
    std::unique_ptr<PrivateHandshake> h(new PrivateHandshake(true, staticPair, std::move(features), ephemeral));
    const uint8_t padding[Step1Padding] = {};
    Bytes message;
    if (!h->state_.writeMessage(padding, sizeof padding, &message)) return nullptr;
    h->answer_ = StepDatagram(1, message);
    std::memcpy(h->initiatorEphemeral_, h->state_.localEphemeral(), DhLength);
    return h;
}

std::unique_ptr<PrivateHandshake> PrivateHandshake::Respond(const KeyPair& staticPair, Features features,
                                                            const uint8_t* step1, int length,
                                                            const KeyPair* ephemeral) {
    if (length < Step1Length || step1[0] != OpHandshake || step1[1] != 1) return nullptr;
    std::unique_ptr<PrivateHandshake> h(new PrivateHandshake(false, staticPair, std::move(features), ephemeral));
    Bytes payload, message;
    if (!h->state_.readMessage(step1 + 2, static_cast<size_t>(length - 2), &payload)) return nullptr;
    std::memcpy(h->initiatorEphemeral_, h->state_.remoteEphemeral(), DhLength);
    const Bytes record = BuildFeatures(h->features_);
    if (!h->state_.writeMessage(record.data(), record.size(), &message)) return nullptr;
    h->answer_ = StepDatagram(2, message);
    return h;
}

const uint8_t* PrivateHandshake::initiatorEphemeral() const { return initiatorEphemeral_; }

bool PrivateHandshake::onStep2(const uint8_t* datagram, int length) {
    if (spent_ || !initiator() || state_.step() != 1 || length < 2 || datagram[0] != OpHandshake || datagram[1] != 2)
        return false;
    Bytes payload, message;
    if (!state_.readMessage(datagram + 2, static_cast<size_t>(length - 2), &payload)) return false;
    if (!ParseFeatures(payload.data(), payload.size(), &remoteFeatures_)) return spend();
    const Bytes record = BuildFeatures(features_);
    if (!state_.writeMessage(record.data(), record.size(), &message)) return false;
    answer_ = StepDatagram(3, message);
    return finish();
}

bool PrivateHandshake::onStep3(const uint8_t* datagram, int length) {
    if (spent_ || initiator() || state_.step() != 2 || length < 2 || datagram[0] != OpHandshake || datagram[1] != 3)
        return false;
    Bytes payload;
    if (!state_.readMessage(datagram + 2, static_cast<size_t>(length - 2), &payload)) return false;
    if (!ParseFeatures(payload.data(), payload.size(), &remoteFeatures_)) return spend();
    return finish();
}

bool PrivateHandshake::spend() {
    spent_ = true;
    return false;
}

bool PrivateHandshake::finish() {
    uint8_t k1[KeyLength], k2[KeyLength];
    uint8_t h[HashLength], rs[DhLength];
    std::memcpy(h, state_.handshakeHash(), HashLength);
    std::memcpy(rs, state_.remoteStatic(), DhLength);
    if (!state_.split(k1, k2)) return false;
    session_ = std::make_unique<Session>(initiator(), k1, k2, h, rs, remoteFeatures_);
    sodium_memzero(k1, sizeof k1);
    sodium_memzero(k2, sizeof k2);
    sodium_memzero(h, sizeof h);
    return true;
}

}  // namespace secure
}  // namespace kv
