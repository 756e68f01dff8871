// Reads the project file: design resolution, music, textures to preload, and the effect list,
// each effect created by class name, initialised, filled from its saved object and evaluated
// at time 0. A file that cannot be read or holds a value of the wrong type is a failed load
// with one log line and empty outputs.
#pragma once

#include <string>
#include <vector>

#include "core/EffectManager.h"

bool loadProject(const std::string& path, EffectList& effects, std::vector<bool>& collapsed);
