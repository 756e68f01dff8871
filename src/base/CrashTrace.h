// F8-switched crash trace: while tracing is on, every trace point appends one line to
// "crash_trace_log.txt" and closes the file again, so the file survives a crash.
// The "F8 pressed since the last query" source is injected by the platform layer (or a test).
// Keeps no lines in memory; main thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class CrashTrace {
public:
    // Returns true once for every press of F8 since the previous call.
    using KeySource = std::function<bool()>;

    static void setKeySource(KeySource source);
    // Flips tracing when F8 was pressed since the last query and writes the banner of the new state.
    static bool pollTraceToggle();
    // `sourceFile` is the caller's __FILE__; its base name (without directory and extension)
    // heads the line: "[EffectManager -> EffectManager::render @ Linje 147] message".
    // Views, not strings: trace points run twice per effect per frame and must cost nothing
    // while tracing is off.
    static void tracePoint(const char* sourceFile, const char* function, int line, std::string_view message,
                           std::string_view extra = {});
    static bool isTracing();
    static std::string sourceBaseName(const char* sourceFile);

    // Tests only: tracing off, no key source.
    static void reset();

    static constexpr const char* kFileName = "crash_trace_log.txt";
};

// A trace point written as the original call with its literal function name and line number.
#define TRACE_POINT(function, line, ...) CrashTrace::tracePoint(__FILE__, function, line, __VA_ARGS__)
