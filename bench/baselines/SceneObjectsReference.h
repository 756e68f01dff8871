// The cellular automaton grown the straightforward way, cell by cell with its whole history
// shifted down every generation: the tests' expected cells and the benchmark's baseline.
#pragma once

#include <cstring>

namespace reference {

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
