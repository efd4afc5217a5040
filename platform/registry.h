// The per-user registry seam: named values under keys below the current
// user's root. Windows: HKEY_CURRENT_USER. Linux: one text file per user in
// the .reg export format, under $XDG_CONFIG_HOME/kestrovox/ (default
// ~/.config/kestrovox/), key and value names compared without case, written
// atomically (a temporary file, then a rename) so a crash never loses it.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

constexpr uint32_t RegistryText = 1;    // a string with its terminating zero
constexpr uint32_t RegistryNumber = 4;  // a 32-bit little-endian number

// Reads a value. On entry *size is the capacity of data; on success (0) type
// and *size tell what was stored and data holds it. -1 when the key or the
// value is missing, -2 when the value is larger than the capacity (data then
// undefined, *size the size needed).
int RegistryRead(const char* key, const char* name, uint32_t* type, void* data, uint32_t* size);
// Creates the key if needed and stores the value: 0 or -1.
int RegistryWrite(const char* key, const char* name, uint32_t type, const void* data, uint32_t size);

// Linux: the file that holds the registry ("" for the default place). Windows: no effect.
void UseRegistryFile(const std::string& path);
std::string RegistryFilePath();

}  // namespace kv
