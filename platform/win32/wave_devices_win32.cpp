// The waveOut and waveIn devices by their product names. The wave devices
// always open the wave mapper, so the names are for reference only.
#include <windows.h>
#include <mmsystem.h>

#include "platform/wave_devices.h"

namespace kv {
namespace {

std::string Utf8(const WCHAR* text) {
    char out[4 * MAXPNAMELEN];
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return n > 0 ? std::string(out) : std::string();
}

}  // namespace

bool ListWaveDevices(WaveDeviceList* list) {
    *list = WaveDeviceList{};
    list->namesSelect = false;
    const UINT outputs = waveOutGetNumDevs();
    for (UINT i = 0; i < outputs; ++i) {
        WAVEOUTCAPSW caps{};
        if (waveOutGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
            list->outputs.push_back(WaveDeviceInfo{Utf8(caps.szPname), ""});
    }
    const UINT inputs = waveInGetNumDevs();
    for (UINT i = 0; i < inputs; ++i) {
        WAVEINCAPSW caps{};
        if (waveInGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
            list->inputs.push_back(WaveDeviceInfo{Utf8(caps.szPname), ""});
    }
    return true;
}

}  // namespace kv
