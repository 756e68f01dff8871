// Worker pool: every index exactly once whatever the thread count, slots in range, nested
// loops inline, the DEMO_THREADS rule, and one thread when other programs hold the cores.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "base/Workers.h"

namespace {

struct ThreadCountGuard {
    explicit ThreadCountGuard(int n) { workers::setThreadCount(n); }
    ~ThreadCountGuard() { workers::setThreadCount(0); }
};

TEST(Workers, EveryIndexIsPassedExactlyOnceWithSlotsInRange) {
    const struct {
        int threads, count, minPerPiece;
    } cases[] = {{1, 100, 1}, {2, 0, 1}, {2, 1, 1}, {2, 7, 1}, {2, 1000, 64}, {3, 5, 1}, {4, 4097, 3}, {8, 100000, 1}};
    for (const auto& c : cases) {
        ThreadCountGuard guard(c.threads);
        for (int round = 0; round < 20; ++round) {  // repeated: pieces race differently each time
            std::vector<std::atomic<int>> hits(static_cast<std::size_t>(c.count));
            std::atomic<bool> slotsInRange{true};
            workers::parallelFor(
                c.count,
                [&](int begin, int end, int slot) {
                    if (slot < 0 || slot >= c.threads) slotsInRange = false;
                    for (int i = begin; i < end; ++i) hits[static_cast<std::size_t>(i)]++;
                },
                c.minPerPiece);
            for (int i = 0; i < c.count; ++i) ASSERT_EQ(hits[static_cast<std::size_t>(i)], 1) << i << " of " << c.count;
            EXPECT_TRUE(slotsInRange);
        }
    }
}

TEST(Workers, OneThreadAndLoopsInsideLoopsRunOnTheCallingThreadInOnePiece) {
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> calls{0}, whole{0}, elsewhere{0};
    const auto body = [&](int begin, int end, int slot) {
        ++calls;
        whole += begin == 0 && end == 100 && slot == 0;
        elsewhere += std::this_thread::get_id() != caller;
    };
    {
        ThreadCountGuard guard(1);
        workers::parallelFor(100, body);
        EXPECT_EQ(calls.load(), 1);
        EXPECT_EQ(whole.load(), 1);
        EXPECT_EQ(elsewhere.load(), 0);
    }
    ThreadCountGuard guard(2);
    calls = whole = 0;
    workers::parallelFor(64, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) workers::parallelFor(100, [&](int b, int e) { body(b, e, 0); });
    });
    EXPECT_EQ(calls.load(), 64);
    EXPECT_EQ(whole.load(), 64);
}

TEST(Workers, DemoThreadsValues) {
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const std::pair<const char*, int> cases[] = {{"1", 1},      {"3", 3},       {"1000", 64}, {nullptr, cores},
                                                 {"", cores},   {"0", cores},   {"-2", cores}, {"two", cores},
                                                 {"3x", cores}};
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(workers::threadCountFrom(value), expected) << (value ? value : "unset");
}

// Two other processes ready to run on a two-core machine leave no core free: the pool sees
// them and runs every loop on the calling thread.
TEST(Workers, OtherBusyProcessesMakeLoopsRunOnTheCallingThread) {
    if (std::thread::hardware_concurrency() > 2) GTEST_SKIP() << "needs the cores busy; this machine has more than two";
    ThreadCountGuard guard(2);
    std::vector<pid_t> busy;
    for (int i = 0; i < 2; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (;;) asm volatile("");
        }
        busy.push_back(pid);
    }
    usleep(200000);
    std::atomic<int> helperPieces{0};  // 16 pieces a loop of about 50 us each, 3200 in all
    for (int loop = 0; loop < 200; ++loop) {
        workers::parallelFor(64, [&](int, int, int slot) {
            helperPieces += slot > 0;
            const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
            while (std::chrono::steady_clock::now() < until) {
            }
        });
    }
    for (pid_t pid : busy) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_GE(workers::otherRunnableThreads(), 1);
    EXPECT_LT(helperPieces, 160) << "helpers took pieces while the cores were busy";
}

}  // namespace
