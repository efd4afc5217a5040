// Bytes as lower-case hex digits and back, for values kept in the settings
// store (keys, names that came from the network, sealed secrets).
#pragma once

#include <cstddef>
#include <string>

namespace kv {

std::string HexOf(const void* bytes, size_t length);

// The bytes of `length` hex digits (either case) in *out: false, with *out
// empty, for an odd count or anything that is not a digit. *out is sized
// once, so a secret leaves no copy behind in memory it gave up.
bool FromHex(const char* text, size_t length, std::string* out);

}  // namespace kv
