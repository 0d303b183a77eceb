#include "export/SaveFileLane.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace save_lane {

namespace {

using Clock = std::chrono::steady_clock;
// An idle lane yields this long, then naps a millisecond at a time, and
// after that sleeps until woken: jobs come every few hundred microseconds
// while a save runs, and a lane that only yielded would keep a core busy.
constexpr auto kIdleYielding = std::chrono::microseconds(200);
constexpr auto kIdleBeforeSleep = std::chrono::milliseconds(50);
// A waiter yields this long before it sleeps between looks.
constexpr auto kYieldBeforeSleep = std::chrono::milliseconds(20);

// A lock that never enters the kernel: it is held for a push or a pop.
class SpinLock {
public:
    explicit SpinLock(std::atomic_flag& flag) : flag_(flag) {
        while (flag_.test_and_set(std::memory_order_acquire)) SwitchToThread();
    }
    ~SpinLock() { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag& flag_;
};

class Lane {
public:
    // The thread is never joined: the lane lives as long as the process, and
    // an idle lane sleeps.
    Lane() { std::thread([this] { Run(); }).detach(); }

    uint64_t Post(std::function<void()> job) {
        uint64_t ticket;
        {
            SpinLock lock(queueLock_);
            jobs_.push_back(std::move(job));
            ticket = ++posted_;
        }
        if (sleeping_.load()) {
            std::lock_guard<std::mutex> lock(sleepMutex_);
            wake_.notify_one();
        }
        return ticket;
    }

    void WaitFor(uint64_t ticket) {
        const Clock::time_point start = Clock::now();
        while (done_.load(std::memory_order_acquire) < ticket) {
            if (Clock::now() - start < kYieldBeforeSleep)
                SwitchToThread();
            else
                Sleep(1);
        }
    }

    bool IsDone(uint64_t ticket) const { return done_.load(std::memory_order_acquire) >= ticket; }

    uint64_t Posted() {
        SpinLock lock(queueLock_);
        return posted_;
    }

private:
    bool Take(std::function<void()>& job) {
        SpinLock lock(queueLock_);
        if (jobs_.empty()) return false;
        job = std::move(jobs_.front());
        jobs_.pop_front();
        return true;
    }

    void Run() {
        Clock::time_point idleSince = Clock::now();
        for (;;) {
            std::function<void()> job;
            if (Take(job)) {
                try {
                    job();
                } catch (...) {
                }
                done_.fetch_add(1, std::memory_order_release);
                idleSince = Clock::now();
                continue;
            }
            const auto idle = Clock::now() - idleSince;
            if (idle < kIdleYielding) {
                SwitchToThread();
                continue;
            }
            if (idle < kIdleBeforeSleep) {
                Sleep(1);
                continue;
            }
            std::unique_lock<std::mutex> lock(sleepMutex_);
            sleeping_.store(true);
            wake_.wait(lock, [this] { return Posted() > done_.load(); });
            sleeping_.store(false);
            idleSince = Clock::now();
        }
    }

    std::atomic_flag queueLock_ = ATOMIC_FLAG_INIT;
    std::deque<std::function<void()>> jobs_;
    uint64_t posted_ = 0;                 // under queueLock_
    std::atomic<uint64_t> done_{0};
    std::atomic<bool> sleeping_{false};
    std::mutex sleepMutex_;
    std::condition_variable wake_;
};

// Made at first use and never destroyed: no destructor waits on the thread
// while the process ends.
Lane& TheLane() {
    static Lane* lane = new Lane();
    return *lane;
}

}  // namespace

uint64_t Post(std::function<void()> job) { return TheLane().Post(std::move(job)); }

void WaitFor(uint64_t ticket) { TheLane().WaitFor(ticket); }

bool IsDone(uint64_t ticket) { return TheLane().IsDone(ticket); }

void WaitForAll() {
    Lane& lane = TheLane();
    lane.WaitFor(lane.Posted());
}

}  // namespace save_lane
