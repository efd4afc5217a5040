// Wave devices for tests: nothing plays or records by itself. A test marks
// an output's queued buffers as played, and fills an input's added buffers
// with the samples it chooses; either wakes a thread sleeping in waitEvent().
// Like a real device, a paused output plays nothing and an input records
// nothing before it is started. A test can see whether someone sleeps on a
// device, and for how long at most.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/wave.h"

namespace kv {

class ManualWaveDevices final : public WaveDevices {
public:
    struct OutputInfo {
        bool open = false;
        bool paused = false;
        int rate = 0;
        int restarts = 0;
        int queued = 0;  // buffers written and not yet played or returned
        uint32_t volume = 0;
        bool waiting = false;  // a thread is in waitEvent()
        int waitLimitMs = 0;   // its time-out then (negative: none)
    };
    struct InputInfo {
        bool open = false;
        bool started = false;
        int rate = 0;
        int added = 0;   // empty buffers waiting to be filled
        int buffers = 0; // buffers prepared
        int bufferBytes = 0;
        bool waiting = false;  // a thread is in waitEvent()
        int waitLimitMs = 0;   // its time-out then (negative: none)
    };

    ManualWaveDevices();
    ~ManualWaveDevices() override;

    std::unique_ptr<WaveOutput> openOutput(int sampleRate) override;
    std::unique_ptr<WaveInput> openInput(int sampleRate) override;

    // Makes the next opens fail, as without a sound card.
    std::atomic<bool> refuseOutput{false};
    std::atomic<bool> refuseInput{false};
    // While set, an output's open waits (as a slow sound server makes it)
    // until releaseOutputOpens(); outputOpening() tells whether one waits.
    void holdOutputOpens();
    void releaseOutputOpens();
    bool outputOpening();
    // Every open asked for, refused or not.
    std::atomic<int> outputAttempts{0};
    std::atomic<int> inputAttempts{0};

    // Outputs in the order opened; index -1 is the last one.
    int outputsOpened();
    OutputInfo output(int index = -1);
    // Plays the oldest `count` queued buffers of an output that is not paused;
    // returns how many were played.
    int markPlayed(int count = 1, int index = -1);
    // Every sample an output played, in order.
    std::vector<int16_t> playedSamples(int index = -1);
    // Those from the given count of samples on.
    std::vector<int16_t> playedSamplesFrom(size_t from, int index = -1);

    int inputsOpened();
    InputInfo input(int index = -1);
    // Fills the oldest added buffer of a started input with the samples
    // (repeated or cut to its size) and marks it filled; false when none waits.
    bool fillInput(const std::vector<int16_t>& samples, int index = -1);
    bool fillInput(int16_t constant, int index = -1) { return fillInput(std::vector<int16_t>{constant}, index); }

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace kv
