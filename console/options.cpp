#include "console/options.h"

#include <cctype>
#include <cstring>

namespace kv {
namespace console {
namespace {

constexpr int IdentityMax = 99;  // the engine's identity field holds 100 bytes
constexpr int TextMax = 299;     // refusal text and short message
constexpr int HangupAfterMaxSeconds = 1000000;

bool HasControl(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

// A decimal integer with an optional sign, nothing else; false when it does
// not parse or leaves [low, high].
bool ParseInt(const std::string& s, int low, int high, int* out) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
        v = v * 10 + (s[i] - '0');
        if (v > 100000000) return false;
    }
    if (negative) v = -v;
    if (v < low || v > high) return false;
    *out = static_cast<int>(v);
    return true;
}

// Seconds as "N" or "N.F" (fractions below a millisecond are dropped) into milliseconds.
bool ParseSeconds(const std::string& s, int* ms) {
    size_t i = 0;
    long long whole = 0;
    int digits = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, ++digits) {
        whole = whole * 10 + (s[i] - '0');
        if (whole > HangupAfterMaxSeconds) return false;
    }
    long long fraction = 0;
    if (i < s.size() && s[i] == '.') {
        ++i;
        int place = 0;
        for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, ++digits, ++place)
            if (place < 3) fraction = fraction * 10 + (s[i] - '0');
        for (; place < 3; ++place) fraction *= 10;
    }
    if (digits == 0 || i != s.size()) return false;
    *ms = static_cast<int>(whole * 1000 + fraction);
    return true;
}

}  // namespace

bool IsWavPath(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".wav";
}

ParseStatus ParseOptions(int argc, const char* const* argv, Options* out, std::string* error) {
    Options o;
    bool help = false, version = false;
    std::string dummy;
    if (!error) error = &dummy;
    auto fail = [&](const std::string& message) {
        *error = message;
        return ParseStatus::Error;
    };

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (arg.compare(0, 2, "--") == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        } else if (arg == "-h") {
            name = "--help";
        } else {
            if (!arg.empty() && arg[0] == '-') return fail("unknown option '" + arg + "'");
            return fail("unexpected argument '" + arg + "'");
        }

        // Flags take no value.
        auto flag = [&](bool* target) -> bool {
            if (inlineValue) return false;
            *target = true;
            return true;
        };
        bool* const flagTarget = name == "--help"           ? &help
                                 : name == "--version"      ? &version
                                 : name == "--log"          ? &o.log
                                 : name == "--no-input"     ? &o.noInput
                                 : name == "--list-devices" ? &o.listDevices
                                 : name == "--ipv4-only"    ? &o.ipv4Only
                                                            : nullptr;
        if (flagTarget) {
            if (!flag(flagTarget)) return fail(name + " takes no value");
            continue;
        }

        // Every other option takes one value, inline or as the next argument.
        static const char* const withValue[] = {
            "--identity", "--port",  "--answer", "--codec", "--refuse-with", "--frames",       "--delay",   "--max-delay",
            "--threshold", "--mic",  "--speaker", "--call", "--hangup-after", "--message", "--conceal", "--adaptive-playout",
            "--echo-cancel", "--noise-suppress", "--room", "--port-mapping", "--privacy", "--hd-voice",
        };
        bool known = false;
        for (const char* w : withValue) known = known || name == w;
        if (!known) return fail("unknown option '" + name + "'");
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= argc || !argv[i + 1]) return fail(name + " needs a value");
            value = argv[++i];
        }
        const std::string quoted = "'" + value + "'";
        int n = 0;

        if (name == "--identity") {
            if (value.empty()) return fail("--identity: the identity must not be empty");
            if (static_cast<int>(value.size()) > IdentityMax) return fail("--identity: longer than 99 characters");
            if (HasControl(value)) return fail("--identity: control characters are not allowed");
            o.identity = value;
        } else if (name == "--port") {
            if (!ParseInt(value, 1, 65535, &n)) return fail("--port: " + quoted + " is not a port number (1..65535)");
            o.port = static_cast<uint16_t>(n);
        } else if (name == "--answer") {
            static const char* const modes[] = {"ask", "refuse", "accept", "ignore"};  // AnswerMode order
            int mode = -1;
            for (int m = 0; m < 4; ++m)
                if (value == modes[m]) mode = m;
            if (mode < 0) return fail("--answer: " + quoted + " is not one of ask, accept, refuse, ignore");
            o.answer = mode;
        } else if (name == "--codec") {
            if (!ParseInt(value, 0, 1, &n)) return fail("--codec: " + quoted + " is not 0 (GSM 6.10) or 1 (Truespeech)");
            o.codec = n;
        } else if (name == "--refuse-with") {
            if (static_cast<int>(value.size()) > TextMax) return fail("--refuse-with: longer than 299 characters");
            o.refuseWith = value;
        } else if (name == "--frames") {
            if (!ParseInt(value, 1, 7, &n)) return fail("--frames: " + quoted + " is not a number of frames (1..7)");
            o.frames = n;
        } else if (name == "--delay") {
            if (!ParseInt(value, 0, 2000, &n)) return fail("--delay: " + quoted + " is not a delay in ms (0..2000)");
            o.delay = n;
        } else if (name == "--max-delay") {
            if (!ParseInt(value, 0, 2000, &n)) return fail("--max-delay: " + quoted + " is not a delay in ms (0..2000)");
            o.maxDelay = n;
        } else if (name == "--threshold") {
            if (!ParseInt(value, -50, 0, &n)) return fail("--threshold: " + quoted + " is not a level in dB (-50..0)");
            o.threshold = n;
        } else if (name == "--adaptive-playout") {
            if (!ParseInt(value, 0, 1, &n)) return fail("--adaptive-playout: " + quoted + " is not 0 (off) or 1 (on)");
            o.adaptivePlayout = n;
        } else if (name == "--conceal") {
            if (!ParseInt(value, 0, 1, &n)) return fail("--conceal: " + quoted + " is not 0 (off) or 1 (on)");
            o.conceal = n;
        } else if (name == "--echo-cancel" || name == "--noise-suppress") {
            if (!ParseInt(value, 0, 1, &n)) return fail(name + ": " + quoted + " is not 0 (off) or 1 (on)");
            (name == "--echo-cancel" ? o.echoCancel : o.noiseSuppress) = n;
        } else if (name == "--hd-voice") {
            if (!ParseInt(value, 0, 1, &n))
                return fail("--hd-voice: " + quoted + " is not 0 (never Opus) or 1 (Opus with peers that have it)");
            o.hdVoice = n;
        } else if (name == "--port-mapping") {
            if (!ParseInt(value, 0, 1, &n)) return fail("--port-mapping: " + quoted + " is not 0 (off) or 1 (on)");
            o.portMapping = n;
        } else if (name == "--privacy") {
            if (!ParseInt(value, 0, 2, &n))
                return fail("--privacy: " + quoted + " is not 0 (plain), 1 (private where possible) or 2 (private only)");
            o.privacy = n;
        } else if (name == "--room") {
            if (!IsWavPath(value)) return fail("--room: " + quoted + " is not a .wav file");
            o.room = value;
        } else if (name == "--mic" || name == "--speaker") {
            if (value.empty()) return fail(name + ": the device name must not be empty");
            (name == "--mic" ? o.mic : o.speaker) = value;
        } else if (name == "--call") {
            if (value.empty()) return fail("--call: the address must not be empty");
            o.call = value;
        } else if (name == "--hangup-after") {
            if (!ParseSeconds(value, &n)) return fail("--hangup-after: " + quoted + " is not a number of seconds");
            o.hangupAfterMs = n;
        } else if (name == "--message") {
            if (value.empty()) return fail("--message: the address must not be empty");
            if (i + 1 >= argc || !argv[i + 1]) return fail("--message needs an address and a text");
            const std::string text = argv[++i];
            if (static_cast<int>(text.size()) > TextMax) return fail("--message: the text is longer than 299 characters");
            o.messageAddress = value;
            o.messageText = text;
        }
    }

    if (help) {
        *out = o;
        return ParseStatus::Help;
    }
    if (version) {
        *out = o;
        return ParseStatus::Version;
    }
    if (o.listDevices) {
        *out = o;
        return ParseStatus::ListDevices;
    }
    if (o.room && !IsWavPath(o.mic)) return fail("--room needs a .wav file as --mic");
    if (o.messageAddress && (o.call || o.hangupAfterMs))
        return fail("--message cannot be combined with --call or --hangup-after");
    *out = o;
    return ParseStatus::Run;
}

std::string UsageText() {
    return "Usage: kestrovox [OPTION]...\n"
           "The KestroVox peer without a window: one line per event on standard output,\n"
           "commands on standard input. Options override the stored settings for this run.\n"
           "\n"
           "  --identity NAME        the name sent to other parties\n"
           "  --port N               UDP port (default 11676)\n"
           "  --answer MODE          incoming calls: ask, accept, refuse or ignore\n"
           "  --codec 0|1            0 GSM 6.10, 1 Truespeech\n"
           "  --refuse-with TEXT     refuse every call with this text\n"
           "  --log                  write the event log (and accept short messages)\n"
           "  --frames N             codec frames per audio datagram (1..7)\n"
           "  --delay MS             minimum playout delay (0..2000)\n"
           "  --max-delay MS         maximum playout delay (0..2000)\n"
           "  --threshold DB         input threshold (-50..0, -50 is off)\n"
           "  --conceal 0|1          bridge gaps in received audio (1, the default) or not (0)\n"
           "  --adaptive-playout 0|1 one speaker for all, with delays that follow the network (1) or not (0)\n"
           "  --echo-cancel 0|1      cancel the echo of the loudspeaker in the microphone (1) or not (0)\n"
           "  --noise-suppress 0|1   suppress steady noise in the microphone (1) or not (0)\n"
           "  --port-mapping 0|1     ask the home router to forward the port (1, the default) or not (0)\n"
           "  --privacy 0|1|2        0 plain calls only, 1 private where the other side can, 2 private only\n"
           "  --hd-voice 0|1         wideband Opus with private peers that have it (1, the default) or never (0)\n"
           "  --ipv4-only            an IPv4 socket only, as versions before IPv6 had\n"
           "  --mic SOURCE           ALSA capture PCM, or a .wav file (8000 or 16000 Hz) to play as the microphone\n"
           "  --speaker SINK         ALSA playback PCM, or a .wav file to record to (at the .wav microphone's rate,\n"
           "                         else 16000 Hz)\n"
           "  --room IR.wav          the .wav microphone also hears the speaker, 20 ms later\n"
           "                         through this impulse response (8000 or 16000 Hz mono 16-bit)\n"
           "  --call ADDRESS         place a call at start\n"
           "  --hangup-after SECONDS hang up and quit that long after the first party connected\n"
           "  --message ADDRESS TEXT send one short message; exit 0 when delivered, else 1\n"
           "  --no-input             do not read commands (end on a signal only)\n"
           "  --list-devices         list the names --speaker and --mic take, and exit\n"
           "  --help, --version\n"
           "\n"
           "Addresses: a host name, 10.0.0.7, 2001:db8::7 or fe80::7%eth0, with a port\n"
           "10.0.0.7:5000 or [2001:db8::7]:5000 (11676 when none is given).\n"
           "Commands: call ADDRESS, hangup [ADDRESS], accept, refuse, chat [ADDRESS] TEXT,\n"
           "msg ADDRESS TEXT, mute mic|speaker, unmute mic|speaker, trust ADDRESS,\n"
           "verify ADDRESS, status, parties, quit.\n"
           "Environment: KESTROVOX_LOG_DIR (where the event log is written).\n"
           "Exit codes: 0 done, 1 failure, 2 bad option.\n";
}

std::string DeviceListText(const WaveDeviceList& devices) {
    std::string out;
    auto section = [&out](const char* title, const std::vector<WaveDeviceInfo>& list) {
        out += title;
        out += '\n';
        if (list.empty()) out += "  (none found)\n";
        for (const WaveDeviceInfo& d : list) {
            out += "  " + d.name + '\n';
            size_t at = 0;
            while (at < d.description.size()) {
                size_t end = d.description.find('\n', at);
                if (end == std::string::npos) end = d.description.size();
                if (end > at) out += "      " + d.description.substr(at, end - at) + '\n';
                at = end + 1;
            }
        }
    };
    section("Output devices (--speaker):", devices.outputs);
    out += '\n';
    section("Input devices (--mic):", devices.inputs);
    out += '\n';
    if (!devices.namesSelect)
        out += "Here --speaker and --mic always open the default devices; the names are for reference.\n";
    out += "A path ending in .wav also works: --mic plays that file (8 kHz mono 16-bit) as the\n"
           "microphone, --speaker records into a new file.\n";
    return out;
}

}  // namespace console
}  // namespace kv
