// Junk datagrams for the system tests under hostile traffic:
//   kv_flood ADDRESS PORT RATE SECONDS [SEED [step1]]
// sends RATE UDP datagrams per second to ADDRESS:PORT for SECONDS, then stops
// and prints "sent=<n> port0=<n> fragmented=<n> errors=<n> seconds=<s> rate=<r>".
//
// Every datagram is built by hand (IPv4 and UDP headers) and sent through a raw
// socket, so that its source port can be anything, 0 included: one in ten
// comes from port 0, the rest from random ports. Payloads are 0..1500 bytes of
// random data whose first byte is one of the control opcodes (0x80..0x85, with
// a small second byte that often is a valid sub-code), some other byte at or
// above 0x80, or an audio byte (codec index) below 0x80. A datagram longer
// than one link frame goes as two IP fragments, as the kernel would send it.
//
// With "step1" every datagram is instead a valid-looking step 1 of a private
// call's handshake: 86 01, 32 random bytes (an ephemeral key nobody holds),
// 96 zero bytes, 130 bytes in all, each from a random source port (never 0).
//
// The destination must lie on the subnet of one of this host's own interfaces
// (in the tests: an address of another network namespace on the same bridge),
// or it is refused. Needs root (a raw socket). Bounded: at most RATE x SECONDS
// datagrams, and it stops at SECONDS whatever was sent.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/protocol.h"

namespace {

constexpr int LinkMtu = 1500;
constexpr int IpHeader = 20;
constexpr int UdpHeader = 8;
constexpr int MaxPayload = 1500;
constexpr int FirstFragmentData = 1480;  // a multiple of 8 that fills one frame
constexpr int Batch = 64;

struct Random {
    uint64_t state;
    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }
};

// The address of the local interface whose subnet holds `to`; false when none does.
bool LocalAddressFor(in_addr to, in_addr* from) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool found = false;
    for (ifaddrs* i = list; i && !found; i = i->ifa_next) {
        if (!i->ifa_addr || !i->ifa_netmask || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP))
            continue;
        const in_addr address = reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr;
        const in_addr mask = reinterpret_cast<sockaddr_in*>(i->ifa_netmask)->sin_addr;
        if ((address.s_addr & mask.s_addr) == (to.s_addr & mask.s_addr)) {
            *from = address;
            found = true;
        }
    }
    freeifaddrs(list);
    return found;
}

void PutIpHeader(uint8_t* p, in_addr from, in_addr to, int totalLength, uint16_t id, uint16_t fragment) {
    p[0] = 0x45;  // version 4, 5 words
    p[1] = 0;
    const uint16_t length = htons(static_cast<uint16_t>(totalLength));
    std::memcpy(p + 2, &length, 2);
    const uint16_t ident = htons(id), frag = htons(fragment);
    std::memcpy(p + 4, &ident, 2);
    std::memcpy(p + 6, &frag, 2);
    p[8] = 64;  // time to live
    p[9] = IPPROTO_UDP;
    p[10] = p[11] = 0;  // the kernel fills in the checksum
    std::memcpy(p + 12, &from.s_addr, 4);
    std::memcpy(p + 16, &to.s_addr, 4);
}

void FillPayload(Random& r, uint8_t* p, int length) {
    for (int i = 0; i < length; i += 8) {
        const uint64_t bits = r.next();
        std::memcpy(p + i, &bits, size_t(length - i < 8 ? length - i : 8));
    }
    if (length == 0) return;
    const uint32_t kind = r.below(10);
    if (kind < 5) {
        p[0] = static_cast<uint8_t>(kv::protocol::CallRequest + r.below(kv::protocol::ShortMessageReply -
                                                                        kv::protocol::CallRequest + 1));
        if (length > 1) p[1] = static_cast<uint8_t>(r.below(8));
    } else if (kind < 7) {
        p[0] = static_cast<uint8_t>(0x86 + r.below(0x100 - 0x86));
    } else {
        p[0] = static_cast<uint8_t>(r.below(0x80));
    }
}

// 86 01, a random ephemeral key, the 96 zero bytes of step 1's payload.
constexpr int Step1Length = 130;
void FillStep1(Random& r, uint8_t* p) {
    p[0] = 0x86;
    p[1] = 0x01;
    for (int i = 2; i < 34; i += 8) {
        const uint64_t bits = r.next();
        std::memcpy(p + i, &bits, 8);
    }
    std::memset(p + 34, 0, Step1Length - 34);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || argc > 7 || (argc == 7 && std::strcmp(argv[6], "step1") != 0)) {
        std::fprintf(stderr, "usage: kv_flood ADDRESS PORT RATE SECONDS [SEED [step1]]\n");
        return 2;
    }
    const bool step1 = argc == 7;
    in_addr to{}, from{};
    const long port = std::atol(argv[2]), rate = std::atol(argv[3]);
    const double seconds = std::atof(argv[4]);
    Random random{argc >= 6 ? std::strtoull(argv[5], nullptr, 10) | 1 : 0x2545F4914F6CDD1Dull};
    if (inet_pton(AF_INET, argv[1], &to) != 1 || port < 1 || port > 65535 || rate < 1 || rate > 200000 ||
        !(seconds > 0 && seconds <= 600)) {
        std::fprintf(stderr, "kv_flood: bad address, port (1..65535), rate (1..200000) or seconds (0..600]\n");
        return 2;
    }
    if (!LocalAddressFor(to, &from)) {
        std::fprintf(stderr, "kv_flood: %s is not on the subnet of any interface here\n", argv[1]);
        return 2;
    }
    const int fd = socket(AF_INET, SOCK_RAW, IPPROTO_RAW);  // IP_HDRINCL is implied
    if (fd < 0) {
        std::fprintf(stderr, "kv_flood: raw socket: %s\n", std::strerror(errno));
        return 1;
    }
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr = to;

    // Up to two IP packets per datagram in one batch.
    std::vector<uint8_t> packets(size_t(2 * Batch) * LinkMtu);
    std::vector<iovec> vectors(2 * Batch);
    std::vector<mmsghdr> messages(2 * Batch);

    const long total = static_cast<long>(rate * seconds);
    long sent = 0, fromPortZero = 0, fragmented = 0, errors = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                      std::chrono::duration<double>(seconds));
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (sent >= total || now >= deadline) break;
        const double elapsed = std::chrono::duration<double>(now - start).count();
        long due = static_cast<long>(elapsed * rate) + 1;
        if (due > total) due = total;
        while (sent < due) {
            const int count = static_cast<int>(due - sent < Batch ? due - sent : Batch);
            int n = 0;
            for (int k = 0; k < count; ++k) {
                const int payload = step1 ? Step1Length : static_cast<int>(random.below(MaxPayload + 1));
                const bool portZero = !step1 && random.below(10) == 0;
                const uint16_t sourcePort = portZero ? 0 : static_cast<uint16_t>(1 + random.below(65535));
                const uint16_t id = static_cast<uint16_t>(1 + random.below(65535));
                const int udpLength = UdpHeader + payload;
                // The whole UDP datagram, then cut into packets.
                uint8_t udp[UdpHeader + MaxPayload];
                const uint16_t sp = htons(sourcePort), dp = htons(static_cast<uint16_t>(port)),
                               ul = htons(static_cast<uint16_t>(udpLength)), checksum = 0;  // none
                std::memcpy(udp, &sp, 2);
                std::memcpy(udp + 2, &dp, 2);
                std::memcpy(udp + 4, &ul, 2);
                std::memcpy(udp + 6, &checksum, 2);
                if (step1)
                    FillStep1(random, udp + UdpHeader);
                else
                    FillPayload(random, udp + UdpHeader, payload);
                const bool split = IpHeader + udpLength > LinkMtu;
                for (int part = 0; part < (split ? 2 : 1); ++part) {
                    const int offset = part == 0 ? 0 : FirstFragmentData;
                    const int length = split ? (part == 0 ? FirstFragmentData : udpLength - FirstFragmentData)
                                             : udpLength;
                    const uint16_t fragment = static_cast<uint16_t>((split && part == 0 ? 0x2000 : 0) | (offset / 8));
                    uint8_t* packet = &packets[size_t(n) * LinkMtu];
                    PutIpHeader(packet, from, to, IpHeader + length, id, fragment);
                    std::memcpy(packet + IpHeader, udp + offset, size_t(length));
                    vectors[n].iov_base = packet;
                    vectors[n].iov_len = size_t(IpHeader + length);
                    messages[n] = mmsghdr{};
                    messages[n].msg_hdr.msg_name = &destination;
                    messages[n].msg_hdr.msg_namelen = sizeof destination;
                    messages[n].msg_hdr.msg_iov = &vectors[n];
                    messages[n].msg_hdr.msg_iovlen = 1;
                    ++n;
                }
                fromPortZero += portZero ? 1 : 0;
                fragmented += split ? 1 : 0;
            }
            int done = 0;
            while (done < n) {
                const int r = sendmmsg(fd, &messages[size_t(done)], static_cast<unsigned>(n - done), 0);
                if (r < 0) {
                    ++errors;  // e.g. ENOBUFS: that packet is lost, as on a busy link
                    ++done;
                } else {
                    done += r;
                }
            }
            sent += count;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(fd);
    std::printf("sent=%ld port0=%ld fragmented=%ld errors=%ld seconds=%.2f rate=%.0f\n", sent, fromPortZero,
                fragmented, errors, took, took > 0 ? sent / took : 0.0);
    return 0;
}
