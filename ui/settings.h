// The settings store: named values under the current user's registry root
// (on Linux a .reg-format file per user). Each operation opens the key, moves
// one value and closes the key again; nothing is cached.
#pragma once

#include <string>
#include <vector>

namespace kv {

class Phone;

extern const char SettingsKey[];  // "Software\\Kestrovox": every setting and the address history
extern const char WindowKey[];    // "Software\\KestroVox": the main window position

enum SettingKind { SettingText = 1, SettingNumber = 4 };

// Copies the stored bytes of the value into destination: 0, or -1 when the key
// or the value is missing or larger than capacity (destination untouched).
int ReadSetting(const char* key, const char* name, void* destination, int capacity);
// Stores text (SettingText, with its terminating zero) or a 32-bit number: 0 or -1.
int WriteSetting(const char* key, const char* name, const void* data, int kind);

// Typed reads under SettingsKey (or the key given). A value stored with
// another kind counts as missing; a text always comes back terminated.
int ReadNumberSetting(const char* name, int* value);
int ReadTextSetting(const char* key, const char* name, char* text, int capacity);
int WriteNumberSetting(const char* name, int value);
int WriteTextSetting(const char* key, const char* name, const char* text);

// What LoadPrivacy found under "PrivateKey".
enum PrivateKeyState {
    KeyLoaded = 0,      // the stored key
    KeyMade = 1,        // none stored (or text that is no key): a new key, stored
    KeyUnreadable = 2,  // a sealed key that does not open here: a new key for this run only; the stored value stays
};

// The values loaded at start-up that the front end shows on its sliders, and
// what became of the private key.
struct LoadedSettings {
    int recLevel = 500;
    int volume = 500;
    PrivateKeyState privateKey = KeyLoaded;
};

// Start-up loading of every engine setting, in the order of the main dialog's
// initialisation: Autoanswer, RecLevel (applied through the capture mixer),
// Volume, InputThreshold, FramesPerPacket, MaxDelay then Delay, Identity,
// Codec, OutGain, InGain, Conceal, EchoCancel and NoiseSuppress (both on
// unless stored as 0), PortMapping (on unless stored as 0). The identity prompt and the address
// history are the front end's.
LoadedSettings LoadEngineSettings(Phone& phone);
// "Privacy", "PrivateKey" (made and stored on the first start) and
// "RememberedPeers" (stored again after every change); part of LoadEngineSettings.
//
// "PrivateKey" holds the key as 64 hex digits, or, where the system seals
// secrets for the user (Windows), SealedKeyPrefix and the sealed key in hex.
// A key stored in the clear (an older build, the console peer) is read and
// stored sealed from then on. A sealed key that does not open (the settings
// of another user or machine, or damaged) is never replaced here: the phone
// gets a new key for this run only, and the front end may ask the user
// whether to keep it (StorePrivateKey).
PrivateKeyState LoadPrivacy(Phone& phone);
extern const char SealedKeyPrefix[];  // "dpapi:"
// Stores the phone's key as "PrivateKey", sealed where the system can (and
// only when the sealed form opens again): 0, or -1 when the store failed.
int StorePrivateKey(Phone& phone);
// "Privacy" when none is stored.
constexpr int DefaultPrivacy = 1;
// The longest "RememberedPeers" value read back: a thousand entries of about 300 characters.
constexpr int RememberedPeersCapacity = 400 * 1024;

// "GenerateLog", read after the identity prompt.
void LoadGenerateLog(Phone& phone);

// The address history: "Address1" to "Address49", those present, in number order.
std::vector<std::string> LoadAddressHistory();
// Writes every entry as "Address1", "Address2" ... in the order given.
void StoreAddressHistory(const std::vector<std::string>& entries);

}  // namespace kv
