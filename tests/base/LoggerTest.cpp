// Log line bytes, the disabled log, logOnce and multi-part lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "base/Logger.h"
#include "support/TempDir.h"

namespace {

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override { Logger::instance().forgetSeenMessages(); }
    void TearDown() override { Logger::instance().close(); }
    TempDir dir;
};

TEST_F(LoggerTest, WritesTimestampedLinesFlushedAtOnce) {
    Logger::instance().open(dir.file("log_player.txt"), true);
    logLine("Loaded Resolution: ", 1920, "x", 1080);
    // Readable before close: every line reaches the file at once.
    std::string text = dir.read("log_player.txt");
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(\[([01]\d|2[0-3]):[0-5]\d:[0-5]\d\] Loaded Resolution: 1920x1080\n)")))
        << text;
}

TEST_F(LoggerTest, DisabledLogCreatesNoFileAndWritesNothing) {
    Logger::instance().open(dir.file("log_player.txt"), false);
    Logger::instance().log("nothing");
    EXPECT_FALSE(std::filesystem::exists(dir.file("log_player.txt")));
    EXPECT_FALSE(Logger::instance().isOpen());
}

TEST_F(LoggerTest, LogOnceWritesEachMessageOnceEvenAcrossAClosedPeriod) {
    Logger::instance().logOnce("suppressed while closed");  // counted, never written later
    Logger::instance().open(dir.file("log.txt"), true);
    Logger::instance().logOnce("updateAllTracks called");
    Logger::instance().logOnce("updateAllTracks called");
    Logger::instance().logOnce("suppressed while closed");
    Logger::instance().logOnce("another");
    Logger::instance().close();
    std::string text = dir.read("log.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    EXPECT_NE(text.find("] updateAllTracks called\n"), std::string::npos);
    EXPECT_NE(text.find("] another\n"), std::string::npos);
    EXPECT_EQ(text.find("suppressed"), std::string::npos);
}

TEST_F(LoggerTest, ALineBreakInAMessageIsNotEscaped) {
    Logger::instance().open(dir.file("log.txt"), true);
    Logger::instance().log("first\nsecond");
    Logger::instance().close();
    std::string text = dir.read("log.txt");
    EXPECT_EQ(text.substr(text.size() - 15), "] first\nsecond\n");
}

TEST_F(LoggerTest, OpenTruncatesAndCloseStopsWriting) {
    std::string path = dir.write("log.txt", "old content\n");
    Logger::instance().open(path, true);
    Logger::instance().log("new");
    Logger::instance().close();
    Logger::instance().log("after close");
    std::string text = dir.read("log.txt");
    EXPECT_EQ(text.find("old content"), std::string::npos);
    EXPECT_EQ(text.find("after close"), std::string::npos);
    EXPECT_NE(text.find("] new\n"), std::string::npos);
}

}  // namespace
