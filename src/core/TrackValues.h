// Safe readings of track values. Evaluation never clamps, so a track may hold NaN, an
// infinity or a huge number; these helpers compare in float before anything becomes an
// integer, and give every such value a defined meaning. They do nothing else.
#pragma once

#include <cmath>

namespace trackvalue {

// round(v) clamped to lo ... hi; NaN counts as lo.
inline int roundedIn(float v, int lo, int hi) {
    const float r = std::round(v);
    if (!(r >= static_cast<float>(lo))) return lo;
    if (r >= static_cast<float>(hi)) return hi;
    return static_cast<int>(r);
}

// trunc(v) clamped to lo ... hi; NaN counts as lo.
inline int truncatedIn(float v, int lo, int hi) {
    const float t = std::trunc(v);
    if (!(t >= static_cast<float>(lo))) return lo;
    if (t >= static_cast<float>(hi)) return hi;
    return static_cast<int>(t);
}

// max(v, lo) with NaN counting as lo (std::max would keep the NaN).
inline float atLeast(float v, float lo) { return v >= lo ? v : lo; }

// v clamped to lo ... hi; NaN counts as lo.
inline float clampedTo(float v, float lo, float hi) { return v >= lo ? (v <= hi ? v : hi) : lo; }

}  // namespace trackvalue
