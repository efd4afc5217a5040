// The per-user secret seam: a secret kept in the settings store, sealed so
// that only the current user can open it again. Windows: the data protection
// API (CryptProtectData for the current user, never a prompt). Elsewhere the
// bytes are kept as they are: on Linux the settings file itself is readable
// by its owner only.
#pragma once

#include <string>

namespace kv {

// Whether ProtectSecret does more than copy the bytes.
bool SecretsSealed();

// Seals the bytes: true with the sealed form in *sealed; false (nothing
// written) when the system cannot.
bool ProtectSecret(const std::string& plain, std::string* sealed);

// Opens what ProtectSecret sealed: true with the bytes in *plain; false
// (nothing written) when it does not open: sealed for another user or on
// another machine, damaged, or the system cannot open it now.
bool UnprotectSecret(const std::string& sealed, std::string* plain);

}  // namespace kv
