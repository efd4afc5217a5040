#include "platform/file/wav_room.h"

#include <algorithm>
#include <cmath>

#include "platform/file/wav_file_devices.h"

namespace kv {

namespace {

// A small deterministic generator (xorshift32), the same everywhere.
uint32_t Next(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// Uniform in [-1, 1).
float Uniform(uint32_t& state) { return static_cast<float>(Next(state) >> 8) / 8388608.0f - 1.0f; }

}  // namespace

std::shared_ptr<WavRoom> WavRoom::FromFile(const char* path, std::string* error, double gain, int rate) {
    std::vector<int16_t> samples;
    std::string why;
    int fileRate = 0;
    if (!ReadPcmMonoWav(path, &samples, &fileRate, &why)) {
        if (error) *error = "room impulse response " + why;
        return nullptr;
    }
    const std::string name = std::string("room impulse response WAV file '") + (path ? path : "") + "': ";
    if (samples.size() > static_cast<size_t>(MaxImpulseMs) * static_cast<size_t>(fileRate) / 1000) {
        if (error) *error = name + "longer than " + std::to_string(MaxImpulseMs) + " ms";
        return nullptr;
    }
    samples = ResampleSpeech(samples, fileRate, rate);
    std::vector<float> impulse(samples.begin(), samples.end());
    double energy = 0;
    for (float v : impulse) energy += double(v) * v;
    if (energy <= 0) {
        if (error) *error = name + "silent (no echo path)";
        return nullptr;
    }
    return std::make_shared<WavRoom>(std::move(impulse), gain, rate);
}

std::shared_ptr<WavRoom> WavRoom::Generated(int lengthMs, uint32_t seed, double gain, int rate) {
    int n = std::clamp(lengthMs, 0, MaxImpulseMs) * (rate / 1000);
    n = std::max(n, 1);
    std::vector<float> impulse(static_cast<size_t>(n));
    uint32_t state = seed ? seed : 1;
    for (int i = 0; i < n; ++i) impulse[static_cast<size_t>(i)] = Uniform(state) * std::pow(10.0f, -3.0f * i / n);
    return std::make_shared<WavRoom>(std::move(impulse), gain, rate);
}

WavRoom::WavRoom(std::vector<float> impulse, double gain, int rate)
    : impulse_(std::move(impulse)), rate_(rate > 0 ? rate : 8000), delay_(rate_ * DelayMs / 1000) {
    int64_t size = 1;
    while (size < delay_ + static_cast<int64_t>(impulse_.size()) + rate_ + 1) size *= 2;
    history_.assign(static_cast<size_t>(size), 0.0f);
    mask_ = size - 1;
    double energy = 0;
    for (float v : impulse_) energy += double(v) * v;
    const double scale = energy > 0 ? gain / std::sqrt(energy) : 0;
    for (float& v : impulse_) v = static_cast<float>(v * scale);
}

void WavRoom::played(int64_t first, const int32_t* mix, int n) {
    for (int i = 0; i < n; ++i) {
        const int32_t v = std::clamp<int32_t>(mix[i], -32768, 32767);
        history_[static_cast<size_t>((first + i) & mask_)] = static_cast<float>(v);
    }
}

int16_t WavRoom::heard(int64_t t, int16_t near) {
    double echo = 0;
    const int64_t newest = t - delay_;
    const int taps = static_cast<int>(impulse_.size());
    for (int k = 0; k < taps; ++k) {
        const int64_t at = newest - k;
        if (at < 0) break;
        echo += impulse_[static_cast<size_t>(k)] * history_[static_cast<size_t>(at & mask_)];
    }
    // The noise at a sample depends on the sample alone.
    uint32_t state = static_cast<uint32_t>(t * 2654435761u) ^ 0x9E3779B9u;
    if (state == 0) state = 1;
    Next(state);
    const double noise = Uniform(state) * NoiseAmplitude;
    const double v = near + echo + noise;
    return static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

}  // namespace kv
