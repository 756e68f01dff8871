// Moving, setting and recording a driven effect's placement.
#include "core/DrivenPlacement.h"

#include <utility>

#include "core/Effect.h"

void DrivenPlacement::move(float distance, bool forward, bool backward, bool left, bool right, bool up, bool down) {
    if (left) pos[0] -= distance;
    if (right) pos[0] += distance;
    if (up) pos[1] += distance;
    if (down) pos[1] -= distance;
    if (forward) pos[2] -= distance;
    if (backward) pos[2] += distance;
}

void DrivenPlacement::set(float posX, float posY, float posZ, float rotX, float rotY, float rotZ) {
    pos[0] = posX;
    pos[1] = posY;
    pos[2] = posZ;
    rot[0] = rotX;
    rot[1] = rotY;
    rot[2] = rotZ;
}

void DrivenPlacement::recordInto(Effect& effect, float time) const {
    const std::pair<const char*, float> values[] = {
        {"pos.x", pos[0]}, {"pos.y", pos[1]}, {"pos.z", pos[2]},
        {"rot.x", rot[0]}, {"rot.y", rot[1]}, {"rot.z", rot[2]},
    };
    for (const auto& [name, value] : values)
        if (KeyframeTrack* track = effect.findTrack(name)) track->recordKey(time, value);
}
