// Secrets sealed for the current user with the data protection API. crypt32
// is loaded when first needed: without it (or without the two calls) nothing
// is sealed, and the caller keeps the secret as it always has.
#include <windows.h>
#include <wincrypt.h>

#include <mutex>

#include "platform/secret.h"

namespace kv {

namespace {

using ProtectCall = BOOL(WINAPI*)(DATA_BLOB*, LPCWSTR, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD,
                                  DATA_BLOB*);
using UnprotectCall = BOOL(WINAPI*)(DATA_BLOB*, LPWSTR*, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD,
                                    DATA_BLOB*);

struct Crypt32 {
    ProtectCall protect = nullptr;
    UnprotectCall unprotect = nullptr;
};

const Crypt32& Calls() {
    static Crypt32 calls;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        HMODULE module = LoadLibraryA("crypt32.dll");
        if (!module) return;
        // Through void*: a FARPROC is no function type of ours.
        void* protect = reinterpret_cast<void*>(GetProcAddress(module, "CryptProtectData"));
        void* unprotect = reinterpret_cast<void*>(GetProcAddress(module, "CryptUnprotectData"));
        if (!protect || !unprotect) return;
        calls.protect = reinterpret_cast<ProtectCall>(protect);
        calls.unprotect = reinterpret_cast<UnprotectCall>(unprotect);
    });
    return calls;
}

// Mixed into every seal: a blob of ours opens only for a caller who knows it.
char Entropy[] = "KestroVox settings";

DATA_BLOB Blob(const std::string& bytes) {
    DATA_BLOB blob;
    blob.cbData = static_cast<DWORD>(bytes.size());
    blob.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
    return blob;
}

DATA_BLOB EntropyBlob() {
    DATA_BLOB blob;
    blob.cbData = sizeof Entropy - 1;
    blob.pbData = reinterpret_cast<BYTE*>(Entropy);
    return blob;
}

}  // namespace

bool SecretsSealed() { return Calls().protect != nullptr; }

bool ProtectSecret(const std::string& plain, std::string* sealed) {
    const Crypt32& calls = Calls();
    if (!calls.protect) return false;
    DATA_BLOB in = Blob(plain), entropy = EntropyBlob(), out{};
    if (!calls.protect(&in, L"KestroVox", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return false;
    sealed->assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
    LocalFree(out.pbData);
    return true;
}

bool UnprotectSecret(const std::string& sealed, std::string* plain) {
    const Crypt32& calls = Calls();
    if (!calls.unprotect || sealed.empty()) return false;
    DATA_BLOB in = Blob(sealed), entropy = EntropyBlob(), out{};
    if (!calls.unprotect(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return false;
    plain->assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return true;
}

}  // namespace kv
