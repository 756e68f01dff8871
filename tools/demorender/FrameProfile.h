// demorender --profile: where a frame's time goes. Times each effect's update and render
// (with glFinish before and after, so the GL driver's work lands on the effect that caused it)
// and prints, after the render, the mean milliseconds per frame of every effect in list order.
// The glFinish calls slow the render down a little; the output is for finding the expensive
// effects, not an exact budget.
#pragma once

#include <chrono>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/EffectManager.h"

class FrameProfile : public EffectObserver {
public:
    void before(const Effect& effect, Pass pass) override;
    void after(const Effect& effect, Pass pass) override;
    // Counts one frame and its whole time (render, read-back and output).
    void frameDone(double seconds);
    // The table: one line per effect that ran, then the frame total.
    std::string report() const;

private:
    struct Row {
        std::string name, className;
        double update = 0.0, render = 0.0;  // seconds in all
    };
    std::vector<Row> rows_;  // in the order first seen, which is the list order
    std::unordered_map<const Effect*, std::size_t> index_;
    std::chrono::steady_clock::time_point started_;
    long frames_ = 0;
    double frameSeconds_ = 0.0;
};
