// A watchdog for a test program: a test that hangs ends the run at once,
// named, rather than holding the test command until its outer limit.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace kvtest {

// No test here takes more than a few seconds, so a limit of minutes
// (KV_TEST_LIMIT_S, 240 s unless set) only ever catches a hang.
class Watchdog final : public ::testing::EmptyTestEventListener {
public:
    explicit Watchdog(int limitSeconds) : limit_(limitSeconds), thread_([this] { watch(); }) {}
    ~Watchdog() override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            done_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    void OnTestStart(const ::testing::TestInfo& test) override {
        std::lock_guard<std::mutex> guard(lock_);
        current_ = std::string(test.test_suite_name()) + "." + test.name();
        started_ = std::chrono::steady_clock::now();
        ++serial_;
        changed_.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        std::lock_guard<std::mutex> guard(lock_);
        current_.clear();
        ++serial_;
        changed_.notify_all();
    }

private:
    void watch() {
        std::unique_lock<std::mutex> guard(lock_);
        while (!done_) {
            if (current_.empty()) {
                changed_.wait(guard);
                continue;
            }
            const unsigned serial = serial_;
            const auto deadline = started_ + std::chrono::seconds(limit_);
            if (changed_.wait_until(guard, deadline, [&] { return done_ || serial_ != serial; })) continue;
            std::fprintf(stderr, "\n[   HUNG   ] %s has run for %d s: the run stops here\n", current_.c_str(), limit_);
            std::fflush(stderr);
            std::fflush(stdout);
            std::_Exit(3);
        }
    }

    const int limit_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::string current_;
    std::chrono::steady_clock::time_point started_;
    unsigned serial_ = 0;
    bool done_ = false;
    std::thread thread_;
};

inline int WatchdogLimitSeconds() {
    const char* text = std::getenv("KV_TEST_LIMIT_S");
    const int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : 240;
}

// Installs the watchdog for the tests that RUN_ALL_TESTS runs; gtest's
// listeners own it from here.
inline void InstallWatchdog() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog(WatchdogLimitSeconds()));
}

}  // namespace kvtest
