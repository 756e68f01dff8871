// The progress bar of demorender on stderr: frames done / total, frames per second and the
// time left, redrawn in place at most ten times a second. Silent when quiet.
#pragma once

#include <chrono>

class Progress {
public:
    Progress(long total, bool quiet);
    void update(long done);
    // Draws the final state and ends the line.
    void finish(long done);

private:
    void draw(long done);
    long total_;
    bool quiet_;
    std::chrono::steady_clock::time_point start_, lastDraw_;
    bool drawn_ = false;
};
