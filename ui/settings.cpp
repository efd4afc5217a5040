#include "ui/settings.h"

#include <cstdio>
#include <cstring>

#include "engine/hex.h"
#include "engine/phone.h"
#include "platform/registry.h"
#include "platform/secret.h"
#include "secure/noise.h"

namespace kv {

const char SettingsKey[] = "Software\\Kestrovox";
const char WindowKey[] = "Software\\KestroVox";
const char SealedKeyPrefix[] = "dpapi:";

namespace {

// Room for a sealed key in hex (a few hundred digits) with plenty to spare.
constexpr uint32_t StoredKeyCapacity = 4096;

void WipeText(std::string& text) {
    if (!text.empty()) secure::Wipe(&text[0], text.size());
}

PrivateKeyState MakeAndStoreKey(Phone& phone) {
    phone.MakePrivateKey();
    StorePrivateKey(phone);
    return KeyMade;
}

PrivateKeyState LoadPrivateKey(Phone& phone) {
    std::vector<char> stored(StoredKeyCapacity + 1, 0);
    uint32_t type = 0, size = StoredKeyCapacity;
    const int read = RegistryRead(SettingsKey, "PrivateKey", &type, stored.data(), &size);
    // Too long to be read here: nothing of ours, yet not ours to overwrite.
    if (read == -2) {
        phone.MakePrivateKey();
        return KeyUnreadable;
    }
    if (read != 0 || type != RegistryText) return MakeAndStoreKey(phone);
    stored[size] = 0;
    const char* text = stored.data();
    PrivateKeyState state;
    const size_t prefix = sizeof SealedKeyPrefix - 1;
    if (std::strncmp(text, SealedKeyPrefix, prefix) == 0) {
        std::string sealed, hex;
        if (FromHex(text + prefix, std::strlen(text + prefix), &sealed) && UnprotectSecret(sealed, &hex) && phone.SetPrivateKey(hex.c_str())) {
            state = KeyLoaded;
        } else {
            // It may open another time (for its own user, or once the system
            // can): kept as it is, and this run has a key of its own.
            phone.MakePrivateKey();
            state = KeyUnreadable;
        }
        WipeText(hex);
    } else if (phone.SetPrivateKey(text)) {
        // In the clear, from an older build or the console peer: sealed from now on.
        if (SecretsSealed()) StorePrivateKey(phone);
        state = KeyLoaded;
    } else {
        // Text that does not read as a key is of no use to anyone: a new one takes its place.
        state = MakeAndStoreKey(phone);
    }
    secure::Wipe(stored.data(), stored.size());
    return state;
}

}  // namespace

int ReadSetting(const char* key, const char* name, void* destination, int capacity) {
    if (capacity <= 0) return -1;
    // Read aside first: a value too large must leave the destination as it was.
    std::vector<uint8_t> bytes(static_cast<size_t>(capacity));
    uint32_t type = 0, size = static_cast<uint32_t>(capacity);
    if (RegistryRead(key, name, &type, bytes.data(), &size) != 0) return -1;
    std::memcpy(destination, bytes.data(), size);
    return 0;
}

int WriteSetting(const char* key, const char* name, const void* data, int kind) {
    if (kind == SettingText) {
        const char* text = static_cast<const char*>(data);
        return RegistryWrite(key, name, RegistryText, text, static_cast<uint32_t>(std::strlen(text) + 1));
    }
    return RegistryWrite(key, name, static_cast<uint32_t>(kind) & 0xFF, data, 4);
}

int ReadNumberSetting(const char* name, int* value) {
    uint8_t bytes[4];
    uint32_t type = 0, size = sizeof bytes;
    if (RegistryRead(SettingsKey, name, &type, bytes, &size) != 0) return -1;
    if (type != RegistryNumber || size != 4) return -1;  // stored as something else: missing
    *value = static_cast<int>(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                              uint32_t(bytes[3]) << 24);
    return 0;
}

int ReadTextSetting(const char* key, const char* name, char* text, int capacity) {
    if (capacity <= 0) return -1;
    std::vector<char> bytes(static_cast<size_t>(capacity));
    uint32_t type = 0, size = static_cast<uint32_t>(capacity);
    if (RegistryRead(key, name, &type, bytes.data(), &size) != 0 || type != RegistryText) return -1;
    // A text stored without its zero ends where its bytes end, if that fits.
    if (size == 0 || bytes[size - 1] != 0) {
        if (size >= static_cast<uint32_t>(capacity)) return -1;
        bytes[size] = 0;
    }
    std::memcpy(text, bytes.data(), std::strlen(bytes.data()) + 1);
    return 0;
}

int WriteNumberSetting(const char* name, int value) { return WriteSetting(SettingsKey, name, &value, SettingNumber); }

int WriteTextSetting(const char* key, const char* name, const char* text) {
    return WriteSetting(key, name, text, SettingText);
}

LoadedSettings LoadEngineSettings(Phone& phone) {
    LoadedSettings loaded;
    int value;
    if (ReadNumberSetting("Autoanswer", &value) == 0) phone.Autoanswer = value;
    ReadNumberSetting("RecLevel", &loaded.recLevel);
    phone.Capture.setRecordingSource(CaptureDevice::MicrophoneSource, loaded.recLevel);
    ReadNumberSetting("Volume", &loaded.volume);
    phone.SetVolume(loaded.volume);
    int threshold = -50;
    ReadNumberSetting("InputThreshold", &threshold);
    phone.Capture.inputThreshold = threshold;
    int frames = 4;
    ReadNumberSetting("FramesPerPacket", &frames);
    phone.FramesPerPacket = frames;
    int maxDelay = 1000;
    ReadNumberSetting("MaxDelay", &maxDelay);
    phone.SetMaxDelay(maxDelay);
    int delay = 100;
    ReadNumberSetting("Delay", &delay);
    phone.SetDelay(delay);
    char identity[100];
    if (ReadTextSetting(SettingsKey, "Identity", identity, sizeof identity) == 0)
        phone.WriteText(phone.Identity, sizeof phone.Identity, identity);
    // A codec index outside the table would never reach a peer: the default instead.
    if (ReadNumberSetting("Codec", &value) == 0) phone.Codec = (value == 0 || value == 1) ? value : 0;
    int outGain = 0;
    ReadNumberSetting("OutGain", &outGain);
    phone.SetOutGain(outGain);
    if (ReadNumberSetting("InGain", &value) == 0) phone.Capture.micGain = value;
    // Any stored value but 0 keeps concealment on.
    int conceal = 1;
    ReadNumberSetting("Conceal", &conceal);
    phone.SetConceal(conceal);
    // The adaptive playout: on unless stored as 0.
    int adaptive = 1;
    ReadNumberSetting("AdaptivePlayout", &adaptive);
    phone.AdaptivePlayout = adaptive == 0 ? 0 : 1;
    // Echo cancellation and noise suppression of the microphone: on unless stored as 0.
    int echoCancel = 1;
    ReadNumberSetting("EchoCancel", &echoCancel);
    phone.Capture.echoCancel = echoCancel != 0 ? 1 : 0;
    int noiseSuppress = 1;
    ReadNumberSetting("NoiseSuppress", &noiseSuppress);
    phone.Capture.noiseSuppress = noiseSuppress != 0 ? 1 : 0;
    // Asking the home router to forward our port: on unless stored as 0. The
    // front end starts it (Phone::StartPortMapping) once the settings are in.
    int portMapping = 1;
    ReadNumberSetting("PortMapping", &portMapping);
    phone.PortMapping = portMapping != 0 ? 1 : 0;
    // Opus with the private peers that decode it: on unless stored as 0.
    int hd = 1;
    ReadNumberSetting("HDVoice", &hd);
    phone.HDVoice = hd != 0 ? 1 : 0;
    loaded.privateKey = LoadPrivacy(phone);
    return loaded;
}

int StorePrivateKey(Phone& phone) {
    std::string hex = phone.PrivateKeyHex();
    std::string value = hex, sealed, opened;
    // Stored sealed only in a form that opens again: a key that cannot be
    // read back would be lost at the next start.
    if (SecretsSealed() && ProtectSecret(hex, &sealed) && UnprotectSecret(sealed, &opened) && opened == hex)
        value = SealedKeyPrefix + HexOf(sealed.data(), sealed.size());
    const int result = WriteTextSetting(SettingsKey, "PrivateKey", value.c_str());
    WipeText(hex);
    WipeText(opened);
    WipeText(value);
    return result;
}

PrivateKeyState LoadPrivacy(Phone& phone) {
    // The key first: until "Privacy" is set no handshake is answered, so
    // none is made with the key Start made for a phone that had none.
    const PrivateKeyState key = LoadPrivateKey(phone);
    int privacy = DefaultPrivacy;
    ReadNumberSetting("Privacy", &privacy);
    phone.Privacy = privacy >= PrivacyPlain && privacy <= PrivacyOnly ? privacy : DefaultPrivacy;
    std::vector<char> peers(RememberedPeersCapacity);
    if (ReadTextSetting(SettingsKey, "RememberedPeers", peers.data(), static_cast<int>(peers.size())) == 0)
        phone.Peers.load(peers.data());
    // Every change is stored at once, whole (the store replaces the file atomically).
    phone.Peers.onChange(
        [](const std::string& text) { WriteTextSetting(SettingsKey, "RememberedPeers", text.c_str()); });
    return key;
}

void LoadGenerateLog(Phone& phone) {
    int value;
    if (ReadNumberSetting("GenerateLog", &value) == 0) phone.GenerateLog = value;
}

std::vector<std::string> LoadAddressHistory() {
    std::vector<std::string> entries;
    for (int n = 1; n <= 49; ++n) {
        char name[24], address[300];
        std::snprintf(name, sizeof name, "Address%d", n);
        if (ReadTextSetting(SettingsKey, name, address, sizeof address) == 0) entries.push_back(address);
    }
    return entries;
}

void StoreAddressHistory(const std::vector<std::string>& entries) {
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string name = "Address" + std::to_string(i + 1);
        WriteTextSetting(SettingsKey, name.c_str(), entries[i].c_str());
    }
}

}  // namespace kv
