#include "ProjectGlobals.h"

int projectWidth = 960;
int projectHeight = 540;
std::string musicPath;

void resetProjectGlobals() {
    projectWidth = 960;
    projectHeight = 540;
    musicPath.clear();
}
