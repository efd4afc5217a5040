// No sealing service: the settings file is readable by its owner only.
#include "platform/secret.h"

namespace kv {

bool SecretsSealed() { return false; }

bool ProtectSecret(const std::string& plain, std::string* sealed) {
    *sealed = plain;
    return true;
}

bool UnprotectSecret(const std::string& sealed, std::string* plain) {
    *plain = sealed;
    return true;
}

}  // namespace kv
