// Writes the seed corpora of the fuzz targets from real inputs:
//   fuzz_receive        scenes and datagram sequences built with the protocol
//                       builders, audio encoded from the test speech with GSM 6.10
//   fuzz_private        scenes and records of private sessions: handshakes,
//                       sealed datagrams (speech among them), their mutations
//   fuzz_media_channel  audio payloads of both codec bytes
//   fuzz_registry       .reg files as the store writes them (and as a registry
//                       export looks), with one value to write
//   fuzz_console        command lines, option sets, quoted texts, addresses
//
// Usage: kv_fuzz_seeds SPEECH.wav CORPUS_DIR (CORPUS_DIR/<target>/ must exist).
// The output is the same on every run.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/codec.h"
#include "engine/protocol.h"
#include "platform/registry.h"

using namespace kv;
using Bytes = std::vector<uint8_t>;

namespace {

std::string gCorpus;

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
    const std::string path = gCorpus + "/" + target + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "kv_fuzz_seeds: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// ---- speech, encoded ----

std::vector<int16_t> ReadSpeech(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "kv_fuzz_seeds: cannot read %s\n", path);
        std::exit(1);
    }
    Bytes all;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) all.insert(all.end(), buf, buf + n);
    std::fclose(f);
    // The "data" chunk of the RIFF file.
    size_t at = 12;
    while (at + 8 <= all.size()) {
        const uint32_t size = uint32_t(all[at + 4]) | uint32_t(all[at + 5]) << 8 | uint32_t(all[at + 6]) << 16 |
                              uint32_t(all[at + 7]) << 24;
        if (std::memcmp(&all[at], "data", 4) == 0) {
            std::vector<int16_t> samples;
            for (size_t i = at + 8; i + 1 < all.size() && i + 1 < at + 8 + size; i += 2)
                samples.push_back(static_cast<int16_t>(all[i] | all[i + 1] << 8));
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    std::fprintf(stderr, "kv_fuzz_seeds: no data chunk in %s\n", path);
    std::exit(1);
}

// Blocks of the speech in codec 0 (GSM 6.10) or 1 (Truespeech), from sample
// `first` on, through the codec stream.
Bytes CodecFrames(int codec, const std::vector<int16_t>& speech, size_t first, int count) {
    StreamHeader h;
    CodecStream s = openEncoder(codec, &h);
    if (!s) {
        std::fprintf(stderr, "kv_fuzz_seeds: no encoder for codec %d\n", codec);
        std::exit(1);
    }
    const CodecEntry& e = CodecTable[codec];
    const size_t samples = size_t(e.pcmBytesPerFrame) / 2;
    Bytes out;
    for (int n = 0; n < count; ++n) {
        std::vector<int16_t> pcm(samples);
        for (size_t i = 0; i < samples; ++i) {
            const size_t k = first + size_t(n) * samples + i;
            pcm[i] = k < speech.size() ? speech[k] : 0;
        }
        Bytes block(size_t(e.codecBytesPerFrame));
        encodeFrame(s, &h, reinterpret_cast<const uint8_t*>(pcm.data()), block.data(), codec);
        out.insert(out.end(), block.begin(), block.end());
    }
    closeStream(s, &h);
    return out;
}

Bytes GsmFrames(const std::vector<int16_t>& speech, size_t first, int count) {
    return CodecFrames(0, speech, first, count);
}

Bytes TruespeechFrames(const std::vector<int16_t>& speech, size_t first, int count) {
    return CodecFrames(1, speech, first, count);
}

Bytes Audio(int codec, const Bytes& frames) {
    Bytes d{static_cast<uint8_t>(codec)};
    d.insert(d.end(), frames.begin(), frames.end());
    return d;
}

// ---- fuzz_receive ----

enum Sender { FromRemote = 0, FromA = 1, FromB = 2, FromMessageTo = 3, FromStranger = 4, FromOtherPortOfA = 5,
              FromAny = 6, FromOurselves = 7 };

struct Scene {
    Bytes bytes;
    Scene(int setup, int answer, bool log, bool refusal, int codec, int parties, bool message, bool muted,
          bool noIdentity, bool chat, bool longDelays, bool remoteIsA) {
        bytes.push_back(static_cast<uint8_t>(setup | answer << 3 | log << 5 | refusal << 6 | codec << 7));
        bytes.push_back(static_cast<uint8_t>(parties | message << 2 | muted << 3 | noIdentity << 4 | chat << 5 |
                                             longDelays << 6 | remoteIsA << 7));
    }
    Scene& datagram(int from, const uint8_t* d, int length) {
        bytes.push_back(static_cast<uint8_t>(from));
        bytes.push_back(static_cast<uint8_t>(length >> 8));
        bytes.push_back(static_cast<uint8_t>(length));
        bytes.insert(bytes.end(), d, d + length);
        return *this;
    }
    Scene& datagram(int from, const Datagram& d) { return datagram(from, d.bytes, d.length); }
    Scene& datagram(int from, const Bytes& d) { return datagram(from, d.data(), static_cast<int>(d.size())); }
    Scene& from(const uint8_t ip[4], uint16_t port, const Datagram& d) {
        bytes.push_back(FromAny);
        bytes.insert(bytes.end(), ip, ip + 4);
        bytes.push_back(static_cast<uint8_t>(port >> 8));
        bytes.push_back(static_cast<uint8_t>(port));
        bytes.push_back(static_cast<uint8_t>(d.length >> 8));
        bytes.push_back(static_cast<uint8_t>(d.length));
        bytes.insert(bytes.end(), d.bytes, d.bytes + d.length);
        return *this;
    }
    Scene& tooLarge(int from, int length) {
        bytes.push_back(static_cast<uint8_t>(from));
        bytes.push_back(static_cast<uint8_t>(length >> 8));
        bytes.push_back(static_cast<uint8_t>(length));
        return *this;
    }
    Scene& refused(int from) { return report(from, 1); }
    Scene& quiet() { return report(FromRemote, 2); }
    Scene& nothing() { return report(FromRemote, 3); }
    Scene& failed() { return report(FromRemote, 3, true); }

private:
    Scene& report(int from, int what, bool fail = false) {
        bytes.push_back(static_cast<uint8_t>(from | what << 3 | (fail ? 0x20 : 0)));
        return *this;
    }
};

void ReceiveSeeds(const std::vector<int16_t>& speech) {
    using namespace protocol;
    const char* t = "fuzz_receive";
    auto scene = [](int setup, int answer, int parties) {
        return Scene(setup, answer, false, false, 0, parties, false, false, false, false, false, false);
    };
    const int Ask = 0, Refuse = 1, Accept = 2, Ignore = 3;
    const int Idle = 0, Waiting = 1, Alerted = 2, Incoming = 3, IncomingAccepted = 4, PastRemote = 7;

    Put(t, "incoming-ask-repeated-then-cancelled",
        scene(Idle, Ask, 0).datagram(FromRemote, BuildCallRequest(0, "Rita"))
            .datagram(FromRemote, BuildCallRequest(0, "Rita"))
            .datagram(FromRemote, BuildLeave(LeaveHungUp)).bytes);
    Put(t, "incoming-accept-confirmed-audio-chat-leave",
        scene(Idle, Accept, 0).datagram(FromRemote, BuildCallRequest(0, "Rita"))
            .datagram(FromRemote, BuildAcceptConfirmed(0))
            .datagram(FromRemote, Audio(0, GsmFrames(speech, 8000, 4)))
            .datagram(FromRemote, BuildChatMessage(ChatNewLine, "hello Fuzz"))
            .datagram(FromRemote, BuildLeave(LeaveHungUp)).bytes);
    Put(t, "incoming-accept-into-conference",
        scene(Idle, Accept, 2).datagram(FromRemote, BuildCallRequest(0, "Rita"))
            .datagram(FromRemote, BuildAcceptConfirmed(1))
            .datagram(FromA, Audio(0, GsmFrames(speech, 4000, 2))).bytes);
    Put(t, "incoming-with-refusal-text",
        Scene(Idle, Ask, false, true, 0, 0, false, false, false, false, false, false)
            .datagram(FromRemote, BuildCallRequest(0, "Rita")).bytes);
    Put(t, "incoming-refuse-mode", scene(Idle, Refuse, 1).datagram(FromRemote, BuildCallRequest(0, "Rita")).bytes);
    Put(t, "incoming-ignore-mode", scene(Idle, Ignore, 1).datagram(FromRemote, BuildCallRequest(0, "Rita")).bytes);
    Put(t, "incoming-truespeech-unsupported",
        scene(Idle, Accept, 0).datagram(FromRemote, BuildCallRequest(1, "Rita")).bytes);
    Put(t, "incoming-logged",
        Scene(Idle, Ask, true, false, 0, 0, false, false, false, false, false, false)
            .datagram(FromRemote, BuildCallRequest(0, "Rita"))
            .datagram(FromOtherPortOfA, BuildCallRequest(0, "Ann at another port")).bytes);
    Put(t, "ringing-busy-for-another-caller",
        scene(Incoming, Ask, 1).datagram(FromStranger, BuildCallRequest(0, "Sam"))
            .datagram(FromRemote, BuildCallRequest(0, "Rita")).bytes);
    Put(t, "accepted-busy-for-another-caller",
        scene(IncomingAccepted, Accept, 1).datagram(FromStranger, BuildCallRequest(0, "Sam"))
            .datagram(FromRemote, BuildAcceptConfirmed(0)).bytes);
    Put(t, "accepted-confirmation-from-stranger-then-remote",
        scene(IncomingAccepted, Ask, 0).datagram(FromStranger, BuildAcceptConfirmed(0))
            .datagram(FromRemote, BuildAcceptConfirmed(1)).bytes);
    Put(t, "outgoing-alerted-then-accepted",
        scene(Waiting, Ask, 0).datagram(FromRemote, BuildAlerting(0, true, "Rita"))
            .datagram(FromRemote, BuildAccepted(0, true, "Rita"))
            .datagram(FromRemote, BuildAccepted(0, true, "Rita")).bytes);
    Put(t, "outgoing-accepted-at-once-into-conference",
        scene(Waiting, Ask, 2).datagram(FromRemote, BuildAccepted(0, false, "Rita")).bytes);
    Put(t, "outgoing-refused-with-text",
        scene(Waiting, Ask, 0).datagram(FromRemote, BuildRefused("Rita", "Back at 3"))
            .datagram(FromRemote, BuildRefused("Rita", nullptr)).bytes);
    Put(t, "outgoing-codec-unsupported",
        scene(Waiting, Ask, 0).datagram(FromRemote, BuildCodecUnsupported("Rita")).bytes);
    Put(t, "outgoing-busy", scene(Alerted, Ask, 1).datagram(FromRemote, BuildBusy("Rita")).bytes);
    Put(t, "outgoing-truespeech-callee-in-conference",
        scene(Waiting, Ask, 1).datagram(FromRemote, BuildAlerting(1, false, "Rita")).bytes);
    Put(t, "outgoing-truespeech-callee-alone",
        Scene(Waiting, Ask, false, false, 1, 0, false, false, false, false, false, false)
            .datagram(FromRemote, BuildAlerting(1, true, "Rita"))
            .datagram(FromRemote, BuildAccepted(1, true, "Rita")).bytes);
    Put(t, "outgoing-alerted-callee-leaves",
        scene(Alerted, Ask, 0).datagram(FromStranger, BuildAccepted(0, true, "Sam"))
            .datagram(FromRemote, BuildShortLeave()).bytes);
    Put(t, "outgoing-to-a-party",
        Scene(Waiting, Ask, false, false, 0, 2, false, false, false, false, false, true)
            .datagram(FromA, BuildAccepted(0, false, "Ann"))
            .datagram(FromA, Audio(0, GsmFrames(speech, 0, 2))).bytes);
    Put(t, "late-accept-after-the-call", scene(PastRemote, Ask, 1).datagram(FromRemote, BuildAccepted(0, true, "Rita")).bytes);

    const Bytes gsm7 = Audio(0, GsmFrames(speech, 12000, 7));
    Put(t, "conference-audio-both-codecs-and-a-stranger",
        scene(Idle, Ask, 2).datagram(FromA, gsm7)
            .datagram(FromB, Audio(1, TruespeechFrames(speech, 3000, 4)))
            .datagram(FromB, Audio(0, GsmFrames(speech, 9000, 3)))
            .datagram(FromStranger, Audio(0, GsmFrames(speech, 5000, 1)))
            .datagram(FromA, Bytes{0})
            .quiet()
            .datagram(FromA, BuildLeave(LeaveNoCodec)).bytes);
    Put(t, "audio-with-long-delays-and-no-identity",
        Scene(Idle, Ask, false, false, 0, 1, false, false, true, false, true, false)
            .datagram(FromA, gsm7).datagram(FromA, gsm7).quiet().datagram(FromA, gsm7).bytes);
    Put(t, "audio-two-parties-no-identity",
        Scene(Idle, Ask, false, false, 0, 2, false, false, true, false, false, false)
            .datagram(FromA, gsm7).datagram(FromB, Audio(0, GsmFrames(speech, 100, 5))).quiet().bytes);
    Put(t, "audio-while-speaker-muted",
        Scene(Idle, Ask, false, false, 0, 1, false, true, false, false, false, false).datagram(FromA, gsm7).bytes);
    Put(t, "audio-from-a-party-not-yet-active",
        scene(Alerted, Ask, 3).datagram(FromB, Audio(0, GsmFrames(speech, 20000, 3)))
            .datagram(FromRemote, BuildAccepted(0, false, "Rita")).bytes);

    Datagram echo = BuildChatMessage(ChatEchoed, "hello");
    Put(t, "chat-echoes-and-lines",
        Scene(Idle, Ask, false, false, 0, 2, false, false, false, true, false, false)
            .datagram(FromA, echo).datagram(FromB, echo)
            .datagram(FromB, BuildChatMessage(ChatEchoed, "are you there?"))
            .datagram(FromA, BuildChatMessage(ChatNewLine, "hi all"))
            .datagram(FromStranger, BuildChatMessage(ChatNewLine, "who is this"))
            .datagram(FromB, BuildChatMessage(ChatNewLine, "")).bytes);
    Put(t, "chat-echo-in-a-call-of-two",
        Scene(Idle, Ask, false, false, 0, 1, false, false, false, true, false, false).datagram(FromA, echo).bytes);
    Put(t, "short-message-stored",
        Scene(Idle, Ask, true, false, 0, 0, false, false, false, false, false, false)
            .datagram(FromStranger, BuildShortMessage("Sam", "Call me back")).bytes);
    Put(t, "short-message-not-stored", scene(Idle, Ask, 1).datagram(FromStranger, BuildShortMessage("Sam", "hi")).bytes);
    Put(t, "short-message-delivered",
        Scene(Idle, Ask, false, false, 0, 0, true, false, false, false, false, false)
            .datagram(FromStranger, BuildShortMessageReply(MessageStored))
            .datagram(FromMessageTo, BuildShortMessageReply(MessageStored)).bytes);
    Put(t, "short-message-refused",
        Scene(Idle, Ask, false, false, 0, 1, true, false, false, false, false, false)
            .datagram(FromMessageTo, BuildShortMessageReply(MessageNotStored)).bytes);
    Put(t, "port-unreachable-everywhere",
        Scene(Waiting, Ask, false, false, 0, 2, true, false, false, false, false, false)
            .refused(FromB).refused(FromRemote).refused(FromMessageTo).refused(FromStranger).bytes);
    Put(t, "port-unreachable-conference-with-remote",
        scene(Alerted, Ask, 3).refused(FromRemote).refused(FromA).bytes);
    Put(t, "socket-reports-and-unknown-opcodes",
        scene(Idle, Ask, 1).tooLarge(FromA, 1501).nothing().failed()
            .datagram(FromA, Bytes{0x86, 0x01, 'x', 0x00})
            .datagram(FromA, Bytes{0xFF})
            .datagram(FromA, Audio(0, GsmFrames(speech, 1000, 1))).bytes);
    Bytes full(MaxDatagram, 0x5A);
    full[0] = 0;
    Put(t, "largest-datagram", scene(Idle, Ask, 1).datagram(FromA, full).tooLarge(FromA, 1600).bytes);
    Put(t, "one-byte-control-datagrams",
        scene(Waiting, Ask, 1).datagram(FromRemote, Bytes{0x80}).datagram(FromRemote, Bytes{0x81})
            .datagram(FromRemote, Bytes{0x81, 0x02}).datagram(FromA, Bytes{0x82}).datagram(FromA, Bytes{0x83})
            .datagram(FromA, Bytes{0x84}).datagram(FromMessageTo, Bytes{0x85}).bytes);
    Put(t, "texts-without-their-nul",
        scene(Waiting, Ask, 1).datagram(FromRemote, Bytes{0x81, 0x03, 'R', 'i', 't', 'a'})
            .datagram(FromA, Bytes{0x83, 0x00, 'h', 'i'}).datagram(FromStranger, Bytes{0x84, 'S', 'a', 'm'}).bytes);
    Put(t, "calling-ourselves",
        scene(Idle, Accept, 0).datagram(FromOurselves, BuildCallRequest(0, "Fuzz"))
            .datagram(FromOurselves, BuildAcceptConfirmed(0)).bytes);
    const uint8_t lan[4] = {192, 168, 1, 7};
    Put(t, "call-from-a-lan-address",
        scene(Idle, Accept, 0).from(lan, 2000, BuildCallRequest(0, "Lan")).from(lan, 2000, BuildAcceptConfirmed(0)).bytes);
    std::string longName(150, 'n'), longText(400, 't');
    Put(t, "long-texts",
        scene(Waiting, Ask, 2).datagram(FromRemote, BuildRefused(longName.c_str(), longText.c_str()))
            .datagram(FromA, BuildChatMessage(ChatNewLine, longText.c_str()))
            .datagram(FromStranger, BuildShortMessage(longName.c_str(), longText.c_str())).bytes);
}

// ---- fuzz_private ----

// The records of fuzz_private.cpp: a head (sender | action << 3), then what
// the action reads. The harness makes the handshakes and seals the datagrams.
struct PrivateInput {
    enum Sender { P = 0, Q = 1, S = 2, OtherPortOfP = 3, Numbered = 4, Any = 5, Ourselves = 6 };
    enum Action { Raw = 0, Step1 = 1, Step1Again = 2, Step3 = 3, Step2 = 4, SealedRaw = 5, SealedCanned = 6,
                  SealedOld = 7, Replay = 8, Unreachable = 9, Quiet = 10, ClockMoves = 11, Probe = 12,
                  PlainCanned = 13, UserAccepts = 14, UserHangsUp = 15 };
    // Canned inner datagrams (fuzz_private.cpp's Canned()).
    enum Canned { CallRequest = 0, Alerting = 2, Accepted = 4, AcceptedInConference = 5, Refused = 6,
                  RefusedWithText = 7, Busy = 9, AcceptConfirmed = 10, Leave = 12, ShortLeave = 14, Chat = 15,
                  ChatEcho = 16, ShortMessage = 17, MessageStored = 18, GsmAudio = 20, TruespeechAudio = 21,
                  InnerHandshake = 24, InnerSealed = 25, InnerUnknown = 26, Longest = 28, OneTooLong = 29 };
    // Counters: the next, Jumps[i] ahead, Jumps[i] behind, Specials[i], the last again.
    static int Next() { return 0; }
    static int Ahead(int i) { return 1 | i << 3; }
    static int Behind(int i) { return 2 | i << 3; }
    static int Special(int i) { return 3 | i << 3; }
    static int Again() { return 4; }
    static constexpr int Jump1023 = 11, Jump1024 = 12, Jump2048 = 19, Jump2049 = 20, Jump1 = 0;
    static constexpr int SpecialMax = 20, SpecialMaxLess1 = 19, Special2Pow63 = 14;
    // Mutations.
    static Bytes Intact() { return {0}; }
    static Bytes Flip(int at, int bit) { return {1, static_cast<uint8_t>(bit << 5 | at >> 8), static_cast<uint8_t>(at)}; }
    static Bytes Cut(int length) { return {2, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)}; }
    static Bytes Extend(const Bytes& more) {
        Bytes m{3, static_cast<uint8_t>(more.size())};
        m.insert(m.end(), more.begin(), more.end());
        return m;
    }
    static Bytes SetStep(int step) { return {4, static_cast<uint8_t>(step)}; }
    static Bytes SetOpcode(int op) { return {5, static_cast<uint8_t>(op)}; }

    Bytes bytes;
    PrivateInput(int setup, int answer, int sessions, int parties, bool remoteIsQ = false, bool privateOnly = false,
                 bool otherKey = false, bool remembered = false, bool message = false, bool log = false) {
        bytes.push_back(static_cast<uint8_t>(setup | answer << 3 | remoteIsQ << 5 | privateOnly << 6));
        bytes.push_back(static_cast<uint8_t>(sessions | otherKey << 2 | remembered << 3 | parties << 4 | message << 6 |
                                             log << 7));
    }
    PrivateInput& from(int sender, int k = 0) {
        sender_ = sender;
        k_ = k;
        return *this;
    }
    PrivateInput& step1(const Bytes& m = Intact()) { return head(Step1).add(m); }
    PrivateInput& again(const Bytes& m = Intact()) { return head(Step1Again).add(m); }
    PrivateInput& step3(const Bytes& m = Intact()) { return head(Step3).add({0}).add(m); }
    PrivateInput& step3With(const Bytes& features) {
        head(Step3).add({static_cast<uint8_t>(0x80 | features.size())}).add(features);
        return add(Intact());
    }
    PrivateInput& step2(const Bytes& m = Intact()) { return head(Step2).add({0}).add(m); }
    PrivateInput& sealed(int counter, const Bytes& inner, const Bytes& m = Intact()) {
        head(SealedRaw).add({static_cast<uint8_t>(counter), static_cast<uint8_t>(inner.size() >> 8),
                             static_cast<uint8_t>(inner.size())});
        return add(inner).add(m);
    }
    PrivateInput& sealed(int counter, const Datagram& inner) { return sealed(counter, Bytes(inner.bytes, inner.bytes + inner.length)); }
    PrivateInput& canned(int which, int counter = 0, const Bytes& m = Intact()) {
        return head(SealedCanned).add({static_cast<uint8_t>(counter), static_cast<uint8_t>(which)}).add(m);
    }
    PrivateInput& old(int session, int which, int counter = 0) {
        head(SealedOld).add({static_cast<uint8_t>(session), static_cast<uint8_t>(counter), static_cast<uint8_t>(which)});
        return add(Intact());
    }
    PrivateInput& replay(int k, const Bytes& m = Intact()) { return head(Replay).add({static_cast<uint8_t>(k)}).add(m); }
    PrivateInput& plain(int which, const Bytes& m = Intact()) { return head(PlainCanned).add({static_cast<uint8_t>(which)}).add(m); }
    PrivateInput& raw(const Bytes& d) {
        return head(Raw).add({static_cast<uint8_t>(d.size() >> 8), static_cast<uint8_t>(d.size())}).add(d);
    }
    PrivateInput& unreachable() { return head(Unreachable); }
    PrivateInput& quiet() { return head(Quiet); }
    PrivateInput& clock(int ms) {
        const int v = ms < 0x8000 ? ms : (0x8000 | ms / 100);
        return head(ClockMoves).add({static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    }
    PrivateInput& probe() { return head(Probe); }
    PrivateInput& accept() { return head(UserAccepts); }
    PrivateInput& hangUp() { return head(UserHangsUp); }

private:
    PrivateInput& head(int action) {
        bytes.push_back(static_cast<uint8_t>(sender_ | action << 3));
        if (sender_ == Numbered) bytes.push_back(static_cast<uint8_t>(k_));
        if (sender_ == Any) add({192, 168, 1, 7, 0x07, 0xD0});
        return *this;
    }
    PrivateInput& add(const Bytes& b) {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
    int sender_ = P;
    int k_ = 0;
};

void PrivateSeeds(const std::vector<int16_t>& speech) {
    using I = PrivateInput;
    const char* t = "fuzz_private";
    const int Idle = 0, Waiting = 1, Alerted = 2, Incoming = 3, IncomingAccepted = 4, Accepted = 6;
    const int Ask = 0, Accept = 2;
    const Bytes gsm = Audio(0, GsmFrames(speech, 8000, 4));

    Put(t, "ringing-then-the-caller-leaves",
        I(Idle, Ask, 1, 0).canned(I::CallRequest).canned(I::CallRequest).canned(I::Leave).bytes);
    Put(t, "accepted-speech-chat-leave",
        I(Idle, Accept, 1, 0).canned(I::CallRequest).canned(I::AcceptConfirmed).sealed(I::Next(), gsm)
            .sealed(I::Next(), Audio(0, GsmFrames(speech, 9280, 4))).canned(I::Chat).canned(I::ChatEcho)
            .canned(I::Leave).bytes);
    Put(t, "outgoing-alerted-then-accepted",
        I(Waiting, Ask, 1, 0).canned(I::Alerting).canned(I::Accepted).canned(I::Accepted).bytes);
    Put(t, "plain-replies-from-a-private-callee",
        I(Waiting, Ask, 1, 0).plain(I::Alerting).plain(I::Accepted).plain(I::Refused).canned(I::Busy).bytes);
    Put(t, "plain-leave-makes-a-recheck-that-is-answered",
        I(Idle, Ask, 1, 1).plain(I::Leave).step2().canned(I::Chat).sealed(I::Next(), gsm).bytes);
    Put(t, "plain-leave-makes-a-recheck-that-goes-unanswered",
        I(Accepted, Ask, 1, 1).plain(I::ShortLeave).quiet().clock(1000).canned(I::Leave).bytes);
    Put(t, "port-unreachable-for-a-private-callee",
        I(Waiting, Ask, 1, 0).unreachable().step2().canned(I::Alerting).bytes);
    Put(t, "replayed-old-and-skipped-counters",
        I(Alerted, Ask, 1, 0).canned(I::Alerting).replay(0).canned(I::Alerting, I::Behind(I::Jump1))
            .canned(I::Alerting, I::Ahead(I::Jump2048)).canned(I::Alerting, I::Again())
            .canned(I::Alerting, I::Special(I::SpecialMax)).canned(I::Alerting, I::Special(I::SpecialMaxLess1))
            .canned(I::Accepted).bytes);
    Put(t, "window-edges",
        I(Waiting, Ask, 1, 0).canned(I::Alerting, I::Ahead(I::Jump2049)).canned(I::Alerting, I::Behind(I::Jump1023))
            .canned(I::Alerting, I::Behind(I::Jump1024)).canned(I::Alerting, I::Behind(I::Jump2048))
            .canned(I::Alerting, I::Special(I::Special2Pow63)).canned(I::Accepted, I::Behind(I::Jump1)).bytes);
    {
        I flood(Idle, Ask, 0, 0);
        for (int k = 1; k <= 20; ++k) flood.from(I::Numbered, k).step1();
        Put(t, "twenty-step1-then-the-probe", flood.probe().bytes);
        I rate(Idle, Ask, 0, 0);
        for (int k = 1; k <= 60; ++k) rate.from(I::Numbered, k).step1();
        rate.clock(1000);
        for (int k = 100; k < 110; ++k) rate.from(I::Numbered, k).step1();
        Put(t, "step1-over-the-rate", rate.probe().bytes);
    }
    Put(t, "handshake-in-the-records-then-a-call",
        I(Idle, Ask, 0, 0).step1().again().step3().canned(I::CallRequest).step3().bytes);
    Put(t, "mutated-steps",
        I(Idle, Ask, 0, 0).step1(I::Cut(129)).step1(I::Extend({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})).step1(I::SetStep(4))
            .step1().step3(I::Flip(40, 3)).step3().step1(I::SetOpcode(0x87)).step1().step3(I::Cut(60)).step3()
            .canned(I::CallRequest).bytes);
    Put(t, "step3-with-a-short-features-record",
        I(Idle, Ask, 0, 0).step1().step3With({1, 5, 0}).canned(I::CallRequest).step1().step3With({1, 0, 9, 9})
            .canned(I::CallRequest).bytes);
    Put(t, "changed-key-then-a-recheck",
        I(Idle, Ask, 1, 1, false, false, true, true).canned(I::CallRequest).plain(I::Leave).step2().canned(I::Chat)
            .bytes);
    Put(t, "lost-session-leaves",
        I(Idle, Ask, 0, 0).from(I::S).canned(I::CallRequest).canned(I::CallRequest).clock(500)
            .canned(I::CallRequest).clock(600).canned(I::Chat).bytes);
    Put(t, "inner-opcodes-and-lengths",
        I(Incoming, Ask, 1, 0).canned(I::InnerHandshake).canned(I::InnerSealed).canned(I::InnerUnknown)
            .canned(I::Longest).canned(I::OneTooLong).sealed(I::Next(), Bytes{}).canned(I::Leave).bytes);
    Put(t, "private-only-and-a-plain-caller",
        I(Idle, Ask, 1, 0, false, true).from(I::S).plain(I::CallRequest).plain(I::ShortMessage).plain(I::Chat)
            .from(I::P).canned(I::CallRequest).bytes);
    Put(t, "a-session-that-expired",
        I(Idle, Ask, 1, 0).clock(200000).quiet().canned(I::CallRequest).step1().step3().canned(I::CallRequest).bytes);
    Put(t, "a-new-handshake-replaces-the-session",
        I(Waiting, Ask, 1, 0).step1().canned(I::Alerting).step3().canned(I::Accepted).old(0, I::Accepted).bytes);
    Put(t, "both-sides-start-at-once",
        I(Idle, Ask, 1, 1).plain(I::Leave).step1().step2().step3().canned(I::Chat).bytes);
    Put(t, "short-messages-sealed",
        I(Idle, Ask, 1, 0, false, false, false, false, true, true).plain(I::MessageStored).canned(I::ShortMessage)
            .canned(I::MessageStored).bytes);
    Put(t, "the-user-accepts-and-hangs-up",
        I(Idle, Ask, 1, 0).canned(I::CallRequest).accept().canned(I::AcceptConfirmed).sealed(I::Next(), gsm).hangUp()
            .bytes);
    Put(t, "two-peers-and-a-stranger",
        I(Idle, Ask, 3, 3).from(I::Q).sealed(I::Next(), gsm).from(I::S).canned(I::Chat).plain(I::Chat).step1()
            .from(I::OtherPortOfP).canned(I::Chat).bytes);
    Put(t, "setup-with-q-and-forgeries",
        I(IncomingAccepted, Ask, 2, 0, true).from(I::P).canned(I::AcceptConfirmed).from(I::Q)
            .canned(I::AcceptConfirmed, I::Next(), I::Flip(12, 1)).plain(I::AcceptConfirmed)
            .canned(I::AcceptConfirmed).bytes);
    Put(t, "any-address-and-ourselves",
        I(Idle, Accept, 0, 0).from(I::Any).step1().step3().canned(I::CallRequest).from(I::Ourselves).step1().step3()
            .canned(I::CallRequest).bytes);
    {
        Bytes step1 = Bytes{0x86, 1};
        for (int i = 0; i < 128; ++i) step1.push_back(static_cast<uint8_t>(i * 37 + 11));
        Bytes junk2 = step1, junk3 = step1, unknown = step1;
        junk2[1] = 2;
        junk3[1] = 3;
        unknown[1] = 9;
        Put(t, "raw-handshake-datagrams",
            I(Idle, Ask, 1, 0).from(I::S).raw(step1).raw(junk3).raw(unknown).from(I::P).raw(junk2).raw(junk3)
                .canned(I::CallRequest).bytes);
    }
}

// ---- fuzz_media_channel ----

Bytes Payload(int codec, const Bytes& frames) {
    Bytes p{static_cast<uint8_t>(codec), static_cast<uint8_t>(frames.size() >> 8), static_cast<uint8_t>(frames.size())};
    p.insert(p.end(), frames.begin(), frames.end());
    return p;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

void MediaSeeds(const std::vector<int16_t>& speech) {
    const char* t = "fuzz_media_channel";
    for (int frames = 1; frames <= 7; ++frames)
        Put(t, "gsm-" + std::to_string(frames) + "-frames", Payload(0, GsmFrames(speech, size_t(frames) * 2000, frames)));
    Put(t, "gsm-23-frames-largest", Payload(0, GsmFrames(speech, 30000, 23)));
    Put(t, "gsm-talk-spurt", Join({Payload(0, GsmFrames(speech, 6000, 4)), Payload(0, GsmFrames(speech, 7280, 4)),
                                   Payload(0, GsmFrames(speech, 8560, 4))}));
    Bytes partial = GsmFrames(speech, 11000, 2);
    partial.push_back(0x42);
    Put(t, "gsm-with-a-partial-frame", Payload(0, partial));
    Put(t, "gsm-codec-byte-alone", Payload(0, Bytes{}));
    Put(t, "gsm-silence", Payload(0, GsmFrames(std::vector<int16_t>(2000, 0), 0, 3)));
    for (int frames = 1; frames <= 4; ++frames)
        Put(t, "truespeech-" + std::to_string(frames) + "-frames",
            Payload(1, TruespeechFrames(speech, size_t(frames) * 1500, frames)));
    Put(t, "codec-switches", Join({Payload(0, GsmFrames(speech, 4000, 2)), Payload(1, TruespeechFrames(speech, 0, 3)),
                                   Payload(0, GsmFrames(speech, 4640, 2))}));
    Put(t, "unknown-codec-bytes", Join({Payload(2, GsmFrames(speech, 100, 1)), Payload(0x7F, Bytes(40, 1)),
                                        Payload(0, GsmFrames(speech, 200, 1))}));
}

// ---- fuzz_registry ----

std::string ReadFile(const std::string& path) {
    std::string s;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        std::fclose(f);
    }
    return s;
}

// The store file the settings of a configured program leave, written by the store itself.
std::string StoreFile(const std::string& dir, bool withHistory) {
    const std::string path = dir + "/KestroVox.reg";
    unlink(path.c_str());
    UseRegistryFile(path);
    const char* key = "Software\\Kestrovox";
    auto text = [&](const char* name, const char* value) {
        RegistryWrite(key, name, RegistryText, value, static_cast<uint32_t>(std::strlen(value) + 1));
    };
    auto number = [&](const char* name, uint32_t v) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        RegistryWrite(key, name, RegistryNumber, b, 4);
    };
    text("Identity", "Ann \"the voice\" C:\\Users");
    number("Codec", 0);
    number("Autoanswer", 2);
    number("FramesPerPacket", 4);
    number("Delay", 200);
    number("MaxDelay", 1000);
    number("Volume", 800);
    number("InputThreshold", 0xFFFFFFE2);
    number("GenerateLog", 1);
    if (withHistory) {
        text("Address1", "10.0.0.2");
        text("Address2", "Bob <bob.example:5000>");
        const char tabbed[] = "line\tone";
        RegistryWrite(key, "RefusalMessage", RegistryText, tabbed, sizeof tabbed);
        const uint8_t pos[8] = {10, 0, 0, 0, 20, 0, 0, 0};
        RegistryWrite("Software\\Kestrovox\\Window", "Pos", 3, pos, sizeof pos);
    }
    std::string s = ReadFile(path);
    unlink(path.c_str());
    unlink((path + ".lock").c_str());
    return s;
}

Bytes RegistryInput(int key, int name, int type, const Bytes& value, const std::string& file) {
    Bytes b{static_cast<uint8_t>(key), static_cast<uint8_t>(name), static_cast<uint8_t>(type),
            static_cast<uint8_t>(value.size())};
    b.insert(b.end(), value.begin(), value.end());
    b.insert(b.end(), file.begin(), file.end());
    return b;
}

std::string Crlf(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

void RegistrySeeds() {
    const char* t = "fuzz_registry";
    char dirTemplate[] = "/tmp/kv-fuzz-seeds-XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    if (!dir) {
        std::fprintf(stderr, "kv_fuzz_seeds: no temporary directory\n");
        std::exit(1);
    }
    const std::string plain = StoreFile(dir, false), full = StoreFile(dir, true);
    UseRegistryFile("");
    rmdir(dir);
    const Bytes ann = Text("Ann"), zero = {0, 0, 0, 0}, one = {1, 0, 0, 0};
    // Names: 0 Identity, 1 Codec, 2 Autoanswer, 13 Address1, 15 WindowPos; 0x80 + n: the file's n-th value line.
    Put(t, "empty-file-write-identity", RegistryInput(0, 0, 0, ann, ""));
    Put(t, "store-write-codec", RegistryInput(0, 1, 1, one, plain));
    Put(t, "store-rewrite-identity", RegistryInput(0, 0, 0, Text("Bob"), plain));
    Put(t, "store-new-value", RegistryInput(0, 13, 0, Text("10.0.0.7:5000"), plain));
    Put(t, "store-with-history-write-number", RegistryInput(0, 2, 1, zero, full));
    Put(t, "store-with-history-write-text-with-controls", RegistryInput(0, 0, 0, Text("tab\there"), full));
    Put(t, "store-with-history-write-binary-to-window-key", RegistryInput(3, 0x80 + 13, 2, Bytes{1, 2, 3}, full));
    Put(t, "store-crlf-write-identity", RegistryInput(0, 0, 0, Text("Cat"), Crlf(full)));
    Put(t, "store-write-other-type", RegistryInput(0, 15, 3 | 7 << 2, Bytes{'a', 0, 'b', 0, 0}, full));
    Put(t, "header-only", RegistryInput(0, 0, 0, ann, "Windows Registry Editor Version 5.00\n\n"));
    const std::string exported =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Codec\"=dword:00000001\r\n\r\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\KESTROVOX]\r\n"
        "\"Identity\"=\"Dora\"\r\n"
        "\"Codec\"=dword:00000000\r\n"
        "\"Blob\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
        "  17,18,19,1a\r\n"
        "\"Multi\"=hex(7):41,00,00,00,42,00,00,00,00,00\r\n"
        "\"Odd\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "@=\"default\"\r\n"
        "; a comment\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Kestrovox\\Window]\r\n\"Pos\"=hex:0a,00,00,00\r\n";
    Put(t, "regedit-export-write-identity", RegistryInput(0, 0, 0, Text("Eve"), exported));
    Put(t, "regedit-export-rewrite-blob", RegistryInput(0, 0x82, 2, Bytes{9, 9}, exported));
    Put(t, "regedit-export-new-value-in-other-key", RegistryInput(1, 0, 0, ann, exported));
    Put(t, "unterminated-and-odd-lines",
        RegistryInput(0, 1, 1, one,
                      "[HKEY_CURRENT_USER\\Software\\Kestrovox]\n\"Identity\"=\"no end\n\"Codec\"=dword:1\n"
                      "\"Delay\"=hex:1\n\"Volume\"=dword:000003e8"));
    Put(t, "value-outside-any-section", RegistryInput(0, 0, 0, ann, "\"Identity\"=\"Nobody\"\n[HKEY_CURRENT_USER\\Software\\Kestrovox]\n"));
    Put(t, "same-section-twice",
        RegistryInput(0, 1, 1, one,
                      "[HKEY_CURRENT_USER\\Software\\Kestrovox]\n\"Codec\"=dword:00000000\n\n"
                      "[HKEY_CURRENT_USER\\Software\\Other]\n\"X\"=\"y\"\n\n"
                      "[HKEY_CURRENT_USER\\Software\\Kestrovox]\n\"Identity\"=\"Second\"\n"));
}

// ---- fuzz_console ----

Bytes Args(std::initializer_list<const char*> args) {
    Bytes b{'O'};
    bool first = true;
    for (const char* a : args) {
        if (!first) b.push_back(0);
        first = false;
        b.insert(b.end(), a, a + std::strlen(a));
    }
    return b;
}

void ConsoleSeeds() {
    const char* t = "fuzz_console";
    const char* commands[] = {
        "call 10.0.0.2",      "call 10.0.0.2:5000",   "call Bob <bob.example:5000>", "hangup",
        "hangup 10.0.0.2:11676", "accept",            "refuse\r",                    "chat hello there",
        "chat 10.0.0.3:5000 just for you",            "msg 10.0.0.2 Call me back",   "mute mic",
        "unmute speaker",     "MUTE Speaker",         "status",                      "parties",
        "help",               "quit",                 "  ",                          "frobnicate now",
    };
    int n = 0;
    for (const char* c : commands) {
        Bytes b{'C'};
        b.insert(b.end(), c, c + std::strlen(c));
        Put(t, "command-" + std::to_string(++n), b);
    }
    Put(t, "options-answering", Args({"--identity", "Ann", "--answer", "accept"}));
    Put(t, "options-calling", Args({"--identity=Bob", "--call", "10.0.0.2", "--hangup-after", "2.5"}));
    Put(t, "options-message", Args({"--identity", "Bob", "--message", "10.0.0.2", "Call me"}));
    Put(t, "options-audio", Args({"--mic", "speech.wav", "--speaker=heard.wav", "--frames", "7", "--delay", "0",
                                  "--max-delay=2000", "--threshold", "-50", "--codec", "1"}));
    Put(t, "options-service", Args({"--port", "11677", "--log", "--no-input", "--refuse-with", "Back at 3"}));
    Put(t, "options-help", Args({"-h", "--version"}));
    Put(t, "options-bad", Args({"--port", "0", "--frames=9", "extra"}));
    Put(t, "quote-identity", Text("QAnn \"the voice\"\\\n\t\x01\xff"));
    Put(t, "quote-field", Text("Q\"Back at 3 \\x41\\n\\\"ok\\\"\""));
    Put(t, "address-dotted-port", Text("A10.0.0.2:5000"));
    Put(t, "address-named", Text("ABob <10.0.0.7:5000>"));
    Put(t, "address-inet-aton-forms", Text("A0x7f.1:11676"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kv_fuzz_seeds SPEECH.wav CORPUS_DIR\n");
        return 2;
    }
    gCorpus = argv[2];
    for (const char* t : {"fuzz_receive", "fuzz_private", "fuzz_media_channel", "fuzz_registry", "fuzz_console"})
        mkdir((gCorpus + "/" + t).c_str(), 0755);
    const std::vector<int16_t> speech = ReadSpeech(argv[1]);
    ReceiveSeeds(speech);
    PrivateSeeds(speech);
    MediaSeeds(speech);
    RegistrySeeds();
    ConsoleSeeds();
    return 0;
}
