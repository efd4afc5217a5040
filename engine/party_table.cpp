// The party table of the conference: four parallel arrays in Phone, entries
// 0..PartyCount-1 in the order they were added. Changes happen under
// PartyLock; the receive thread feeds a party's channel under the same lock,
// so a removed party's channel is destroyed only once nobody can be feeding it.
#include <cstring>
#include <memory>

#include "engine/phone.h"

namespace kv {

int Phone::AddParty(const PeerAddress& address, const char* identity) {
    return AddPartyEntry(address, identity) != 0 ? 1 : 0;
}

void Phone::NoteDevice(bool speaker, bool works) {
    std::atomic<int>& failing = speaker ? SpeakerFailing : MicrophoneFailing;
    const int now = works ? 0 : 1;
    if (failing.exchange(now) == now) return;
    Post(AudioDeviceChanged, speaker ? (works ? DeviceSpeakerWorks : DeviceSpeakerFailed)
                                     : (works ? DeviceMicrophoneWorks : DeviceMicrophoneFailed));
}

void Phone::FollowParties() {
    std::lock_guard<std::mutex> guard(rendererLock_);
    Renderer* renderer = renderer_;
    if (!renderer) return;
    if (PartyCount > 0)
        renderer->start();
    else
        renderer->stop();
}

uint32_t Phone::AddPartyEntry(const PeerAddress& address, const char* identity) {
    uint32_t id;
    {
        std::lock_guard<std::recursive_mutex> guard(PartyLock);
        int i = PartyCount;
        if (i >= MaxParties) return 0;
        id = ++lastPartyId_;
        if (id == 0) id = ++lastPartyId_;
        auto channel = std::make_unique<MediaChannel>(audioDevices_);
        if (AdaptivePlayout) {
            Renderer* renderer;
            {
                std::lock_guard<std::mutex> made(rendererLock_);
                if (!rendererOwned_) {
                    rendererOwned_ = std::make_unique<Renderer>(audioDevices_, CoreRate);
                    rendererOwned_->setEchoReference(&Capture.echoReference);
                    rendererOwned_->setVolume(Volume);
                    rendererOwned_->setOutGain(OutGain != 0);
                    rendererOwned_->setDeviceChanged([this](bool open) { NoteDevice(true, open); });
                    renderer_ = rendererOwned_.get();
                }
                renderer = rendererOwned_.get();
            }
            channel->attach(renderer);
            std::lock_guard<std::mutex> party(channel->party->lock);
            channel->party->jitter.setDelayBounds(Delay, MaxDelay);
            channel->party->jitter.setConceal(Conceal != 0);
        }
        channel->playout.setMinDelay(Delay);
        channel->playout.setMaxDelay(MaxDelay);
        channel->playout.setVolume(Volume);
        channel->playout.outGain = OutGain.load();
        channel->playout.setConceal(Conceal);
        channel->playout.setEchoReference(&Capture.echoReference);
        WriteText(PartyName[i], sizeof PartyName[i], identity);
        PartyActive[i] = 0;
        PartyChannel[i] = channel.release();
        PartyAddress[i] = address;
        partyIds_[i] = id;
        PartyCount = i + 1;
    }
    FollowParties();
    Post(PartiesChanged);
    return id;
}

int Phone::FindPartyEntry(uint32_t id) {
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i)
        if (partyIds_[i] == id) return i;
    return -1;
}

int Phone::ActivatePartyEntry(uint32_t id) {
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    const int i = FindPartyEntry(id);
    if (i < 0) return 0;
    PartyActive[i] = 1;
    return 1;
}

int Phone::FindParty(const PeerAddress& address) {
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i)
        if (SameAddress(PartyAddress[i], address)) return i;
    return -1;
}

int Phone::ActivateParty(const PeerAddress& address) {
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    int i = FindParty(address);
    if (i < 0) return 0;
    PartyActive[i] = 1;
    return 1;
}

int Phone::RemoveParty(const PeerAddress* address) {
    if (!address) return RemoveEntry(EveryEntry, nullptr, 0);
    return RemoveEntry(EntryAtAddress, address, 0);
}

int Phone::RemovePartyEntry(uint32_t id) { return RemoveEntry(EntryWithId, nullptr, id); }

int Phone::RemoveEntry(EntryChoice choice, const PeerAddress* address, uint32_t id) {
    std::unique_ptr<MediaChannel> released[MaxParties];
    int releasedCount = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(PartyLock);
        if (choice == EveryEntry) {
            for (int i = 0; i < PartyCount; ++i) {
                released[releasedCount++].reset(PartyChannel[i]);
                PartyChannel[i] = nullptr;
                PartyActive[i] = 0;
            }
            PartyCount = 0;
        } else {
            const int i = choice == EntryWithId ? FindPartyEntry(id) : FindParty(*address);
            if (i < 0) return 0;
            released[releasedCount++].reset(PartyChannel[i]);
            int count = PartyCount;
            for (int j = i; j + 1 < count; ++j) {
                PartyAddress[j] = PartyAddress[j + 1];
                {
                    std::lock_guard<std::mutex> fields(FieldLock);
                    std::memcpy(PartyName[j], PartyName[j + 1], sizeof PartyName[j]);
                }
                PartyActive[j] = PartyActive[j + 1].load();
                PartyChannel[j] = PartyChannel[j + 1];
                partyIds_[j] = partyIds_[j + 1];
            }
            PartyChannel[count - 1] = nullptr;
            PartyActive[count - 1] = 0;
            partyIds_[count - 1] = 0;
            PartyCount = count - 1;
        }
    }
    // Channels go away outside the lock: closing a playout waits for its monitor.
    for (int i = 0; i < releasedCount; ++i) released[i].reset();
    FollowParties();
    Post(PartiesChanged);
    return 1;
}

int Phone::SetVolume(int volume) {
    Volume = volume;
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i) PartyChannel[i]->playout.setVolume(volume);
    if (Renderer* renderer = renderer_) renderer->setVolume(volume);
    return 0;
}

int Phone::SetDelay(int ms) {
    const int maximum = MaxDelay;
    if (ms > maximum - 100) ms = maximum > 100 ? maximum - 100 : 0;
    Delay = ms;
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i) PartyChannel[i]->playout.setMinDelay(ms);
    BoundJitter();
    return 0;
}

int Phone::SetMaxDelay(int ms) {
    const int minimum = Delay;
    if (ms < minimum + 100) ms = minimum + 100;
    MaxDelay = ms;
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i) PartyChannel[i]->playout.setMaxDelay(ms);
    BoundJitter();
    return 0;
}

int Phone::SetOutGain(int flag) {
    OutGain = flag;
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i) PartyChannel[i]->playout.outGain = flag;
    if (Renderer* renderer = renderer_) renderer->setOutGain(flag != 0);
    return 0;
}

int Phone::SetConceal(int flag) {
    flag = flag != 0 ? 1 : 0;
    Conceal = flag;
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i) {
        PartyChannel[i]->playout.setConceal(flag);
        if (const auto& p = PartyChannel[i]->party) {
            std::lock_guard<std::mutex> party(p->lock);
            p->jitter.setConceal(flag != 0);
        }
    }
    return 0;
}

// The lock is held by the caller: every adaptive party's jitter buffer within Delay and MaxDelay.
void Phone::BoundJitter() {
    for (int i = 0; i < PartyCount; ++i)
        if (const auto& p = PartyChannel[i]->party) {
            std::lock_guard<std::mutex> party(p->lock);
            p->jitter.setDelayBounds(Delay, MaxDelay);
        }
}

int Phone::OutputLevel() {
    int loudest = PlayoutBuffer::ClosedLevel;
    if (Renderer* renderer = renderer_) loudest = renderer->outputLevel();
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i) {
        const int level = PartyChannel[i]->playout.outputLevel();
        if (level > loudest) loudest = level;
    }
    return loudest;
}

int Phone::PartyForAudio(const PeerAddress& sender) {
    int i = FindParty(sender);
    if (i < 0) Reply(sender, BuildShortLeave());
    return i;
}

}  // namespace kv
