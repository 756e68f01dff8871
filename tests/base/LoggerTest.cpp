// Log line bytes, the disabled log, truncation on open, logOnce and multi-part lines.
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

TEST_F(LoggerTest, WritesTimestampedLinesAtOnceIntoATruncatedFileUntilClosed) {
    Logger::instance().open(dir.write("log.txt", "old content\n"), true);
    logLine("Loaded Resolution: ", 1920, "x", 1080);
    Logger::instance().log("first\nsecond");  // not escaped
    const std::string text = dir.read("log.txt");  // before close: every line is flushed at once
    const std::regex expected(R"(\[([01]\d|2[0-3]):[0-5]\d:[0-5]\d\] Loaded Resolution: 1920x1080\n)"
                              R"(\[.{8}\] first\nsecond\n)");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
    Logger::instance().close();
    Logger::instance().log("after close");
    EXPECT_EQ(dir.read("log.txt"), text);
}

TEST_F(LoggerTest, DisabledLogCreatesNoFile) {
    Logger::instance().open(dir.file("log.txt"), false);
    Logger::instance().log("nothing");
    EXPECT_FALSE(std::filesystem::exists(dir.file("log.txt")));
    EXPECT_FALSE(Logger::instance().isOpen());
}

TEST_F(LoggerTest, LogOnceWritesEachMessageOnceEvenAcrossAClosedPeriod) {
    Logger::instance().logOnce("suppressed while closed");  // counted, never written later
    Logger::instance().open(dir.file("log.txt"), true);
    for (const char* message : {"updateAllTracks called", "updateAllTracks called", "suppressed while closed",
                                "another"})
        Logger::instance().logOnce(message);
    Logger::instance().close();
    const std::string text = dir.read("log.txt");
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(\[.{8}\] updateAllTracks called\n\[.{8}\] another\n)"))) << text;
}

}  // namespace
