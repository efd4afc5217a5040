#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "audio/mixer.h"
#include "platform/mixer_api.h"

using namespace kv;

namespace {

constexpr uint32_t kSpeakers = 4;        // a playback destination
constexpr uint32_t kLineIn = 0x1002;
constexpr uint32_t kCompactDisc = 0x1005;
constexpr uint32_t kWaveOutSource = 0x1008;

// A sound card as the mixer seam shows it: destinations with their source
// lines, controls by (line, type), selector item names by control. Records
// what was written and checks that nothing is used while the mixer is closed.
class FakeMixer final : public MixerApi {
public:
    struct Destination {
        MixerLine line;
        std::vector<MixerLine> sources;
    };

    // Adds a destination; returns its index.
    uint32_t addDestination(uint32_t type, const std::string& name) {
        Destination d;
        d.line.lineId = 0xFFFF0000u + static_cast<uint32_t>(dests.size());
        d.line.componentType = type;
        d.line.name = name;
        dests.push_back(d);
        return static_cast<uint32_t>(dests.size() - 1);
    }
    // Adds a source line to destination d; returns its line id.
    uint32_t addSource(uint32_t d, uint32_t type, const std::string& name) {
        MixerLine l;
        l.lineId = nextLineId_++;
        l.componentType = type;
        l.name = name;
        dests[d].sources.push_back(l);
        dests[d].line.connections = static_cast<uint32_t>(dests[d].sources.size());
        return l.lineId;
    }
    uint32_t addFader(uint32_t lineId, uint32_t minimum, uint32_t maximum) {
        MixerControl c;
        c.controlId = nextControlId_++;
        c.type = kMixerControlVolume;
        c.minimum = minimum;
        c.maximum = maximum;
        controls[{lineId, c.type}] = c;
        return c.controlId;
    }
    uint32_t addSelector(uint32_t d, uint32_t type, const std::vector<std::string>& items) {
        MixerControl c;
        c.controlId = nextControlId_++;
        c.type = type;
        c.items = static_cast<uint32_t>(items.size());
        controls[{dests[d].line.lineId, type}] = c;
        names[c.controlId] = items;
        return c.controlId;
    }

    unsigned deviceCount() override { return 1; }
    bool open(void* handle) override {
        ++opens;
        if (isOpen) ++misuse;
        openedWith = handle;
        if (failOpen) return false;
        isOpen = true;
        return true;
    }
    bool destinationCount(uint32_t* count) override {
        use();
        if (failCaps) return false;
        *count = static_cast<uint32_t>(dests.size());
        return true;
    }
    bool destination(uint32_t index, MixerLine* out) override {
        use();
        destinationsAsked.push_back(index);
        if (index >= dests.size() || static_cast<int>(index) == failDestinationAt) return false;
        *out = dests[index].line;
        return true;
    }
    bool source(uint32_t d, uint32_t s, MixerLine* out) override {
        use();
        sourcesAsked.emplace_back(d, s);
        if (d >= dests.size() || s >= dests[d].sources.size()) return false;
        if (static_cast<int>(s) == failSourceAt) return false;
        *out = dests[d].sources[s];
        return true;
    }
    MixerResult control(uint32_t lineId, uint32_t type, MixerControl* out) override {
        use();
        if (failControl == std::make_pair(lineId, type)) return MixerResult::Failed;
        auto it = controls.find({lineId, type});
        if (it == controls.end()) return MixerResult::None;
        *out = it->second;
        return MixerResult::Ok;
    }
    bool itemNames(const MixerControl& c, std::vector<std::string>* out) override {
        use();
        if (failItemNames) return false;
        auto it = names.find(c.controlId);
        if (it == names.end()) return false;
        *out = it->second;
        return true;
    }
    bool setUniformValue(const MixerControl& c, uint32_t value) override {
        use();
        volumeWrites.emplace_back(c.controlId, value);
        return !failSetVolume;
    }
    bool setItemValues(const MixerControl& c, const std::vector<uint32_t>& values) override {
        use();
        if (values.size() != c.items) ++misuse;
        selectionWrites.emplace_back(c.controlId, values);
        return !failSetSelection;
    }
    void close() override {
        ++closes;
        if (!isOpen) ++misuse;
        isOpen = false;
    }

    std::vector<Destination> dests;
    std::map<std::pair<uint32_t, uint32_t>, MixerControl> controls;
    std::map<uint32_t, std::vector<std::string>> names;

    bool failOpen = false, failCaps = false, failItemNames = false;
    bool failSetVolume = false, failSetSelection = false;
    int failDestinationAt = -1, failSourceAt = -1;
    std::pair<uint32_t, uint32_t> failControl{0, 0};

    bool isOpen = false;
    int opens = 0, closes = 0, misuse = 0;
    void* openedWith = nullptr;
    std::vector<uint32_t> destinationsAsked;
    std::vector<std::pair<uint32_t, uint32_t>> sourcesAsked;
    std::vector<std::pair<uint32_t, uint32_t>> volumeWrites;
    std::vector<std::pair<uint32_t, std::vector<uint32_t>>> selectionWrites;

private:
    void use() {
        if (!isOpen) ++misuse;
    }
    uint32_t nextLineId_ = 1;
    uint32_t nextControlId_ = 100;
};

int handleStandIn;  // its address plays the wave input handle
void* const kHandle = &handleStandIn;

// A typical card: playback destination first (with its own microphone line
// and fader, which must stay untouched), then the recording destination with
// CD, line in and microphone sources; the selector lists them in another order.
struct Card {
    FakeMixer m;
    uint32_t waveIn = 0;
    uint32_t micFader = 0, speakerMicFader = 0, lineInFader = 0;

    explicit Card(uint32_t faderMin = 0, uint32_t faderMax = 65535) {
        const uint32_t speakers = m.addDestination(kSpeakers, "Master Volume");
        speakerMicFader = m.addFader(m.addSource(speakers, kMixerSourceMicrophone, "Microphone"), 0, 65535);
        m.addSource(speakers, kWaveOutSource, "Wave");
        waveIn = m.addDestination(kMixerDestinationWaveIn, "Recording Control");
        m.addFader(m.addSource(waveIn, kCompactDisc, "CD Audio"), 0, 65535);
        lineInFader = m.addFader(m.addSource(waveIn, kLineIn, "Line In"), 0, 65535);
        micFader = m.addFader(m.addSource(waveIn, kMixerSourceMicrophone, "Microphone"), faderMin, faderMax);
    }
    uint32_t addSelector(uint32_t type) {
        return m.addSelector(waveIn, type, {"Stereo Mix", "Microphone", "Line In", "CD Audio"});
    }
    int run(int level = 500) { return SelectRecordingSource(m, kHandle, kMixerSourceMicrophone, level); }
};

using Writes = std::vector<std::pair<uint32_t, uint32_t>>;
using Selections = std::vector<std::pair<uint32_t, std::vector<uint32_t>>>;

// ---- selectors ----

TEST(MixerSelector, MuxSelectsOnlyTheMicrophone) {
    Card c;
    const uint32_t mux = c.addSelector(kMixerControlMux);
    EXPECT_EQ(c.run(), 0);
    EXPECT_EQ(c.m.openedWith, kHandle);
    EXPECT_EQ(c.m.selectionWrites, (Selections{{mux, {0, 1, 0, 0}}}));
    EXPECT_EQ(c.m.closes, 1);
    EXPECT_EQ(c.m.misuse, 0);
}

TEST(MixerSelector, MixerTypeSelectsOnlyTheMicrophone) {
    Card c;
    const uint32_t sel = c.addSelector(kMixerControlMixer);
    EXPECT_EQ(c.run(), 0);
    EXPECT_EQ(c.m.selectionWrites, (Selections{{sel, {0, 1, 0, 0}}}));
    EXPECT_EQ(c.m.closes, 1);
}

TEST(MixerSelector, MultipleSelectListSetsAllButTheMicrophone) {
    Card c;
    const uint32_t list = c.addSelector(kMixerControlMultipleSelect);
    EXPECT_EQ(c.run(), 0);
    EXPECT_EQ(c.m.selectionWrites, (Selections{{list, {1, 0, 1, 1}}}));
    EXPECT_EQ(c.m.closes, 1);
}

TEST(MixerSelector, PrefersMuxThenMixerOverTheList) {
    Card c;
    c.addSelector(kMixerControlMultipleSelect);
    const uint32_t mixerSel = c.addSelector(kMixerControlMixer);
    EXPECT_EQ(c.run(), 0);
    EXPECT_EQ(c.m.selectionWrites, (Selections{{mixerSel, {0, 1, 0, 0}}}));

    Card d;
    d.addSelector(kMixerControlMultipleSelect);
    d.addSelector(kMixerControlMixer);
    const uint32_t mux = d.addSelector(kMixerControlMux);
    EXPECT_EQ(d.run(), 0);
    EXPECT_EQ(d.m.selectionWrites, (Selections{{mux, {0, 1, 0, 0}}}));
}

TEST(MixerSelector, NameMustMatchExactlyIncludingCase) {
    Card c;
    c.m.addSelector(c.waveIn, kMixerControlMux, {"Line In", "microphone", "MICROPHONE", "Microphone "});
    EXPECT_EQ(c.run(), 0);
    EXPECT_TRUE(c.m.selectionWrites.empty());
    EXPECT_EQ(c.m.volumeWrites.size(), 1u);  // the volume is still set
    EXPECT_EQ(c.m.closes, 1);
}

TEST(MixerSelector, FirstOfDuplicateNamesIsChosen) {
    Card c;
    const uint32_t list =
        c.m.addSelector(c.waveIn, kMixerControlMultipleSelect, {"Line In", "Microphone", "Microphone"});
    EXPECT_EQ(c.run(), 0);
    EXPECT_EQ(c.m.selectionWrites, (Selections{{list, {1, 0, 1}}}));
}

TEST(MixerSelector, NoSelectorStillSetsTheVolume) {
    Card c;
    EXPECT_EQ(c.run(1000), 0);
    EXPECT_EQ(c.m.volumeWrites, (Writes{{c.micFader, 65535}}));
    EXPECT_TRUE(c.m.selectionWrites.empty());
    EXPECT_EQ(c.m.closes, 1);
}

TEST(MixerSelector, LongSelectorIsWrittenWhole) {
    Card c;
    std::vector<std::string> items;
    for (int i = 0; i < 40; ++i) items.push_back("Input " + std::to_string(i));
    items[33] = "Microphone";
    const uint32_t mux = c.m.addSelector(c.waveIn, kMixerControlMux, items);
    EXPECT_EQ(c.run(), 0);
    ASSERT_EQ(c.m.selectionWrites.size(), 1u);
    EXPECT_EQ(c.m.selectionWrites[0].first, mux);
    std::vector<uint32_t> expected(40, 0);
    expected[33] = 1;
    EXPECT_EQ(c.m.selectionWrites[0].second, expected);
}

TEST(MixerSelector, ImplausibleItemCountIsLeftAlone) {
    Card c;
    std::vector<std::string> items(kMaxSelectorItems + 1, "Other");
    items[0] = "Microphone";
    c.m.addSelector(c.waveIn, kMixerControlMux, items);
    EXPECT_EQ(c.run(), 0);
    EXPECT_TRUE(c.m.selectionWrites.empty());
    EXPECT_EQ(c.m.volumeWrites.size(), 1u);
    EXPECT_EQ(c.m.closes, 1);
}

TEST(MixerSelector, NameCountDifferentFromItemCountIsSafe) {
    Card c;
    const uint32_t mux = c.m.addSelector(c.waveIn, kMixerControlMux, {"Line In", "Microphone", "CD"});
    c.m.names[mux] = {"Line In"};  // the driver returns fewer texts than it has items
    EXPECT_EQ(c.run(), 0);
    EXPECT_TRUE(c.m.selectionWrites.empty());

    Card d;
    const uint32_t mux2 = d.m.addSelector(d.waveIn, kMixerControlMux, {"Line In", "Microphone", "CD"});
    d.m.names[mux2] = {"Line In", "Microphone"};
    EXPECT_EQ(d.run(), 0);
    EXPECT_EQ(d.m.selectionWrites, (Selections{{mux2, {0, 1, 0}}}));  // one value per item
    EXPECT_EQ(d.m.misuse, 0);

    Card e;  // more texts than items: those beyond the items do not count
    const uint32_t mux3 = e.m.addSelector(e.waveIn, kMixerControlMux, {"Line In", "CD"});
    e.m.names[mux3] = {"Line In", "CD", "Microphone"};
    EXPECT_EQ(e.run(), 0);
    EXPECT_TRUE(e.m.selectionWrites.empty());
    EXPECT_EQ(e.m.misuse, 0);
}

TEST(MixerSelector, EmptySelectorSelectsNothing) {
    Card c;
    c.m.addSelector(c.waveIn, kMixerControlMux, {});
    EXPECT_EQ(c.run(), 0);
    EXPECT_TRUE(c.m.selectionWrites.empty());
    EXPECT_EQ(c.m.closes, 1);
}

// ---- volume ----

TEST(MixerVolume, LevelMapsOntoTheFaderRange) {
    const struct {
        uint32_t min, max;
        int level;
        uint32_t expected;
    } cases[] = {
        {0, 65535, 0, 0},          {0, 65535, 1000, 65535},  {0, 65535, 500, 32767},
        {100, 1100, 0, 100},       {100, 1100, 1000, 1100},  {100, 1100, 500, 600},
        {100, 1100, 1, 101},       {100, 1100, 999, 1099},   {0, 65535, -1, 0},
        {0, 65535, -100000, 0},    {0, 65535, 1001, 65535},  {100, 1100, 2147483647, 1100},
        {0, 0xFFFFFFFFu, 1000, 0xFFFFFFFFu},                 {0, 0xFFFFFFFFu, 500, 0x7FFFFFFFu},
        {7, 7, 500, 7},            {500, 100, 1000, 500},  // empty or inverted range: the minimum
    };
    for (const auto& k : cases) {
        MixerControl f;
        f.type = kMixerControlVolume;
        f.minimum = k.min;
        f.maximum = k.max;
        EXPECT_EQ(MixerVolumeForLevel(f, k.level), k.expected)
            << "range " << k.min << ".." << k.max << " level " << k.level;
    }
}

TEST(MixerVolume, OnlyTheRecordingMicrophoneFaderIsSet) {
    for (int level : {0, 500, 1000, -20, 5000}) {
        Card c(1000, 3000);
        c.addSelector(kMixerControlMux);
        EXPECT_EQ(c.run(level), 0);
        const uint32_t expected = level <= 0 ? 1000 : level >= 1000 ? 3000 : 2000;
        EXPECT_EQ(c.m.volumeWrites, (Writes{{c.micFader, expected}})) << "level " << level;
        EXPECT_EQ(c.m.closes, 1);
    }
}

TEST(MixerVolume, MicrophoneWithoutFaderGivesWayToTheNextMicrophone) {
    FakeMixer m;
    const uint32_t d = m.addDestination(kMixerDestinationWaveIn, "Recording Control");
    m.addSource(d, kMixerSourceMicrophone, "Mic (no fader)");
    m.addFader(m.addSource(d, kLineIn, "Line In"), 0, 100);
    const uint32_t fader = m.addFader(m.addSource(d, kMixerSourceMicrophone, "Front Mic"), 0, 1000);
    m.addFader(m.addSource(d, kMixerSourceMicrophone, "Rear Mic"), 0, 1000);
    const uint32_t mux = m.addSelector(d, kMixerControlMux, {"Mic (no fader)", "Line In", "Front Mic", "Rear Mic"});

    EXPECT_EQ(SelectRecordingSource(m, kHandle, kMixerSourceMicrophone, 250), 0);
    EXPECT_EQ(m.volumeWrites, (Writes{{fader, 250}}));
    // The microphone whose volume was set is the one recorded from.
    EXPECT_EQ(m.selectionWrites, (Selections{{mux, {0, 0, 1, 0}}}));
    // Nothing after the line that was set is looked at.
    EXPECT_EQ(m.sourcesAsked.size(), 3u);
    EXPECT_EQ(m.closes, 1);
}

TEST(MixerVolume, MicrophoneWithoutAnyFaderIsStillSelected) {
    FakeMixer m;
    const uint32_t d = m.addDestination(kMixerDestinationWaveIn, "Recording Control");
    m.addFader(m.addSource(d, kLineIn, "Line In"), 0, 100);
    m.addSource(d, kMixerSourceMicrophone, "Microphone");
    const uint32_t list = m.addSelector(d, kMixerControlMultipleSelect, {"Line In", "Microphone"});

    EXPECT_EQ(SelectRecordingSource(m, kHandle, kMixerSourceMicrophone, 500), 0);
    EXPECT_TRUE(m.volumeWrites.empty());
    EXPECT_EQ(m.selectionWrites, (Selections{{list, {1, 0}}}));
    EXPECT_EQ(m.closes, 1);
}

TEST(MixerVolume, NoMicrophoneSourceChangesNothing) {
    FakeMixer m;
    const uint32_t d = m.addDestination(kMixerDestinationWaveIn, "Recording Control");
    m.addFader(m.addSource(d, kLineIn, "Line In"), 0, 100);
    m.addFader(m.addSource(d, kCompactDisc, "Microphone"), 0, 100);  // the name alone does not count
    m.addSelector(d, kMixerControlMux, {"Line In", "Microphone"});

    EXPECT_EQ(SelectRecordingSource(m, kHandle, kMixerSourceMicrophone, 500), 0);
    EXPECT_TRUE(m.volumeWrites.empty());
    EXPECT_TRUE(m.selectionWrites.empty());
    EXPECT_EQ(m.closes, 1);
    EXPECT_EQ(m.misuse, 0);
}

TEST(MixerVolume, OtherSourceTypesCanBeChosen) {
    Card c;
    const uint32_t mux = c.addSelector(kMixerControlMux);
    EXPECT_EQ(SelectRecordingSource(c.m, kHandle, kLineIn, 1000), 0);
    EXPECT_EQ(c.m.volumeWrites, (Writes{{c.lineInFader, 65535}}));
    EXPECT_EQ(c.m.selectionWrites, (Selections{{mux, {0, 0, 1, 0}}}));
}

// ---- destination ----

TEST(MixerDestination, FirstRecordingDestinationIsTaken) {
    Card c;
    c.addSelector(kMixerControlMux);
    const uint32_t second = c.m.addDestination(kMixerDestinationWaveIn, "Second Recording");
    c.m.addFader(c.m.addSource(second, kMixerSourceMicrophone, "Microphone"), 0, 10);
    EXPECT_EQ(c.run(), 0);
    EXPECT_EQ(c.m.destinationsAsked, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(c.m.volumeWrites, (Writes{{c.micFader, 32767}}));
    for (const auto& s : c.m.sourcesAsked) EXPECT_EQ(s.first, c.waveIn);
}

TEST(MixerDestination, WithoutRecordingDestinationTheLastIsUsed) {
    FakeMixer m;
    const uint32_t a = m.addDestination(kSpeakers, "Master Volume");
    const uint32_t aMic = m.addFader(m.addSource(a, kMixerSourceMicrophone, "Microphone"), 0, 100);
    m.addDestination(5, "Headphones");
    const uint32_t last = m.addDestination(6, "Telephone");
    const uint32_t lastMic = m.addFader(m.addSource(last, kMixerSourceMicrophone, "Microphone"), 0, 100);
    const uint32_t mux = m.addSelector(last, kMixerControlMux, {"Aux", "Microphone"});

    EXPECT_EQ(SelectRecordingSource(m, kHandle, kMixerSourceMicrophone, 1000), 0);
    EXPECT_EQ(m.destinationsAsked, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(m.volumeWrites, (Writes{{lastMic, 100}}));
    EXPECT_NE(lastMic, aMic);
    EXPECT_EQ(m.selectionWrites, (Selections{{mux, {0, 1}}}));
    for (const auto& s : m.sourcesAsked) EXPECT_EQ(s.first, last);
    EXPECT_EQ(m.closes, 1);
}

TEST(MixerDestination, MixerWithoutDestinationsDoesNothing) {
    FakeMixer m;
    EXPECT_EQ(SelectRecordingSource(m, kHandle, kMixerSourceMicrophone, 500), 0);
    EXPECT_TRUE(m.destinationsAsked.empty());
    EXPECT_TRUE(m.volumeWrites.empty());
    EXPECT_EQ(m.closes, 1);
    EXPECT_EQ(m.misuse, 0);
}

// ---- failures: -1, the mixer closed once, what was set stays set ----

TEST(MixerFailure, OpenFailsWithoutClosing) {
    Card c;
    c.addSelector(kMixerControlMux);
    c.m.failOpen = true;
    EXPECT_EQ(c.run(), -1);
    EXPECT_EQ(c.m.opens, 1);
    EXPECT_EQ(c.m.closes, 0);  // nothing was opened
    EXPECT_EQ(c.m.misuse, 0);
    EXPECT_TRUE(c.m.volumeWrites.empty());
}

TEST(MixerFailure, EveryMixerErrorClosesOnceAndReturnsMinusOne) {
    struct Case {
        const char* what;
        void (*arm)(Card&);
        bool volumeSet;
    };
    const Case cases[] = {
        {"capabilities", [](Card& c) { c.m.failCaps = true; }, false},
        {"first destination", [](Card& c) { c.m.failDestinationAt = 0; }, false},
        {"recording destination", [](Card& c) { c.m.failDestinationAt = 1; }, false},
        {"first source line", [](Card& c) { c.m.failSourceAt = 0; }, false},
        {"microphone line", [](Card& c) { c.m.failSourceAt = 2; }, false},
        {"selector query",
         [](Card& c) { c.m.failControl = {c.m.dests[c.waveIn].line.lineId, kMixerControlMux}; }, false},
        {"list query",
         [](Card& c) {
             c.m.failControl = {c.m.dests[c.waveIn].line.lineId, kMixerControlMultipleSelect};
         },
         false},
        {"fader query",
         [](Card& c) { c.m.failControl = {c.m.dests[c.waveIn].sources[2].lineId, kMixerControlVolume}; },
         false},
        {"setting the volume", [](Card& c) { c.m.failSetVolume = true; }, true},
        {"item names", [](Card& c) { c.m.failItemNames = true; }, true},
        {"setting the selection", [](Card& c) { c.m.failSetSelection = true; }, true},
    };
    for (const auto& k : cases) {
        Card c;
        // Only the list exists, so that every selector query is made.
        c.addSelector(kMixerControlMultipleSelect);
        k.arm(c);
        EXPECT_EQ(c.run(), -1) << k.what;
        EXPECT_EQ(c.m.opens, 1) << k.what;
        EXPECT_EQ(c.m.closes, 1) << k.what;
        EXPECT_EQ(c.m.misuse, 0) << k.what;
        EXPECT_EQ(c.m.volumeWrites.size(), k.volumeSet ? 1u : 0u) << k.what;
    }
}

TEST(MixerFailure, SelectionFailureKeepsTheVolumeAndTheMixerIsReusable) {
    Card c;
    const uint32_t mux = c.addSelector(kMixerControlMux);
    c.m.failSetSelection = true;
    EXPECT_EQ(c.run(1000), -1);
    EXPECT_EQ(c.m.volumeWrites, (Writes{{c.micFader, 65535}}));
    EXPECT_EQ(c.m.selectionWrites.size(), 1u);

    c.m.failSetSelection = false;
    EXPECT_EQ(c.run(0), 0);
    EXPECT_EQ(c.m.volumeWrites.back(), std::make_pair(c.micFader, 0u));
    EXPECT_EQ(c.m.selectionWrites.back(), std::make_pair(mux, std::vector<uint32_t>{0, 1, 0, 0}));
    EXPECT_EQ(c.m.opens, 2);
    EXPECT_EQ(c.m.closes, 2);
    EXPECT_EQ(c.m.misuse, 0);
}

// ---- threads ----

// The slider and the capture's open may both set the source at once; the
// runs must not interleave on the one mixer.
TEST(MixerThreads, ConcurrentRunsDoNotInterleave) {
    Card c;
    c.addSelector(kMixerControlMux);
    std::atomic<int> failures{0};
    auto worker = [&](int level) {
        for (int i = 0; i < 200; ++i)
            if (SelectRecordingSource(c.m, kHandle, kMixerSourceMicrophone, level) != 0) ++failures;
    };
    std::thread a(worker, 0), b(worker, 1000);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(c.m.misuse, 0);
    EXPECT_EQ(c.m.opens, 400);
    EXPECT_EQ(c.m.closes, 400);
}

// ---- the system mixer ----

TEST(SystemMixer, PresentOnlyOnWindows) {
    MixerApi* m = SystemMixer();
#ifdef _WIN32
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(SelectRecordingSource(*m, nullptr, kMixerSourceMicrophone, 500), -1);
    m->close();  // closing a closed mixer is harmless
#else
    EXPECT_EQ(m, nullptr);
#endif
}

}  // namespace
