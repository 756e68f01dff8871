// Inputs the fuzz targets found, as ordinary tests (the sanitized build reports the undefined
// behaviour they caused; the plain build checks the defined result).
#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

#include "core/KeyframeTrack.h"

namespace {

// fuzz_track: "audioSource": 7.34e39 was converted to int by the JSON library, which is
// undefined beyond int's range. Numbers are truncated toward zero as before, and clamped to int.
TEST(FuzzRegression, AudioSourceBeyondIntIsClampedAndFractionsTruncate) {
    const int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    const struct {
        const char* json;
        int audioSource;
    } cases[] = {{R"({"audioSource": 73.4028235e38})", most}, {R"({"audioSource": -1e300})", least},
                 {R"({"audioSource": 1.9})", 1},          {R"({"audioSource": -2.5})", -2},
                 {R"({"audioSource": 3})", 3},             {R"({"audioSource": 18446744073709551615})", most},
                 {R"({})", 0}};
    for (const auto& c : cases) {
        KeyframeTrack track("x");
        track.fromJson(nlohmann::json::parse(c.json));
        EXPECT_EQ(track.audioSource, c.audioSource) << c.json;
        EXPECT_EQ(track.audioTrack != nullptr, c.audioSource != 0) << c.json;
    }
    KeyframeTrack track("x");
    EXPECT_THROW(track.fromJson(nlohmann::json::parse(R"({"audioSource": "low"})")), nlohmann::json::type_error);
    EXPECT_THROW(track.fromJson(nlohmann::json::parse("[1]")), nlohmann::json::type_error);
}

}  // namespace
