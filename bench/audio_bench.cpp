// Audio engine benchmarks. Prints its figures; asserts nothing.
//   - GSM 6.10 blocks encoded and decoded per second through CodecStream, and
//     through libgsm called directly (Linux), in the same run
//   - Truespeech blocks encoded and decoded per second through CodecStream
//     (the speech sample), our decoder alone on random blocks with and without
//     the postfilter, and the share of one core the codec work of a
//     two-party call takes on each side for both codecs
//   - the cost of feedPayload per frame into a playing buffer
//   - CPU used by an idle open playout buffer and by an idle capture
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "audio/capture.h"
#include "audio/codec.h"
#include "audio/media_channel.h"
#include "audio/opus_voice.h"
#include "audio/truespeech.h"
#include "platform/file/wav_file_devices.h"
#include "platform/manual_wave.h"

#ifndef _WIN32
#include <gsm.h>
#include <sys/resource.h>
#endif

using namespace kv;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double CpuSeconds() {
#ifndef _WIN32
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
#else
    return double(std::clock()) / CLOCKS_PER_SEC;
#endif
}

std::vector<int16_t> TestSignal(int blocks) {
    std::vector<int16_t> pcm(static_cast<size_t>(blocks) * 320);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(6000 * std::sin(i * 0.07) + 3000 * std::sin(i * 0.31) + (int(i * 7919) % 601) - 300);
    return pcm;
}

constexpr int Blocks = 20000;
constexpr int Rounds = 3;

struct Rates {
    double encode = 0, decode = 0;
};

// Best of several rounds, so a busy moment of the machine does not decide. The
// samples are used in order, from the start again where they run out.
Rates ThroughCodecStream(int codec, const std::vector<int16_t>& pcm, int count, std::vector<uint8_t>* blocks) {
    const CodecEntry& e = CodecTable[codec];
    const size_t samples = size_t(e.pcmBytesPerFrame) / 2, bytes = size_t(e.codecBytesPerFrame);
    const size_t inPcm = pcm.size() / samples;
    Rates best;
    blocks->assign(size_t(count) * bytes, 0);
    for (int round = 0; round < Rounds; ++round) {
        StreamHeader h;
        CodecStream enc = openEncoder(codec, &h);
        auto t = Clock::now();
        for (int b = 0; b < count; ++b)
            encodeFrame(enc, &h, reinterpret_cast<const uint8_t*>(&pcm[size_t(b) % inPcm * samples]),
                        &(*blocks)[size_t(b) * bytes], codec);
        best.encode = std::max(best.encode, count / Seconds(t));
        closeStream(enc, &h);

        CodecStream dec = openDecoder(codec, &h);
        std::vector<uint8_t> out(size_t(e.pcmBytesPerFrame));
        t = Clock::now();
        for (int b = 0; b < count; ++b) decodeFrame(dec, &h, &(*blocks)[size_t(b) * bytes], out.data(), codec);
        best.decode = std::max(best.decode, count / Seconds(t));
        closeStream(dec, &h);
    }
    return best;
}

// The share of one core (in %) that one side of a two-party call spends on the
// codec: it encodes and decodes one block per block duration.
double CallShare(int codec, const Rates& r) {
    const CodecEntry& e = CodecTable[codec];
    const double blocksPerSecond = 8000.0 / (e.pcmBytesPerFrame / 2);
    return blocksPerSecond * (1 / r.encode + 1 / r.decode) * 100;
}

#ifndef _WIN32
Rates ThroughLibgsm(const std::vector<int16_t>& pcm, const std::vector<uint8_t>& blocks) {
    Rates best;
    for (int round = 0; round < Rounds; ++round) {
        gsm g = gsm_create();
        int one = 1;
        gsm_option(g, GSM_OPT_WAV49, &one);
        std::vector<gsm_signal> in(pcm.begin(), pcm.end());
        gsm_byte out[65];
        auto t = Clock::now();
        for (int b = 0; b < Blocks; ++b) {
            gsm_encode(g, &in[size_t(b) * 320], out);
            gsm_encode(g, &in[size_t(b) * 320 + 160], out + 32);
        }
        best.encode = std::max(best.encode, Blocks / Seconds(t));
        gsm_destroy(g);

        g = gsm_create();
        gsm_option(g, GSM_OPT_WAV49, &one);
        gsm_signal samples[320];
        std::vector<gsm_byte> src(blocks.begin(), blocks.end());
        t = Clock::now();
        for (int b = 0; b < Blocks; ++b) {
            gsm_decode(g, &src[size_t(b) * 65], samples);
            gsm_decode(g, &src[size_t(b) * 65 + 33], samples + 160);
        }
        best.decode = std::max(best.decode, Blocks / Seconds(t));
        gsm_destroy(g);
    }
    return best;
}
#endif

// Best of several rounds, decoding random blocks (they reach every path,
// saturation included) with one state in order.
double TrueSpeechDecodeRate(bool postfilter) {
    std::vector<uint8_t> blocks(size_t(Blocks) * TrueSpeechBlockBytes);
    uint32_t x = 20051;
    for (uint8_t& b : blocks) {
        x = x * 1664525u + 1013904223u;
        b = uint8_t(x >> 24);
    }
    double best = 0;
    int sum = 0;
    for (int round = 0; round < Rounds; ++round) {
        TrueSpeechState state;
        int16_t out[TrueSpeechBlockSamples];
        auto t = Clock::now();
        for (int b = 0; b < Blocks; ++b) {
            DecodeBlock(state, &blocks[size_t(b) * TrueSpeechBlockBytes], out, postfilter);
            sum += out[b % TrueSpeechBlockSamples];
        }
        best = std::max(best, Blocks / Seconds(t));
    }
    if (sum == 1) std::printf(" ");  // keeps the decoding from being optimised away
    return best;
}

void FeedPayloadCost(const std::vector<uint8_t>& blocks) {
    ManualWaveDevices devices;
    MediaChannel channel(&devices);
    channel.playout.setMinDelay(0);
    channel.playout.setMaxDelay(100000);
    const int payloads = 20000;
    double total = 0;
    for (int p = 0; p < payloads; ++p) {
        auto t = Clock::now();
        channel.feedPayload(0, &blocks[size_t(p % (Blocks / 4)) * 4 * 65], 4 * 65);  // four frames
        total += Seconds(t);
        devices.markPlayed(4);  // the device keeps up, as a real one does
        while (channel.playout.queuedSlots() > 60) std::this_thread::yield();
    }
    std::printf("feedPayload into a playing buffer: %.2f us per frame (4 frames per payload)\n",
                total / (payloads * 4.0) * 1e6);
}

double IdleCpuPercent(double seconds) {
    double cpu0 = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return (CpuSeconds() - cpu0) / seconds * 100;
}

}  // namespace

// Opus at 24 kbit/s on wideband speech made from the narrowband recording
// (each sample twice; only the time matters here): microseconds per 20 ms
// frame encoded and decoded.
void OpusFrameCost(const std::vector<int16_t>& speech8k) {
    std::vector<int16_t> wide;
    for (int16_t v : speech8k) wide.insert(wide.end(), {v, v});
    const int frame = OpusVoiceEncoder::FrameSamples;
    const size_t frames = wide.size() / size_t(frame);
    OpusVoiceEncoder enc;
    OpusVoiceDecoder dec;
    if (!enc.open() || !dec.open() || frames == 0) {
        std::printf("Opus: libopus refused to open\n");
        return;
    }
    std::vector<std::vector<uint8_t>> packets;
    uint8_t buf[OpusVoiceEncoder::MaxPacketBytes];
    int16_t out[OpusVoiceEncoder::FrameSamples];
    const int rounds = 4;
    auto t0 = Clock::now();
    for (int r = 0; r < rounds; ++r)
        for (size_t k = 0; k < frames; ++k) {
            const int n = enc.encode(&wide[k * size_t(frame)], buf, sizeof buf);
            if (r == 0) packets.emplace_back(buf, buf + (n > 0 ? n : 0));
        }
    auto t1 = Clock::now();
    long sum = 0;
    for (int r = 0; r < rounds; ++r)
        for (const auto& p : packets) sum += dec.decode(p.data(), int(p.size()), out, frame);
    auto t2 = Clock::now();
    const double encUs = std::chrono::duration<double, std::micro>(t1 - t0).count() / double(rounds * frames);
    const double decUs = std::chrono::duration<double, std::micro>(t2 - t1).count() / double(rounds * packets.size());
    std::printf("Opus 24 kbit/s, wideband: %.1f us per 20 ms frame encoded, %.1f us decoded (%.3f%% of one core "
                "for one side of a call)%s\n",
                encUs, decUs, (encUs + decUs) / 20000 * 100, sum == 1 ? " " : "");
}

int main(int argc, char** argv) {
    const char* speechPath = argc > 1 ? argv[1] : "tests/data/speech8k.wav";
    std::vector<int16_t> speech;
    std::string error;
    if (!ReadPcm8kMonoWav(speechPath, &speech, &error) || speech.size() < TrueSpeechBlockSamples) {
        std::fprintf(stderr, "kv_audio_bench: %s: %s\n", speechPath, error.c_str());
        return 2;
    }
    std::printf("KestroVox audio benchmarks\n\n");
    std::vector<int16_t> pcm = TestSignal(Blocks);
    std::vector<uint8_t> blocks;
    Rates ours = ThroughCodecStream(0, pcm, Blocks, &blocks);
    std::printf("GSM 6.10 through CodecStream: %8.0f blocks/s encoded, %8.0f blocks/s decoded\n", ours.encode,
                ours.decode);
#ifndef _WIN32
    Rates direct = ThroughLibgsm(pcm, blocks);
    std::printf("GSM 6.10 through libgsm:      %8.0f blocks/s encoded, %8.0f blocks/s decoded\n", direct.encode,
                direct.decode);
    std::printf("CodecStream against libgsm:   %+7.1f%% encoding, %+7.1f%% decoding\n",
                (ours.encode / direct.encode - 1) * 100, (ours.decode / direct.decode - 1) * 100);
#endif
    for (bool postfilter : {true, false}) {
        double rate = TrueSpeechDecodeRate(postfilter);
        std::printf("%-29s %8.0f blocks/s decoded, %.2f us per block\n",
                    postfilter ? "Truespeech (our decoder):" : "Truespeech, no postfilter:", rate, 1e6 / rate);
    }
    std::vector<uint8_t> truespeech;
    Rates ts = ThroughCodecStream(1, speech, 3000, &truespeech);
    std::printf("Truespeech through CodecStream: %6.0f blocks/s encoded (%.1f us per block), %6.0f blocks/s decoded "
                "(%.2f us per block), speech\n",
                ts.encode, 1e6 / ts.encode, ts.decode, 1e6 / ts.decode);
    std::printf("codec work of one side of a two-party call: GSM 6.10 %.3f%%, Truespeech %.3f%% of one core\n",
                CallShare(0, ours), CallShare(1, ts));
    FeedPayloadCost(blocks);
    OpusFrameCost(speech);

    const double window = 3.0;
    double baseline = IdleCpuPercent(1.0);
    {
        ManualWaveDevices devices;
        PlayoutBuffer idle(&devices);
        idle.setMinDelay(100000);  // stays open and prebuffering: the monitor sleeps
        idle.setMaxDelay(100000);
        uint8_t frame[640] = {};
        idle.write(8000, frame, 640);
        std::printf("idle open playout buffer: %.3f%% of one core (baseline %.3f%%)\n", IdleCpuPercent(window),
                    baseline);
    }
    {
        // An open capture on the real-time WAV microphone, read as each frame
        // is filled (the transmit loop sleeps in waitFrame), all of it held
        // back as silence.
        std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
        std::string mic = dir + "/kv_bench_silence.wav";
        std::FILE* f = std::fopen(mic.c_str(), "wb");
        const uint8_t header[44] = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                    16,  0,   0,   0,   1,  0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0,
                                    2,   0,   16,  0,   'd', 'a', 't', 'a', 0, 0, 0, 0};
        std::fwrite(header, 1, sizeof header, f);
        std::fclose(f);
        std::string error;
        auto devices = CreateWavFileDevices(mic.c_str(), nullptr, &error, nullptr, -1, nullptr, CoreRate);
        CaptureDevice capture;
        capture.devices = devices.get();
        capture.inputThreshold = -30;
        capture.startSending(0, 500);
        bool stop = false;
        std::thread reader([&] {
            uint8_t out[65];
            while (!stop) {
                if (capture.waitFrame(100)) capture.readEncodedFrame(out);
            }
        });
        std::printf("idle capture (WAV microphone, read as frames fill): %.3f%% of one core\n", IdleCpuPercent(window));
        stop = true;
        reader.join();
        capture.stopSending();
        std::remove(mic.c_str());
    }
    return 0;
}
