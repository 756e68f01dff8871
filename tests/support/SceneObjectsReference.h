// Straightforward versions of two scene objects' per-frame work, for tests (expected values)
// and benchmarks (baselines): the flag's quads evaluated corner by corner from its surface
// functions (the point and three more for the normal at every corner of every quad), and the
// cellular automaton grown cell by cell with its whole history shifted down every generation.
#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

#include "effects/NorwegianFlagEffect.h"

namespace reference {

struct FlagVertex {
    NorwegianFlagEffect::Vec3 position, normal, colour;
};

// Four records per quad, corners (ul, vb), (ur, vb), (ur, vt), (ul, vt), rows outer. Valid
// meshRes values only.
inline void flagMesh(const NorwegianFlagEffect& flag, std::vector<FlagVertex>& out) {
    out.clear();
    const int nx = std::clamp(static_cast<int>(flag.meshRes), 10, 250);
    const int rows = static_cast<int>(nx * 16.0 / 22.0) - 1;
    for (int j = 0; j < rows; ++j) {
        const float vb = static_cast<float>(j) / static_cast<float>(rows);
        const float vt = static_cast<float>(j + 1) / static_cast<float>(rows);
        for (int i = 0; i < nx - 1; ++i) {
            const float ul = static_cast<float>(i) / static_cast<float>(nx - 1);
            const float ur = static_cast<float>(i + 1) / static_cast<float>(nx - 1);
            for (const auto& [u, v] : {std::pair{ul, vb}, {ur, vb}, {ur, vt}, {ul, vt}})
                out.push_back({flag.position(u, v), flag.normal(u, v), flag.colour(u, v)});
        }
    }
}

// 120 generations of 64 cells, row 0 the newest, starting from the single cell 32.
struct ShiftingCells {
    int cells[120][64] = {};
    ShiftingCells() { cells[0][32] = 1; }

    void step(int rule) {
        int next[64];
        for (int i = 0; i < 64; ++i) {
            const int index = cells[0][(i + 63) % 64] * 4 + cells[0][i] * 2 + cells[0][(i + 1) % 64];
            next[i] = (rule >> index) & 1;
        }
        for (int r = 119; r > 0; --r) std::memcpy(cells[r], cells[r - 1], sizeof cells[r]);
        std::memcpy(cells[0], next, sizeof next);
    }
};

}  // namespace reference
