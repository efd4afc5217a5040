#include "engine/hex.h"

#include <cstdint>

namespace kv {
namespace {

int Digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string HexOf(const void* bytes, size_t length) {
    static const char digits[] = "0123456789abcdef";
    const auto* b = static_cast<const uint8_t*>(bytes);
    std::string out(length * 2, '0');
    for (size_t i = 0; i < length; ++i) {
        out[2 * i] = digits[b[i] >> 4];
        out[2 * i + 1] = digits[b[i] & 15];
    }
    return out;
}

bool FromHex(const char* text, size_t length, std::string* out) {
    out->clear();
    if (length % 2) return false;
    out->resize(length / 2);
    for (size_t i = 0; i < length; i += 2) {
        const int high = Digit(text[i]), low = Digit(text[i + 1]);
        if (high < 0 || low < 0) {
            out->assign(out->size(), '\0');
            out->clear();
            return false;
        }
        (*out)[i / 2] = static_cast<char>(high << 4 | low);
    }
    return true;
}

}  // namespace kv
