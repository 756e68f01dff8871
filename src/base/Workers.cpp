// The worker pool: one job at a time (loops are started from the main thread, and a loop
// started inside another runs inline). A job is published as a 64-bit word holding its
// generation, its piece count and the next unclaimed piece; threads claim pieces by
// compare-and-swap on that word, so a thread that wakes late for an old job cannot claim
// anything of a newer one, and the job's fields stay valid while any of its pieces is unfinished.
#include "base/Workers.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define WORKERS_PAUSE() _mm_pause()
#else
#define WORKERS_PAUSE() ((void)0)
#endif

namespace workers {
namespace {

constexpr int kMaxThreads = 64;
constexpr int kMaxPieces = 0xFFFF;
// Pieces per thread: enough that a thread that lost its core holds back only a small share.
constexpr int kPiecesPerThread = 8;
// Spins before sleeping: a few tens of microseconds, long enough to catch the next loop of the
// same frame, too short to matter to another program.
constexpr int kSpinRounds = 4000;
// The kernel's count of ready threads is read once per this many loops.
constexpr unsigned kLoadProbeInterval = 8;

int coreCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min<unsigned>(n, kMaxThreads));
}

std::atomic<int> overrideCount{0};

// True on the workers and on a caller while its loop runs: a loop started there runs inline.
thread_local bool insideLoop = false;

std::uint64_t packState(std::uint32_t generation, std::uint32_t pieces, std::uint32_t next) {
    return static_cast<std::uint64_t>(generation) << 32 | static_cast<std::uint64_t>(pieces) << 16 | next;
}

class Pool {
public:
    explicit Pool(int threads) {
        for (int slot = 1; slot < threads; ++slot) threads_.emplace_back([this, slot] { workerLoop(slot); });
    }

    ~Pool() {
        stop_.store(true);
        generation_.fetch_add(1, std::memory_order_release);
        generation_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    int size() const { return static_cast<int>(threads_.size()) + 1; }
    int awakeWorkers() const { return awake_.load(std::memory_order_relaxed); }

    // Runs the job with the caller and workers 1 ... helpers (the others sit it out).
    void run(int count, int pieces, int helpers, PieceFunction function, void* context) {
        helpers_.store(helpers, std::memory_order_relaxed);
        function_ = function;
        context_ = context;
        count_ = count;
        pieces_ = pieces;
        completed_.store(0, std::memory_order_relaxed);
        const std::uint32_t generation = generation_.load(std::memory_order_relaxed) + 1;
        state_.store(packState(generation, static_cast<std::uint32_t>(pieces), 0), std::memory_order_release);
        generation_.store(generation, std::memory_order_release);
        if (awake_.load(std::memory_order_relaxed) < size() - 1) generation_.notify_all();

        runClaimedPieces(generation, 0);
        // The rest is in other threads' hands: spin briefly, then sleep until the last one ends.
        for (int i = 0; i < kSpinRounds; ++i) {
            if (completed_.load(std::memory_order_acquire) == pieces) return;
            WORKERS_PAUSE();
        }
        for (int done = completed_.load(std::memory_order_acquire); done != pieces;
             done = completed_.load(std::memory_order_acquire))
            completed_.wait(done, std::memory_order_acquire);
    }

private:
    void runClaimedPieces(std::uint32_t generation, int slot) {
        std::uint64_t state = state_.load(std::memory_order_acquire);
        for (;;) {
            const std::uint32_t pieces = static_cast<std::uint32_t>(state >> 16) & 0xFFFF;
            const std::uint32_t next = static_cast<std::uint32_t>(state) & 0xFFFF;
            if (static_cast<std::uint32_t>(state >> 32) != generation || next >= pieces) return;
            if (!state_.compare_exchange_weak(state, state + 1, std::memory_order_acq_rel, std::memory_order_acquire))
                continue;
            // Piece `next` of this job is ours, so the job cannot end (nor its fields change)
            // before we report it done.
            const int begin = static_cast<int>(static_cast<long long>(count_) * next / pieces_);
            const int end = static_cast<int>(static_cast<long long>(count_) * (next + 1) / pieces_);
            function_(context_, begin, end, slot);
            if (completed_.fetch_add(1, std::memory_order_acq_rel) + 1 == pieces_) completed_.notify_one();
            state = state_.load(std::memory_order_acquire);
        }
    }

    void workerLoop(int slot) {
        insideLoop = true;
        std::uint32_t seen = generation_.load(std::memory_order_acquire);
        awake_.fetch_add(1, std::memory_order_relaxed);
        while (!stop_.load(std::memory_order_relaxed)) {
            std::uint32_t generation = generation_.load(std::memory_order_acquire);
            for (int i = 0; i < kSpinRounds && generation == seen; ++i) {
                WORKERS_PAUSE();
                generation = generation_.load(std::memory_order_acquire);
            }
            if (generation == seen) {
                awake_.fetch_sub(1, std::memory_order_relaxed);
                generation_.wait(seen, std::memory_order_acquire);
                awake_.fetch_add(1, std::memory_order_relaxed);
                continue;
            }
            seen = generation;
            if (!stop_.load(std::memory_order_relaxed) && slot <= helpers_.load(std::memory_order_relaxed)) runClaimedPieces(generation, slot);
        }
        awake_.fetch_sub(1, std::memory_order_relaxed);
    }

    std::vector<std::thread> threads_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint32_t> generation_{0};
    std::atomic<std::uint64_t> state_{0};
    std::atomic<int> completed_{0};
    std::atomic<int> awake_{0};
    // The current job; written by the caller before the generation is published.
    std::atomic<int> helpers_{0};  // read before a claim, so possibly by a late worker
    PieceFunction function_ = nullptr;
    void* context_ = nullptr;
    int count_ = 0;
    int pieces_ = 0;
};

std::mutex poolLock;  // guards making and replacing the pool, not the loops
std::unique_ptr<Pool> pool;

Pool& poolOfSize(int threads) {
    std::lock_guard<std::mutex> guard(poolLock);
    if (!pool || pool->size() != threads) {
        pool.reset();
        pool = std::make_unique<Pool>(threads);
    }
    return *pool;
}

// The kernel's count of threads ready to run right now (the fourth field of /proc/loadavg,
// "running/total"), including the one asking; -1 when it cannot be read.
int readyThreads() {
    const int fd = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    char text[128];
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0) return -1;
    text[got] = '\0';
    double a, b, c;
    int running = 0, total = 0;
    return std::sscanf(text, "%lf %lf %lf %d/%d", &a, &b, &c, &running, &total) == 5 ? running : -1;
}

std::atomic<int> lastOthers{0};
std::atomic<unsigned> loopsSinceProbe{kLoadProbeInterval};

// Threads this loop should use: as many as asked for, fewer when other threads are ready to
// run on the cores (our own awake workers and the caller do not count as others).
int threadsForThisLoop(int wanted) {
    if (loopsSinceProbe.fetch_add(1, std::memory_order_relaxed) >= kLoadProbeInterval) {
        loopsSinceProbe.store(1, std::memory_order_relaxed);
        const int ready = readyThreads();
        const int ours = 1 + (pool ? pool->awakeWorkers() : 0);
        lastOthers.store(ready < 0 ? 0 : std::max(0, ready - ours), std::memory_order_relaxed);
    }
    const int freeCores = coreCount() - lastOthers.load(std::memory_order_relaxed);
    return std::max(1, std::min(wanted, freeCores));
}

}  // namespace

int threadCountFrom(const char* text) {
    if (text != nullptr && *text != '\0') {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (*end == '\0' && n >= 1) return static_cast<int>(std::min<long>(n, kMaxThreads));
    }
    return coreCount();
}

int threadCount() {
    const int forced = overrideCount.load(std::memory_order_relaxed);
    if (forced > 0) return forced;
    static const int fromEnvironment = threadCountFrom(std::getenv("DEMO_THREADS"));
    return fromEnvironment;
}

void setThreadCount(int count) { overrideCount.store(std::clamp(count, 0, kMaxThreads), std::memory_order_relaxed); }

int otherRunnableThreads() { return lastOthers.load(std::memory_order_relaxed); }

void runPieces(int count, int minPerPiece, PieceFunction function, void* context) {
    if (count <= 0) return;
    const int perPiece = std::max(1, minPerPiece);
    const int wanted = threadCount();
    const int threads = wanted > 1 && !insideLoop && count > perPiece ? threadsForThisLoop(wanted) : 1;
    if (threads <= 1) {
        function(context, 0, count, 0);
        return;
    }
    const int pieces = std::min({count / perPiece, threads * kPiecesPerThread, kMaxPieces});
    if (pieces <= 1) {
        function(context, 0, count, 0);
        return;
    }
    // The pool has one thread per wanted slot, so slots stay below threadCount() even when
    // fewer threads help because the machine is busy (idle workers simply find nothing).
    Pool& p = poolOfSize(wanted);
    insideLoop = true;
    p.run(count, pieces, threads - 1, function, context);
    insideLoop = false;
}

}  // namespace workers
