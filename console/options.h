// Command-line options of the console peer. Every option is optional; the
// values given override the stored settings for this run only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/wave_devices.h"

namespace kv {
namespace console {

constexpr char ProgramName[] = "kestrovox";
constexpr char ProgramVersion[] = "1.30";

// Exit codes of the program.
constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;  // the engine could not start, a short message was not delivered ...
constexpr int ExitUsage = 2;    // a bad option or option value; nothing was started

struct Options {
    std::optional<std::string> identity;
    std::optional<uint16_t> port;  // 11676 when not given
    std::optional<int> answer;  // AnswerMode: 0 ask, 1 refuse, 2 accept, 3 ignore
    std::optional<int> codec;
    std::optional<std::string> refuseWith;
    bool log = false;
    std::optional<int> frames;
    std::optional<int> delay;
    std::optional<int> maxDelay;
    std::optional<int> threshold;  // dB
    std::optional<int> conceal;    // 0 or 1
    std::optional<int> adaptivePlayout;  // 0 or 1
    std::optional<int> echoCancel;     // 0 or 1
    std::optional<int> portMapping;    // 0 or 1
    std::optional<int> noiseSuppress;  // 0 or 1
    std::optional<int> hdVoice;        // 1 Opus with private peers that decode it, 0 never
    std::optional<int> privacy;        // PrivacyMode: 0 plain, 1 private where possible, 2 private only
    std::optional<std::string> room;   // impulse response of the room around a .wav microphone
    std::string mic = "default";
    std::string speaker = "default";
    std::optional<std::string> call;
    std::optional<int> hangupAfterMs;
    std::optional<std::string> messageAddress;
    std::string messageText;
    bool noInput = false;
    bool listDevices = false;
    bool ipv4Only = false;  // an IPv4 socket, as before IPv6
};

enum class ParseStatus { Run, Help, Version, ListDevices, Error };

// Parses argv[1..argc-1]. On Error, *error holds one line naming the option
// and what is wrong with it.
ParseStatus ParseOptions(int argc, const char* const* argv, Options* out, std::string* error);

// The --help text, several lines ending in a line end.
std::string UsageText();

// The --list-devices text: the playback devices for --speaker, the capture
// devices for --mic, one name a line with its description indented below,
// and how a .wav path serves instead.
std::string DeviceListText(const WaveDeviceList& devices);

// True when the name selects the WAV-file devices (it ends in ".wav", any case).
bool IsWavPath(const std::string& name);

}  // namespace console
}  // namespace kv
