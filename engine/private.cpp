// Private calls in the engine: the handshake before a call or a message,
// handshakes and sealed datagrams as they arrive, the remembered peers'
// warnings, and the rule that a plain datagram from an address with a
// session is never obeyed (a plain Leave or a port-unreachable report there
// only makes this side try one new handshake).
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "engine/phone.h"

namespace kv {
namespace {

using Clock = ChangeSignal::Clock;

int64_t UnixSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

}  // namespace

// ---- keys ----

bool Phone::SetPrivateKey(const char* hex) {
    if (!hex || std::strlen(hex) != 64) return false;
    uint8_t key[32];
    for (int i = 0; i < 32; ++i) {
        unsigned v;
        if (std::sscanf(hex + 2 * i, "%2x", &v) != 1) return false;
        const char a = hex[2 * i], b = hex[2 * i + 1];
        if (!std::isxdigit(static_cast<unsigned char>(a)) || !std::isxdigit(static_cast<unsigned char>(b))) return false;
        key[i] = static_cast<uint8_t>(v);
    }
    const secure::KeyPair pair = secure::KeyPair::FromPrivate(key);
    secure::Wipe(key, sizeof key);
    links_.configure(pair);
    keySet_ = true;
    return true;
}

void Phone::MakePrivateKey() {
    links_.configure(secure::KeyPair::Generate());
    keySet_ = true;
}

std::string Phone::PrivateKeyHex() {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : links_.key().privateKey) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

std::string Phone::OwnFingerprint(bool grouped) {
    char text[32];
    secure::Fingerprint(links_.key().publicKey, text, grouped);
    return text;
}

bool Phone::PrivacyOf(const PeerAddress& address, PrivacyInfo* out) {
    LinkInfo info;
    *out = PrivacyInfo();
    if (!links_.info(address, &info)) return false;
    out->privateLink = true;
    out->sas = info.sas;
    std::memcpy(out->key, info.key, 32);
    out->verified = Peers.verified(info.key);
    return true;
}

int Phone::AcceptKey(const PeerAddress& address) {
    uint8_t key[32];
    {
        std::lock_guard<std::mutex> guard(FieldLock);
        if (!lastShownKnown_ || !SameAddress(lastShownAddress_, address)) return 0;
        std::memcpy(key, lastShownKey_, sizeof key);
    }
    RememberedPeer before;
    Peers.accept(key, address, Peers.findByAddress(address, &before) ? before.name : std::string(), UnixSeconds());
    return 1;
}

int Phone::MarkVerified(const PeerAddress& address, bool verified) {
    LinkInfo info;
    if (!links_.info(address, &info)) return 0;
    Peers.saw(info.key, address, UnixSeconds());
    return Peers.markVerified(info.key, verified) ? 1 : 0;
}

// ---- before a call or a message ----

bool Phone::Warn(EngineNotification code, const PeerAddress& address, const char* name, const uint8_t* key,
                 int subject) {
    {
        std::lock_guard<std::mutex> guard(FieldLock);
        std::strncpy(WarnName, name ? name : "", sizeof WarnName - 1);
        WarnName[sizeof WarnName - 1] = 0;
        WarnAddress = address;
        std::memset(WarnKey, 0, sizeof WarnKey);
        if (key) {
            std::memcpy(WarnKey, key, sizeof WarnKey);
            std::memcpy(lastShownKey_, key, sizeof lastShownKey_);
            lastShownAddress_ = address;
            lastShownKnown_ = true;
        }
    }
    ProceedAnyway = 0;
    if (!Stopping()) Send(code, subject);
    return ProceedAnyway != 0;
}

Phone::Privately Phone::MakePrivate(const PeerAddress& to, const std::function<bool()>& ended, int subject,
                                   const PeerAddress* alternative, PeerAddress* chosen) {
    const int privacy = Privacy;
    if (privacy == PrivacyPlain) return Privately::Plain;
    // A remembered peer is known at either of its addresses.
    RememberedPeer remembered;
    const bool known =
        Peers.findByAddress(to, &remembered) || (alternative && Peers.findByAddress(*alternative, &remembered));
    auto session = [&]() -> const PeerAddress* {
        if (links_.established(to)) return &to;
        if (alternative && links_.established(*alternative)) return alternative;
        return nullptr;
    };
    auto abandon = [&] {
        links_.abandon(to);
        if (alternative) links_.abandon(*alternative);
    };
    if (!session()) {
        const auto started = Clock::now();
        auto step1 = [&] {
            OfferCodecs();
            // The alternative after its head start, as calls race their addresses.
            const bool both = alternative && Clock::now() - started >= std::chrono::milliseconds(Timings.familyHeadStartMs);
            for (const PeerAddress* a : {&to, both ? alternative : nullptr}) {
                if (!a) continue;
                const secure::Bytes d = links_.step1(*a, LimitClock());
                if (!d.empty()) SendRaw(*a, d.data(), static_cast<int>(d.size()));
            }
        };
        auto done = [&] { return session() || ended(); };
        bool got = Exchange(Timings.handshakeAttempts, Timings.handshakeIntervalMs, step1, done);
        // A remembered private peer, or any peer under "private only", is
        // never called in plain: step 1 goes on as a call request would.
        if (!got && (known || privacy == PrivacyOnly))
            got = Exchange(Timings.callAttempts, Timings.callIntervalMs, step1, done);
        if (ended()) {
            abandon();
            return Privately::Ended;
        }
        if (!got) {
            abandon();
            if (!known && privacy != PrivacyOnly) return Privately::Plain;
            if (Warn(NotPrivate, to, known ? remembered.name.c_str() : "", nullptr, subject) &&
                privacy != PrivacyOnly)
                return Privately::Plain;
            return Privately::Refused;
        }
    }
    const PeerAddress won = *session();
    // The handshake of the address that lost goes no further.
    if (alternative) links_.abandon(SameAddress(won, to) ? *alternative : to);
    if (chosen) *chosen = won;
    return CheckKey(won, subject) ? Privately::Yes : Privately::Refused;
}

bool Phone::CheckKey(const PeerAddress& to, int subject) {
    LinkInfo info;
    if (!links_.info(to, &info)) return true;
    RememberedPeer remembered;
    if (Peers.findByAddress(to, &remembered) && std::memcmp(remembered.key, info.key, 32) != 0) {
        if (!Warn(KeyChanged, to, remembered.name.c_str(), info.key, subject)) {
            links_.drop(to);
            return false;
        }
        Peers.accept(info.key, to, remembered.name, UnixSeconds());
    } else {
        Peers.saw(info.key, to, UnixSeconds());
    }
    links_.hold(to, false);
    return true;
}

// ---- receiving ----

void Phone::HandleDatagram(const PeerAddress& from, const uint8_t* d, int length) {
    if (length < 1) return;
    if (d[0] == secure::OpHandshake) {
        OnHandshake(from, d, length);
        return;
    }
    if (d[0] == secure::OpSealed) {
        OnSealed(from, d, length);
        return;
    }
    if (links_.established(from)) {
        // Not obeyed: anyone who knows the two addresses could have sent it.
        if (d[0] == protocol::Leave) Recheck(from);
        return;
    }
    if (d[0] >= 0x80)
        HandleControl(from, d, length);
    else
        HandleAudio(from, d, length);
}

void Phone::OnHandshake(const PeerAddress& from, const uint8_t* d, int length) {
    // Plain only: a step 1 is ignored, as by a phone that knows nothing of it.
    const bool answer = Privacy != PrivacyPlain && keySet_;
    OfferCodecs();
    secure::Bytes reply;
    const PrivateLinks::Handshake result = links_.onHandshake(from, d, length, answer, &reply, LimitClock());
    if (!reply.empty()) SendRaw(from, reply.data(), static_cast<int>(reply.size()));
    if (result == PrivateLinks::Handshake::Established) OnSessionEstablished(from);
}

void Phone::OnSessionEstablished(const PeerAddress& from) {
    LinkInfo info;
    if (links_.info(from, &info)) {
        // Remembered at once unless the address is remembered with another
        // key: then the user decides. A caller rings with the warning; a
        // session this side began (a new one under a call or message of
        // ours) says nothing until the call or message asks the user.
        RememberedPeer remembered;
        if (!Peers.findByAddress(from, &remembered) || std::memcmp(remembered.key, info.key, 32) == 0)
            Peers.saw(info.key, from, UnixSeconds());
        else if (info.initiator)
            links_.hold(from, true);
    }
    StateChanged.notify();  // a call or message waiting for the session goes on
}

void Phone::OnSealed(const PeerAddress& from, const uint8_t* d, int length) {
    if (Privacy == PrivacyPlain) return;  // as a plain peer: opcode 0x87 means nothing
    uint8_t inner[MaxDatagram];
    const int n = links_.open(from, d, length, inner, LimitClock());
    if (n == -2) {
        // A session we no longer have (this side restarted): the peer learns
        // it from a plain Leave, and may handshake anew.
        NoteReceived(from, length);
        if (links_.mayAnswerLostSession(from, LimitClock())) Reply(from, BuildShortLeave());
        return;
    }
    if (n < 1 || inner[0] >= secure::OpHandshake) return;
    sealedNow_ = true;
    answeringSealed_ = &from;
    // The counter the datagram opened with (authenticated with it): the
    // receive side of Opus tells from it how many datagrams went missing.
    sealedCounter_ = 0;
    for (int i = 8; i >= 1; --i) sealedCounter_ = (sealedCounter_ << 8) | d[i];
    if (inner[0] >= 0x80) {
        HandleControl(from, inner, n);
        std::lock_guard<std::recursive_mutex> guard(PartyLock);
        const int i = FindParty(from);
        if (i >= 0) PartyChannel[i]->noteOther();
    } else {
        HandleAudio(from, inner, n);
    }
    sealedNow_ = false;
    answeringSealed_ = nullptr;
}

void Phone::Recheck(const PeerAddress& address) {
    {
        std::lock_guard<std::mutex> guard(recheckLock_);
        for (const PeerAddress& a : rechecking_)
            if (SameAddress(a, address)) return;
        rechecking_.push_back(address);
    }
    LinkInfo before;
    links_.info(address, &before);
    StartWorker([this, address, before] {
        auto step1 = [&] {
            const secure::Bytes d = links_.step1(address, LimitClock());
            if (!d.empty()) SendRaw(address, d.data(), static_cast<int>(d.size()));
        };
        auto renewed = [&] {
            LinkInfo now;
            return !links_.info(address, &now) || now.generation != before.generation;
        };
        const bool answered = Exchange(Timings.handshakeAttempts, Timings.handshakeIntervalMs, step1, renewed);
        // No answer: nobody is there any more. An answer with another key
        // than the party's: that party is not there either (the session is
        // held, so that nothing goes out in plain, until the user decides).
        if ((!answered || links_.held(address)) && !Stopping()) {
            if (!answered) links_.drop(address);
            while (NoteLeavingParty(address)) {
                Post(PartyDropped, 0);
                RemoveParty(&address);
            }
        }
        links_.abandon(address);
        std::lock_guard<std::mutex> guard(recheckLock_);
        for (size_t i = 0; i < rechecking_.size(); ++i)
            if (SameAddress(rechecking_[i], address)) {
                rechecking_.erase(rechecking_.begin() + static_cast<long>(i));
                break;
            }
    });
}

int Phone::RingWarnings(const PeerAddress& from, const char* name) {
    RememberedPeer byName, byAddress;
    const bool named = Peers.findByName(name, &byName);
    LinkInfo info;
    if (!sealedNow_ || !links_.info(from, &info)) return named ? RingNotPrivate : 0;
    const bool addressKnown = Peers.findByAddress(from, &byAddress);
    if ((named && std::memcmp(byName.key, info.key, 32) != 0) ||
        (addressKnown && std::memcmp(byAddress.key, info.key, 32) != 0)) {
        std::lock_guard<std::mutex> guard(FieldLock);
        std::memcpy(lastShownKey_, info.key, sizeof lastShownKey_);
        lastShownAddress_ = from;
        lastShownKnown_ = true;
        return RingKeyChanged;
    }
    return 0;
}

// ---- sending ----

void Phone::SendRaw(const PeerAddress& to, const uint8_t* bytes, int length) {
    std::shared_lock<std::shared_mutex> guard(socketLock_);
    if (UdpSocket* socket = Socket.load()) socket->sendTo(to, bytes, length);
}

// ---- lifetimes ----

bool Phone::InUse(const PeerAddress& address) {
    if (FindParty(address) >= 0) return true;
    if (MessageState == MsgSending && SameAddress(ReadAddress(MessageAddress), address)) return true;
    if (CallState != StateIdle && SameAddress(ReadAddress(RemoteAddress), address)) return true;
    std::lock_guard<std::mutex> guard(chatLock_);
    for (int i = 0; i < ChatQueueCount; ++i)
        if (SameAddress(ChatQueueAddress[i], address) || ChatQueueAddress[i].port() == 0) return true;
    return false;
}

void Phone::Housekeeping() {
    const int64_t now = LimitClock();
    if (now - lastHousekeeping_ < 1000) return;
    lastHousekeeping_ = now;
    links_.sweep(now, Timings.sessionIdleMs, [this](const PeerAddress& a) { return InUse(a); });
}

}  // namespace kv
