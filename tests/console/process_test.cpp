// Real kestrovox processes on loopback, each with its own port, settings
// directory, log directory and WAV-file sound devices.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/file/wav_file_devices.h"
#include "test_support.h"

extern char** environ;

namespace {

constexpr int Patience = 30000;  // ms; sanitizer builds on a busy 2-core machine are slow

// One kestrovox process with pipes on its standard input, output and error.
class Kestrovox {
public:
    Kestrovox(const std::vector<std::string>& args, const std::vector<std::string>& env) {
        ::signal(SIGPIPE, SIG_IGN);  // writing to a peer that has ended must not end the test
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) std::abort();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) posix_spawn_file_actions_addclose(&actions, fd);

        std::vector<std::string> all{KV_CONSOLE_EXE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        // Ours replace the inherited variables of the same name.
        std::vector<std::string> environment(env);
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            bool replaced = false;
            for (const std::string& mine : env)
                replaced = replaced || entry.compare(0, mine.find('=') + 1, mine, 0, mine.find('=') + 1) == 0;
            if (!replaced) environment.push_back(entry);
        }
        std::vector<char*> envp;
        for (std::string& e : environment) envp.push_back(&e[0]);
        envp.push_back(nullptr);

        if (posix_spawn(&pid_, KV_CONSOLE_EXE, &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        close(err[1]);
        stdin_ = in[1];
        outReader_ = std::thread([this, fd = out[0]] { Collect(fd, &out_); });
        errReader_ = std::thread([this, fd = err[0]] { Collect(fd, &err_); });
    }

    ~Kestrovox() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            int status;
            waitpid(pid_, &status, 0);
        }
        closeInput();
        joinReaders();
    }

    bool started() const { return pid_ > 0; }

    void send(const std::string& line) {
        const std::string text = line + "\n";
        if (stdin_ >= 0) {
            EXPECT_EQ(write(stdin_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        }
    }
    void closeInput() {
        if (stdin_ >= 0) close(stdin_);
        stdin_ = -1;
    }
    void signal(int number) { kill(pid_, number); }

    // Waits until the output holds the line.
    bool sees(const std::string& line, int timeoutMs = Patience) {
        return waitFor([&] { return has(out_, line); }, timeoutMs);
    }
    bool seesPrefix(const std::string& prefix, int timeoutMs = Patience) {
        return waitFor(
            [&] {
                for (const std::string& l : lines(out_))
                    if (l.compare(0, prefix.size(), prefix) == 0) return true;
                return false;
            },
            timeoutMs);
    }
    bool errorSays(const std::string& part, int timeoutMs = Patience) {
        return waitFor([&] { return text(err_).find(part) != std::string::npos; }, timeoutMs);
    }

    // The exit code, or -1 when it did not end in time (or ended by a signal).
    int wait(int timeoutMs = Patience) {
        if (exited_) return code_;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            int status;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                joinReaders();  // everything it printed has been read
                return code_;
            }
            kvtest::SleepMs(10);
        }
        return -1;
    }

    // The newest output line that begins with the prefix, or "".
    std::string last(const std::string& prefix) {
        std::string found;
        for (const std::string& l : lines(out_))
            if (l.compare(0, prefix.size(), prefix) == 0) found = l;
        return found;
    }
    // Asks for the status until it shows something playing louder than the level.
    bool hearsAbove(int level, int timeoutMs = Patience) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            send("status");
            kvtest::SleepMs(200);
            const std::string status = last("status ");
            const size_t at = status.find(" out-level=");
            if (at != std::string::npos && std::atoi(status.c_str() + at + 11) > level) return true;
        }
        return false;
    }

    std::string output() { return text(out_); }
    std::string errors() { return text(err_); }

private:
    struct Stream {
        std::mutex lock;
        std::string data;
    };

    static void Collect(int fd, Stream* s) {
        char buffer[4096];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) {
            std::lock_guard<std::mutex> guard(s->lock);
            s->data.append(buffer, static_cast<size_t>(n));
        }
        close(fd);
    }
    static std::string text(Stream& s) {
        std::lock_guard<std::mutex> guard(s.lock);
        return s.data;
    }
    static std::vector<std::string> lines(Stream& s) {
        std::vector<std::string> result;
        const std::string all = text(s);
        size_t start = 0, end;
        while ((end = all.find('\n', start)) != std::string::npos) {
            result.push_back(all.substr(start, end - start));
            start = end + 1;
        }
        return result;
    }
    static bool has(Stream& s, const std::string& line) {
        for (const std::string& l : lines(s))
            if (l == line) return true;
        return false;
    }
    static bool waitFor(const std::function<bool()>& cond, int timeoutMs) { return kvtest::WaitFor(cond, timeoutMs); }
    // The readers end when the process has ended and its output is read to the end.
    void joinReaders() {
        if (outReader_.joinable()) outReader_.join();
        if (errReader_.joinable()) errReader_.join();
    }

    pid_t pid_ = -1;
    int stdin_ = -1;
    Stream out_, err_;
    std::thread outReader_, errReader_;
    bool exited_ = false;
    int code_ = -1;
};

// A mono 16-bit 8 kHz WAV file holding a steady tone, long enough for any call here.
void WriteTone(const std::string& path, int seconds) {
    const uint32_t samples = 8000u * static_cast<uint32_t>(seconds);
    std::vector<uint8_t> file(44 + samples * 2);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    auto put16 = [&](size_t at, uint16_t v) {
        file[at] = static_cast<uint8_t>(v);
        file[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    std::memcpy(&file[0], "RIFF", 4);
    put32(4, static_cast<uint32_t>(file.size() - 8));
    std::memcpy(&file[8], "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, 1);
    put32(24, 8000);
    put32(28, 16000);
    put16(32, 2);
    put16(34, 16);
    std::memcpy(&file[36], "data", 4);
    put32(40, samples * 2);
    for (uint32_t i = 0; i < samples; ++i)
        put16(44 + 2 * i, static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 2 * 3.14159265 * 440 / 8000))));
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
}

class ConsoleProcess : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = kvtest::MakeTempDir("console-process");
        tone_ = dir_ + "/tone.wav";
        WriteTone(tone_, 30);
    }
    void TearDown() override { kvtest::RemoveTree(dir_); }

    // A peer with its own settings and log directory and WAV-file devices.
    std::unique_ptr<Kestrovox> start(const std::string& name, std::vector<std::string> args) {
        const std::string home = dir_ + "/" + name;
        kvtest::RemoveTree(home);
        std::filesystem::create_directories(home);
        // No router of the test machine is asked to forward anything.
        std::vector<std::string> all{"--mic", tone_, "--speaker", speaker(name), "--port-mapping", "0"};
        all.insert(all.end(), args.begin(), args.end());
        auto p = std::make_unique<Kestrovox>(all, std::vector<std::string>{"XDG_CONFIG_HOME=" + home,
                                                                            "KESTROVOX_LOG_DIR=" + home});
        EXPECT_TRUE(p->started());
        return p;
    }
    std::string speaker(const std::string& name) const { return dir_ + "/" + name + "-speaker.wav"; }
    std::string home(const std::string& name) const { return dir_ + "/" + name; }
    static std::string Loopback(uint16_t port) { return "127.0.0.1:" + std::to_string(port); }

    std::string dir_;
    std::string tone_;
};

}  // namespace

TEST_F(ConsoleProcess, BadOptionsExitWithTwoBeforeAnythingStarts) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--port", "0"}, "--port"},
        {{"--answer", "later"}, "--answer"},
        {{"--frobnicate"}, "--frobnicate"},
        {{"--identity", "Ann", "--mic", dir_ + "/missing.wav"}, "missing.wav"},
        {{"--identity", "Ann", "--call", "0.0.0.0"}, "unable to resolve address '0.0.0.0'"},
    };
    for (const auto& c : cases) {
        Kestrovox p(c.first, {"XDG_CONFIG_HOME=" + dir_});
        EXPECT_EQ(p.wait(), 2) << c.second;
        EXPECT_NE(p.errors().find(c.second), std::string::npos) << p.errors();
        EXPECT_EQ(p.output(), "") << c.second;
    }
    Kestrovox version({"--version"}, {});
    EXPECT_EQ(version.wait(), 0);
    EXPECT_EQ(version.output(), "kestrovox 1.30\n");
}

TEST_F(ConsoleProcess, CallChatHangUpQuitAndSigterm) {
    const uint16_t annPort = kvtest::FreePort(), bobPort = kvtest::FreePort();
    auto bob = start("bob", {"--identity", "Bob", "--port", std::to_string(bobPort), "--answer", "accept",
                             "--privacy", "1"});
    ASSERT_TRUE(bob->sees("ready name=\"Bob\" port=" + std::to_string(bobPort))) << bob->errors();
    auto ann = start("ann", {"--identity", "Ann", "--port", std::to_string(annPort), "--call", Loopback(bobPort),
                             "--privacy", "1"});
    ASSERT_TRUE(ann->sees("calling address=" + Loopback(bobPort))) << ann->errors();
    const std::string annConnected =
        "connected name=\"Bob\" address=" + Loopback(bobPort) + " direction=outgoing private=1 sas=";
    const std::string bobConnected =
        "connected name=\"Ann\" address=" + Loopback(annPort) + " direction=incoming private=1 sas=";
    ASSERT_TRUE(ann->seesPrefix(annConnected)) << ann->output();
    ASSERT_TRUE(bob->seesPrefix(bobConnected)) << bob->output();
    // The same six digits on both sides; each shows the other's key.
    const std::string annLine = ann->last(annConnected), bobLine = bob->last(bobConnected);
    EXPECT_EQ(annLine.substr(annConnected.size(), 6), bobLine.substr(bobConnected.size(), 6));
    const std::string annKey = bobLine.substr(bobLine.find(" key=") + 5);
    EXPECT_EQ(annKey.size(), 24u) << bobLine;

    // The tone each side sends plays on the other side.
    EXPECT_TRUE(ann->hearsAbove(-3000)) << ann->output();
    EXPECT_TRUE(bob->hearsAbove(-3000)) << bob->output();

    ann->send("chat hello Bob");
    EXPECT_TRUE(bob->sees("chat line=\"Ann> hello Bob\"")) << bob->output();
    EXPECT_TRUE(ann->sees("chat line=\"hello Bob\"")) << ann->output();
    bob->send("chat hi Ann");
    EXPECT_TRUE(ann->sees("chat line=\"Bob> hi Ann\"")) << ann->output();

    // A typed mistake is explained and the peer goes on.
    ann->send("frobnicate");
    EXPECT_TRUE(ann->errorSays("unknown command 'frobnicate'"));
    ann->send("status");
    EXPECT_TRUE(ann->seesPrefix("status text=\"Connected to Bob (127.0.0.1)")) << ann->output();
    const std::string status = ann->last("status ");
    EXPECT_EQ(status.substr(status.find(" privacy=")), " privacy=1 key=" + annKey) << status;

    ann->send("hangup");
    EXPECT_TRUE(bob->sees("party-left name=\"Ann\" address=" + Loopback(annPort) + " reason=hung-up"))
        << bob->output();
    ann->send("quit");
    EXPECT_EQ(ann->wait(), 0) << ann->errors();
    EXPECT_TRUE(ann->sees("stopped", 0));

    bob->signal(SIGTERM);
    EXPECT_EQ(bob->wait(), 0) << bob->errors();
    EXPECT_TRUE(bob->sees("stopped", 0));

    // And the speaker files recorded it.
    for (const char* name : {"ann", "bob"}) {
        std::vector<int16_t> samples;
        std::string error;
        ASSERT_TRUE(kv::ReadPcm8kMonoWav(speaker(name).c_str(), &samples, &error)) << error;
        int loudest = 0;
        for (int16_t s : samples) loudest = std::max(loudest, std::abs(static_cast<int>(s)));
        EXPECT_GT(loudest, 1000) << name;
    }
}

TEST_F(ConsoleProcess, MessagesExitWithTheirOutcomeAndHangupAfterEndsACall) {
    const uint16_t logPort = kvtest::FreePort(), plainPort = kvtest::FreePort();
    auto logger = start("logger", {"--identity", "Logger", "--port", std::to_string(logPort), "--log", "--answer",
                                   "accept"});
    auto plain = start("plain", {"--identity", "Plain", "--port", std::to_string(plainPort), "--privacy", "0"});
    ASSERT_TRUE(logger->seesPrefix("ready ")) << logger->errors();
    ASSERT_TRUE(plain->seesPrefix("ready ")) << plain->errors();

    auto delivered = start("sender", {"--identity", "Sender", "--port", std::to_string(kvtest::FreePort()),
                                      "--message", Loopback(logPort), "Call me \"soon\""});
    EXPECT_EQ(delivered->wait(), 0) << delivered->output() << delivered->errors();
    EXPECT_TRUE(delivered->sees("message-delivered address=" + Loopback(logPort), 0)) << delivered->output();
    EXPECT_TRUE(logger->seesPrefix("log-written file=")) << logger->output() << logger->errors();
    EXPECT_NE(kvtest::ReadWholeFile(home("logger") + "/KestroVox.log").find("Message from Sender (127.0.0.1): Call me \"soon\""),
              std::string::npos);

    auto refused = start("sender", {"--identity", "Sender", "--port", std::to_string(kvtest::FreePort()),
                                    "--message", Loopback(plainPort), "hello"});
    EXPECT_EQ(refused->wait(), 1) << refused->output() << refused->errors();
    EXPECT_TRUE(refused->sees("message-refused address=" + Loopback(plainPort), 0)) << refused->output();

    // Private only: a plain receiver gets nothing, and the sender exits with 1.
    auto notPrivate = start("sender", {"--identity", "Sender", "--port", std::to_string(kvtest::FreePort()),
                                       "--privacy", "2", "--message", Loopback(plainPort), "hello"});
    EXPECT_EQ(notPrivate->wait(), 1) << notPrivate->output() << notPrivate->errors();
    EXPECT_TRUE(notPrivate->sees("message-failed reason=not-private address=" + Loopback(plainPort), 0))
        << notPrivate->output();

    // A caller that hangs up and quits on its own once connected for a moment.
    const uint16_t callerPort = kvtest::FreePort();
    auto caller = start("caller", {"--identity", "Caller", "--port", std::to_string(callerPort), "--call",
                                   Loopback(logPort), "--hangup-after", "0.3", "--no-input"});
    EXPECT_EQ(caller->wait(), 0) << caller->output() << caller->errors();
    EXPECT_TRUE(caller->seesPrefix("connected name=\"Logger\"", 0)) << caller->output();
    EXPECT_TRUE(logger->sees("party-left name=\"Caller\" address=" + Loopback(callerPort) + " reason=hung-up"))
        << logger->output();

    // The end of the input ends a peer.
    logger->closeInput();
    plain->closeInput();
    EXPECT_EQ(logger->wait(), 0);
    EXPECT_EQ(plain->wait(), 0);
}

TEST_F(ConsoleProcess, AsksForAnIdentityWhenNoneIsStored) {
    auto first = start("zed", {"--port", std::to_string(kvtest::FreePort())});
    first->send("  Zed  ");
    EXPECT_TRUE(first->seesPrefix("ready name=\"Zed\" port="))
        << first->output() << first->errors();
    EXPECT_TRUE(first->errorSays("Please enter your identity"));
    first->send("quit");
    EXPECT_EQ(first->wait(), 0);
    EXPECT_NE(kvtest::ReadWholeFile(home("zed") + "/kestrovox/KestroVox.reg").find("\"Identity\"=\"Zed\""),
              std::string::npos);

    // The identity and the next command in one write: the command is not
    // lost to the reading of the identity (the input stays open, so only the
    // typed quit can end the process).
    auto eager = start("eager", {"--port", std::to_string(kvtest::FreePort())});
    eager->send("Eve\nquit");
    EXPECT_EQ(eager->wait(), 0) << eager->output() << eager->errors();
    EXPECT_TRUE(eager->seesPrefix("ready name=\"Eve\" port="));

    auto none = start("nobody", {"--port", std::to_string(kvtest::FreePort())});
    none->closeInput();
    EXPECT_EQ(none->wait(), 1);
    EXPECT_TRUE(none->errorSays("an identity is needed"));
}

#else

TEST(ConsoleProcess, NeedsTheNativeBuild) { GTEST_SKIP() << "the process tests run in the native build"; }

#endif
