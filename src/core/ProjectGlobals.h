// Process-wide values the project loader sets and the frame loop and screen effects read.
#pragma once

#include <string>

extern int projectWidth;   // design resolution, default 960
extern int projectHeight;  // default 540
extern std::string musicPath;  // program directory + "/" + musicFile, empty when none

// Back to 960 x 540 and no music path (a fresh load, and tests).
void resetProjectGlobals();
