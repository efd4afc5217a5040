// libsodium as each build links it (Debian's natively, third_party's for
// Windows): it starts, and two of its primitives give the published answers.
#include <gtest/gtest.h>

#include <sodium.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

std::string Hex(const unsigned char* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

void FromHex(const char* text, unsigned char* bytes, size_t size) {
    ASSERT_EQ(std::strlen(text), 2 * size);
    size_t length = 0;
    ASSERT_EQ(sodium_hex2bin(bytes, size, text, 2 * size, nullptr, &length, nullptr), 0);
    ASSERT_EQ(length, size);
}

// sodium_init(); BLAKE2b-512 of "abc" (RFC 7693, appendix A); X25519 of
// Alice's and Bob's keys (RFC 7748, section 6.1) and their shared secret.
TEST(Sodium, StartsAndMatchesPublishedVectors) {
    ASSERT_GE(sodium_init(), 0);

    unsigned char hash[64];
    const unsigned char abc[] = {'a', 'b', 'c'};
    ASSERT_EQ(crypto_generichash(hash, sizeof hash, abc, sizeof abc, nullptr, 0), 0);
    EXPECT_EQ(Hex(hash, sizeof hash),
              "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d1"
              "7d87c5392aab792dc252d5de4533cc9518d38aa8dbf1925ab92386edd4009923");

    unsigned char alice[32], bob[32], alice_public[32], bob_public[32];
    ASSERT_NO_FATAL_FAILURE(FromHex("77076d0a7318a57d3c16c17251b26645df4c2f87ebc0992ab177fba51db92c2a", alice, 32));
    ASSERT_NO_FATAL_FAILURE(FromHex("5dab087e624a8a4b79e17f8b83800ee66f3bb1292618b6fd1c2f8b27ff88e0eb", bob, 32));
    ASSERT_EQ(crypto_scalarmult_base(alice_public, alice), 0);
    ASSERT_EQ(crypto_scalarmult_base(bob_public, bob), 0);
    EXPECT_EQ(Hex(alice_public, 32), "8520f0098930a754748b7ddcb43ef75a0dbf3a0d26381af4eba4a98eaa9b4e6a");
    EXPECT_EQ(Hex(bob_public, 32), "de9edb7d7b7dc1b4d35b61c2ece435373f8343c85b78674dadfc7e146f882b4f");

    unsigned char alice_shared[32], bob_shared[32];
    ASSERT_EQ(crypto_scalarmult(alice_shared, alice, bob_public), 0);
    ASSERT_EQ(crypto_scalarmult(bob_shared, bob, alice_public), 0);
    EXPECT_EQ(Hex(alice_shared, 32), "4a5d9d5ba4ce2de1728e3bf480350f25e07e21c947d19e3376f09b3c1e161742");
    EXPECT_EQ(crypto_verify_32(alice_shared, bob_shared), 0);
}

}  // namespace
