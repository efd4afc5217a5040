// kestrovox: the console peer. One Phone with the stored settings, one line
// per engine event on standard output, commands from standard input; ends on
// quit, end of input, SIGINT or SIGTERM with an orderly shutdown.
//
// The main thread sleeps until something happens: on Linux one poll on
// standard input and on the descriptor the event queue signals; on Windows a
// reader thread takes the typed lines and wakes the queue. Timers (the
// minute an incoming call may ring, --hangup-after) are the wait's time-out.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "console/commands.h"
#include "console/events.h"
#include "console/options.h"
#include "console/output.h"
#include "console/setup.h"
#include "engine/phone.h"
#include "platform/os.h"
#include "platform/registry.h"
#include "platform/udp_socket.h"
#include "platform/wave_devices.h"
#include "engine/event_log.h"

namespace {

using namespace kv;
using namespace kv::console;

volatile std::sig_atomic_t gSignal = 0;
// The queue the main loop sleeps on, woken by a signal.
std::atomic<EventSink*> gSignalWake{nullptr};

extern "C" void OnSignal(int) {
    gSignal = 1;
    if (EventSink* events = gSignalWake.load()) events->wakeFromSignal();
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintError(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", ProgramName, message.c_str());
    std::fflush(stderr);
}

// Lines typed on standard input, read by a thread of their own where the
// main loop cannot wait on the input itself. The thread may still sit in a
// read when the program ends, so this lives for the whole process.
class InputLines {
public:
    void push(std::string line) {
        std::lock_guard<std::mutex> guard(lock_);
        lines_.push_back(std::move(line));
        if (wake_) wake_->wake();
    }
    void end() {
        std::lock_guard<std::mutex> guard(lock_);
        ended_ = true;
        if (wake_) wake_->wake();
    }
    // Whom a new line or the end wakes (null: nobody, from now on).
    void setWake(EventSink* events) {
        std::lock_guard<std::mutex> guard(lock_);
        wake_ = events;
    }
    // The next line; false when none waits. *ended is set once the input is over.
    bool take(std::string* line, bool* ended) {
        std::lock_guard<std::mutex> guard(lock_);
        *ended = ended_ && lines_.empty();
        if (lines_.empty()) return false;
        *line = std::move(lines_.front());
        lines_.pop_front();
        return true;
    }

private:
    std::mutex lock_;
    std::deque<std::string> lines_;
    bool ended_ = false;
    EventSink* wake_ = nullptr;
};

InputLines* StartReadingInput(EventSink* wake) {
    static InputLines* lines = new InputLines;
    lines->setWake(wake);
    std::thread([] {
        std::string line;
        while (std::getline(std::cin, line)) lines->push(line);
        lines->end();
    }).detach();
    return lines;
}

// Standard input read by the main loop itself, after its poll: bytes as they
// come, cut into lines.
class PolledInput {
public:
    // Reads what waits; false once the input is over.
    void read() {
        char buffer[4096];
        const int n = ReadInput(buffer, sizeof buffer);
        if (n > 0) pending_.append(buffer, static_cast<size_t>(n));
        if (n == 0) ended_ = true;
    }
    // The next complete line (the last one needs no newline once the input ended).
    bool take(std::string* line) {
        const size_t end = pending_.find('\n');
        if (end == std::string::npos) {
            if (!ended_ || pending_.empty()) return false;
            *line = std::move(pending_);
            pending_.clear();
            return true;
        }
        *line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return true;
    }
    bool ended() const { return ended_ && pending_.empty(); }

private:
    std::string pending_;
    bool ended_ = false;
};

// Milliseconds until the deadline for a wait (negative: none).
int WaitMs(const std::optional<int64_t>& deadline) {
    if (!deadline) return -1;
    const int64_t left = *deadline - NowMs();
    return static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX));
}

bool ExecutableDirectoryWritable() {
    char path[4096];
    if (!ExecutablePath(path, sizeof path)) return true;  // unknown: leave the log where it was
    std::string directory(path);
    const size_t slash = directory.rfind(PathSeparator());
    if (slash == std::string::npos) return true;
    directory.resize(slash + 1);
    return DirectoryWritable(directory.c_str());
}

int Run(int argc, char** argv) {
    // Standard input unbuffered, so that a typed identity read through
    // std::cin leaves every later line to the main loop's own reads.
    if (CanWatchInput()) std::setvbuf(stdin, nullptr, _IONBF, 0);
    Options options;
    std::string error;
    switch (ParseOptions(argc, argv, &options, &error)) {
        case ParseStatus::Help: std::fputs(UsageText().c_str(), stdout); return ExitOk;
        case ParseStatus::Version: std::printf("%s %s\n", ProgramName, ProgramVersion); return ExitOk;
        case ParseStatus::ListDevices: {
            WaveDeviceList devices;
            if (!ListWaveDevices(&devices)) PrintError("the sound system gave no device list");
            std::fputs(DeviceListText(devices).c_str(), stdout);
            return ExitOk;
        }
        case ParseStatus::Error:
            PrintError(error);
            std::fprintf(stderr, "Try '%s --help'.\n", ProgramName);
            return ExitUsage;
        case ParseStatus::Run: break;
    }

    // Addresses given as options must resolve before anything starts.
    PeerAddress resolved;
    for (const auto* address : {&options.call, &options.messageAddress}) {
        if (*address && !ResolveAddress((*address)->c_str(), &resolved)) {
            PrintError(UnresolvedText(**address));
            return ExitUsage;
        }
    }
    AudioSetup audio;
    if (!OpenAudio(options, &audio, &error)) {
        PrintError(error);
        return ExitUsage;
    }
    CountingWaveDevices devices(audio.devices);
    const char* logDir = std::getenv("KESTROVOX_LOG_DIR");
    if (logDir && logDir[0]) {
        SetEventLogDirectory(logDir);
    } else if (!ExecutableDirectoryWritable()) {
        // Installed (/usr/bin): the log goes beside the settings instead.
        const std::string settings = RegistryFilePath();
        const size_t slash = settings.rfind('/');
        if (slash != std::string::npos) {
            std::error_code ignored;
            std::filesystem::create_directories(settings.substr(0, slash), ignored);
            SetEventLogDirectory(settings.substr(0, slash));
        }
    }

    const bool messageMode = options.messageAddress.has_value();
    const uint16_t port = options.port.value_or(DefaultPort);
    std::unique_ptr<Phone> phone;
    std::unique_ptr<EventSink> events;
    auto start = [&](uint16_t portToBind) {
        phone = std::make_unique<Phone>(portToBind);
        if (options.ipv4Only) phone->CreateSocket = CreateIPv4UdpSocket;
        events = std::make_unique<EventSink>(*phone);
        events->setDeviceNames(options.mic, options.speaker);
        phone->NotifyWindow = events.get();
        phone->SetAudioDevices(&devices);
        phone->SettingsLoaded = 0;  // no call is answered before the settings are loaded
        return phone->Start() != 0;
    };
    // A short message needs no particular port: its sender takes any free one
    // when the usual one is in use.
    if (!start(port) && !(messageMode && !options.port && start(0))) {
        PrintError("cannot bind UDP port " + std::to_string(port) + " (another session running?)");
        return ExitFailure;
    }

    Session session(*phone, PrintLine, PrintError);
    session.SetPlayoutOpens([&devices] { return devices.outputsOpened(); });
    InputLines* input = nullptr;
    auto shutdown = [&] {
        gSignalWake = nullptr;
        if (input) input->setWake(nullptr);
        session.HangUpAll();
        EngineEvent e;
        while (events->next(&e, 0)) session.HandleEvent(e, NowMs());
        events->close();
        phone->NotifyWindow = nullptr;
        phone->Shutdown();
        PrintLine("stopped");
    };

    if (!LoadSettings(*phone, options, std::cin, std::cerr)) {
        PrintError("an identity is needed (--identity NAME)");
        shutdown();
        return ExitFailure;
    }
    phone->SettingsLoaded = 1;
    // In the background: nothing waits for the router. A run that only sends a
    // short message is over too soon to be called back.
    if (!messageMode) phone->StartPortMapping();

    gSignalWake = events.get();
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);  // a reader that went away must not kill the peer mid-call
#endif

    char identity[100];
    phone->ReadText(phone->Identity, identity, sizeof identity);
    UdpSocket* socket = phone->Socket.load();
    PrintLine(FormatReady(identity, socket ? socket->localPort() : phone->Port()));

    if (options.hangupAfterMs) session.SetHangupAfter(*options.hangupAfterMs);
    if (messageMode) {
        session.SetMessageMode();
        if (!session.StartMessage(*options.messageAddress, options.messageText)) session.RequestQuit(ExitFailure);
    }
    if (options.call) session.StartCall(*options.call);

    const bool readInput = !messageMode && !options.noInput;
    const bool pollInput = readInput && CanWatchInput();
    PolledInput polled;
    if (readInput && !pollInput) input = StartReadingInput(events.get());

    while (!session.QuitRequested()) {
        if (gSignal) {
            session.RequestQuit(messageMode ? ExitFailure : ExitOk);
            break;
        }
        EngineEvent e;
        while (!session.QuitRequested() && events->next(&e, 0)) session.HandleEvent(e, NowMs());
        std::string line;
        bool ended = false;
        if (pollInput) {
            while (!session.QuitRequested() && polled.take(&line)) session.RunLine(line);
            ended = polled.ended();
        } else {
            while (input && !session.QuitRequested() && input->take(&line, &ended)) session.RunLine(line);
        }
        if (ended) session.RequestQuit(ExitOk);
        session.Tick(NowMs());
        if (session.QuitRequested()) break;
        const int ready = events->waitReady(WaitMs(session.NextDeadline()), pollInput);
        if (ready & NotificationQueue::ReadyInput) polled.read();
    }

    shutdown();
    phone.reset();
    return session.ExitCode();
}

}  // namespace

int main(int argc, char** argv) {
    if (!StartSocketLibrary()) {
        PrintError("cannot start the socket library");
        return ExitFailure;
    }
    const int code = Run(argc, argv);
    StopSocketLibrary();
    return code;
}
