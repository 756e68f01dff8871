// Sends the process log to a file in a fresh temporary folder for one test (with the messages
// logOnce has seen forgotten) and reads it back: whole, or as messages without their
// "[HH:MM:SS] " stamps. Closes the log at the end.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "base/Logger.h"
#include "support/TempDir.h"

class LogCapture {
public:
    LogCapture() { restart(); }
    ~LogCapture() { Logger::instance().close(); }
    // Starts again with an empty file.
    void restart() const {
        Logger::instance().close();
        Logger::instance().forgetSeenMessages();
        Logger::instance().open(dir_.file("log.txt"), true);
    }
    std::string text() const { return dir_.read("log.txt"); }
    std::vector<std::string> lines() const {
        std::vector<std::string> messages;
        std::istringstream in(text());
        for (std::string line; std::getline(in, line);) messages.push_back(line.size() > 11 ? line.substr(11) : line);
        return messages;
    }

private:
    TempDir dir_;
};
