// The sphere-map (reflection-map) layout that the processor-computed textures can fold their
// image into: for every pixel of a width x height image, whether it lies on the disc and the
// (u, v) in 0 ... 1 that the reflected direction points at. Pure arithmetic, computed once per
// image size; each effect scales u and v itself.
#pragma once

#include <cstdint>
#include <vector>

struct SphereMap {
    std::vector<float> u, v;           // row-major, 0 outside the disc
    std::vector<std::uint32_t> inside;  // ~0 on the disc, 0 outside: a mask for whole RGBA words
};

// Per pixel: nx = 2x/(w-1) - 1, ny = 2y/(h-1) - 1, d = nx^2 + ny^2; outside when d > 1; else
// z = sqrt(1 - d), u = atan2(2z nx, 2z z - 1) / 2pi + 0.5, v = asin(2z ny) / pi + 0.5 (the
// division and the + 0.5 in double precision, everything else in float).
SphereMap makeSphereMap(int width, int height);
// The same table, computed on first use for each size and kept for the life of the process
// (the image effects share it). Main thread only.
const SphereMap& sphereMapFor(int width, int height);
