// The Noise Protocol Framework (revision 34), just the one protocol private
// calls use: Noise_XX_25519_ChaChaPoly_BLAKE2b, on libsodium's primitives.
//
//   XX:  -> e
//        <- e, ee, s, es
//        -> s, se
//
// CipherState, SymmetricState and HandshakeState are Noise's
// objects under its names, with its operations; nothing here does I/O or
// keeps a thread. Every secret (keys, chaining key, DH outputs) lives in
// fixed arrays that are wiped with sodium_memzero when the object ends or
// the secret is used up. Contracts: a failed read leaves the handshake
// unusable (failed() is true) and its secrets wiped; a handshake is read and
// written strictly in the pattern's order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv {
namespace secure {

constexpr size_t DhLength = 32;     // X25519 keys and shared secrets
constexpr size_t HashLength = 64;   // BLAKE2b-512
constexpr size_t KeyLength = 32;    // ChaCha20-Poly1305
constexpr size_t TagLength = 16;
constexpr uint64_t MaxNonce = UINT64_MAX;  // reserved: never used to encrypt

using Bytes = std::vector<uint8_t>;

// Once per process before anything else here (libsodium's sodium_init);
// false when the library cannot start (no random source).
bool Initialise();

// Overwrites memory so that the compiler cannot leave it out.
void Wipe(void* p, size_t n);

// An X25519 key pair. The private key is wiped when the pair goes.
struct KeyPair {
    uint8_t privateKey[DhLength] = {};
    uint8_t publicKey[DhLength] = {};
    KeyPair() = default;
    KeyPair(const KeyPair& other);
    KeyPair& operator=(const KeyPair& other);
    ~KeyPair();
    // A new pair from the system's random source.
    static KeyPair Generate();
    // The pair of a given private key.
    static KeyPair FromPrivate(const uint8_t privateKey[DhLength]);
};

// Noise's HASH, HMAC-HASH and HKDF with two outputs, on BLAKE2b-512.
void Hash(const uint8_t* a, size_t aLength, const uint8_t* b, size_t bLength, uint8_t out[HashLength]);
void Hkdf2(const uint8_t chainingKey[HashLength], const uint8_t* ikm, size_t ikmLength, uint8_t out1[HashLength],
           uint8_t out2[HashLength]);

// ChaChaPoly with Noise's nonce: 32 zero bits, then n as 64-bit little-endian.
// out has room for length + TagLength (encrypt) or length - TagLength (decrypt).
void Encrypt(const uint8_t key[KeyLength], uint64_t n, const uint8_t* ad, size_t adLength, const uint8_t* plain,
             size_t length, uint8_t* out);
bool Decrypt(const uint8_t key[KeyLength], uint64_t n, const uint8_t* ad, size_t adLength, const uint8_t* cipher,
             size_t length, uint8_t* out);

class CipherState {
public:
    ~CipherState() { clear(); }
    void initializeKey(const uint8_t key[KeyLength]);
    bool hasKey() const { return hasKey_; }
    // Without a key both pass the bytes through. False when the nonce is used up or the tag fails.
    bool encryptWithAd(const uint8_t* ad, size_t adLength, const uint8_t* plain, size_t length, Bytes* out);
    bool decryptWithAd(const uint8_t* ad, size_t adLength, const uint8_t* cipher, size_t length, Bytes* out);
    const uint8_t* key() const { return key_; }
    void clear();

private:
    uint8_t key_[KeyLength] = {};
    bool hasKey_ = false;
    uint64_t n_ = 0;
};

class SymmetricState {
public:
    ~SymmetricState();
    void initializeSymmetric(const char* protocolName);
    void mixKey(const uint8_t* ikm, size_t length);
    void mixHash(const uint8_t* data, size_t length);
    bool encryptAndHash(const uint8_t* plain, size_t length, Bytes* out);
    bool decryptAndHash(const uint8_t* cipher, size_t length, Bytes* out);
    // The two transport keys: k1 for the initiator's messages, k2 for the responder's.
    void split(uint8_t k1[KeyLength], uint8_t k2[KeyLength]);
    const uint8_t* handshakeHash() const { return h_; }
    bool hasKey() const { return cipher_.hasKey(); }

private:
    CipherState cipher_;
    uint8_t ck_[HashLength] = {};
    uint8_t h_[HashLength] = {};
};

// Noise_XX_25519_ChaChaPoly_BLAKE2b.
class HandshakeState {
public:
    static const char ProtocolName[];

    // ephemeral: a fixed ephemeral pair (test vectors); null makes a fresh one when needed.
    HandshakeState(bool initiator, const KeyPair& staticPair, const uint8_t* prologue, size_t prologueLength,
                   const KeyPair* ephemeral = nullptr);
    ~HandshakeState();
    HandshakeState(const HandshakeState&) = delete;
    HandshakeState& operator=(const HandshakeState&) = delete;

    // The next message of the pattern, with the payload encrypted as it says.
    bool writeMessage(const uint8_t* payload, size_t length, Bytes* message);
    // The next message from the other side; its payload in *payload.
    bool readMessage(const uint8_t* message, size_t length, Bytes* payload);

    bool initiator() const { return initiator_; }
    // Messages written or read so far (0..3).
    int step() const { return step_; }
    bool finished() const { return step_ == 3 && !failed_; }
    bool failed() const { return failed_; }
    // Once finished: the transport keys (k1 initiator to responder, k2 back).
    bool split(uint8_t k1[KeyLength], uint8_t k2[KeyLength]);
    const uint8_t* handshakeHash() const { return symmetric_.handshakeHash(); }
    const uint8_t* remoteStatic() const { return hasRemoteStatic_ ? rs_ : nullptr; }
    const uint8_t* localEphemeral() const { return e_.publicKey; }
    const uint8_t* remoteEphemeral() const { return hasRemoteEphemeral_ ? re_ : nullptr; }

private:
    bool dh(const uint8_t* privateKey, const uint8_t* publicKey);  // MixKey(DH(..)); false for a bad key
    bool fail();

    const bool initiator_;
    SymmetricState symmetric_;
    KeyPair s_;
    KeyPair e_;
    bool fixedEphemeral_ = false;
    uint8_t rs_[DhLength] = {};
    uint8_t re_[DhLength] = {};
    bool hasRemoteStatic_ = false;
    bool hasRemoteEphemeral_ = false;
    int step_ = 0;
    bool failed_ = false;
};

}  // namespace secure
}  // namespace kv
