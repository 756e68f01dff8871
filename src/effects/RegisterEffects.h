// Registers every effect class with the effect factory.
#pragma once

void registerAllEffects();
