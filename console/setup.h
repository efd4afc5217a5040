// Start-up of the console peer: the sound devices named by --mic and
// --speaker, and the settings (stored values, then the options on top, the
// identity asked for on the terminal when there is none).
#pragma once

#include <atomic>
#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "console/options.h"
#include "platform/wave.h"

namespace kv {

class Phone;

namespace console {

// The devices of one run: ALSA PCMs by name, WAV files for names ending in
// ".wav", or one of each direction.
struct AudioSetup {
    std::unique_ptr<WaveDevices> files;
    std::unique_ptr<WaveDevices> system;
    std::unique_ptr<SplitWaveDevices> split;
    WaveDevices* devices = nullptr;  // what the Phone uses
};

// Passes every open on to other devices and counts the outputs opened: a
// party's playout opens one when it starts to play, and again each time it
// starts anew after its queue ran dry (and concealment did not bridge it).
class CountingWaveDevices final : public WaveDevices {
public:
    explicit CountingWaveDevices(WaveDevices* inner) : inner_(inner) {}
    std::unique_ptr<WaveOutput> openOutput(int sampleRate) override {
        std::unique_ptr<WaveOutput> output = inner_->openOutput(sampleRate);
        if (output) outputsOpened_.fetch_add(1);
        return output;
    }
    std::unique_ptr<WaveInput> openInput(int sampleRate) override { return inner_->openInput(sampleRate); }
    int outputsOpened() const { return outputsOpened_.load(); }

private:
    WaveDevices* inner_;
    std::atomic<int> outputsOpened_{0};
};

// False with a message when a WAV file cannot be read or created.
bool OpenAudio(const Options& options, AudioSetup* audio, std::string* error);

// In the order of the Windows program's start-up: the stored engine settings,
// the options over them, the identity (asked for on `in` with the question on
// `prompt` while there is none, then stored), "GenerateLog", and --log over it.
// False when no identity could be had because the input ended.
bool LoadSettings(Phone& phone, const Options& options, std::istream& in, std::ostream& prompt);

// Asks until a usable identity is typed: not empty, at most 99 characters, no
// control characters. False at the end of the input.
bool PromptIdentity(std::istream& in, std::ostream& prompt, std::string* identity);

}  // namespace console
}  // namespace kv
