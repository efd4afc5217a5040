// Typed commands and the console session: what the console peer does with a
// command line, an engine event or the passing of time. Everything here runs
// on the console's one main thread, the counterpart of the Windows program's
// user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "console/events.h"
#include "platform/peer_address.h"

namespace kv {

class Phone;

namespace console {

enum class CommandKind {
    Empty, Call, HangUp, Accept, Refuse, Chat, Msg, Mute, Unmute, Status, Parties, Quit, Help, Trust, Verify
};

struct Command {
    CommandKind kind = CommandKind::Empty;
    std::string address;                // call, hangup, msg, trust, verify: as typed
    std::optional<PeerAddress> party;   // chat: the party addressed, none for everyone
    std::string text;                   // chat, msg
    bool mic = false;                   // mute, unmute: true mic, false speaker
};

// Parses one typed line (a trailing carriage return is ignored). False with a
// message in *error for an unknown command or bad arguments.
bool ParseCommand(const std::string& line, Command* out, std::string* error);

// "unable to resolve address 'TEXT': why".
std::string UnresolvedText(const std::string& address);

// An address written out (dotted IPv4 or IPv6, see ParseAddressLiteral), port
// 11676 when absent; nothing is looked up.
bool ParseAddressWord(const std::string& text, PeerAddress* out);

// The command list for "help".
std::string CommandHelp();

class Session {
public:
    using Writer = std::function<void(const std::string&)>;
    // out receives the event lines, err the messages for the user (one line each).
    Session(Phone& phone, Writer out, Writer err);

    // Runs one typed line; false (with a message on err) when it failed.
    bool RunLine(const std::string& line);
    bool Run(const Command& command);

    // Prints the event and reacts to it (timers, the end of a short message).
    void HandleEvent(const EngineEvent& e, int64_t nowMs);
    // Refuses an incoming call left unanswered for 60 s; hangs up and quits
    // once the time given by SetHangupAfter has passed after the first connection.
    void Tick(int64_t nowMs);
    // When Tick next has something to do; none while no timer runs.
    std::optional<int64_t> NextDeadline() const;

    // Starts a call or a short message as the commands do.
    bool StartCall(const std::string& address);
    bool StartMessage(const std::string& address, const std::string& text);

    // The session ends this long after the first party connected, hanging up.
    void SetHangupAfter(int ms) { hangupAfterMs_ = ms; }
    // The session ends with the outcome of the first short message: exit code
    // 0 when delivered, 1 otherwise.
    void SetMessageMode() { messageMode_ = true; }

    // Where the status line's count of playout device opens comes from.
    void SetPlayoutOpens(std::function<int()> count) { playoutOpens_ = std::move(count); }

    // Cancels an outgoing setup and sends every party a hang-up.
    void HangUpAll();

    void RequestQuit(int exitCode);
    bool QuitRequested() const { return quit_; }
    int ExitCode() const { return exitCode_; }

private:
    bool Fail(const std::string& message);
    void PrintStatus();
    void PrintParties();

    Phone& phone_;
    Writer out_, err_;
    std::function<int()> playoutOpens_;
    std::optional<int64_t> answerDeadline_;
    // The call the last incoming-call line showed: what accept and refuse answer.
    struct Ringing {
        std::string name;
        PeerAddress address;
    };
    std::optional<Ringing> ringing_;
    std::optional<int> hangupAfterMs_;
    std::optional<int64_t> hangupDeadline_;
    bool messageMode_ = false;
    bool quit_ = false;
    int exitCode_ = 0;
};

}  // namespace console
}  // namespace kv
