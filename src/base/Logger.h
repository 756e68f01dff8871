// Timestamped diagnostic log ("[HH:MM:SS] message" lines), process-wide.
// Writes nothing until open() was called with enabled = true; never throws on a closed stream.
// Does not rotate, buffer or filter: every line goes to the file at once, for surviving a crash.
#pragma once

#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_set>

class Logger {
public:
    static Logger& instance();

    // Stores `enabled`; opens (truncates) the file only when enabled and not open yet.
    void open(const std::string& fileName, bool enabled);
    // One line "[HH:MM:SS] message", flushed. Does nothing while the file is not open.
    void log(const std::string& message);
    // Joins the parts without separators into one line, written under one lock.
    template <class... Parts>
    void logParts(const Parts&... parts) {
        std::ostringstream line;
        (line << ... << parts);
        log(line.str());
    }
    // Logs a message only the first time it is seen (also counted while the file is closed).
    // A view, so that a message seen before costs a hash lookup and no allocation.
    void logOnce(std::string_view message);
    void close();
    bool isOpen();

    // Tests only: forget the messages logOnce has seen.
    void forgetSeenMessages();

private:
    Logger() = default;
    std::mutex lock_;
    std::ofstream stream_;
    bool enabled_ = false;
    struct ViewHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_set<std::string, ViewHash, std::equal_to<>> seen_;
};

// Shorthand used at call sites: logLine("Loaded Resolution: ", w, "x", h).
template <class... Parts>
void logLine(const Parts&... parts) {
    Logger::instance().logParts(parts...);
}
