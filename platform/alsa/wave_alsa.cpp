// Linux wave devices on named ALSA PCMs: 16-bit signed little-endian mono at
// exactly the asked rate, short periods. Each open device has one worker
// thread; only the worker calls the PCM between open and close. The caller's
// buffers are touched only under the device lock, so once reset() or
// unprepare() has returned, the worker no longer reads or writes them.
//
// Output: the PCM is opened by the device's worker, so that opening one (a
// sound server may take a while to set up a stream) never holds up the thread
// that asked for it; buffers queued meanwhile wait. A PCM that cannot be
// opened returns every buffer as done without playing it, and for a second
// after that its name opens nothing at all.
//
// Output: a buffer counts as done when ALSA reports its last frame played
// (stream position from snd_pcm_delay), not merely accepted, so closing the
// device after the last done buffer does not cut the tail. An underrun or a
// failed delay query counts everything handed over as played.
//
// Output that pulls (pull()): the worker keeps ALSA holding PullAheadMs of
// audio ahead of what plays (by snd_pcm_delay), topping it up every
// PullEveryMs from the source a block at a time, in one write; each block
// is asked for with the time it will begin to play. An underrun keeps a block more
// ahead from then on, up to MaxPullAheadMs. One wake of the worker per top-up
// replaces a wake per buffer of the thread that fed it and one of the worker.
//
// Input: recording starts with start(); the worker reads period-sized chunks
// and copies them into the added buffers in order. With no empty buffer the
// chunk is thrown away and the device keeps running.
//
// The worker sleeps on the PCM's descriptors (snd_pcm_wait) while ALSA has no
// room or no audio, and, while only the tail of the output plays, until the
// stream position reaches the end of the next buffer. Whenever it marks a
// buffer done it sets the device's signal, which waitEvent() sleeps on.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/wave.h"

namespace kv {
namespace {

using Frames = snd_pcm_uframes_t;

// ALSA reports through a process-wide error printer that writes to stderr;
// underruns and refused devices are normal here and are reported by results.
void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsa() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(SilentAlsaError); });
}

// Opening and closing PCMs walks ALSA's shared configuration; keep it to one
// thread at a time.
std::mutex& PcmOpenLock() {
    static std::mutex lock;
    return lock;
}

void ClosePcm(snd_pcm_t* pcm) {
    std::lock_guard<std::mutex> guard(PcmOpenLock());
    snd_pcm_close(pcm);
}

// Periods of 40 ms, one GSM frame. Through PulseAudio's plugin each period
// costs a request from the server, a wake-up of the plugin's thread and one
// of the worker: 40 ms periods cost a call about a third less CPU than 20 ms
// ones. The server asks for more once less than the ring minus a period is
// left, so the output ring is three periods and the worker has 80 ms to
// answer (with a ring of two periods, 40 ms, a call through the sound server
// lost a piece of speech now and then in our tests).
// The rings only bound what may be queued; the playout decides how much is.
constexpr unsigned PeriodUs = 40000;
constexpr unsigned OutputRingUs = 120000;
constexpr unsigned InputRingUs = 200000;

struct Geometry {
    int rate = 0;
    Frames period = 0;  // frames per period
    Frames buffer = 0;  // frames in ALSA's ring
    bool canPause = false;
};

// Opens `name` non-blocking for the stream and sets S16_LE, mono, exactly
// `rate`, periods near periodUs and a ring near bufferUs. Null when refused.
snd_pcm_t* OpenPcm(const std::string& name, snd_pcm_stream_t stream, int rate, unsigned periodUs,
                   unsigned bufferUs, Geometry* g) {
    std::lock_guard<std::mutex> guard(PcmOpenLock());
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), stream, SND_PCM_NONBLOCK) < 0 || !pcm) return nullptr;

    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_sw_params_t* sw = nullptr;
    bool ok = snd_pcm_hw_params_malloc(&hw) == 0 && snd_pcm_sw_params_malloc(&sw) == 0;
    int dir = 0;
    ok = ok && snd_pcm_hw_params_any(pcm, hw) >= 0;
    ok = ok && snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) == 0;
    ok = ok && snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE) == 0;
    ok = ok && snd_pcm_hw_params_set_channels(pcm, hw, 1) == 0;
    ok = ok && snd_pcm_hw_params_set_rate(pcm, hw, static_cast<unsigned>(rate), 0) == 0;
    // Sizes are wishes: a device that cannot meet them picks the nearest.
    if (ok) snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodUs, &dir);
    if (ok) snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferUs, &dir);
    ok = ok && snd_pcm_hw_params(pcm, hw) == 0;
    ok = ok && snd_pcm_hw_params_get_period_size(hw, &g->period, &dir) == 0;
    ok = ok && snd_pcm_hw_params_get_buffer_size(hw, &g->buffer) == 0;
    ok = ok && g->period > 0 && g->buffer > 0;
    if (ok) {
        g->rate = rate;
        g->canPause = snd_pcm_hw_params_can_pause(hw) != 0;
        g->period = std::min(g->period, g->buffer);
        // Playback starts with the first frame written: queued buffers were
        // already held back by the caller as long as it wanted.
        ok = snd_pcm_sw_params_current(pcm, sw) == 0 &&
             snd_pcm_sw_params_set_avail_min(pcm, sw, g->period) == 0 &&
             (stream == SND_PCM_STREAM_CAPTURE || snd_pcm_sw_params_set_start_threshold(pcm, sw, 1) == 0) &&
             snd_pcm_sw_params(pcm, sw) == 0;
    }
    if (hw) snd_pcm_hw_params_free(hw);
    if (sw) snd_pcm_sw_params_free(sw);
    if (!ok) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

// The device's record of one prepared buffer; WaveBuffer::device points here.
struct Slot {
    uint8_t* data = nullptr;
    Frames frames = 0;
    Frames offset = 0;  // frames handed to ALSA (output) or filled (input)
    uint64_t end = 0;   // output: stream position just after its last frame
    bool queued = false;
    bool done = false;
};

// What both directions share: the slots, the queue in order, the worker and
// the handshake with it. Everything below is guarded by m_.
class AlsaStream {
protected:
    AlsaStream(snd_pcm_t* pcm, const Geometry& g) : pcm_(pcm), g_(g) {}
    ~AlsaStream() {
        stopWorker();
        if (pcm_) ClosePcm(pcm_);
    }

    template <class Body>
    void startWorker(Body body) {
        worker_ = std::thread(body);
    }

    void stopWorker() {
        {
            std::lock_guard<std::mutex> guard(m_);
            stop_ = true;
        }
        wake_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

    Slot* find(const WaveBuffer& b) const {
        auto it = slots_.find(b.device);
        return it == slots_.end() ? nullptr : it->second.get();
    }

    void prepareBuffer(WaveBuffer& b) {
        std::lock_guard<std::mutex> guard(m_);
        Slot* s = find(b);
        if (s && s->queued) return;  // the device still uses it
        if (!s) {
            auto owned = std::make_unique<Slot>();
            s = owned.get();
            slots_[s] = std::move(owned);
            b.device = s;
        }
        *s = Slot{};
        if (b.data && b.length > 0) {
            s->data = b.data;
            s->frames = static_cast<Frames>(b.length / 2);
        }
    }

    // A still-queued buffer is taken out of the queue first, so that the
    // worker can never touch memory the caller frees next.
    void unprepareBuffer(WaveBuffer& b) {
        std::lock_guard<std::mutex> guard(m_);
        Slot* s = find(b);
        if (!s) return;
        if (s->queued) {
            queue_.erase(std::remove(queue_.begin(), queue_.end(), s), queue_.end());
            inFlight_.erase(std::remove(inFlight_.begin(), inFlight_.end(), s), inFlight_.end());
        }
        slots_.erase(s);
        b.device = nullptr;
    }

    bool isDone(const WaveBuffer& b) {
        std::lock_guard<std::mutex> guard(m_);
        const Slot* s = find(b);
        return s && s->done;
    }

    // Under m_: appends the buffer to the queue; null when unknown or already queued.
    Slot* enqueue(WaveBuffer& b) {
        Slot* s = find(b);
        if (!s || s->queued) return nullptr;
        s->done = false;
        s->offset = 0;
        s->end = 0;
        s->queued = true;
        queue_.push_back(s);
        return s;
    }

    // Under m_: the buffer is done; finish() also wakes its waiter.
    static void complete(Slot* s) {
        s->queued = false;
        s->done = true;
    }
    void finish(Slot* s) {
        complete(s);
        signal_.set();
    }

    // Worker, under lk: wakes the waiter for buffers complete()d with the lock
    // released, so that its first look at them does not block on our lock.
    void signalUnlocked(std::unique_lock<std::mutex>& lk) {
        lk.unlock();
        signal_.set();
        lk.lock();
    }

    // Under m_: every queued buffer is returned as done.
    void returnAll() {
        for (Slot* s : inFlight_) finish(s);
        for (Slot* s : queue_) finish(s);
        inFlight_.clear();
        queue_.clear();
    }

    // Asks the worker to drop what ALSA holds and waits, briefly, until it has.
    void dropAndWait(std::unique_lock<std::mutex>& lk) {
        uint64_t ticket = ++dropsAsked_;
        wake_.notify_all();
        acked_.wait_for(lk, std::chrono::seconds(2), [&] { return dropsDone_ >= ticket || workerGone_; });
    }

    // Worker side of dropAndWait; called with lk held, returns with it held.
    void serveDrop(std::unique_lock<std::mutex>& lk) {
        uint64_t ticket = dropsAsked_;
        lk.unlock();
        if (pcm_) {
            snd_pcm_drop(pcm_);
            snd_pcm_prepare(pcm_);
        }
        lk.lock();
        dropsDone_ = ticket;
        acked_.notify_all();
    }

    // Worker side: tries to bring the PCM back after err; false when it is gone for good.
    bool recover(int err) {
        if (snd_pcm_recover(pcm_, err, 1) == 0) return true;
        return snd_pcm_prepare(pcm_) == 0;
    }

    // Worker side, lock released: sleeps until the PCM is ready or timeoutMs passed.
    void waitPcm(int timeoutMs) {
        if (snd_pcm_wait(pcm_, timeoutMs) < 0) {
            // Not waitable (an error state): do not spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 5)));
        }
    }

    int periodMs() const { return static_cast<int>(g_.period * 1000 / static_cast<Frames>(g_.rate)) + 1; }

    snd_pcm_t* pcm_;  // output: set by the worker once it has opened the PCM
    Geometry g_;

    std::mutex m_;
    std::condition_variable wake_;   // caller -> worker
    std::condition_variable acked_;  // worker -> caller
    WaveSignal signal_;              // worker -> whoever waits for a buffer
    std::unordered_map<const void*, std::unique_ptr<Slot>> slots_;
    std::deque<Slot*> queue_;     // waiting for (or partly through) the device
    std::deque<Slot*> inFlight_;  // output: handed to ALSA, not yet played
    bool stop_ = false;
    bool workerGone_ = false;
    bool broken_ = false;  // the PCM failed beyond recovery
    uint64_t dropsAsked_ = 0;
    uint64_t dropsDone_ = 0;

private:
    std::thread worker_;
};

// When an output PCM of a name last failed to open, in steady-clock milliseconds.
struct OpenFailures {
    std::mutex m;
    std::unordered_map<std::string, int64_t> at;
};

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class AlsaWaveOutput final : public WaveOutput, private AlsaStream {
public:
    AlsaWaveOutput(std::string name, int rate, std::shared_ptr<OpenFailures> failures)
        : AlsaStream(nullptr, Geometry{}), name_(std::move(name)), rate_(rate), failures_(std::move(failures)) {
        startWorker([this] { run(); });
    }
    ~AlsaWaveOutput() override { stopWorker(); }

    void pause() override { set([&] { paused_ = true; }); }
    void restart() override { set([&] { paused_ = false; }); }
    void setVolume(uint32_t leftRight) override { set([&] { volume_ = leftRight & 0xFFFFu; }); }
    void prepare(WaveBuffer& b) override { prepareBuffer(b); }

    void write(WaveBuffer& b) override {
        set([&] {
            Slot* s = enqueue(b);
            if (s && broken_) returnAll();  // nothing will ever play it
        });
    }

    bool done(const WaveBuffer& b) override { return isDone(b); }
    void unprepare(WaveBuffer& b) override { unprepareBuffer(b); }

    void reset() override {
        {
            std::lock_guard<std::mutex> fill(fillLock_);  // waits out a fill under way
            source_ = nullptr;
        }
        std::unique_lock<std::mutex> lk(m_);
        pulling_ = false;
        returnAll();
        signal_.set();
        dropAndWait(lk);
    }
    void waitEvent(int timeoutMs) override { signal_.wait(timeoutMs); }
    void wake() override { signal_.set(); }

    bool pull(WaveSource* source, int blockFrames) override {
        if (!source || blockFrames <= 0) return false;
        {
            std::lock_guard<std::mutex> fill(fillLock_);
            source_ = source;
        }
        set([&] {
            pullFrames_ = static_cast<Frames>(blockFrames);
            pulling_ = true;
        });
        return true;
    }

private:
    template <class F>
    void set(F f) {
        {
            std::lock_guard<std::mutex> guard(m_);
            f();
            ++changes_;
        }
        wake_.notify_all();
    }

    // Under m_: copies up to one period from the queue into chunk_ with the
    // volume applied. Buffers copied completely move to inFlight_.
    void fillChunk() {
        chunk_.clear();
        chunkPos_ = 0;
        while (!queue_.empty() && chunk_.size() < g_.period) {
            Slot* s = queue_.front();
            Frames n = std::min<Frames>(s->frames - s->offset, g_.period - chunk_.size());
            const uint8_t* p = n > 0 ? s->data + s->offset * 2 : nullptr;
            for (Frames i = 0; i < n; ++i, p += 2) {
                int32_t v = static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
                if (volume_ != 0xFFFFu) v = static_cast<int32_t>(static_cast<int64_t>(v) * volume_ / 0xFFFF);
                chunk_.push_back(static_cast<int16_t>(v));
            }
            s->offset += n;
            copied_ += n;
            if (s->offset < s->frames) break;
            queue_.pop_front();
            s->end = copied_;
            inFlight_.push_back(s);
        }
    }

    // Lock released: the stream position ALSA has played up to.
    uint64_t playedPosition() {
        snd_pcm_sframes_t delay = 0;
        int err = snd_pcm_delay(pcm_, &delay);
        // Some plugins report a delay even after an underrun: ask the state too.
        snd_pcm_state_t state = snd_pcm_state(pcm_);
        if (err == 0 && state == SND_PCM_STATE_PREPARED && delay > 0) {
            snd_pcm_start(pcm_);  // held below a start threshold
        } else if (err == 0 && state != SND_PCM_STATE_RUNNING && state != SND_PCM_STATE_PAUSED &&
                   state != SND_PCM_STATE_DRAINING && state != SND_PCM_STATE_PREPARED) {
            err = state == SND_PCM_STATE_SUSPENDED ? -ESTRPIPE : -EPIPE;
        }
        if (err < 0) {
            // Underrun (or worse): whatever was handed over is gone.
            if (!recover(err)) lost_ = true;
            return written_;
        }
        if (delay < 0) delay = 0;
        return written_ - std::min<uint64_t>(written_, static_cast<uint64_t>(delay));
    }

    // Under m_: true when a buffer has played since the last look.
    bool markPlayed(uint64_t played) {
        played_ = played;
        bool any = false;
        while (!inFlight_.empty() && inFlight_.front()->end <= played) {
            complete(inFlight_.front());
            inFlight_.pop_front();
            any = true;
        }
        return any;
    }

    // Worker: opens the PCM; false (and every buffer returned) when it cannot.
    bool openPcm() {
        Geometry g;
        snd_pcm_t* pcm = OpenPcm(name_, SND_PCM_STREAM_PLAYBACK, rate_, PeriodUs, OutputRingUs, &g);
        std::lock_guard<std::mutex> guard(m_);
        if (!pcm) {
            {
                std::lock_guard<std::mutex> failed(failures_->m);
                failures_->at[name_] = NowMs();
            }
            broken_ = true;
            returnAll();
            return false;
        }
        pcm_ = pcm;
        g_ = g;
        return true;
    }

    // Worker, lock released: tops what ALSA holds up to the target from the
    // source, a block at a time; the milliseconds until it should look again.
    int servePull(uint32_t volume, Frames block) {
        if (pullAhead_ == 0) pullAhead_ = static_cast<Frames>(g_.rate) * PullAheadMs / 1000;
        snd_pcm_sframes_t delay = 0;
        int err = snd_pcm_delay(pcm_, &delay);
        const snd_pcm_state_t state = snd_pcm_state(pcm_);
        if (state == SND_PCM_STATE_PREPARED) {  // not started: nothing written yet
            err = 0;
            delay = 0;
        }
        if (err == 0 && state == SND_PCM_STATE_XRUN) err = -EPIPE;
        if (err == 0 && state == SND_PCM_STATE_SUSPENDED) err = -ESTRPIPE;
        if (err < 0) {
            // Ran dry: from now on a block more stays queued.
            if (!recover(err)) {
                lost_ = true;
                return 0;
            }
            delay = 0;
            const Frames most = static_cast<Frames>(g_.rate) * MaxPullAheadMs / 1000;
            pullAhead_ = std::min<Frames>(pullAhead_ + block, std::max(most, block));
        }
        if (delay < 0) delay = 0;
        // Every block of a top-up goes to ALSA in one write: through the
        // sound server each write wakes the plugin's thread.
        const Frames queued = static_cast<Frames>(delay);
        // What ALSA took of the last top-up goes (the vector keeps its room):
        // a remainder left time after time must not grow it without end.
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingPos_));
        pendingPos_ = 0;
        for (int blocks = 0; blocks < 64; ++blocks) {
            const Frames ahead = queued + static_cast<Frames>(pending_.size() - pendingPos_);
            if (ahead >= pullAhead_) break;
            const size_t at = pending_.size();
            pending_.resize(at + block, 0);
            int16_t* fresh = pending_.data() + at;
            {
                std::lock_guard<std::mutex> fill(fillLock_);
                if (!source_) {
                    pending_.resize(at);
                    break;
                }
                const int64_t startsIn = static_cast<int64_t>(ahead) * 1000000 / g_.rate;
                source_->fill(fresh, static_cast<int>(block), startsIn);
            }
            if (volume != 0xFFFFu)
                for (Frames i = 0; i < block; ++i)
                    fresh[i] = static_cast<int16_t>(static_cast<int64_t>(fresh[i]) * volume / 0xFFFF);
        }
        while (pendingPos_ < pending_.size()) {
            const snd_pcm_sframes_t n =
                snd_pcm_writei(pcm_, pending_.data() + pendingPos_, static_cast<Frames>(pending_.size() - pendingPos_));
            if (n == -EAGAIN || n == 0) break;  // ALSA's ring is full
            if (n < 0) {
                if (!recover(static_cast<int>(n))) lost_ = true;
                break;
            }
            pendingPos_ += static_cast<size_t>(n);
        }
        return PullEveryMs;
    }

    void run() {
        openPcm();
        std::unique_lock<std::mutex> lk(m_);
        while (!stop_) {
            // The lock is let go below (ALSA calls, waking a waiter): a caller's
            // change meanwhile must still end the wait at the bottom.
            const uint64_t seen = changes_;
            auto changed = [&] { return changes_ != seen || stop_ || dropsDone_ != dropsAsked_; };
            if (dropsDone_ != dropsAsked_) {
                serveDrop(lk);
                hwPaused_ = false;
                pauseTried_ = false;
                chunk_.clear();
                chunkPos_ = 0;
                copied_ = written_;
                pending_.clear();
                pendingPos_ = 0;
                continue;
            }
            if (broken_) {
                returnAll();
                wake_.wait(lk);
                continue;
            }

            // Pause and resume. Without pause support ALSA plays out what it
            // holds (at most one ring) and we simply stop feeding it.
            bool holding = !inFlight_.empty() || chunkPos_ < chunk_.size();
            if (!paused_) pauseTried_ = false;
            if (paused_ && !pauseTried_ && holding && g_.canPause) {
                lk.unlock();
                bool ok = snd_pcm_pause(pcm_, 1) == 0;
                lk.lock();
                hwPaused_ = ok;
                pauseTried_ = true;  // when refused, just stop feeding
                continue;
            }
            if (!paused_ && hwPaused_) {
                lk.unlock();
                if (snd_pcm_pause(pcm_, 0) < 0) {
                    snd_pcm_drop(pcm_);  // what it held is lost; counted as played below
                    if (snd_pcm_prepare(pcm_) < 0) lost_ = true;
                }
                lk.lock();
                hwPaused_ = false;
                continue;
            }

            if (pulling_ && pcm_) {
                const uint32_t volume = volume_;
                const Frames block = pullFrames_;
                lk.unlock();
                const int ms = servePull(volume, block);
                lk.lock();
                if (lost_) {
                    broken_ = true;
                    continue;
                }
                if (stop_ || dropsDone_ != dropsAsked_ || !pulling_) continue;
                wake_.wait_for(lk, std::chrono::milliseconds(ms), changed);
                continue;
            }

            bool feed = !paused_ && (chunkPos_ < chunk_.size() || !queue_.empty());
            if (feed && chunkPos_ == chunk_.size()) fillChunk();

            bool full = false;
            if (feed && chunkPos_ < chunk_.size()) {
                lk.unlock();
                snd_pcm_sframes_t n =
                    snd_pcm_writei(pcm_, chunk_.data() + chunkPos_, static_cast<Frames>(chunk_.size() - chunkPos_));
                if (n == -EAGAIN || n == 0) {
                    full = true;
                } else if (n < 0) {
                    // Underrun: prepared again, the next write starts it.
                    if (!recover(static_cast<int>(n))) lost_ = true;
                    full = true;  // do not spin on a device that keeps failing
                } else {
                    chunkPos_ += static_cast<size_t>(n);
                    written_ += static_cast<uint64_t>(n);
                }
                lk.lock();
            }

            if (!inFlight_.empty() && !hwPaused_) {
                lk.unlock();
                uint64_t played = playedPosition();
                lk.lock();
                if (markPlayed(played)) signalUnlocked(lk);
            }
            if (lost_) {
                broken_ = true;
                continue;
            }
            if (stop_ || dropsDone_ != dropsAsked_) continue;

            if (full) {
                lk.unlock();
                waitPcm(periodMs());
                lk.lock();
            } else if (feed) {
                continue;  // more to hand over at once
            } else if (!inFlight_.empty() && !hwPaused_) {
                // Only the tail plays: look again when the next buffer should have played.
                const uint64_t end = inFlight_.front()->end;
                const uint64_t left = end > played_ ? end - played_ : 0;
                int64_t ms = static_cast<int64_t>(left * 1000 / static_cast<uint64_t>(g_.rate)) + 1;
                if (ms > MaxTailWaitMs) ms = MaxTailWaitMs;
                wake_.wait_for(lk, std::chrono::milliseconds(ms), changed);
            } else {
                wake_.wait(lk, changed);
            }
        }
        workerGone_ = true;
        acked_.notify_all();
    }

    const std::string name_;
    const int rate_;
    std::shared_ptr<OpenFailures> failures_;
    bool paused_ = false;
    uint32_t volume_ = 0xFFFFu;
    uint64_t changes_ = 0;  // counts the callers' changes: queue, pause, volume

    // Pulling: the source is called under fillLock_ alone, so that reset()
    // can wait out a fill without the worker holding m_ through it.
    std::mutex fillLock_;
    WaveSource* source_ = nullptr;
    bool pulling_ = false;  // under m_
    Frames pullFrames_ = 0;  // under m_
    // What ALSA is kept holding (one block more each time it ran dry, up to
    // the most), and how often it is topped up to that: each top-up wakes the
    // pulse plugin's thread through the sound server, and one every 40 ms
    // costs a call a sixth less CPU than one every 20 ms. The jitter buffer
    // leaves speech alone for the swing of four blocks pulled at once.
    static constexpr int PullAheadMs = 60;
    static constexpr int MaxPullAheadMs = 110;
    static constexpr int PullEveryMs = 40;

    // Worker only.
    Frames pullAhead_ = 0;
    std::vector<int16_t> pending_;  // pulled blocks, from pendingPos_ not yet taken by ALSA
    size_t pendingPos_ = 0;
    std::vector<int16_t> chunk_;
    size_t chunkPos_ = 0;   // frames of chunk_ already accepted by ALSA
    uint64_t copied_ = 0;   // frames taken from buffers since open
    uint64_t written_ = 0;  // frames accepted by ALSA since open
    uint64_t played_ = 0;   // the stream position last seen played
    // A device whose position stops moving is still looked at this often.
    static constexpr int64_t MaxTailWaitMs = 100;
    bool hwPaused_ = false;
    bool pauseTried_ = false;
    bool lost_ = false;
};

class AlsaWaveInput final : public WaveInput, private AlsaStream {
public:
    AlsaWaveInput(snd_pcm_t* pcm, const Geometry& g) : AlsaStream(pcm, g) {
        startWorker([this] { run(); });
    }
    ~AlsaWaveInput() override { stopWorker(); }

    void prepare(WaveBuffer& b) override { prepareBuffer(b); }

    void add(WaveBuffer& b) override {
        {
            std::lock_guard<std::mutex> guard(m_);
            enqueue(b);
        }
        wake_.notify_all();
    }

    void start() override {
        {
            std::lock_guard<std::mutex> guard(m_);
            recording_ = true;
        }
        wake_.notify_all();
    }

    bool done(const WaveBuffer& b) override { return isDone(b); }
    void unprepare(WaveBuffer& b) override { unprepareBuffer(b); }

    void reset() override {
        std::unique_lock<std::mutex> lk(m_);
        recording_ = false;
        returnAll();
        signal_.set();
        dropAndWait(lk);
    }
    void waitEvent(int timeoutMs) override { signal_.wait(timeoutMs); }
    void wake() override { signal_.set(); }

private:
    // Under m_: copies captured frames into the waiting buffers in order; the
    // rest is thrown away. True when a buffer was filled.
    bool deliver(const int16_t* frames, Frames n) {
        bool filled = false;
        while (n > 0 && !queue_.empty()) {
            Slot* s = queue_.front();
            Frames k = std::min<Frames>(n, s->frames - s->offset);
            uint8_t* p = s->data + s->offset * 2;
            for (Frames i = 0; i < k; ++i) {
                uint16_t v = static_cast<uint16_t>(frames[i]);
                *p++ = static_cast<uint8_t>(v & 0xFF);
                *p++ = static_cast<uint8_t>(v >> 8);
            }
            s->offset += k;
            frames += k;
            n -= k;
            if (s->offset == s->frames) {
                queue_.pop_front();
                complete(s);
                filled = true;
            }
        }
        return filled;
    }

    void run() {
        using Clock = std::chrono::steady_clock;
        std::vector<int16_t> chunk(g_.period);
        // Audio that nobody wants is read no faster than it is made: a ring
        // ahead of the clock at most. Some devices hand it out without pause.
        Clock::time_point paceStart = Clock::now();
        uint64_t discarded = 0;
        std::unique_lock<std::mutex> lk(m_);
        while (!stop_) {
            if (dropsDone_ != dropsAsked_) {
                serveDrop(lk);
                running_ = false;
                continue;
            }
            if (!recording_ || broken_) {
                wake_.wait(lk);
                continue;
            }
            // A zero-length buffer is full as soon as it is its turn.
            while (!queue_.empty() && queue_.front()->frames == 0) {
                finish(queue_.front());
                queue_.pop_front();
            }
            if (!queue_.empty() || !running_) {
                paceStart = Clock::now();
                discarded = 0;
            } else if (discarded > g_.buffer) {
                auto due = paceStart + std::chrono::microseconds((discarded - g_.buffer) * 1000000 /
                                                                 static_cast<uint64_t>(g_.rate));
                if (Clock::now() < due) {
                    wake_.wait_until(lk, due, [&] {
                        return stop_ || !recording_ || !queue_.empty() || dropsDone_ != dropsAsked_;
                    });
                    continue;
                }
            }

            lk.unlock();
            bool ok = true;
            if (!running_) {
                ok = snd_pcm_start(pcm_) == 0 || (snd_pcm_prepare(pcm_) == 0 && snd_pcm_start(pcm_) == 0);
                running_ = ok;
            }
            snd_pcm_sframes_t n = ok ? snd_pcm_readi(pcm_, chunk.data(), g_.period) : -EBADFD;
            bool empty = false;
            if (n == -EAGAIN || n == 0) {
                empty = true;  // caught up with the device
                paceStart = Clock::now();
                discarded = 0;
            } else if (n < 0) {
                // Overrun: start again with fresh audio, after a breath.
                running_ = false;
                if (!recover(static_cast<int>(n))) ok = false;
                empty = true;
            }
            lk.lock();
            if (!ok) {
                broken_ = true;  // buffers stay empty; reset still returns them
                continue;
            }
            if (n > 0) {
                if (queue_.empty()) discarded += static_cast<uint64_t>(n);
                if (deliver(chunk.data(), static_cast<Frames>(n))) signalUnlocked(lk);
            }
            if (empty && !stop_ && recording_ && dropsDone_ == dropsAsked_) {
                lk.unlock();
                waitPcm(periodMs());
                lk.lock();
            }
        }
        workerGone_ = true;
        acked_.notify_all();
    }

    bool recording_ = false;
    bool running_ = false;  // worker only: the PCM has been started
};

class AlsaWaveDevices final : public WaveDevices {
public:
    AlsaWaveDevices(const char* input, const char* output)
        : input_(input && *input ? input : "default"), output_(output && *output ? output : "default") {}

    std::unique_ptr<WaveOutput> openOutput(int sampleRate) override {
        if (sampleRate <= 0) return nullptr;
        {
            std::lock_guard<std::mutex> guard(failures_->m);
            auto failed = failures_->at.find(output_);
            if (failed != failures_->at.end() && NowMs() - failed->second < RetryAfterFailureMs) return nullptr;
        }
        return std::make_unique<AlsaWaveOutput>(output_, sampleRate, failures_);
    }

    std::unique_ptr<WaveInput> openInput(int sampleRate) override {
        if (sampleRate <= 0) return nullptr;
        Geometry g;
        snd_pcm_t* pcm = OpenPcm(input_, SND_PCM_STREAM_CAPTURE, sampleRate, PeriodUs, InputRingUs, &g);
        if (!pcm) return nullptr;
        return std::make_unique<AlsaWaveInput>(pcm, g);
    }

private:
    static constexpr int64_t RetryAfterFailureMs = 1000;
    std::string input_;
    std::string output_;
    std::shared_ptr<OpenFailures> failures_ = std::make_shared<OpenFailures>();
};

}  // namespace

std::unique_ptr<WaveDevices> CreateSystemWaveDevices(const char* inputName, const char* outputName) {
    SilenceAlsa();
    return std::make_unique<AlsaWaveDevices>(inputName, outputName);
}

}  // namespace kv
