// The adaptive jitter buffer on a virtual clock, at 8000 and 16000 Hz: a
// sender of a 230 Hz tone (a period of 34.8 or 69.6 samples, so that no
// integer lag fits it exactly), a network that delays, stalls or loses its
// datagrams, and a render side that pulls 10 ms every 10 ms.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "audio/jitter_buffer.h"

using kv::JitterBuffer;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double ToneHz = 230, Amplitude = 10000;
double SteadyStep(int rate) { return 2 * Amplitude * std::sin(Pi * ToneHz / rate); }

struct Sent {
    double arrivalMs;
    std::vector<int16_t> samples;
};

struct Landing {
    double ms;
    int queuedMs, targetMs;
};

struct Played {
    std::vector<int16_t> out;
    std::vector<Landing> landings;
    int64_t lostSamples = 0, longestLoss = 0;
    int64_t firstPlayed = -1;  // the index of the first sample played
    JitterBuffer::Counters counters;
    int lossPercent = 0;  // the buffer's measure at the end
};

// datagramSamples every intervalMs of the sender's clock; network(sendMs)
// gives the arrival time, or a negative one for a datagram lost. Arrivals
// are seen every stepMs (a divisor of 10), the pulls every 10 ms after them.
Played Simulate(int rate, int datagramSamples, double intervalMs, double seconds, const std::function<double(double)>& network,
             int minDelay = 0, int maxDelay = 1000, int stepMs = 10) {
    JitterBuffer jb(rate);
    jb.setDelayBounds(minDelay, maxDelay);
    Played r;
    std::vector<Sent> flight;
    int64_t produced = 0, lossRun = 0;
    double nextSend = 0;
    std::vector<int16_t> block(static_cast<size_t>(jb.blockSamples()));
    for (int64_t now = 0; now < static_cast<int64_t>(seconds * 1000); now += stepMs) {
        for (; nextSend <= now; nextSend += intervalMs) {
            Sent s;
            for (int i = 0; i < datagramSamples; ++i)
                s.samples.push_back(static_cast<int16_t>(Amplitude * std::sin(2 * Pi * ToneHz * (produced + i) / rate)));
            produced += datagramSamples;
            s.arrivalMs = network(nextSend);
            if (s.arrivalMs < 0) {
                r.lostSamples += datagramSamples;
                lossRun += datagramSamples;
                r.longestLoss = std::max(r.longestLoss, lossRun);
                continue;
            }
            lossRun = 0;
            flight.push_back(std::move(s));
        }
        for (size_t i = 0; i < flight.size();) {
            if (flight[i].arrivalMs <= now) {
                jb.put(flight[i].samples.data(), static_cast<int>(flight[i].samples.size()), now);
                r.landings.push_back({double(now), jb.queuedMs(), jb.targetMs()});
                flight.erase(flight.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
        if (now % 10 != 0) continue;
        const JitterBuffer::Action a = jb.pull(block.data(), now);
        if (a != JitterBuffer::Action::Idle && r.firstPlayed < 0) r.firstPlayed = static_cast<int64_t>(r.out.size());
        r.out.insert(r.out.end(), block.begin(), block.end());
    }
    r.counters = jb.counters();
    r.lossPercent = jb.lossPercent();
    return r;
}

// The largest step between neighbouring samples, against the tone's own.
void ExpectNoClicks(const Played& r, int rate) {
    double worst = 0;
    size_t where = 0;
    for (size_t i = 1; i < r.out.size(); ++i) {
        const double step = std::abs(double(r.out[i]) - r.out[i - 1]);
        if (step > worst) {
            worst = step;
            where = i;
        }
    }
    EXPECT_LE(worst, 2 * SteadyStep(rate)) << "at sample " << where << " (" << where * 1000 / rate << " ms)";
}

// The queue as datagrams land, from `fromMs` to `toMs`, within `ms` of the target.
void ExpectNearTarget(const Played& r, double fromMs, double toMs, int ms) {
    int checked = 0;
    for (const Landing& l : r.landings) {
        if (l.ms < fromMs || l.ms > toMs) continue;
        ++checked;
        ASSERT_LE(std::abs(l.queuedMs - l.targetMs), ms)
            << "at " << l.ms << " ms: " << l.queuedMs << " ms queued for a target of " << l.targetMs;
    }
    EXPECT_GT(checked, 10);
}

int TargetAt(const Played& r, double ms) {
    int t = -1;
    for (const Landing& l : r.landings)
        if (l.ms <= ms) t = l.targetMs;
    return t;
}

}  // namespace

// Every case at the narrow-band rate and at the wideband one.
class JitterBufferAt : public ::testing::TestWithParam<int> {
protected:
    int rate() const { return GetParam(); }
    int ms(int m) const { return m * GetParam() / 1000; }
};

INSTANTIATE_TEST_SUITE_P(Rates, JitterBufferAt, ::testing::Values(8000, 16000));

TEST_P(JitterBufferAt, AStallOf400MsIsShedWithin4SecondsWithoutClicks) {
    for (int frames : {1, 4}) {
        SCOPED_TRACE(frames);
        // Everything sent during the stall arrives when it ends.
        const Played r = Simulate(rate(), ms(40) * frames, 40.0 * frames, 30, [](double sent) {
            return (sent >= 10000 && sent < 10400) ? 10420.0 : sent + 20;
        });
        ExpectNearTarget(r, 5000, 10000, 20);
        ExpectNearTarget(r, 14420, 30000, 20);
        EXPECT_LE(std::abs(TargetAt(r, 20000) - TargetAt(r, 9900)), 40);
        EXPECT_GT(r.counters.accelerated, ms(300));  // the 400 ms were shed, not dropped
        EXPECT_EQ(r.counters.dropped, 0);
        ExpectNoClicks(r, rate());
    }
}

TEST_P(JitterBufferAt, ASendersClockDriftOfAThousandthIsAbsorbedForTenMinutes) {
    // Seen on the pulls' grid, and to the millisecond (the landings then
    // move across the grid, and the margin for it comes and goes: the queue
    // is a second late to follow the target down when speech has no pause).
    // Wideband, to the millisecond for two minutes: the same grid, at four
    // times the cost of each search for a period.
    const bool wide = rate() > 8000;
    const int seconds = wide ? 120 : 600;
    for (int step : {10, 1})
    for (double drift : {1.001, 1 / 1.001}) {
        if (wide && step == 10) continue;
        SCOPED_TRACE(std::to_string(drift) + " seen every " + std::to_string(step) + " ms");
        const Played r =
            Simulate(rate(), ms(160), 160 / drift, seconds, [](double sent) { return sent + 30; }, 0, 1000, step);
        ExpectNearTarget(r, 5000, seconds * 1000, 30);
        // A thousandth of the time more audio than played, or less, less what the target took.
        const int absorbed = ms(seconds * 5 / 6);
        if (drift > 1) EXPECT_GT(r.counters.accelerated, absorbed);
        else EXPECT_GT(r.counters.stretched, absorbed);
        EXPECT_EQ(r.counters.concealed, 0);
        ExpectNoClicks(r, rate());
    }
}

TEST_P(JitterBufferAt, ASteadyStreamThatLandsWellBeforeAPullPlaysWithoutTheMargin) {
    for (int frames : {1, 4}) {
        // Landing 7 ms before a pull, then 1 ms before one.
        for (double transit : {33.0, 39.0}) {
            SCOPED_TRACE(std::to_string(frames) + " frames, " + std::to_string(transit) + " ms");
            const Played r = Simulate(rate(), ms(40) * frames, 40.0 * frames, 20, [&](double sent) { return sent + transit; },
                                      0, 1000, 1);
            const int expected = 40 * frames + (transit == 33.0 ? 0 : 10);
            EXPECT_EQ(TargetAt(r, 19000), expected);
            double sum = 0;
            int n = 0;
            for (const Landing& l : r.landings)
                if (l.ms > 10000) sum += l.queuedMs, ++n;
            // Without the margin, the block of it is no longer queued.
            if (transit == 33.0) {
                EXPECT_LE(sum / n, expected + 5);  // less than a pitch period more
            }
            ExpectNearTarget(r, 10000, 20000, 20);
            EXPECT_EQ(r.counters.concealed, 0);
        }
    }
}

TEST_P(JitterBufferAt, PullsThatComeFourAtATimeKeepTheMargin) {
    JitterBuffer jb(rate());
    std::vector<int16_t> datagram(static_cast<size_t>(ms(160)), 1000), block(static_cast<size_t>(ms(10)));
    for (int64_t now = 0; now < 20000; ++now) {
        if (now % 160 == 5) jb.put(datagram.data(), ms(160), now);  // 35 ms before a burst
        if (now % 40 == 0)
            for (int k = 0; k < 4; ++k) jb.pull(block.data(), now);
    }
    EXPECT_EQ(jb.targetMs(), 170);
}

TEST_P(JitterBufferAt, WithFivePercentLossTheSpeakerIsNeverSilentLongerThanWhatWasLost) {
    for (int frames : {1, 4}) {
        SCOPED_TRACE(frames);
        std::mt19937 random(frames);
        std::uniform_real_distribution<double> chance(0, 1), jitter(0, 30);
        const Played r = Simulate(rate(), ms(40) * frames, 40.0 * frames, 120, [&](double sent) {
            return chance(random) < 0.05 ? -1.0 : sent + 20 + jitter(random);
        });
        ASSERT_GT(r.lostSamples, 0);
        ASSERT_GE(r.firstPlayed, 0);
        int64_t silent = 0, run = 0, longest = 0;
        for (size_t i = static_cast<size_t>(r.firstPlayed); i < r.out.size(); ++i) {
            if (std::abs(r.out[i]) <= 50) {
                ++silent;
                longest = std::max(longest, ++run);
            } else {
                run = 0;
            }
        }
        EXPECT_LE(longest, r.longestLoss);
        EXPECT_LE(silent, r.lostSamples);
        // A lost datagram is no lateness: the target stays what the jitter asks.
        int highest = 0;
        for (const Landing& l : r.landings)
            if (l.ms > 10000) highest = std::max(highest, l.targetMs);
        EXPECT_LE(highest, 40 * frames + 30 + 20 + 15);
        EXPECT_GT(r.counters.merges, 0);
        ExpectNoClicks(r, rate());
    }
}

// What Opus's FEC is told to expect: 20 ms datagrams, 5% of them lost, are
// measured as about 5% lost; jitter of up to 8 ms alone as none.
TEST_P(JitterBufferAt, TheLossOfShortDatagramsIsMeasuredAndTheirJitterIsNoLoss) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> chance(0, 1), jitter(0, 8);
    const Played lossy = Simulate(rate(), ms(20), 20, 60, [&](double sent) {
        return chance(random) < 0.05 ? -1.0 : sent + 20;
    }, 0, 1000, 1);
    EXPECT_GE(lossy.lossPercent, 3);
    EXPECT_LE(lossy.lossPercent, 8);
    const Played jittery = Simulate(rate(), ms(20), 20, 60, [&](double sent) { return sent + 20 + jitter(random); },
                                    0, 1000, 1);
    EXPECT_LE(jittery.lossPercent, 1);
}

TEST_P(JitterBufferAt, JitterAloneLeavesSpeechAsItIsOnceTheTargetHasSettled) {
    for (int frames : {1, 4}) {
        SCOPED_TRACE(frames);
        std::mt19937 random(frames);
        std::uniform_real_distribution<double> jitter(-30, 30);
        // Datagrams of 160 ms stay in order; those of 40 ms may not, and a
        // tone is none the worse for it.
        const Played settling = Simulate(rate(), ms(40) * frames, 40.0 * frames, 10, [&](double sent) {
            return sent + 50 + jitter(random);
        });
        random.seed(frames);
        const Played r = Simulate(rate(), ms(40) * frames, 40.0 * frames, 70, [&](double sent) {
            return sent + 50 + jitter(random);
        });
        // Over the last minute, what was changed is under 1% of what played.
        const int64_t changed = (r.counters.accelerated - settling.counters.accelerated) +
                                (r.counters.stretched - settling.counters.stretched);
        EXPECT_LT(changed, 60 * rate() / 100);
    }
}
