// Requests from strangers for the system tests, every datagram from a forged
// source address:
//
//   kv_stranger KIND TARGETS SOURCES RATE COUNT [--leave N] [TEXT...]
//
//   KIND     what each unit sends, from one source:
//              unknown-codec  80 7F 00: a call request with a codec nobody has
//              reset-pairs    a call request (80 00 "Eve" 00), then 80 7F 00
//              rings          a call request (80 00 "Caller <n>" 00), and for
//                             N of every 100 (--leave, default 50) a
//                             one-byte Leave 82 behind it
//              messages       a short message (84 "Mallory" 00 text 00), each
//                             text different, about 120 characters
//              echoes         a chat echo (83 01 TEXT 00), the TEXTs in turn
//   TARGETS  A.B.C.D[:PORT][,...]: the units go to each in turn (port 11676
//            unless given)
//   SOURCES  the forged senders, each unit from the next in turn, comma-
//            separated: A.B.C.D+N[:PORT] (N addresses from A.B.C.D on, each
//            at PORT, 11676 unless given) or A.B.C.D:PORT (that one)
//   RATE     units per second
//   COUNT    units in all; 0: until SIGINT or SIGTERM (600 s at most)
//
// The datagrams are built by hand (IPv4 and UDP headers) and sent through a
// raw socket, as kv_flood does. Every target and every source must lie on the
// subnet of one and the same interface of this host (in the tests: the lab's
// bridge, inside network namespaces the test made), or nothing is sent.
// Needs root.
//
// What comes back: the tool listens on each source port (UDP, any local
// address) while it sends and until 300 ms pass without a reply after the
// last unit (2 s at most), and counts the replies from the targets. They
// arrive when this host answers for the source addresses (the test gives its
// interface those addresses); else they go nowhere.
//
// Prints at the end "units=<n> sent=<datagrams> bytes=<payload bytes>
// leaves=<n> sources=<n> errors=<n> seconds=<s> rate=<units per second>
// replies=<datagrams> reply-bytes=<n> reply-kinds=<kind>:<n>,...|none".
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/protocol.h"

namespace {

constexpr int IpHeader = 20;
constexpr int UdpHeader = 8;
constexpr int Batch = 64;  // units per sendmmsg, two datagrams each at most
constexpr double LongestRun = 600;
constexpr uint16_t PeerPort = 11676;

std::atomic<bool> gStop{false};
void OnSignal(int) { gStop = true; }

enum class Kind { UnknownCodec, ResetPairs, Rings, Messages, Echoes };

struct Endpoint {
    in_addr ip{};
    uint16_t port = 0;
};

[[noreturn]] void Usage(const char* why) {
    std::fprintf(stderr,
                 "kv_stranger: %s\n"
                 "usage: kv_stranger unknown-codec|reset-pairs|rings|messages|echoes TARGETS SOURCES RATE COUNT "
                 "[--leave N] [TEXT...]\n",
                 why);
    std::exit(2);
}

bool ParseEndpoint(const std::string& text, Endpoint* out) {
    const size_t colon = text.find(':');
    const std::string dotted = text.substr(0, colon);
    if (inet_pton(AF_INET, dotted.c_str(), &out->ip) != 1) return false;
    out->port = PeerPort;
    if (colon != std::string::npos) {
        char* end = nullptr;
        const long port = std::strtol(text.c_str() + colon + 1, &end, 10);
        if (*end || port < 1 || port > 65535) return false;
        out->port = static_cast<uint16_t>(port);
    }
    return true;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

std::vector<Endpoint> ParseTargets(const std::string& text) {
    std::vector<Endpoint> targets;
    for (const std::string& item : Split(text)) {
        Endpoint e;
        if (!ParseEndpoint(item, &e)) Usage(("bad target " + item).c_str());
        targets.push_back(e);
    }
    return targets;
}

std::vector<Endpoint> ParseSources(const std::string& text) {
    std::vector<Endpoint> sources;
    for (const std::string& item : Split(text)) {
        const size_t plus = item.find('+');
        if (plus == std::string::npos) {
            Endpoint e;
            if (!ParseEndpoint(item, &e)) Usage(("bad source " + item).c_str());
            sources.push_back(e);
            continue;
        }
        Endpoint first;
        char* end = nullptr;
        const long count = std::strtol(item.c_str() + plus + 1, &end, 10);
        const std::string port = *end == ':' ? std::string(end) : std::string();
        if (!ParseEndpoint(item.substr(0, plus) + port, &first) || (*end && *end != ':') || count < 1 ||
            count > 65536)
            Usage(("bad source range " + item).c_str());
        for (long i = 0; i < count; ++i) {
            Endpoint e = first;
            e.ip.s_addr = htonl(ntohl(first.ip.s_addr) + static_cast<uint32_t>(i));
            sources.push_back(e);
        }
    }
    return sources;
}

// The subnet (address and mask, network order) of the interface that holds
// `to`; false when no interface here does.
bool SubnetOf(in_addr to, uint32_t* net, uint32_t* mask) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool found = false;
    for (ifaddrs* i = list; i && !found; i = i->ifa_next) {
        if (!i->ifa_addr || !i->ifa_netmask || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP) ||
            (i->ifa_flags & IFF_LOOPBACK))
            continue;
        const uint32_t address = reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr;
        const uint32_t m = reinterpret_cast<sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr;
        if ((address & m) == (to.s_addr & m)) {
            *net = address & m;
            *mask = m;
            found = true;
        }
    }
    freeifaddrs(list);
    return found;
}

struct Packet {
    uint8_t bytes[IpHeader + UdpHeader + kv::MaxDatagram];
    int length = 0;
};

void Build(Packet* p, const Endpoint& from, const Endpoint& to, const uint8_t* payload, int length, uint16_t id) {
    uint8_t* ip = p->bytes;
    const int total = IpHeader + UdpHeader + length;
    ip[0] = 0x45;
    ip[1] = 0;
    const uint16_t totalLength = htons(static_cast<uint16_t>(total)), ident = htons(id), fragment = 0;
    std::memcpy(ip + 2, &totalLength, 2);
    std::memcpy(ip + 4, &ident, 2);
    std::memcpy(ip + 6, &fragment, 2);
    ip[8] = 64;
    ip[9] = IPPROTO_UDP;
    ip[10] = ip[11] = 0;  // the kernel fills in the checksum
    std::memcpy(ip + 12, &from.ip.s_addr, 4);
    std::memcpy(ip + 16, &to.ip.s_addr, 4);
    uint8_t* udp = ip + IpHeader;
    const uint16_t sp = htons(from.port), dp = htons(to.port),
                   ul = htons(static_cast<uint16_t>(UdpHeader + length)), checksum = 0;  // none
    std::memcpy(udp, &sp, 2);
    std::memcpy(udp + 2, &dp, 2);
    std::memcpy(udp + 4, &ul, 2);
    std::memcpy(udp + 6, &checksum, 2);
    std::memcpy(udp + UdpHeader, payload, size_t(length));
    p->length = total;
}

int Put(uint8_t* out, const char* text) {
    const int n = static_cast<int>(std::strlen(text));
    std::memcpy(out, text, size_t(n) + 1);
    return n + 1;
}

// The datagrams of unit n (one or two); returns how many.
int Unit(Kind kind, long n, int leavePercent, const std::vector<std::string>& texts,
         uint8_t payload[2][kv::MaxDatagram], int lengths[2]) {
    using namespace kv::protocol;
    static const uint8_t unknownCodec[] = {CallRequest, 0x7F, 0x00};
    switch (kind) {
        case Kind::UnknownCodec:
            std::memcpy(payload[0], unknownCodec, sizeof unknownCodec);
            lengths[0] = sizeof unknownCodec;
            return 1;
        case Kind::ResetPairs:
            payload[0][0] = CallRequest;
            payload[0][1] = 0;
            lengths[0] = 2 + Put(payload[0] + 2, "Eve");
            std::memcpy(payload[1], unknownCodec, sizeof unknownCodec);
            lengths[1] = sizeof unknownCodec;
            return 2;
        case Kind::Rings: {
            char name[32];
            std::snprintf(name, sizeof name, "Caller %ld", n);
            payload[0][0] = CallRequest;
            payload[0][1] = 0;
            lengths[0] = 2 + Put(payload[0] + 2, name);
            if (n % 100 >= leavePercent) return 1;
            payload[1][0] = Leave;
            lengths[1] = 1;
            return 2;
        }
        case Kind::Messages: {
            char text[160];
            std::snprintf(text, sizeof text,
                          "Message %ld from nobody you know: this line is here to fill the event log of the phone "
                          "it is sent to.",
                          n);
            payload[0][0] = ShortMessage;
            int length = 1 + Put(payload[0] + 1, "Mallory");
            lengths[0] = length + Put(payload[0] + length, text);
            return 1;
        }
        case Kind::Echoes: {
            const std::string& text = texts[size_t(n) % texts.size()];
            payload[0][0] = ChatMessage;
            payload[0][1] = ChatEchoed;
            lengths[0] = 2 + Put(payload[0] + 2, text.c_str());
            return 1;
        }
    }
    return 0;
}

// The replies that come back to the source ports, counted by kind.
class Replies {
public:
    bool listen(const std::set<uint16_t>& ports) {
        for (uint16_t port : ports) {
            const int fd = socket(AF_INET, SOCK_DGRAM, 0);
            // No SO_REUSEADDR: two runs at once on one port would share its
            // replies unseen; the second one fails instead.
            const int room = 4 << 20;
            setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
            sockaddr_in any{};
            any.sin_family = AF_INET;
            any.sin_port = htons(port);
            if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
                std::fprintf(stderr, "kv_stranger: cannot listen on port %u: %s\n", port, std::strerror(errno));
                return false;
            }
            fds_.push_back(fd);
        }
        thread_ = std::thread([this] { run(); });
        return true;
    }
    // After the last unit: until 300 ms pass without a reply, 2 s at most.
    void finish() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end &&
               std::chrono::steady_clock::now() - lastReply() < std::chrono::milliseconds(300))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        done_ = true;
        thread_.join();
        for (int fd : fds_) close(fd);
    }
    std::string summary() {
        std::lock_guard<std::mutex> guard(lock_);
        std::string kinds;
        for (const auto& k : kinds_) kinds += (kinds.empty() ? "" : ",") + k.first + ":" + std::to_string(k.second);
        return "replies=" + std::to_string(count_) + " reply-bytes=" + std::to_string(bytes_) +
               " reply-kinds=" + (kinds.empty() ? "none" : kinds);
    }

private:
    static const char* ReplyKind(const uint8_t* d, int length) {
        using namespace kv::protocol;
        if (length < 1) return "empty";
        if (d[0] < 0x80) return "audio";
        switch (d[0]) {
            case CallRequest: return "call-request";
            case CallReply:
                switch (length > 1 ? d[1] : 0) {
                    case Alerting: return "alerting";
                    case Accepted: return "accepted";
                    case Refused: return "refused";
                    case CodecUnsupported: return "codec-unsupported";
                    case Busy: return "busy";
                    case AcceptConfirmed: return "accept-confirmed";
                    default: return "call-reply-other";
                }
            case Leave: return "leave";
            case ChatMessage: return length > 1 && d[1] == ChatEchoed ? "chat-echo" : "chat-line";
            case ShortMessage: return "short-message";
            case ShortMessageReply: return "message-reply";
            default: return "other";
        }
    }
    std::chrono::steady_clock::time_point lastReply() {
        std::lock_guard<std::mutex> guard(lock_);
        return last_;
    }
    void run() {
        std::vector<pollfd> polls;
        for (int fd : fds_) polls.push_back(pollfd{fd, POLLIN, 0});
        uint8_t buffer[kv::MaxDatagram + 1];
        while (!done_) {
            if (poll(polls.data(), polls.size(), 20) <= 0) continue;
            for (const pollfd& p : polls) {
                if (!(p.revents & POLLIN)) continue;
                for (;;) {
                    const ssize_t n = recv(p.fd, buffer, sizeof buffer, MSG_DONTWAIT);
                    if (n < 0) break;
                    std::lock_guard<std::mutex> guard(lock_);
                    ++count_;
                    bytes_ += n;
                    ++kinds_[ReplyKind(buffer, static_cast<int>(n))];
                    last_ = std::chrono::steady_clock::now();
                }
            }
        }
    }

    std::vector<int> fds_;
    std::thread thread_;
    std::atomic<bool> done_{false};
    std::mutex lock_;
    long count_ = 0, bytes_ = 0;
    std::map<std::string, long> kinds_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace

int main(int argc, char** argv) {
    using namespace kv;
    if (argc < 6) Usage("too few arguments");
    const std::string kindName = argv[1];
    Kind kind;
    if (kindName == "unknown-codec") kind = Kind::UnknownCodec;
    else if (kindName == "reset-pairs") kind = Kind::ResetPairs;
    else if (kindName == "rings") kind = Kind::Rings;
    else if (kindName == "messages") kind = Kind::Messages;
    else if (kindName == "echoes") kind = Kind::Echoes;
    else Usage(("unknown kind " + kindName).c_str());
    const std::vector<Endpoint> targets = ParseTargets(argv[2]);
    const std::vector<Endpoint> sources = ParseSources(argv[3]);
    const double rate = std::atof(argv[4]);
    const long count = std::atol(argv[5]);
    if (!(rate > 0 && rate <= 200000) || count < 0) Usage("bad rate (0..200000] or count");
    int leavePercent = 50;
    std::vector<std::string> texts;
    for (int i = 6; i < argc; ++i) {
        if (std::strcmp(argv[i], "--leave") == 0 && i + 1 < argc) {
            leavePercent = std::atoi(argv[++i]);
            if (leavePercent < 0 || leavePercent > 100) Usage("--leave takes 0..100");
        } else {
            if (std::strlen(argv[i]) > size_t(protocol::MaxChatLineChars)) Usage("a text is longer than a chat line");
            texts.push_back(argv[i]);
        }
    }
    if (kind == Kind::Echoes && texts.empty()) Usage("echoes needs at least one TEXT");

    // Everything on one subnet of this host's own, or nothing goes out.
    uint32_t net = 0, mask = 0;
    if (!SubnetOf(targets[0].ip, &net, &mask)) {
        std::fprintf(stderr, "kv_stranger: %s is not on the subnet of any interface here\n", argv[2]);
        return 2;
    }
    for (const Endpoint& e : targets)
        if ((e.ip.s_addr & mask) != net) Usage("the targets are not all on one subnet of this host");
    for (const Endpoint& e : sources)
        if ((e.ip.s_addr & mask) != net) Usage("a source is not on the targets' subnet");

    const int fd = socket(AF_INET, SOCK_RAW, IPPROTO_RAW);  // IP_HDRINCL is implied
    if (fd < 0) {
        std::fprintf(stderr, "kv_stranger: raw socket: %s\n", std::strerror(errno));
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::set<uint16_t> ports;
    for (const Endpoint& e : sources) ports.insert(e.port);
    Replies replies;
    if (!replies.listen(ports)) return 1;

    std::vector<Packet> packets(2 * Batch);
    std::vector<sockaddr_in> destinations(2 * Batch);
    std::vector<iovec> vectors(2 * Batch);
    std::vector<mmsghdr> messages(2 * Batch);
    long units = 0, sent = 0, bytes = 0, leaves = 0, errors = 0;
    std::set<uint32_t> used;
    uint16_t id = 1;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (gStop || (count > 0 && units >= count) || elapsed >= LongestRun) break;
        long due = static_cast<long>(elapsed * rate) + 1;
        if (count > 0 && due > count) due = count;
        while (units < due && !gStop) {
            const int batch = static_cast<int>(due - units < Batch ? due - units : Batch);
            int n = 0;
            for (int k = 0; k < batch; ++k, ++units) {
                uint8_t payload[2][MaxDatagram];
                int lengths[2] = {};
                const int parts = Unit(kind, units, leavePercent, texts, payload, lengths);
                const Endpoint& from = sources[size_t(units) % sources.size()];
                const Endpoint& to = targets[size_t(units) % targets.size()];
                used.insert(from.ip.s_addr ^ (uint32_t(from.port) << 16));
                for (int part = 0; part < parts; ++part, ++n) {
                    Build(&packets[size_t(n)], from, to, payload[part], lengths[part], id++);
                    if (id == 0) id = 1;
                    destinations[size_t(n)] = sockaddr_in{};
                    destinations[size_t(n)].sin_family = AF_INET;
                    destinations[size_t(n)].sin_addr = to.ip;
                    vectors[size_t(n)].iov_base = packets[size_t(n)].bytes;
                    vectors[size_t(n)].iov_len = size_t(packets[size_t(n)].length);
                    messages[size_t(n)] = mmsghdr{};
                    messages[size_t(n)].msg_hdr.msg_name = &destinations[size_t(n)];
                    messages[size_t(n)].msg_hdr.msg_namelen = sizeof(sockaddr_in);
                    messages[size_t(n)].msg_hdr.msg_iov = &vectors[size_t(n)];
                    messages[size_t(n)].msg_hdr.msg_iovlen = 1;
                    bytes += lengths[part];
                    if (kind == Kind::Rings && part == 1) ++leaves;
                }
            }
            int done = 0;
            while (done < n) {
                const int r = sendmmsg(fd, &messages[size_t(done)], static_cast<unsigned>(n - done), 0);
                if (r < 0) {
                    ++errors;  // e.g. ENOBUFS: that datagram is lost, as on a busy link
                    ++done;
                } else {
                    done += r;
                }
            }
            sent += n;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(fd);
    replies.finish();
    std::printf("units=%ld sent=%ld bytes=%ld leaves=%ld sources=%zu errors=%ld seconds=%.2f rate=%.0f %s\n", units,
                sent, bytes, leaves, used.size(), errors, took, took > 0 ? units / took : 0.0,
                replies.summary().c_str());
    return 0;
}
