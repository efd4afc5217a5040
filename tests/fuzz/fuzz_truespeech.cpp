// Fuzzes the Truespeech decoder (audio/truespeech.h) on codec-1 payloads: any
// bytes, cut into 32-byte blocks (a short last block is padded with zeros),
// decoded in order by one state with the postfilter and by another without.
//
// Checks: packing an unpacked block gives the same 32 bytes back, and
// unpacking those gives the same fields; both decoders keep the same predictor,
// excitation history and synthesis memory (the postfilter keeps to its own
// state, which the decoder without it never touches); every sample lies within
// the clip range. The sanitizers catch any read or write out of bounds.
// The long-term prediction is also run on the decoded history with a code and
// a base lag taken from the block as whole 32-bit numbers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/truespeech.h"

using namespace kv;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_truespeech: %s\n", what);
        std::abort();
    }
}

bool InRange(const int16_t* s, int n) {
    for (int i = 0; i < n; ++i)
        if (s[i] < -32766 || s[i] > 32766) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TrueSpeechState full, plain;
    const int16_t zero[8] = {};
    for (size_t at = 0; at < size; at += TrueSpeechBlockBytes) {
        uint8_t block[TrueSpeechBlockBytes] = {};
        std::memcpy(block, data + at, size - at < sizeof(block) ? size - at : sizeof(block));

        TrueSpeechBlock fields = UnpackBlock(block);
        uint8_t again[TrueSpeechBlockBytes];
        PackBlock(fields, again);
        Check(std::memcmp(block, again, sizeof(block)) == 0, "pack(unpack(block)) differs from the block");
        uint8_t twice[TrueSpeechBlockBytes];
        PackBlock(UnpackBlock(again), twice);
        Check(std::memcmp(again, twice, sizeof(again)) == 0, "unpacking a packed block changed its fields");

        int16_t a[TrueSpeechBlockSamples], b[TrueSpeechBlockSamples];
        DecodeBlock(full, block, a, true);
        DecodeBlock(plain, fields, b, false);
        Check(InRange(a, TrueSpeechBlockSamples) && InRange(b, TrueSpeechBlockSamples), "sample out of range");
        Check(std::memcmp(full.P, plain.P, sizeof(full.P)) == 0, "the predictors differ");
        Check(std::memcmp(full.H, plain.H, sizeof(full.H)) == 0, "the histories differ");
        Check(std::memcmp(full.S1, plain.S1, sizeof(full.S1)) == 0, "the synthesis memories differ");
        Check(std::memcmp(plain.S2, zero, sizeof(zero)) == 0 && std::memcmp(plain.S3, zero, sizeof(zero)) == 0,
              "the decoder without the postfilter touched its state");

        int32_t code, lag;
        std::memcpy(&code, block, 4);
        std::memcpy(&lag, block + 4, 4);
        int16_t v[TrueSpeechSubframeSamples];
        TrueSpeechLongTerm(full.H, code, lag, v);
        if (code < 0 || code >= TrueSpeechNoLongTerm)
            for (int16_t x : v) Check(x == 0, "a long-term part without a long-term code");
    }
    return 0;
}
