// Windows recording mixer over the mixer* calls of winmm. The mixer is opened
// from the handle of the open wave input device and addressed by its handle
// until it is closed.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "platform/mixer_api.h"

namespace kv {
namespace {

std::string FixedText(const char* text, size_t size) {
    // A driver's name field need not be terminated.
    const void* end = std::memchr(text, '\0', size);
    return std::string(text, end ? static_cast<const char*>(end) - text : size);
}

void FromLine(const MIXERLINEA& ml, MixerLine* out) {
    out->lineId = ml.dwLineID;
    out->componentType = ml.dwComponentType;
    out->connections = ml.cConnections;
    out->name = FixedText(ml.szName, sizeof ml.szName);
}

class WinMixer final : public MixerApi {
public:
    ~WinMixer() override { close(); }

    unsigned deviceCount() override { return mixerGetNumDevs(); }

    bool open(void* waveInHandle) override {
        close();
        if (!waveInHandle) return false;
        // With MIXER_OBJECTF_HWAVEIN the id is the wave input handle.
        const UINT id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(waveInHandle));
        HMIXER h = nullptr;
        if (mixerOpen(&h, id, 0, 0, MIXER_OBJECTF_HWAVEIN) != MMSYSERR_NOERROR) return false;
        mixer_ = h;
        return true;
    }

    bool destinationCount(uint32_t* count) override {
        MIXERCAPSA caps{};
        if (!mixer_ ||
            mixerGetDevCapsA(reinterpret_cast<UINT_PTR>(mixer_), &caps, sizeof caps) != MMSYSERR_NOERROR)
            return false;
        *count = caps.cDestinations;
        return true;
    }

    bool destination(uint32_t index, MixerLine* out) override {
        MIXERLINEA ml{};
        ml.cbStruct = sizeof ml;
        ml.dwDestination = index;
        if (!lineInfo(&ml, MIXER_GETLINEINFOF_DESTINATION)) return false;
        FromLine(ml, out);
        return true;
    }

    bool source(uint32_t destinationIndex, uint32_t sourceIndex, MixerLine* out) override {
        MIXERLINEA ml{};
        ml.cbStruct = sizeof ml;
        ml.dwDestination = destinationIndex;
        ml.dwSource = sourceIndex;
        if (!lineInfo(&ml, MIXER_GETLINEINFOF_SOURCE)) return false;
        FromLine(ml, out);
        return true;
    }

    MixerResult control(uint32_t lineId, uint32_t controlType, MixerControl* out) override {
        if (!mixer_) return MixerResult::Failed;
        MIXERCONTROLA mc{};
        mc.cbStruct = sizeof mc;
        MIXERLINECONTROLSA mlc{};
        mlc.cbStruct = sizeof mlc;
        mlc.dwLineID = lineId;
        mlc.dwControlType = controlType;
        mlc.cControls = 1;
        mlc.cbmxctrl = sizeof mc;
        mlc.pamxctrl = &mc;
        const MMRESULT r = mixerGetLineControlsA(
            object(), &mlc, MIXER_GETLINECONTROLSF_ONEBYTYPE | MIXER_OBJECTF_HMIXER);
        // Windows drivers say INVALCONTROL for a type the line lacks; Wine says NOTSUPPORTED.
        if (r == MIXERR_INVALCONTROL || r == MMSYSERR_NOTSUPPORTED) return MixerResult::None;
        if (r != MMSYSERR_NOERROR) return MixerResult::Failed;
        out->controlId = mc.dwControlID;
        out->type = mc.dwControlType;
        out->items = mc.cMultipleItems;
        out->minimum = mc.Bounds.dwMinimum;
        out->maximum = mc.Bounds.dwMaximum;
        return MixerResult::Ok;
    }

    bool itemNames(const MixerControl& control, std::vector<std::string>* names) override {
        names->clear();
        if (!mixer_) return false;
        if (control.items == 0) return true;
        std::vector<MIXERCONTROLDETAILS_LISTTEXTA> texts(control.items);
        MIXERCONTROLDETAILS d = details(control, control.items);
        d.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXTA);
        d.paDetails = texts.data();
        if (mixerGetControlDetailsA(object(), &d,
                                    MIXER_GETCONTROLDETAILSF_LISTTEXT | MIXER_OBJECTF_HMIXER) !=
            MMSYSERR_NOERROR)
            return false;
        names->reserve(texts.size());
        for (const auto& t : texts) names->push_back(FixedText(t.szName, sizeof t.szName));
        return true;
    }

    bool setUniformValue(const MixerControl& control, uint32_t value) override {
        if (!mixer_) return false;
        MIXERCONTROLDETAILS_UNSIGNED v{};
        v.dwValue = value;
        MIXERCONTROLDETAILS d = details(control, 0);
        d.cbDetails = sizeof v;
        d.paDetails = &v;
        return set(&d);
    }

    bool setItemValues(const MixerControl& control, const std::vector<uint32_t>& values) override {
        if (!mixer_ || values.size() != control.items) return false;
        if (values.empty()) return true;
        std::vector<MIXERCONTROLDETAILS_BOOLEAN> v(values.size());
        for (size_t i = 0; i < values.size(); ++i) v[i].fValue = static_cast<LONG>(values[i]);
        MIXERCONTROLDETAILS d = details(control, control.items);
        d.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
        d.paDetails = v.data();
        return set(&d);
    }

    void close() override {
        if (mixer_) mixerClose(mixer_);
        mixer_ = nullptr;
    }

private:
    HMIXEROBJ object() const { return reinterpret_cast<HMIXEROBJ>(mixer_); }

    bool lineInfo(MIXERLINEA* ml, DWORD query) {
        return mixer_ && mixerGetLineInfoA(object(), ml, query | MIXER_OBJECTF_HMIXER) ==
                             MMSYSERR_NOERROR;
    }

    // Details of one control, all channels treated as one.
    static MIXERCONTROLDETAILS details(const MixerControl& control, DWORD items) {
        MIXERCONTROLDETAILS d{};
        d.cbStruct = sizeof d;
        d.dwControlID = control.controlId;
        d.cChannels = 1;
        d.cMultipleItems = items;
        return d;
    }

    bool set(MIXERCONTROLDETAILS* d) {
        return mixerSetControlDetails(object(), d,
                                      MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER) ==
               MMSYSERR_NOERROR;
    }

    HMIXER mixer_ = nullptr;
};

}  // namespace

MixerApi* SystemMixer() {
    static WinMixer mixer;
    return &mixer;
}

}  // namespace kv
