#pragma once
// A time limit inside a test. A case that should end at once but hangs (a read from a pipe that
// never gets a writer) ends the whole test program with a line naming it, so that the suite
// fails there instead of waiting for CI's own limit. The limit is generous: it catches a hang,
// it is no speed target.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

class Watchdog {
public:
    explicit Watchdog(std::string what, std::chrono::seconds limit = std::chrono::seconds(30))
        : what_(std::move(what)), thread_([this, limit] { watch(limit); })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        finished_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    void watch(std::chrono::seconds limit)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (finished_.wait_for(lock, limit, [this] { return done_; }))
            return;
        std::fprintf(stderr, "FAILED: %s did not finish within %lld s\n", what_.c_str(),
                     static_cast<long long>(limit.count()));
        std::fflush(stderr);
        std::_Exit(124);
    }

    std::string what_;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread thread_;  // last, so that it starts once everything it uses exists
};
