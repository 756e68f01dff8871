// FrameProfile: per-effect wall time around glFinish.
#include "FrameProfile.h"

#include <GL/gl.h>

#include <cstdio>

void FrameProfile::before(const Effect&, Pass) {
    glFinish();
    started_ = std::chrono::steady_clock::now();
}

void FrameProfile::after(const Effect& effect, Pass pass) {
    glFinish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    auto found = index_.find(&effect);
    if (found == index_.end()) {
        found = index_.emplace(&effect, rows_.size()).first;
        rows_.push_back({effect.instanceName, effect.getClassName()});
    }
    (pass == Pass::Update ? rows_[found->second].update : rows_[found->second].render) += seconds;
}

void FrameProfile::frameDone(double seconds) {
    ++frames_;
    frameSeconds_ += seconds;
}

std::string FrameProfile::report() const {
    if (frames_ == 0) return "";
    const double perFrame = 1000.0 / static_cast<double>(frames_);
    std::string out = "profile: mean milliseconds per frame over " + std::to_string(frames_) + " frames\n";
    char line[256];
    std::snprintf(line, sizeof line, "  %-28s %-24s %9s %9s\n", "effect", "class", "update", "render");
    out += line;
    double effects = 0.0;
    for (const Row& row : rows_) {
        std::snprintf(line, sizeof line, "  %-28.28s %-24s %9.2f %9.2f\n", row.name.c_str(), row.className.c_str(),
                      row.update * perFrame, row.render * perFrame);
        out += line;
        effects += row.update + row.render;
    }
    std::snprintf(line, sizeof line, "  effects %.2f, whole frame %.2f (with clear, read-back and output)\n",
                  effects * perFrame, frameSeconds_ * perFrame);
    return out + line;
}
