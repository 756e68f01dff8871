// makeSphereMap: the layout table, one pass over the image.
#include "core/SphereMap.h"

#include <cmath>
#include <map>
#include <utility>

SphereMap makeSphereMap(int width, int height) {
    constexpr double kPi = 3.14159265358979323846;
    SphereMap map;
    const std::size_t count = width > 0 && height > 0 ? static_cast<std::size_t>(width) * height : 0;
    map.u.assign(count, 0.0f);
    map.v.assign(count, 0.0f);
    map.inside.assign(count, 0u);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float nx = 2.0f * static_cast<float>(x) / static_cast<float>(width - 1) - 1.0f;
            const float ny = 2.0f * static_cast<float>(y) / static_cast<float>(height - 1) - 1.0f;
            const float d = nx * nx + ny * ny;
            if (d > 1.0f) continue;
            const float z = std::sqrt(1.0f - d);
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            map.u[i] = static_cast<float>(std::atan2(2.0f * z * nx, 2.0f * z * z - 1.0f) / (2.0 * kPi) + 0.5);
            map.v[i] = static_cast<float>(std::asin(2.0f * z * ny) / kPi + 0.5);
            map.inside[i] = ~0u;
        }
    }
    return map;
}

const SphereMap& sphereMapFor(int width, int height) {
    static std::map<std::pair<int, int>, SphereMap> made;
    auto found = made.find({width, height});
    if (found == made.end()) found = made.emplace(std::make_pair(width, height), makeSphereMap(width, height)).first;
    return found->second;
}
