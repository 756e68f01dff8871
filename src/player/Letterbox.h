// The letterboxed viewport: the largest rectangle with the project's aspect ratio, centred in
// the window's client area, computed in float as the frame function always has (so the bar
// widths match the original to the pixel). Pure arithmetic; sets no GL state.
#pragma once

struct Viewport {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Viewport&) const = default;
};

// A project or client size that is not positive gets the whole client area.
Viewport letterboxViewport(int clientWidth, int clientHeight, int projectWidth, int projectHeight);
