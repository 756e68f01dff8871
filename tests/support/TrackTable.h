// Checks an effect's parameter tracks against its table: order, name, range, snap flag, the
// default key at time 0 with its interpolation, and (for bound tracks) the member it writes.
// setKeys sets parameters as a project file would: the time-0 keys of the named tracks.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Effect.h"

struct TrackRow {
    std::string name;
    float min, max, value;
    bool snap;
    InterpType interp;
    const float* member = nullptr;  // null: not checked (tracks read by name)
};

// `rows` lists every track in creation order, "enabled" included where it stands.
inline void expectTrackTable(const Effect& effect, const std::vector<TrackRow>& rows) {
    ASSERT_EQ(effect.tracks.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TrackRow& row = rows[i];
        auto* track = dynamic_cast<const KeyframeTrack*>(effect.tracks[i]);
        ASSERT_NE(track, nullptr) << row.name;
        EXPECT_EQ(track->name, row.name) << "track " << i;
        EXPECT_EQ(track->minValue, row.min) << row.name;
        EXPECT_EQ(track->maxValue, row.max) << row.name;
        EXPECT_EQ(track->snapToInteger, row.snap) << row.name;
        ASSERT_EQ(track->keys.count(0.0f), 1u) << row.name;
        EXPECT_EQ(track->keys.at(0.0f).value, row.value) << row.name;
        EXPECT_EQ(track->keys.at(0.0f).interp, row.interp) << row.name;
        if (row.member) {
            EXPECT_EQ(track->target, row.member) << row.name;
            EXPECT_EQ(*row.member, row.value) << row.name;
        }
    }
}

// Replaces the key at time 0 of each named track (keeping its interpolation); evaluates nothing.
inline void setKeys(Effect& effect, std::initializer_list<std::pair<const char*, float>> keys) {
    for (const auto& [name, value] : keys) {
        KeyframeTrack* track = effect.findTrack(name);
        ASSERT_NE(track, nullptr) << name;
        track->setKey(0.0f, value, track->keys.at(0.0f).interp);
    }
}
