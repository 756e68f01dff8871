// The progress of demorender on stderr: on a terminal a bar redrawn in place at most ten times
// a second (frames done / total, frames per second, time left); into a pipe or a log file one
// plain line at every tenth of the frames, so a log stays readable. Silent when quiet.
#pragma once

#include <chrono>

class Progress {
public:
    // `live`: redraw a bar in place (stderr is a terminal) rather than write plain lines.
    Progress(long total, bool quiet, bool live);
    void update(long done);
    // The final state: the bar drawn full and ended, or the last plain line.
    void finish(long done);

private:
    void drawBar(long done);
    void writeLine(long done);
    double framesPerSecond(long done) const;
    long total_;
    bool quiet_, live_;
    std::chrono::steady_clock::time_point start_, lastDraw_;
    bool drawn_ = false;
    int tenthsWritten_ = 0;  // plain lines written so far, one per tenth
};
