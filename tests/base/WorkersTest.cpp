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
    struct Case {
        int threads, count, minPerPiece;
    };
    const Case cases[] = {{1, 100, 1}, {2, 0, 1}, {2, 1, 1}, {2, 7, 1}, {2, 256, 1},
                          {2, 1000, 64}, {3, 5, 1}, {4, 4097, 3}, {8, 100000, 1}};
    for (const Case& c : cases) {
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
            for (int i = 0; i < c.count; ++i)
                ASSERT_EQ(hits[static_cast<std::size_t>(i)], 1) << "index " << i << " of " << c.count;
            EXPECT_TRUE(slotsInRange);
        }
    }
}

TEST(Workers, OneThreadAndLoopsInsideLoopsRunOnTheCallingThread) {
    const std::thread::id caller = std::this_thread::get_id();
    {
        ThreadCountGuard guard(1);
        int calls = 0;
        workers::parallelFor(1000, [&](int begin, int end, int slot) {
            ++calls;
            EXPECT_EQ(std::this_thread::get_id(), caller);
            EXPECT_EQ(begin, 0);
            EXPECT_EQ(end, 1000);
            EXPECT_EQ(slot, 0);
        });
        EXPECT_EQ(calls, 1);
    }
    ThreadCountGuard guard(2);
    std::atomic<int> innerCalls{0}, innerWhole{0};
    workers::parallelFor(64, [&](int, int) {
        workers::parallelFor(100, [&](int begin, int end) {
            ++innerCalls;
            if (begin == 0 && end == 100) ++innerWhole;
        });
    });
    EXPECT_GT(innerCalls, 0);
    EXPECT_EQ(innerCalls.load(), innerWhole.load());
}

TEST(Workers, DemoThreadsValues) {
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {{"1", 1}, {"3", 3}, {"1000", 64}, {nullptr, cores}, {"", cores},
                          {"0", cores}, {"-2", cores}, {"two", cores}, {"2x", cores}};
    for (const Case& c : cases) EXPECT_EQ(workers::threadCountFrom(c.value), c.expected) << (c.value ? c.value : "unset");
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
