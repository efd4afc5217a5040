#include "secure/noise.h"

#include <sodium.h>

#include <cstring>

namespace kv {
namespace secure {
namespace {

constexpr size_t BlockLength = 128;  // BLAKE2b's, for HMAC

void Nonce(uint64_t n, uint8_t out[crypto_aead_chacha20poly1305_IETF_NPUBBYTES]) {
    std::memset(out, 0, crypto_aead_chacha20poly1305_IETF_NPUBBYTES);
    for (int i = 0; i < 8; ++i) out[4 + i] = static_cast<uint8_t>(n >> (8 * i));
}

void Hmac(const uint8_t* key, size_t keyLength, const uint8_t* data, size_t dataLength, uint8_t out[HashLength]) {
    uint8_t pad[BlockLength];
    uint8_t inner[HashLength];
    crypto_generichash_state state;
    // Keys here are a hash long at most, within the block.
    std::memset(pad, 0x36, sizeof pad);
    for (size_t i = 0; i < keyLength; ++i) pad[i] ^= key[i];
    crypto_generichash_init(&state, nullptr, 0, HashLength);
    crypto_generichash_update(&state, pad, sizeof pad);
    crypto_generichash_update(&state, data, dataLength);
    crypto_generichash_final(&state, inner, HashLength);
    std::memset(pad, 0x5c, sizeof pad);
    for (size_t i = 0; i < keyLength; ++i) pad[i] ^= key[i];
    crypto_generichash_init(&state, nullptr, 0, HashLength);
    crypto_generichash_update(&state, pad, sizeof pad);
    crypto_generichash_update(&state, inner, HashLength);
    crypto_generichash_final(&state, out, HashLength);
    sodium_memzero(pad, sizeof pad);
    sodium_memzero(inner, sizeof inner);
    sodium_memzero(&state, sizeof state);
}

}  // namespace

bool Initialise() { return sodium_init() >= 0; }

void Wipe(void* p, size_t n) { sodium_memzero(p, n); }

KeyPair::KeyPair(const KeyPair& other) { *this = other; }

KeyPair& KeyPair::operator=(const KeyPair& other) {
    std::memcpy(privateKey, other.privateKey, DhLength);
    std::memcpy(publicKey, other.publicKey, DhLength);
    return *this;
}

KeyPair::~KeyPair() { sodium_memzero(privateKey, sizeof privateKey); }

KeyPair KeyPair::Generate() {
    uint8_t key[DhLength];
    randombytes_buf(key, sizeof key);
    KeyPair pair = FromPrivate(key);
    sodium_memzero(key, sizeof key);
    return pair;
}

KeyPair KeyPair::FromPrivate(const uint8_t key[DhLength]) {
    KeyPair pair;
    std::memcpy(pair.privateKey, key, DhLength);
    crypto_scalarmult_base(pair.publicKey, pair.privateKey);
    return pair;
}

void Hash(const uint8_t* a, size_t aLength, const uint8_t* b, size_t bLength, uint8_t out[HashLength]) {
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, HashLength);
    crypto_generichash_update(&state, a, aLength);
    if (bLength) crypto_generichash_update(&state, b, bLength);
    crypto_generichash_final(&state, out, HashLength);
}

void Hkdf2(const uint8_t chainingKey[HashLength], const uint8_t* ikm, size_t ikmLength, uint8_t out1[HashLength],
           uint8_t out2[HashLength]) {
    uint8_t tempKey[HashLength];
    Hmac(chainingKey, HashLength, ikm, ikmLength, tempKey);
    const uint8_t one = 0x01;
    Hmac(tempKey, HashLength, &one, 1, out1);
    uint8_t second[HashLength + 1];
    std::memcpy(second, out1, HashLength);
    second[HashLength] = 0x02;
    Hmac(tempKey, HashLength, second, sizeof second, out2);
    sodium_memzero(tempKey, sizeof tempKey);
    sodium_memzero(second, sizeof second);
}

void Encrypt(const uint8_t key[KeyLength], uint64_t n, const uint8_t* ad, size_t adLength, const uint8_t* plain,
             size_t length, uint8_t* out) {
    uint8_t nonce[crypto_aead_chacha20poly1305_IETF_NPUBBYTES];
    Nonce(n, nonce);
    unsigned long long written = 0;
    crypto_aead_chacha20poly1305_ietf_encrypt(out, &written, plain, length, ad, adLength, nullptr, nonce, key);
}

bool Decrypt(const uint8_t key[KeyLength], uint64_t n, const uint8_t* ad, size_t adLength, const uint8_t* cipher,
             size_t length, uint8_t* out) {
    if (length < TagLength) return false;
    uint8_t nonce[crypto_aead_chacha20poly1305_IETF_NPUBBYTES];
    Nonce(n, nonce);
    unsigned long long written = 0;
    return crypto_aead_chacha20poly1305_ietf_decrypt(out, &written, nullptr, cipher, length, ad, adLength, nonce,
                                                     key) == 0;
}

// ---- CipherState ----

void CipherState::initializeKey(const uint8_t key[KeyLength]) {
    std::memcpy(key_, key, KeyLength);
    hasKey_ = true;
    n_ = 0;
}

void CipherState::clear() {
    sodium_memzero(key_, sizeof key_);
    hasKey_ = false;
    n_ = 0;
}

bool CipherState::encryptWithAd(const uint8_t* ad, size_t adLength, const uint8_t* plain, size_t length,
                                Bytes* out) {
    if (!hasKey_) {
        out->assign(plain, plain + length);
        return true;
    }
    if (n_ == MaxNonce) return false;
    out->resize(length + TagLength);
    Encrypt(key_, n_, ad, adLength, plain, length, out->data());
    ++n_;
    return true;
}

bool CipherState::decryptWithAd(const uint8_t* ad, size_t adLength, const uint8_t* cipher, size_t length,
                                Bytes* out) {
    if (!hasKey_) {
        out->assign(cipher, cipher + length);
        return true;
    }
    if (n_ == MaxNonce || length < TagLength) return false;
    out->resize(length - TagLength);
    if (!Decrypt(key_, n_, ad, adLength, cipher, length, out->data())) {
        sodium_memzero(out->data(), out->size());
        out->clear();
        return false;
    }
    ++n_;
    return true;
}

// ---- SymmetricState ----

SymmetricState::~SymmetricState() {
    sodium_memzero(ck_, sizeof ck_);
    sodium_memzero(h_, sizeof h_);
}

void SymmetricState::initializeSymmetric(const char* protocolName) {
    const size_t length = std::strlen(protocolName);
    std::memset(h_, 0, sizeof h_);
    if (length <= HashLength)
        std::memcpy(h_, protocolName, length);
    else
        Hash(reinterpret_cast<const uint8_t*>(protocolName), length, nullptr, 0, h_);
    std::memcpy(ck_, h_, HashLength);
    cipher_.clear();
}

void SymmetricState::mixKey(const uint8_t* ikm, size_t length) {
    uint8_t tempKey[HashLength];
    Hkdf2(ck_, ikm, length, ck_, tempKey);
    cipher_.initializeKey(tempKey);  // the first 32 bytes: HASHLEN 64 is cut to the key's length
    sodium_memzero(tempKey, sizeof tempKey);
}

void SymmetricState::mixHash(const uint8_t* data, size_t length) {
    uint8_t next[HashLength];
    Hash(h_, HashLength, data, length, next);
    std::memcpy(h_, next, HashLength);
}

bool SymmetricState::encryptAndHash(const uint8_t* plain, size_t length, Bytes* out) {
    if (!cipher_.encryptWithAd(h_, HashLength, plain, length, out)) return false;
    mixHash(out->data(), out->size());
    return true;
}

bool SymmetricState::decryptAndHash(const uint8_t* cipher, size_t length, Bytes* out) {
    if (!cipher_.decryptWithAd(h_, HashLength, cipher, length, out)) return false;
    mixHash(cipher, length);
    return true;
}

void SymmetricState::split(uint8_t k1[KeyLength], uint8_t k2[KeyLength]) {
    uint8_t t1[HashLength], t2[HashLength];
    Hkdf2(ck_, nullptr, 0, t1, t2);
    std::memcpy(k1, t1, KeyLength);
    std::memcpy(k2, t2, KeyLength);
    sodium_memzero(t1, sizeof t1);
    sodium_memzero(t2, sizeof t2);
    sodium_memzero(ck_, sizeof ck_);
    cipher_.clear();
}

// ---- HandshakeState ----

const char HandshakeState::ProtocolName[] = "Noise_XX_25519_ChaChaPoly_BLAKE2b";

HandshakeState::HandshakeState(bool initiator, const KeyPair& staticPair, const uint8_t* prologue,
                               size_t prologueLength, const KeyPair* ephemeral)
    : initiator_(initiator), s_(staticPair) {
    symmetric_.initializeSymmetric(ProtocolName);
    symmetric_.mixHash(prologue, prologueLength);
    if (ephemeral) {
        e_ = *ephemeral;
        fixedEphemeral_ = true;
    }
}

HandshakeState::~HandshakeState() {
    sodium_memzero(rs_, sizeof rs_);
    sodium_memzero(re_, sizeof re_);
}

bool HandshakeState::fail() {
    failed_ = true;
    s_ = KeyPair();
    e_ = KeyPair();
    return false;
}

bool HandshakeState::dh(const uint8_t* privateKey, const uint8_t* publicKey) {
    uint8_t shared[DhLength];
    // libsodium refuses a public key of small order (an all-zero result).
    if (crypto_scalarmult(shared, privateKey, publicKey) != 0) {
        sodium_memzero(shared, sizeof shared);
        return false;
    }
    symmetric_.mixKey(shared, sizeof shared);
    sodium_memzero(shared, sizeof shared);
    return true;
}

bool HandshakeState::writeMessage(const uint8_t* payload, size_t length, Bytes* message) {
    if (failed_) return false;
    const bool ours = (step_ % 2 == 0) == initiator_;
    if (step_ >= 3 || !ours) return fail();
    message->clear();
    Bytes part;
    switch (step_) {
        case 0:  // -> e
        case 1:  // <- e, ee, s, es
            if (!fixedEphemeral_) e_ = KeyPair::Generate();
            message->insert(message->end(), e_.publicKey, e_.publicKey + DhLength);
            symmetric_.mixHash(e_.publicKey, DhLength);
            if (step_ == 1) {
                if (!dh(e_.privateKey, re_)) return fail();
                if (!symmetric_.encryptAndHash(s_.publicKey, DhLength, &part)) return fail();
                message->insert(message->end(), part.begin(), part.end());
                if (!dh(s_.privateKey, re_)) return fail();
            }
            break;
        default:  // -> s, se
            if (!symmetric_.encryptAndHash(s_.publicKey, DhLength, &part)) return fail();
            message->insert(message->end(), part.begin(), part.end());
            if (!dh(s_.privateKey, re_)) return fail();
            break;
    }
    if (!symmetric_.encryptAndHash(payload, length, &part)) return fail();
    message->insert(message->end(), part.begin(), part.end());
    ++step_;
    return true;
}

bool HandshakeState::readMessage(const uint8_t* message, size_t length, Bytes* payload) {
    if (failed_) return false;
    const bool theirs = (step_ % 2 == 0) != initiator_;
    if (step_ >= 3 || !theirs) return fail();
    size_t at = 0;
    Bytes part;
    auto take = [&](size_t n) { return length - at >= n; };
    switch (step_) {
        case 0:
        case 1:
            if (!take(DhLength)) return fail();
            std::memcpy(re_, message, DhLength);
            hasRemoteEphemeral_ = true;
            at = DhLength;
            symmetric_.mixHash(re_, DhLength);
            if (step_ == 1) {  // the initiator reads e, ee, s, es
                if (!dh(e_.privateKey, re_)) return fail();
                const size_t sealed = DhLength + TagLength;
                if (!take(sealed) || !symmetric_.decryptAndHash(message + at, sealed, &part)) return fail();
                std::memcpy(rs_, part.data(), DhLength);
                hasRemoteStatic_ = true;
                at += sealed;
                if (!dh(e_.privateKey, rs_)) return fail();
            }
            break;
        default: {  // the responder reads s, se
            const size_t sealed = DhLength + TagLength;
            if (!take(sealed) || !symmetric_.decryptAndHash(message, sealed, &part)) return fail();
            std::memcpy(rs_, part.data(), DhLength);
            hasRemoteStatic_ = true;
            at = sealed;
            if (!dh(e_.privateKey, rs_)) return fail();
            break;
        }
    }
    if (!symmetric_.decryptAndHash(message + at, length - at, payload)) return fail();
    ++step_;
    return true;
}

bool HandshakeState::split(uint8_t k1[KeyLength], uint8_t k2[KeyLength]) {
    if (!finished()) return false;
    symmetric_.split(k1, k2);
    s_ = KeyPair();
    e_ = KeyPair();
    return true;
}

}  // namespace secure
}  // namespace kv
