// letterboxViewport: aspect comparison in float, truncation toward zero, integer centring.
#include "player/Letterbox.h"

Viewport letterboxViewport(int clientWidth, int clientHeight, int projectWidth, int projectHeight) {
    Viewport v{0, 0, clientWidth, clientHeight};
    if (clientWidth <= 0 || clientHeight <= 0 || projectWidth <= 0 || projectHeight <= 0) return v;
    const float projectAspect = static_cast<float>(projectWidth) / static_cast<float>(projectHeight);
    const float windowAspect = static_cast<float>(clientWidth) / static_cast<float>(clientHeight);
    if (windowAspect > projectAspect) {
        v.width = static_cast<int>(static_cast<float>(clientHeight) * projectAspect);
        v.x = (clientWidth - v.width) / 2;
    } else if (projectAspect > windowAspect) {
        v.height = static_cast<int>(static_cast<float>(clientWidth) / projectAspect);
        v.y = (clientHeight - v.height) / 2;
    }
    return v;
}
