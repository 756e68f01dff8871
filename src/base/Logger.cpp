// Logger: the one process-wide log file, unbuffered, one mutex around every write.
#include "Logger.h"

#include <ctime>

namespace {
std::string wallClockStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}
}  // namespace

Logger& Logger::instance() {
    static Logger logger;
    return logger;
}

void Logger::open(const std::string& fileName, bool enabled) {
    std::lock_guard<std::mutex> guard(lock_);
    enabled_ = enabled;
    if (!stream_.is_open() && enabled_) {
        // Unbuffered: the buffer must be set before the file is opened to take effect.
        stream_.rdbuf()->pubsetbuf(nullptr, 0);
        stream_.open(fileName, std::ios::out | std::ios::trunc);
    }
}

void Logger::log(const std::string& message) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!stream_.is_open()) return;
    stream_ << '[' << wallClockStamp() << "] " << message << '\n';
    stream_.flush();
}

void Logger::logOnce(std::string_view message) {
    if (seen_.find(message) != seen_.end()) return;
    seen_.emplace(message);
    log(std::string(message));
}

void Logger::close() {
    std::lock_guard<std::mutex> guard(lock_);
    if (stream_.is_open()) stream_.close();
}

bool Logger::isOpen() {
    std::lock_guard<std::mutex> guard(lock_);
    return stream_.is_open();
}

void Logger::forgetSeenMessages() { seen_.clear(); }
