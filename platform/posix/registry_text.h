// The text of the Linux registry file (.reg export format) in memory: the
// lines of a store, a value read from them, a value set in them. The file
// itself (reading it whole, the lock file, the atomic replacement) is
// registry_file.cpp's; these functions touch no file, so that they can be
// tested and fuzzed at memory speed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// The lines of a store file's bytes, split at each '\n' and kept otherwise as
// they are (a CRLF line keeps its '\r'); a last line without '\n' counts when
// it is not empty. No bytes, no lines.
std::vector<std::string> SplitRegistryLines(const char* bytes, size_t size);
inline std::vector<std::string> SplitRegistryLines(const std::string& bytes) {
    return SplitRegistryLines(bytes.data(), bytes.size());
}

// The bytes of a store file with these lines: each line and a '\n'.
std::string JoinRegistryLines(const std::vector<std::string>& lines);

// The value `name` of key `key` (below HKEY_CURRENT_USER, names compared
// without case): true with its type and bytes, false when the key or the value
// is missing or its data is not understood.
bool FindRegistryValue(const std::vector<std::string>& lines, const std::string& key, const std::string& name,
                       uint32_t* type, std::string* bytes);

// The same value with the contract of RegistryRead: on entry *size is the
// capacity of data; 0 with type, data and *size; -1 when missing; -2 when the
// value is larger than the capacity (*size then the size needed).
int ReadRegistryValue(const std::vector<std::string>& lines, const std::string& key, const std::string& name,
                      uint32_t* type, void* data, uint32_t* size);

// Stores the value in the lines, as RegistryWrite does in the file: it replaces
// the value's lines when it is there, else goes at the end of its key's
// section, else in a new section at the end. No lines (a fresh store) first
// become the file header and a blank line. Every other line stays as it is.
void SetRegistryValue(std::vector<std::string>* lines, const std::string& key, const std::string& name,
                      uint32_t type, const void* data, uint32_t size);

}  // namespace kv
