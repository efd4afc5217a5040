#include "platform/file/wav_file_devices.h"

#include "platform/file/wav_room.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <new>
#include <thread>

#include <speex/speex_resampler.h>

namespace kv {

namespace {

// Per append to the speaker file, 100 ms (each costs a seek, two writes and a
// flush), and per step of the timeline at most 1 s: both in timeline samples.
int WriteBlockSamples(int rate) { return rate / 10; }
int64_t MaxChunkSamples(int rate) { return rate; }
constexpr int ResampleQuality = 5;  // speexdsp's 0..10: its filter's delay is taken out here, so the longer one
// With nothing due, time still moves on this often, so that the speaker file
// grows with the silence as time passes.
constexpr int IdleTickMs = 1000;
// Played buffers are handed back on a grid of 10 ms, as a sound card hands
// them back once per period: with a conference's worth of outputs open, the
// timeline wakes once per tick for all of them, not once per buffer of each.
// A microphone's buffers come back as soon as they are full.
int64_t OutputTickSamples(int rate) { return rate / 100; }
constexpr uint32_t HeaderBytes = 44;
constexpr uint64_t MaxDataBytes = 0x7FFF0000u;  // keeps offsets inside a 32-bit long (Windows fseek)

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
int16_t SampleAt(const uint8_t* data, int index) {
    return static_cast<int16_t>(Le16(data + 2 * static_cast<size_t>(index)));
}
void SetSampleAt(uint8_t* data, int index, int16_t s) {
    PutLe16(data + 2 * static_cast<size_t>(index), static_cast<uint16_t>(s));
}

std::string ChunkName(const uint8_t* p) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += (p[i] >= 32 && p[i] < 127) ? static_cast<char>(p[i]) : '?';
    return s;
}

// Parses a whole WAV file image. Every read is bounded by the image size.
bool ParseWav(const std::vector<uint8_t>& f, std::vector<int16_t>* samples, int* rateOut, std::string* why) {
    const size_t size = f.size();
    if (size == 0) {
        *why = "file is empty";
        return false;
    }
    if (size < 12 || std::memcmp(f.data(), "RIFF", 4) != 0 || std::memcmp(f.data() + 8, "WAVE", 4) != 0) {
        *why = "not a RIFF WAVE file";
        return false;
    }
    // Trust the RIFF size only to cut trailing bytes; chunk sizes are checked one by one.
    size_t end = size;
    const uint64_t riffEnd = static_cast<uint64_t>(Le32(f.data() + 4)) + 8;
    if (riffEnd >= 12 && riffEnd < end) end = static_cast<size_t>(riffEnd);

    const uint8_t* fmt = nullptr;
    uint32_t fmtSize = 0;
    const uint8_t* data = nullptr;
    uint32_t dataSize = 0;
    size_t pos = 12;
    while (end - pos >= 8) {
        const uint8_t* head = f.data() + pos;
        const uint32_t chunkSize = Le32(head + 4);
        const size_t body = pos + 8;
        if (chunkSize > end - body) {
            *why = "chunk '" + ChunkName(head) + "' claims " + std::to_string(chunkSize) + " bytes but only " +
                   std::to_string(end - body) + " remain (truncated file?)";
            return false;
        }
        if (std::memcmp(head, "fmt ", 4) == 0 && !fmt) {
            fmt = f.data() + body;
            fmtSize = chunkSize;
        } else if (std::memcmp(head, "data", 4) == 0 && !data) {
            data = f.data() + body;
            dataSize = chunkSize;
        }
        // Chunks are padded to an even size; the pad byte may be missing at the very end.
        const size_t next = body + chunkSize + (chunkSize & 1u);
        if (next >= end) break;
        pos = next;
    }
    if (!fmt) {
        *why = "no 'fmt ' chunk";
        return false;
    }
    if (fmtSize < 16) {
        *why = "'fmt ' chunk too short (" + std::to_string(fmtSize) + " bytes)";
        return false;
    }
    uint16_t tag = Le16(fmt);
    if (tag == 0xFFFE && fmtSize >= 40) tag = Le16(fmt + 24);  // extensible: the sub-format's tag
    const uint16_t channels = Le16(fmt + 2);
    const uint32_t rate = Le32(fmt + 4);
    const uint16_t blockAlign = Le16(fmt + 12);
    const uint16_t bits = Le16(fmt + 14);
    char tagText[16];
    std::snprintf(tagText, sizeof tagText, "0x%04X", static_cast<unsigned>(tag));
    if (tag != 1) {
        *why = std::string("not PCM (format tag ") + tagText + "); need 16-bit PCM";
        return false;
    }
    if (channels != 1) {
        *why = std::to_string(channels) + " channels; need mono (1 channel)";
        return false;
    }
    if (rate != 8000 && rate != 16000) {
        *why = std::to_string(rate) + " Hz; need 8000 or 16000 Hz";
        return false;
    }
    if (bits != 16 || blockAlign != 2) {
        *why = std::to_string(bits) + "-bit samples (block align " + std::to_string(blockAlign) + "); need 16-bit";
        return false;
    }
    if (!data) {
        *why = "no 'data' chunk";
        return false;
    }
    *rateOut = static_cast<int>(rate);
    const size_t count = dataSize / 2;
    samples->resize(count);
    for (size_t i = 0; i < count; ++i) (*samples)[i] = static_cast<int16_t>(Le16(data + 2 * i));
    return true;
}

// Bookkeeping of one prepared buffer, hung on WaveBuffer::device.
struct BufferState {
    bool done = false;
    bool queued = false;
};

struct Queued {
    BufferState* state;
    uint8_t* data;
    int samples;
    int position;
};

// What outputs and inputs have in common: prepared buffers and a queue. Guarded by the core's mutex.
struct StreamState {
    std::vector<std::unique_ptr<BufferState>> prepared;
    std::deque<Queued> queue;
    WaveSignal signal;  // set when a buffer completes

    BufferState* find(const WaveBuffer& b) const {
        for (const auto& p : prepared)
            if (p.get() == b.device) return p.get();
        return nullptr;
    }
    void prepare(WaveBuffer& b) {
        if (find(b)) return;
        prepared.push_back(std::make_unique<BufferState>());
        b.device = prepared.back().get();
    }
    // True when the buffer is now the first in the queue.
    bool enqueue(WaveBuffer& b) {
        BufferState* s = find(b);
        if (!s || s->queued) return false;  // unprepared or already queued: refused
        s->done = false;
        s->queued = true;
        const int samples = (b.data && b.length > 0) ? b.length / 2 : 0;
        queue.push_back(Queued{s, b.data, samples, 0});
        return queue.size() == 1;
    }
    void unprepare(WaveBuffer& b) {
        BufferState* s = find(b);
        if (!s) return;
        // Never keep a buffer the caller is about to free.
        queue.erase(std::remove_if(queue.begin(), queue.end(), [s](const Queued& q) { return q.state == s; }),
                    queue.end());
        prepared.erase(std::remove_if(prepared.begin(), prepared.end(),
                                      [s](const std::unique_ptr<BufferState>& p) { return p.get() == s; }),
                       prepared.end());
        b.device = nullptr;
    }
    bool done(const WaveBuffer& b) const {
        const BufferState* s = find(b);
        return s && s->done;
    }
    void finishFront() {
        queue.front().state->done = true;
        queue.front().state->queued = false;
        queue.pop_front();
        signal.set();
    }
    void returnAll() {
        while (!queue.empty()) finishFront();
    }
    // Timeline samples until the first queued buffer completes; -1 with none queued.
    int64_t samplesToNextDone() const {
        if (queue.empty()) return -1;
        return queue.front().samples - queue.front().position;
    }
    void retireEmptyFronts() {
        while (!queue.empty() && queue.front().position >= queue.front().samples) finishFront();
    }
};

struct OutputState : StreamState {
    bool paused = false;
    uint32_t volume = 0xFFFF;
    // Pulling: what the source gave last, played before it is asked again.
    WaveSource* source = nullptr;
    int block = 0;
    std::vector<int16_t> pulled;
    size_t pulledPos = 0;
};

struct InputState : StreamState {
    bool started = false;
};

}  // namespace

// The shared timeline: everything below is guarded by mu.
class WavFileCore {
public:
    std::mutex mu;
    WaveClock* clock = nullptr;
    std::unique_ptr<WaveClock> ownedClock;
    int64_t originMicros = 0;
    int64_t processed = 0;  // timeline samples done
    int rate = WavFileDevices::SampleRate;  // of the timeline and every device
    bool stopped = false;
    // The ticker sleeps on this until the next buffer is due; a device call
    // that may bring that moment nearer notifies it.
    std::condition_variable changed;
    bool tickerStop = false;

    bool hasMic = false;
    std::vector<int16_t> mic;

    bool hasSpeaker = false;  // outputs play (into the file, when there is one)
    std::FILE* speaker = nullptr;
    std::shared_ptr<WavRoom> room;  // null: the microphone hears its file alone
    uint64_t dataBytes = 0;
    bool speakerFailed = false;
    std::vector<int16_t> unwritten;
    std::vector<int32_t> mix;
    std::vector<uint8_t> bytes;  // the next append to the speaker file, kept from one to the next
    int speakerRate = WavFileDevices::SampleRate;  // of the speaker file
    SpeexResamplerState* toSpeaker = nullptr;      // the timeline to the file, when their rates differ
    std::vector<int16_t> converted;

    std::vector<OutputState*> outputs;
    std::vector<InputState*> inputs;

    ~WavFileCore() {
        if (speaker) std::fclose(speaker);
        if (toSpeaker) speex_resampler_destroy(toSpeaker);
    }

    // Brings the timeline up to the clock's present; writes the speaker file in
    // whole blocks, or everything when flush is set.
    void catchUp(bool flush) {
        if (stopped) return;
        int64_t elapsed = clock->nowMicros() - originMicros;
        if (elapsed < 0) elapsed = 0;
        const int64_t perMs = rate / 1000;
        const int64_t target = elapsed / 1000 * perMs + (elapsed % 1000) * perMs / 1000;  // elapsed * rate / 1e6
        while (processed < target) {
            const int64_t n = std::min(target - processed, MaxChunkSamples(rate));
            process(processed, static_cast<int>(n));
            processed += n;
            if (unwritten.size() >= static_cast<size_t>(WriteBlockSamples(rate))) writeSpeaker();
        }
        if (flush && !unwritten.empty()) writeSpeaker();
        // A pulling output is asked for its next block as the last one ends.
        if (hasSpeaker)
            for (OutputState* o : outputs)
                if (o->source && o->pulledPos >= o->pulled.size()) pullNext(*o, processed);
    }

    // The block of a pulling output that begins at timeline sample `at`.
    void pullNext(OutputState& o, int64_t at) {
        o.pulled.assign(static_cast<size_t>(o.block), 0);
        o.pulledPos = 0;
        const int64_t startMicros = originMicros + at * 1000000 / rate;
        o.source->fill(o.pulled.data(), o.block, startMicros - clock->nowMicros());
    }

    bool writeHeader() {
        uint8_t h[HeaderBytes];
        std::memcpy(h, "RIFF", 4);
        PutLe32(h + 4, static_cast<uint32_t>(36 + dataBytes));
        std::memcpy(h + 8, "WAVEfmt ", 8);
        PutLe32(h + 16, 16);
        PutLe16(h + 20, 1);  // PCM
        PutLe16(h + 22, 1);  // mono
        PutLe32(h + 24, static_cast<uint32_t>(speakerRate));
        PutLe32(h + 28, static_cast<uint32_t>(speakerRate * 2));
        PutLe16(h + 32, 2);
        PutLe16(h + 34, 16);
        std::memcpy(h + 36, "data", 4);
        PutLe32(h + 40, static_cast<uint32_t>(dataBytes));
        return std::fseek(speaker, 0, SEEK_SET) == 0 && std::fwrite(h, 1, sizeof h, speaker) == sizeof h &&
               std::fflush(speaker) == 0;
    }

    // Appends the unwritten samples (at the file's rate), then makes the header cover them.
    void writeSpeaker() {
        if (!speaker || speakerFailed) {
            unwritten.clear();
            return;
        }
        if (toSpeaker && !unwritten.empty()) {
            converted.resize(unwritten.size() * static_cast<size_t>(speakerRate) / static_cast<size_t>(rate) + 16);
            spx_uint32_t in = static_cast<spx_uint32_t>(unwritten.size());
            spx_uint32_t out = static_cast<spx_uint32_t>(converted.size());
            if (speex_resampler_process_int(toSpeaker, 0, unwritten.data(), &in, converted.data(), &out) !=
                RESAMPLER_ERR_SUCCESS)
                out = 0;
            converted.resize(out);
            unwritten.swap(converted);
        }
        size_t count = unwritten.size();
        if (dataBytes + 2 * count > MaxDataBytes) count = static_cast<size_t>((MaxDataBytes - dataBytes) / 2);
        if (count > 0) {
            bytes.resize(2 * count);
            for (size_t i = 0; i < count; ++i) PutLe16(&bytes[2 * i], static_cast<uint16_t>(unwritten[i]));
            const bool ok = std::fseek(speaker, static_cast<long>(HeaderBytes + dataBytes), SEEK_SET) == 0 &&
                            std::fwrite(bytes.data(), 1, bytes.size(), speaker) == bytes.size();
            if (!ok) {
                speakerFailed = true;
            } else {
                dataBytes += bytes.size();
                if (!writeHeader()) speakerFailed = true;
            }
        }
        unwritten.clear();
    }

    // The timeline samples [first, first + n).
    void process(int64_t first, int n) {
        if (hasSpeaker) {
            mix.assign(static_cast<size_t>(n), 0);
            for (OutputState* o : outputs) {
                if (o->source) playPulled(*o, first, n);
                else if (!o->paused) play(*o, n);
            }
            if (speaker)
                for (int i = 0; i < n; ++i)
                    unwritten.push_back(static_cast<int16_t>(std::clamp<int32_t>(mix[i], -32768, 32767)));
            if (room) room->played(first, mix.data(), n);
        }
        for (InputState* in : inputs)
            if (in->started) record(*in, first, n);
    }

    void play(OutputState& o, int n) {
        const int64_t volume = o.volume & 0xFFFF;
        int i = 0;
        while (true) {
            o.retireEmptyFronts();
            if (o.queue.empty() || i >= n) break;
            Queued& q = o.queue.front();
            const int k = std::min(q.samples - q.position, n - i);
            if (volume == 0xFFFF) {  // the usual case: no scaling, no division per sample
                for (int j = 0; j < k; ++j) mix[i + j] += SampleAt(q.data, q.position + j);
            } else {
                for (int j = 0; j < k; ++j)
                    mix[i + j] += static_cast<int32_t>(SampleAt(q.data, q.position + j) * volume / 0xFFFF);
            }
            q.position += k;
            i += k;
        }
    }

    void playPulled(OutputState& o, int64_t first, int n) {
        const int64_t volume = o.volume & 0xFFFF;
        for (int i = 0; i < n;) {
            if (o.pulledPos >= o.pulled.size()) pullNext(o, first + i);
            const int k = std::min(static_cast<int>(o.pulled.size() - o.pulledPos), n - i);
            const int16_t* p = o.pulled.data() + o.pulledPos;
            for (int j = 0; j < k; ++j)
                mix[i + j] += volume == 0xFFFF ? p[j] : static_cast<int32_t>(p[j] * volume / 0xFFFF);
            o.pulledPos += static_cast<size_t>(k);
            i += k;
        }
    }

    void record(InputState& in, int64_t first, int n) {
        int i = 0;
        while (true) {
            in.retireEmptyFronts();
            if (in.queue.empty() || i >= n) break;  // without an empty buffer the rest is lost
            Queued& q = in.queue.front();
            const int k = std::min(q.samples - q.position, n - i);
            for (int j = 0; j < k; ++j) {
                const int64_t t = first + i + j;
                const int16_t s = t < static_cast<int64_t>(mic.size()) ? mic[static_cast<size_t>(t)] : 0;
                SetSampleAt(q.data, q.position + j, room ? room->heard(t, s) : s);
            }
            q.position += k;
            i += k;
        }
    }

    // Microseconds on the clock when the ticker next hands buffers back: when
    // the next microphone buffer is full, or at the first tick of the output
    // grid by which an output buffer has played; -1 when none will without a
    // device call.
    int64_t nextDueMicros() const {
        int64_t soonest = -1;
        auto consider = [&](int64_t samples, int64_t grid) {
            if (samples < 0) return;
            if (samples == 0) samples = 1;  // empty buffers retire with the next sample
            int64_t at = processed + samples;
            at = (at + grid - 1) / grid * grid;
            if (soonest < 0 || at < soonest) soonest = at;
        };
        if (hasSpeaker)
            for (const OutputState* o : outputs) {
                if (o->source) consider(static_cast<int64_t>(o->pulled.size() - o->pulledPos), OutputTickSamples(rate));
                else if (!o->paused) consider(o->samplesToNextDone(), OutputTickSamples(rate));
            }
        for (const InputState* in : inputs)
            if (in->started) consider(in->samplesToNextDone(), 1);
        if (soonest < 0) return -1;
        const int64_t sample = soonest;
        // The first moment at which catchUp() reaches that sample.
        return originMicros + (sample * 1000000 + rate - 1) / rate;
    }

    // Under mu, after a call that may make a buffer due sooner.
    void reschedule() { changed.notify_all(); }

    // Ends time: everything up to now is written and the file closed.
    void stop() {
        std::lock_guard<std::mutex> lock(mu);
        catchUp(true);
        stopped = true;
        if (speaker) {
            std::fclose(speaker);
            speaker = nullptr;
        }
    }
};

namespace {

class WavFileOutput final : public WaveOutput {
public:
    explicit WavFileOutput(std::shared_ptr<WavFileCore> core) : core_(std::move(core)) {
        Lock lock(core_->mu);
        core_->catchUp(false);
        core_->outputs.push_back(&state_);
    }
    ~WavFileOutput() override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        auto& v = core_->outputs;
        v.erase(std::remove(v.begin(), v.end(), &state_), v.end());
    }
    void pause() override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        state_.paused = true;
    }
    void restart() override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        state_.paused = false;
        core_->reschedule();
    }
    void setVolume(uint32_t leftRight) override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        state_.volume = leftRight & 0xFFFF;
    }
    void prepare(WaveBuffer& b) override {
        Lock lock(core_->mu);
        state_.prepare(b);
    }
    void write(WaveBuffer& b) override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        if (state_.enqueue(b) && !state_.paused) core_->reschedule();
    }
    // Played buffers come back on the next 10 ms of the timeline: a third
    // queued covers that and a late refill.
    int buffersAhead() const override { return 3; }
    bool done(const WaveBuffer& b) override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        return state_.done(b);
    }
    void unprepare(WaveBuffer& b) override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        state_.unprepare(b);
    }
    void reset() override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        state_.returnAll();
        state_.source = nullptr;
        state_.pulled.clear();
        state_.pulledPos = 0;
        state_.signal.set();
    }
    void waitEvent(int timeoutMs) override { state_.signal.wait(timeoutMs); }
    void wake() override { state_.signal.set(); }
    // Pulled on the shared timeline as each block comes due (on the 10 ms
    // grid), under the timeline's lock, by whichever thread moves it on.
    bool pull(WaveSource* source, int blockFrames) override {
        if (!source || blockFrames <= 0) return false;
        Lock lock(core_->mu);
        core_->catchUp(false);
        state_.source = source;
        state_.block = blockFrames;
        core_->pullNext(state_, core_->processed);
        core_->reschedule();
        return true;
    }

private:
    using Lock = std::lock_guard<std::mutex>;
    std::shared_ptr<WavFileCore> core_;
    OutputState state_;
};

class WavFileInput final : public WaveInput {
public:
    explicit WavFileInput(std::shared_ptr<WavFileCore> core) : core_(std::move(core)) {
        Lock lock(core_->mu);
        core_->catchUp(false);
        core_->inputs.push_back(&state_);
    }
    ~WavFileInput() override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        auto& v = core_->inputs;
        v.erase(std::remove(v.begin(), v.end(), &state_), v.end());
    }
    void prepare(WaveBuffer& b) override {
        Lock lock(core_->mu);
        state_.prepare(b);
    }
    void add(WaveBuffer& b) override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        if (state_.enqueue(b) && state_.started) core_->reschedule();
    }
    void start() override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        state_.started = true;
        core_->reschedule();
    }
    bool done(const WaveBuffer& b) override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        return state_.done(b);
    }
    void unprepare(WaveBuffer& b) override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        state_.unprepare(b);
    }
    void reset() override {
        Lock lock(core_->mu);
        core_->catchUp(false);
        state_.started = false;
        state_.returnAll();
        state_.signal.set();
    }
    void waitEvent(int timeoutMs) override { state_.signal.wait(timeoutMs); }
    void wake() override { state_.signal.set(); }

private:
    using Lock = std::lock_guard<std::mutex>;
    std::shared_ptr<WavFileCore> core_;
    InputState state_;
};

}  // namespace

// Moves the timeline on while the device set lives: it sleeps until the next
// queued buffer is due (or IdleTickMs with none), so that a device's waiter is
// woken when its buffer completes, not on a fixed tick.
class WavFileTicker {
public:
    explicit WavFileTicker(std::shared_ptr<WavFileCore> core) : core_(std::move(core)), thread_([this] { run(); }) {}
    ~WavFileTicker() {
        {
            std::lock_guard<std::mutex> lock(core_->mu);
            core_->tickerStop = true;
        }
        core_->changed.notify_all();
        thread_.join();
    }

private:
    void run() {
        WavFileCore& core = *core_;
        std::unique_lock<std::mutex> lock(core.mu);
        while (!core.tickerStop) {
            core.catchUp(false);
            const int64_t due = core.nextDueMicros();
            int64_t waitMicros = static_cast<int64_t>(IdleTickMs) * 1000;
            if (due >= 0) waitMicros = std::min(waitMicros, due - core.clock->nowMicros());
            if (waitMicros > 0) core.changed.wait_for(lock, std::chrono::microseconds(waitMicros));
        }
    }

    std::shared_ptr<WavFileCore> core_;
    std::thread thread_;  // last: starts once the rest is built
};

namespace {

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes, std::string* why) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *why = std::string("cannot be opened") + (errno ? std::string(" (") + std::strerror(errno) + ")" : "");
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0 || !in) {
        *why = "cannot be read";
        return false;
    }
    try {
        bytes->resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        *why = "too large to read into memory";
        return false;
    }
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes->data()), size)) {
        *why = "cannot be read";
        return false;
    }
    return true;
}

bool Given(const char* path) { return path && *path; }

}  // namespace

int64_t SteadyWaveClock::nowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t SystemWaveClock::nowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool ReadPcmMonoWav(const char* path, std::vector<int16_t>* samples, int* rate, std::string* error) {
    std::string why;
    std::vector<uint8_t> bytes;
    std::vector<int16_t> parsed;
    int parsedRate = 0;
    const bool ok = Given(path) && ReadWholeFile(path, &bytes, &why) && ParseWav(bytes, &parsed, &parsedRate, &why);
    if (!ok) {
        if (error) *error = std::string("WAV file '") + (path ? path : "") + "': " + (why.empty() ? "no path" : why);
        return false;
    }
    *samples = std::move(parsed);
    if (rate) *rate = parsedRate;
    return true;
}

bool ReadPcm8kMonoWav(const char* path, std::vector<int16_t>* samples, std::string* error) {
    std::vector<int16_t> parsed;
    int rate = 0;
    if (!ReadPcmMonoWav(path, &parsed, &rate, error)) return false;
    if (rate != 8000) {
        if (error) *error = std::string("WAV file '") + path + "': " + std::to_string(rate) + " Hz; need 8000 Hz";
        return false;
    }
    *samples = std::move(parsed);
    return true;
}

std::vector<int16_t> ResampleSpeech(const std::vector<int16_t>& in, int fromRate, int toRate) {
    if (fromRate == toRate || in.empty() || fromRate <= 0 || toRate <= 0) return in;
    int err = 0;
    SpeexResamplerState* st = speex_resampler_init(1, static_cast<spx_uint32_t>(fromRate),
                                                   static_cast<spx_uint32_t>(toRate), ResampleQuality, &err);
    if (!st) return {};
    // The filter's delay is skipped at the start and flushed with silence at
    // the end, so that sample i of the input stays at time i / fromRate.
    speex_resampler_skip_zeros(st);
    const size_t want = static_cast<size_t>(static_cast<int64_t>(in.size()) * toRate / fromRate);
    std::vector<int16_t> padded(in);
    padded.resize(in.size() + static_cast<size_t>(speex_resampler_get_input_latency(st)) * 2 + 16, 0);
    std::vector<int16_t> out(want + 64);
    spx_uint32_t inLen = static_cast<spx_uint32_t>(padded.size()), outLen = static_cast<spx_uint32_t>(out.size());
    if (speex_resampler_process_int(st, 0, padded.data(), &inLen, out.data(), &outLen) != RESAMPLER_ERR_SUCCESS)
        outLen = 0;
    speex_resampler_destroy(st);
    out.resize(std::min<size_t>(outLen, want));
    out.resize(want, 0);
    return out;
}

WavFileDevices::WavFileDevices(std::shared_ptr<WavFileCore> core) : core_(std::move(core)) {
    if (!core_->clock->manual()) ticker_ = std::make_unique<WavFileTicker>(core_);
}

WavFileDevices::~WavFileDevices() {
    ticker_.reset();  // joins the thread
    core_->stop();
}

std::unique_ptr<WaveOutput> WavFileDevices::openOutput(int sampleRate) {
    if (!core_->hasSpeaker || sampleRate != core_->rate) return nullptr;
    return std::make_unique<WavFileOutput>(core_);
}

std::unique_ptr<WaveInput> WavFileDevices::openInput(int sampleRate) {
    if (!core_->hasMic || sampleRate != core_->rate) return nullptr;
    return std::make_unique<WavFileInput>(core_);
}

void WavFileDevices::pump() {
    std::lock_guard<std::mutex> lock(core_->mu);
    core_->catchUp(true);
}

std::unique_ptr<WavFileDevices> CreateWavFileDevices(const char* micPath, const char* speakerPath,
                                                     std::string* error, WaveClock* clock, int64_t originMicros,
                                                     std::shared_ptr<WavRoom> room, int rate) {
    auto core = std::make_shared<WavFileCore>();
    if (rate != 8000 && rate != 16000) {
        if (error) *error = std::to_string(rate) + " Hz for the WAV-file devices; need 8000 or 16000 Hz";
        return nullptr;
    }
    core->rate = rate;
    core->speakerRate = rate;
    if (room) {
        if (room->rate() != rate) {
            if (error) *error = "room at " + std::to_string(room->rate()) + " Hz for devices at " + std::to_string(rate);
            return nullptr;
        }
        core->room = std::move(room);
        core->hasSpeaker = true;
    }
    if (Given(micPath)) {
        std::string why;
        int micRate = 0;
        if (!ReadPcmMonoWav(micPath, &core->mic, &micRate, &why)) {
            if (error) *error = "microphone " + why;
            return nullptr;
        }
        core->mic = ResampleSpeech(core->mic, micRate, rate);
        core->speakerRate = micRate;
        core->hasMic = true;
    }
    if (core->speakerRate != rate) {
        int err = 0;
        core->toSpeaker = speex_resampler_init(1, static_cast<spx_uint32_t>(rate),
                                               static_cast<spx_uint32_t>(core->speakerRate), ResampleQuality, &err);
        if (!core->toSpeaker) {
            if (error) *error = "no resampler for the speaker WAV file";
            return nullptr;
        }
        speex_resampler_skip_zeros(core->toSpeaker);
    }
    if (Given(speakerPath)) {
        core->speaker = std::fopen(speakerPath, "wb");
        if (!core->speaker) {
            if (error)
                *error = std::string("speaker WAV file '") + speakerPath + "': cannot be created (" +
                         std::strerror(errno) + ")";
            return nullptr;
        }
        core->hasSpeaker = true;
        if (!core->writeHeader()) {
            if (error) *error = std::string("speaker WAV file '") + speakerPath + "': cannot be written";
            return nullptr;
        }
    }
    if (clock) {
        core->clock = clock;
    } else {
        core->ownedClock = std::make_unique<SteadyWaveClock>();
        core->clock = core->ownedClock.get();
    }
    core->originMicros = originMicros >= 0 ? originMicros : core->clock->nowMicros();
    return std::make_unique<WavFileDevices>(std::move(core));
}

}  // namespace kv
