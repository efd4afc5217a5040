#include "console/setup.h"

#include <cstdint>
#include <cstdlib>

#include "engine/phone.h"
#include "platform/file/wav_file_devices.h"
#include "platform/file/wav_room.h"
#include "ui/settings.h"

namespace kv {
namespace console {

namespace {

// KESTROVOX_AUDIO_EPOCH_US: the wall-clock moment (microseconds since 1970)
// at which the WAV files' timeline starts, so that several peers on one
// machine share one timeline (the mouth-to-ear benchmark compares them).
int64_t AudioEpoch() {
    const char* text = std::getenv("KESTROVOX_AUDIO_EPOCH_US");
    if (!text || !*text) return -1;
    char* end = nullptr;
    long long value = std::strtoll(text, &end, 10);
    return (*end == 0 && value > 0) ? value : -1;
}

}  // namespace

bool OpenAudio(const Options& o, AudioSetup* audio, std::string* error) {
    const bool micFile = IsWavPath(o.mic), speakerFile = IsWavPath(o.speaker);
    if (micFile || speakerFile) {
        std::string why;
        static SystemWaveClock wallClock;
        const int64_t epoch = AudioEpoch();
        std::shared_ptr<WavRoom> room;
        if (o.room && !(room = WavRoom::FromFile(o.room->c_str(), &why, WavRoom::DefaultGain, CoreRate))) {
            *error = why;
            return false;
        }
        auto files = CreateWavFileDevices(micFile ? o.mic.c_str() : nullptr, speakerFile ? o.speaker.c_str() : nullptr,
                                          &why, epoch >= 0 ? &wallClock : nullptr, epoch, room, CoreRate);
        if (!files) {
            *error = why.empty() ? "cannot use the WAV files" : why;
            return false;
        }
        audio->files = std::move(files);
    }
    if (!micFile || !speakerFile) audio->system = CreateSystemWaveDevices(o.mic.c_str(), o.speaker.c_str());
    if (micFile && speakerFile) {
        audio->devices = audio->files.get();
    } else if (micFile || speakerFile) {
        WaveDevices* input = micFile ? audio->files.get() : audio->system.get();
        WaveDevices* output = speakerFile ? audio->files.get() : audio->system.get();
        audio->split = std::make_unique<SplitWaveDevices>(input, output);
        audio->devices = audio->split.get();
    } else {
        audio->devices = audio->system.get();
    }
    return true;
}

bool PromptIdentity(std::istream& in, std::ostream& prompt, std::string* identity) {
    for (;;) {
        prompt << "Please enter your identity: " << std::flush;
        std::string line;
        if (!std::getline(in, line)) {
            prompt << "\n";
            return false;
        }
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        size_t start = 0;
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
        line.erase(0, start);
        bool control = false;
        for (unsigned char c : line) control = control || c < 0x20 || c == 0x7F;
        if (line.empty()) continue;
        if (line.size() > 99) {
            prompt << "An identity holds at most 99 characters.\n";
            continue;
        }
        if (control) {
            prompt << "An identity holds no control characters.\n";
            continue;
        }
        *identity = line;
        return true;
    }
}

bool LoadSettings(Phone& phone, const Options& o, std::istream& in, std::ostream& prompt) {
    LoadEngineSettings(phone);

    if (o.answer) phone.Autoanswer = *o.answer;
    if (o.codec) phone.Codec = *o.codec;
    if (o.frames) phone.FramesPerPacket = *o.frames;
    if (o.threshold) phone.Capture.inputThreshold = *o.threshold;
    if (o.conceal) phone.SetConceal(*o.conceal);
    if (o.adaptivePlayout) phone.AdaptivePlayout = *o.adaptivePlayout;
    if (o.echoCancel) phone.Capture.echoCancel = *o.echoCancel;
    if (o.portMapping) phone.PortMapping = *o.portMapping;
    if (o.noiseSuppress) phone.Capture.noiseSuppress = *o.noiseSuppress;
    if (o.privacy) phone.Privacy = *o.privacy;
    if (o.hdVoice) phone.HDVoice = *o.hdVoice;
    if (o.maxDelay) {
        // The maximum given wins: the minimum is applied after it and kept below it.
        const int minimum = o.delay ? *o.delay : phone.Delay.load();
        phone.SetDelay(0);
        phone.SetMaxDelay(*o.maxDelay);
        phone.SetDelay(minimum);
    } else if (o.delay) {
        phone.SetDelay(*o.delay);
    }
    if (o.refuseWith) phone.WriteText(phone.RefusalMessage, sizeof phone.RefusalMessage, o.refuseWith->c_str());
    if (o.identity) phone.WriteText(phone.Identity, sizeof phone.Identity, o.identity->c_str());

    char identity[100];
    phone.ReadText(phone.Identity, identity, sizeof identity);
    if (!identity[0]) {
        std::string typed;
        if (!PromptIdentity(in, prompt, &typed)) return false;
        phone.WriteText(phone.Identity, sizeof phone.Identity, typed.c_str());
        WriteTextSetting(SettingsKey, "Identity", typed.c_str());
    }

    LoadGenerateLog(phone);
    if (o.log) phone.GenerateLog = 1;
    return true;
}

}  // namespace console
}  // namespace kv
