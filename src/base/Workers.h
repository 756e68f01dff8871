// Parallel loops over the processor cores: a fixed pool of worker threads shared by every
// parallel loop of the program, built so that a loop is never much slower than the same loop
// on one thread, even when other programs keep the cores busy.
//  - The calling thread takes pieces of the loop itself, so it never waits for a worker that
//    has not started; workers only help with the pieces still unclaimed.
//  - Idle workers spin only briefly, then sleep; the caller sleeps too while the last pieces
//    finish, so no thread holds a core just to wait.
//  - When other programs' threads are ready to run on every core, a loop runs on the calling
//    thread alone: a helper thread would only queue behind them.
// The result never depends on how many threads ran: every index of the loop is passed to the
// body exactly once. Does not order the pieces; a body that appends to shared output must use
// the slot number it is given (one slot per thread) and merge afterwards.
//
// DEMO_THREADS sets the number of threads a loop may use, the caller included (1 runs every
// loop on the calling thread; unset or invalid means one per core).
#pragma once

#include <type_traits>
#include <utility>

namespace workers {

// Threads a loop may use, the caller included: DEMO_THREADS, or one per core.
int threadCount();
// The count a DEMO_THREADS value asks for: a whole number from 1 (at most 64), otherwise (null,
// empty, not a number, below 1) one per core.
int threadCountFrom(const char* environmentValue);
// Replaces the count for the rest of the process (tests, benchmarks); 0 goes back to
// DEMO_THREADS or one per core. Call only while no loop runs.
void setThreadCount(int count);

// A body takes (begin, end, slot): the items [begin, end) and the number of the thread that
// runs them, 0 <= slot < threadCount(); the caller is slot 0.
using PieceFunction = void (*)(void* context, int begin, int end, int slot);

// Calls `function` on consecutive pieces of [0, count), each at least `minPerPiece` items
// (except the last), and returns when every piece is done. Runs inline for small counts,
// one thread, a busy machine, or when called from inside another loop.
void runPieces(int count, int minPerPiece, PieceFunction function, void* context);

// parallelFor(count, [&](int begin, int end) {...}) or with a third parameter, the slot.
template <class Body>
void parallelFor(int count, Body&& body, int minPerPiece = 1) {
    using B = std::remove_reference_t<Body>;
    runPieces(
        count, minPerPiece,
        [](void* context, int begin, int end, int slot) {
            B& b = *static_cast<B*>(context);
            if constexpr (std::is_invocable_v<B&, int, int, int>)
                b(begin, end, slot);
            else
                b(begin, end);
        },
        const_cast<void*>(static_cast<const void*>(&body)));
}

// How many other threads of the machine were ready to run at the last look (read from the
// kernel at most every few loops); for the pool's own decision and its tests.
int otherRunnableThreads();

}  // namespace workers
