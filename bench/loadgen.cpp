// Traffic for the system benchmarks, from a network namespace of its own.
//
//   kv_loadgen blast ADDRESS PORT BYTE SECONDS
//     sends one-byte datagrams holding BYTE (e.g. 0x82, a short Leave) to
//     ADDRESS:PORT from one socket, as fast as the kernel takes them, for
//     SECONDS; prints "sent=<n> seconds=<s> rate=<r>".
//
//   kv_loadgen parties ADDRESS PORT COUNT FIRST_PORT SPEECH.wav
//     plays COUNT callers, each on its own UDP port FIRST_PORT + i: calls the
//     peer at ADDRESS:PORT (call request, confirmation of its accept), one
//     setup at a time (a busy peer is asked again), then sends the speech
//     (GSM 6.10, 4 frames of 65 bytes per datagram every 160 ms, each caller
//     from its own place in the file) until standard input says "stop" or
//     ends. Confirms every repeated accept, and counts the audio datagrams and
//     frames the peer sends to each caller. Prints
//       "all-connected count=<n> seconds=<s>" once every caller is in the call,
//       "caller index=<i> port=<p> connected=0|1 sent-frames=<n> received-datagrams=<n> received-frames=<n> left=0|1"
//     and "summary connected=<n> receiving=<n> count=<n>" at the end, then hangs
//     every caller up.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

extern "C" {
#include <gsm.h>
}

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/protocol.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

sockaddr_in Address(const char* dotted, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, dotted, &a.sin_addr) != 1) {
        std::fprintf(stderr, "kv_loadgen: bad address %s\n", dotted);
        std::exit(2);
    }
    return a;
}

int Blast(const char* dotted, int port, int byte, double seconds) {
    const sockaddr_in to = Address(dotted, port);
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) {
        std::perror("socket");
        return 1;
    }
    constexpr int Batch = 64;
    uint8_t payload = static_cast<uint8_t>(byte);
    iovec iov[Batch];
    mmsghdr messages[Batch];
    for (int i = 0; i < Batch; ++i) {
        iov[i] = {&payload, 1};
        messages[i] = {};
        messages[i].msg_hdr.msg_name = const_cast<sockaddr_in*>(&to);
        messages[i].msg_hdr.msg_namelen = sizeof to;
        messages[i].msg_hdr.msg_iov = &iov[i];
        messages[i].msg_hdr.msg_iovlen = 1;
    }
    long long sent = 0, errors = 0;
    const auto start = Clock::now();
    while (Since(start) < seconds) {
        int n = sendmmsg(s, messages, Batch, 0);
        if (n > 0)
            sent += n;
        else
            ++errors;
    }
    const double took = Since(start);
    close(s);
    std::printf("sent=%lld errors=%lld seconds=%.3f rate=%.0f\n", sent, errors, took, sent / took);
    return 0;
}

// 8 kHz mono 16-bit samples of a WAV file (the "data" chunk).
std::vector<int16_t> ReadWav(const char* path) {
    std::ifstream f(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        uint32_t size;
        std::memcpy(&size, &bytes[at + 4], 4);
        if (std::memcmp(&bytes[at], "data", 4) == 0) {
            size = std::min<uint32_t>(size, static_cast<uint32_t>(bytes.size() - at - 8));
            samples.resize(size / 2);
            std::memcpy(samples.data(), &bytes[at + 8], samples.size() * 2);
            break;
        }
        at += 8 + size + (size & 1);
    }
    return samples;
}

// The speech as 65-byte blocks of format tag 0x0031 (two libgsm frames each).
std::vector<uint8_t> EncodeGsm(const std::vector<int16_t>& speech) {
    gsm g = gsm_create();
    int one = 1;
    gsm_option(g, GSM_OPT_WAV49, &one);
    std::vector<uint8_t> blocks;
    for (size_t at = 0; at + 320 <= speech.size(); at += 320) {
        gsm_signal pcm[320];
        std::memcpy(pcm, &speech[at], sizeof pcm);
        uint8_t block[65];
        gsm_encode(g, pcm, block);
        gsm_encode(g, pcm + 160, block + 32);
        blocks.insert(blocks.end(), block, block + 65);
    }
    gsm_destroy(g);
    return blocks;
}

struct Caller {
    int socket = -1;
    int port = 0;
    bool connected = false;
    bool left = false;
    long long sentFrames = 0;
    long long receivedDatagrams = 0;
    long long receivedFrames = 0;
    size_t nextBlock = 0;
    Clock::time_point nextSend;
};

constexpr int FramesPerPacket = 4;
constexpr int BlockBytes = 65;
constexpr auto PacketTime = std::chrono::milliseconds(160);

int Parties(const char* dotted, int port, int count, int firstPort, const char* speechPath) {
    const sockaddr_in hub = Address(dotted, port);
    const std::vector<int16_t> speech = ReadWav(speechPath);
    const std::vector<uint8_t> blocks = EncodeGsm(speech);
    const size_t blockCount = blocks.size() / BlockBytes;
    if (blockCount < FramesPerPacket) {
        std::fprintf(stderr, "kv_loadgen: no speech in %s\n", speechPath);
        return 2;
    }
    std::vector<Caller> callers(count);
    for (int i = 0; i < count; ++i) {
        Caller& c = callers[i];
        c.socket = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(static_cast<uint16_t>(firstPort + i));
        if (c.socket < 0 || bind(c.socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            std::fprintf(stderr, "kv_loadgen: cannot bind port %d: %s\n", firstPort + i, std::strerror(errno));
            return 1;
        }
        fcntl(c.socket, F_SETFL, O_NONBLOCK);
        c.port = firstPort + i;
        c.nextBlock = (blockCount * static_cast<size_t>(i) / count) % blockCount;
    }
    fcntl(0, F_SETFL, O_NONBLOCK);

    auto send = [&](Caller& c, const kv::Datagram& d) {
        sendto(c.socket, d.bytes, d.length, 0, reinterpret_cast<const sockaddr*>(&hub), sizeof hub);
    };
    auto sendAudio = [&](Caller& c) {
        uint8_t packet[1 + FramesPerPacket * BlockBytes];
        packet[0] = 0;  // codec 0, GSM 6.10
        for (int f = 0; f < FramesPerPacket; ++f) {
            std::memcpy(packet + 1 + f * BlockBytes, &blocks[c.nextBlock * BlockBytes], BlockBytes);
            c.nextBlock = (c.nextBlock + 1) % blockCount;
        }
        sendto(c.socket, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&hub), sizeof hub);
        c.sentFrames += FramesPerPacket;
    };

    const auto start = Clock::now();
    int setting = 0;                 // the caller whose setup runs
    Clock::time_point setupRetry = start;
    int attempts = 0;
    bool announced = false;
    bool stop = false;
    std::vector<pollfd> fds(count + 1);
    for (int i = 0; i < count; ++i) fds[i] = {callers[i].socket, POLLIN, 0};
    fds[count] = {0, POLLIN, 0};
    char identity[32];

    while (!stop) {
        const auto now = Clock::now();
        // The setup of the next caller: a call request, again after 500 ms
        // without an answer or 20 ms after a busy reply.
        if (setting < count && now >= setupRetry) {
            if (attempts >= 40) {
                std::fprintf(stderr, "kv_loadgen: caller %d got no accept\n", setting);
                ++setting;
                attempts = 0;
            } else {
                std::snprintf(identity, sizeof identity, "Caller%02d", setting);
                send(callers[setting], kv::BuildCallRequest(0, identity));
                ++attempts;
                setupRetry = now + std::chrono::milliseconds(500);
            }
        }
        if (setting >= count && !announced) {
            int connected = 0;
            for (const Caller& c : callers) connected += c.connected ? 1 : 0;
            std::printf("all-connected count=%d seconds=%.2f\n", connected, Since(start));
            std::fflush(stdout);
            announced = true;
        }
        // Audio of every connected caller, on its own 160 ms clock.
        Clock::time_point next = setting < count ? setupRetry : now + std::chrono::milliseconds(200);
        for (Caller& c : callers) {
            if (!c.connected || c.left) continue;
            while (c.nextSend <= now) {
                sendAudio(c);
                c.nextSend += PacketTime;
            }
            next = std::min(next, c.nextSend);
        }
        const int wait = static_cast<int>(
            std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count()));
        if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR) break;

        if (fds[count].revents) {
            char line[256];
            ssize_t n = read(0, line, sizeof line - 1);
            if (n == 0 || (n > 0 && std::strstr(std::string(line, n).c_str(), "stop"))) stop = true;
            if (n < 0 && errno != EAGAIN) stop = true;
        }
        for (int i = 0; i < count; ++i) {
            if (!fds[i].revents) continue;
            Caller& c = callers[i];
            for (;;) {
                uint8_t d[kv::MaxDatagram];
                sockaddr_in from{};
                socklen_t fromLength = sizeof from;
                ssize_t n = recvfrom(c.socket, d, sizeof d, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
                if (n <= 0) break;
                if (d[0] < 0x80) {
                    ++c.receivedDatagrams;
                    c.receivedFrames += (n - 1) / BlockBytes;
                    continue;
                }
                if (d[0] == kv::protocol::Leave) {
                    c.left = true;
                    continue;
                }
                kv::CallReplyFields reply;
                if (d[0] != kv::protocol::CallReply || !kv::ParseCallReply(d, static_cast<int>(n), &reply)) continue;
                if (reply.subCode == kv::protocol::Accepted) {
                    // Every accept, the first and its repetitions, gets its confirmation.
                    send(c, kv::BuildAcceptConfirmed(0));
                    if (!c.connected && i == setting) {
                        c.connected = true;
                        // Spread the callers' packets over the 160 ms.
                        c.nextSend = Clock::now() + std::chrono::milliseconds(200 + (i * 160) / count);
                        ++setting;
                        attempts = 0;
                        setupRetry = Clock::now();
                    }
                } else if (reply.subCode == kv::protocol::Busy && i == setting) {
                    setupRetry = Clock::now() + std::chrono::milliseconds(20);
                } else if (reply.subCode != kv::protocol::Alerting && i == setting) {
                    std::fprintf(stderr, "kv_loadgen: caller %d: reply %d\n", i, reply.subCode);
                    ++setting;
                    attempts = 0;
                    setupRetry = Clock::now();
                }
            }
        }
    }

    int connected = 0, receiving = 0;
    for (int i = 0; i < count; ++i) {
        const Caller& c = callers[i];
        connected += c.connected ? 1 : 0;
        receiving += c.receivedFrames > 0 ? 1 : 0;
        std::printf("caller index=%d port=%d connected=%d sent-frames=%lld received-datagrams=%lld received-frames=%lld "
                    "left=%d\n",
                    i, c.port, c.connected ? 1 : 0, c.sentFrames, c.receivedDatagrams, c.receivedFrames, c.left ? 1 : 0);
    }
    std::printf("summary connected=%d receiving=%d count=%d\n", connected, receiving, count);
    std::fflush(stdout);
    for (Caller& c : callers) {
        if (c.connected && !c.left) send(c, kv::BuildLeave(0));
        close(c.socket);
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: kv_loadgen blast ADDRESS PORT BYTE SECONDS\n"
                 "       kv_loadgen parties ADDRESS PORT COUNT FIRST_PORT SPEECH.wav\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "blast") == 0)
        return Blast(argv[2], std::atoi(argv[3]), static_cast<int>(std::strtol(argv[4], nullptr, 0)), std::atof(argv[5]));
    if (argc == 7 && std::strcmp(argv[1], "parties") == 0) {
        const int count = std::atoi(argv[4]);
        if (count < 1 || count > 1000) return Usage();
        return Parties(argv[2], std::atoi(argv[3]), count, std::atoi(argv[5]), argv[6]);
    }
    return Usage();
}
