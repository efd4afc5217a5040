// What privacy costs in CPU: the whole handshake (both sides, a new ephemeral
// key each, as two phones make it), and sealing and opening a datagram of
// speech. Each figure is printed beside its floor, timed in the same run:
// libsodium's own primitives that the step cannot do without (eight X25519
// multiplications for a handshake, one ChaCha20-Poly1305 seal and open for a
// datagram). Asserts nothing.
#include <sodium.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "secure/private_call.h"

using namespace kv::secure;

namespace {

using Clock = std::chrono::steady_clock;

// The median of a few rounds of `count` runs of f, in microseconds per run.
template <typename F>
double MicrosecondsPerRun(int count, F f) {
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) f();
        rounds.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

volatile uint8_t gSink;  // keeps the results alive

}  // namespace

int main() {
    if (!Initialise()) {
        std::fprintf(stderr, "libsodium does not start\n");
        return 1;
    }
    const KeyPair alice = KeyPair::Generate(), bob = KeyPair::Generate();
    const Features features{{0, 1}};

    // ---- the handshake ----
    int failures = 0;
    const double handshake = MicrosecondsPerRun(200, [&] {
        auto initiator = PrivateHandshake::Initiate(alice, features);
        const Bytes step1 = initiator->answer();
        auto responder = PrivateHandshake::Respond(bob, features, step1.data(), static_cast<int>(step1.size()));
        if (!responder) {
            ++failures;
            return;
        }
        const Bytes step2 = responder->answer();
        if (!initiator->onStep2(step2.data(), static_cast<int>(step2.size()))) ++failures;
        const Bytes step3 = initiator->answer();
        if (!responder->onStep3(step3.data(), static_cast<int>(step3.size()))) ++failures;
        auto a = initiator->takeSession(), b = responder->takeSession();
        if (!a || !b || a->sas() != b->sas()) ++failures;
    });
    uint8_t secret[crypto_scalarmult_BYTES], point[crypto_scalarmult_BYTES];
    std::memcpy(point, bob.publicKey, sizeof point);
    const double multiplications = MicrosecondsPerRun(200, [&] {
        for (int i = 0; i < 8; ++i) {
            if (crypto_scalarmult(secret, alice.privateKey, point) != 0) ++failures;
            point[0] ^= secret[0] & 1;  // a dependency from one to the next
        }
    });
    gSink = secret[0];

    // ---- a datagram of speech: GSM 6.10, one 40 ms packet (codec byte and 33 bytes) ----
    uint8_t k1[KeyLength], k2[KeyLength], hash[HashLength];
    randombytes_buf(k1, sizeof k1);
    randombytes_buf(k2, sizeof k2);
    randombytes_buf(hash, sizeof hash);
    Session sender(true, k1, k2, hash, bob.publicKey, features);
    Session receiver(false, k1, k2, hash, alice.publicKey, features);
    uint8_t inner[34] = {0}, sealed[34 + SealedOverhead], opened[34];
    for (size_t i = 1; i < sizeof inner; ++i) inner[i] = static_cast<uint8_t>(i * 37);
    const double datagram = MicrosecondsPerRun(20000, [&] {
        const int n = sender.seal(inner, sizeof inner, sealed);
        if (n <= 0 || receiver.open(sealed, n, opened) != static_cast<int>(sizeof inner)) ++failures;
    });
    uint8_t nonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES] = {};
    uint8_t raw[sizeof inner + crypto_aead_chacha20poly1305_ietf_ABYTES];
    uint64_t counter = 0;
    const double aead = MicrosecondsPerRun(20000, [&] {
        ++counter;
        std::memcpy(nonce + 4, &counter, sizeof counter);
        unsigned long long rawLength = 0, openedLength = 0;
        crypto_aead_chacha20poly1305_ietf_encrypt(raw, &rawLength, inner, sizeof inner, sealed, SealedHeader, nullptr,
                                                  nonce, k1);
        if (crypto_aead_chacha20poly1305_ietf_decrypt(opened, &openedLength, nullptr, raw, rawLength, sealed,
                                                      SealedHeader, nonce, k1) != 0)
            ++failures;
    });

    std::printf("Private calls, CPU (median of 7 rounds):\n");
    std::printf("  handshake, both sides (3 datagrams, 2 new ephemeral keys): %.0f us; "
                "floor, 8 X25519 multiplications: %.0f us (%.2fx)\n",
                handshake, multiplications, handshake / multiplications);
    std::printf("  a 34-byte speech datagram sealed and opened: %.2f us; "
                "floor, ChaCha20-Poly1305 seal and open: %.2f us (%.2fx)\n",
                datagram, aead, datagram / aead);
    // 25 packets a second each way in a two-party call with one frame per packet.
    std::printf("  a two-party call at 25 packets a second each way: %.4f%% of one core for sealing and opening\n",
                datagram * 25 / 1e6 * 100);
    if (failures) std::printf("  FAILED: %d handshakes or datagrams did not check out\n", failures);
    return failures ? 1 : 0;
}
