// The placement an interactive tool moves while an effect is driven (IDrivable): a position and a
// rotation, moved along the world axes by key flags, taken from the effect's tracks, and written
// back into its "pos.*" and "rot.*" tracks as recorded keys. Knows no GL and draws nothing.
#pragma once

class Effect;

struct DrivenPlacement {
    float pos[3] = {0.0f, 0.0f, 0.0f};
    float rot[3] = {0.0f, 0.0f, 0.0f};

    // distance along x for left/right, y for up/down, and z for backward/forward (forward is -z).
    void move(float distance, bool forward, bool backward, bool left, bool right, bool up, bool down);
    void set(float posX, float posY, float posZ, float rotX, float rotY, float rotZ);
    // One recordKey on each of the six tracks the effect has (a missing one is skipped).
    void recordInto(Effect& effect, float time) const;
};
