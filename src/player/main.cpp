// demoplayer: plays the demo in the working directory full screen. No arguments are read.
#include "player/Player.h"

int main() { return runPlayer(); }
