#include "platform/manual_wave.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>

namespace kv {

namespace {
struct BufferMark {
    bool done = false;
};
}  // namespace

struct ManualWaveDevices::State {
    struct Output {
        OutputInfo info;
        std::deque<WaveBuffer*> queue;
        std::vector<int16_t> played;
        WaveSignal signal;
    };
    struct Input {
        InputInfo info;
        std::deque<WaveBuffer*> added;
        WaveSignal signal;
    };
    std::mutex lock;
    std::condition_variable released;
    bool holding = false;
    int opening = 0;
    std::vector<std::shared_ptr<Output>> outputs;
    std::vector<std::shared_ptr<Input>> inputs;

    template <class T>
    static T* pick(std::vector<std::shared_ptr<T>>& all, int index) {
        if (all.empty()) return nullptr;
        if (index < 0) return all.back().get();
        return index < static_cast<int>(all.size()) ? all[static_cast<size_t>(index)].get() : nullptr;
    }
};

namespace {

using State = ManualWaveDevices::State;

BufferMark* Mark(const WaveBuffer& b) { return static_cast<BufferMark*>(b.device); }

// waitEvent() of either direction, shown in the device's info while it sleeps.
template <class Device>
void Sleep(State& state, Device& me, int timeoutMs) {
    {
        std::lock_guard<std::mutex> guard(state.lock);
        me.info.waiting = true;
        me.info.waitLimitMs = timeoutMs;
    }
    me.signal.wait(timeoutMs);
    std::lock_guard<std::mutex> guard(state.lock);
    me.info.waiting = false;
}

class ManualOutput final : public WaveOutput {
public:
    ManualOutput(std::shared_ptr<State> state, std::shared_ptr<State::Output> me) : state_(state), me_(me) {}
    ~ManualOutput() override {
        std::lock_guard<std::mutex> guard(state_->lock);
        me_->info.open = false;
        me_->queue.clear();
        me_->info.queued = 0;
    }
    void pause() override { set([&] { me_->info.paused = true; }); }
    void restart() override {
        set([&] {
            me_->info.paused = false;
            ++me_->info.restarts;
        });
    }
    void setVolume(uint32_t v) override { set([&] { me_->info.volume = v; }); }
    void prepare(WaveBuffer& b) override {
        std::lock_guard<std::mutex> guard(state_->lock);
        b.device = new BufferMark;
    }
    void write(WaveBuffer& b) override {
        set([&] {
            Mark(b)->done = false;
            me_->queue.push_back(&b);
            me_->info.queued = static_cast<int>(me_->queue.size());
        });
    }
    bool done(const WaveBuffer& b) override {
        std::lock_guard<std::mutex> guard(state_->lock);
        return b.device && Mark(b)->done;
    }
    void unprepare(WaveBuffer& b) override {
        std::lock_guard<std::mutex> guard(state_->lock);
        delete Mark(b);
        b.device = nullptr;
    }
    void reset() override {
        set([&] {
            for (WaveBuffer* b : me_->queue) Mark(*b)->done = true;
            me_->queue.clear();
            me_->info.queued = 0;
        });
        me_->signal.set();
    }
    void waitEvent(int timeoutMs) override { Sleep(*state_, *me_, timeoutMs); }
    void wake() override { me_->signal.set(); }

private:
    template <class F>
    void set(F f) {
        std::lock_guard<std::mutex> guard(state_->lock);
        f();
    }
    std::shared_ptr<State> state_;
    std::shared_ptr<State::Output> me_;
};

class ManualInput final : public WaveInput {
public:
    ManualInput(std::shared_ptr<State> state, std::shared_ptr<State::Input> me) : state_(state), me_(me) {}
    ~ManualInput() override {
        std::lock_guard<std::mutex> guard(state_->lock);
        me_->info.open = false;
        me_->info.started = false;
        me_->added.clear();
        me_->info.added = 0;
    }
    void prepare(WaveBuffer& b) override {
        std::lock_guard<std::mutex> guard(state_->lock);
        b.device = new BufferMark;
        ++me_->info.buffers;
        me_->info.bufferBytes = b.length;
    }
    void add(WaveBuffer& b) override {
        std::lock_guard<std::mutex> guard(state_->lock);
        Mark(b)->done = false;
        me_->added.push_back(&b);
        me_->info.added = static_cast<int>(me_->added.size());
    }
    void start() override {
        std::lock_guard<std::mutex> guard(state_->lock);
        me_->info.started = true;
    }
    bool done(const WaveBuffer& b) override {
        std::lock_guard<std::mutex> guard(state_->lock);
        return b.device && Mark(b)->done;
    }
    void unprepare(WaveBuffer& b) override {
        std::lock_guard<std::mutex> guard(state_->lock);
        delete Mark(b);
        b.device = nullptr;
        --me_->info.buffers;
    }
    void reset() override {
        std::lock_guard<std::mutex> guard(state_->lock);
        for (WaveBuffer* b : me_->added) Mark(*b)->done = true;
        me_->added.clear();
        me_->info.added = 0;
        me_->info.started = false;
        me_->signal.set();
    }
    void waitEvent(int timeoutMs) override { Sleep(*state_, *me_, timeoutMs); }
    void wake() override { me_->signal.set(); }

private:
    std::shared_ptr<State> state_;
    std::shared_ptr<State::Input> me_;
};

}  // namespace

ManualWaveDevices::ManualWaveDevices() : state_(std::make_shared<State>()) {}
ManualWaveDevices::~ManualWaveDevices() = default;

void ManualWaveDevices::holdOutputOpens() {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->holding = true;
}

void ManualWaveDevices::releaseOutputOpens() {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->holding = false;
    state_->released.notify_all();
}

bool ManualWaveDevices::outputOpening() {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->opening > 0;
}

std::unique_ptr<WaveOutput> ManualWaveDevices::openOutput(int sampleRate) {
    ++outputAttempts;
    if (refuseOutput) return nullptr;
    std::unique_lock<std::mutex> guard(state_->lock);
    ++state_->opening;
    state_->released.wait(guard, [&] { return !state_->holding; });
    --state_->opening;
    auto out = std::make_shared<State::Output>();
    out->info.open = true;
    out->info.rate = sampleRate;
    out->info.volume = 0xFFFFFFFF;
    state_->outputs.push_back(out);
    return std::make_unique<ManualOutput>(state_, out);
}

std::unique_ptr<WaveInput> ManualWaveDevices::openInput(int sampleRate) {
    ++inputAttempts;
    if (refuseInput) return nullptr;
    std::lock_guard<std::mutex> guard(state_->lock);
    auto in = std::make_shared<State::Input>();
    in->info.open = true;
    in->info.rate = sampleRate;
    state_->inputs.push_back(in);
    return std::make_unique<ManualInput>(state_, in);
}

int ManualWaveDevices::outputsOpened() {
    std::lock_guard<std::mutex> guard(state_->lock);
    return static_cast<int>(state_->outputs.size());
}

ManualWaveDevices::OutputInfo ManualWaveDevices::output(int index) {
    std::lock_guard<std::mutex> guard(state_->lock);
    State::Output* o = State::pick(state_->outputs, index);
    return o ? o->info : OutputInfo();
}

int ManualWaveDevices::markPlayed(int count, int index) {
    std::lock_guard<std::mutex> guard(state_->lock);
    State::Output* o = State::pick(state_->outputs, index);
    if (!o || !o->info.open || o->info.paused) return 0;
    int played = 0;
    while (played < count && !o->queue.empty()) {
        WaveBuffer* b = o->queue.front();
        o->queue.pop_front();
        const auto* samples = reinterpret_cast<const int16_t*>(b->data);
        o->played.insert(o->played.end(), samples, samples + b->length / 2);
        Mark(*b)->done = true;
        ++played;
    }
    o->info.queued = static_cast<int>(o->queue.size());
    if (played > 0) o->signal.set();
    return played;
}

std::vector<int16_t> ManualWaveDevices::playedSamples(int index) {
    std::lock_guard<std::mutex> guard(state_->lock);
    State::Output* o = State::pick(state_->outputs, index);
    return o ? o->played : std::vector<int16_t>();
}

std::vector<int16_t> ManualWaveDevices::playedSamplesFrom(size_t from, int index) {
    std::lock_guard<std::mutex> guard(state_->lock);
    State::Output* o = State::pick(state_->outputs, index);
    if (!o || from >= o->played.size()) return {};
    return std::vector<int16_t>(o->played.begin() + static_cast<std::ptrdiff_t>(from), o->played.end());
}

int ManualWaveDevices::inputsOpened() {
    std::lock_guard<std::mutex> guard(state_->lock);
    return static_cast<int>(state_->inputs.size());
}

ManualWaveDevices::InputInfo ManualWaveDevices::input(int index) {
    std::lock_guard<std::mutex> guard(state_->lock);
    State::Input* i = State::pick(state_->inputs, index);
    return i ? i->info : InputInfo();
}

bool ManualWaveDevices::fillInput(const std::vector<int16_t>& samples, int index) {
    std::lock_guard<std::mutex> guard(state_->lock);
    State::Input* in = State::pick(state_->inputs, index);
    if (!in || !in->info.open || !in->info.started || in->added.empty() || samples.empty()) return false;
    WaveBuffer* b = in->added.front();
    in->added.pop_front();
    in->info.added = static_cast<int>(in->added.size());
    int n = b->length / 2;
    for (int k = 0; k < n; ++k) {
        int16_t s = samples[static_cast<size_t>(k) % samples.size()];
        std::memcpy(b->data + 2 * k, &s, 2);
    }
    Mark(*b)->done = true;
    in->signal.set();
    return true;
}

}  // namespace kv
