// The one list of effect classes the player knows, in registration order. Each class is
// registered under its own class name, which is also what its getClassName returns.
#include "effects/RegisterEffects.h"

#include "core/EffectFactory.h"

// One include per registered class, in the order of the list below.

void registerAllEffects() {
    // Basic3DEffect
    // Camera
    // CellularLinesEffect
    // CinematicOverlayEffect
    // ClassicFireEffect
    // ColorFilterEffect
    // FocusBlurEffect
    // GloomEffect
    // GrayscaleOverlayEffect
    // LeftfieldAutomataEffect
    // Lighting
    // MarchingTetraEffect
    // MatrixGreetingsEffect
    // NorwegianFlagEffect
    // OverlayEffect
    // PlasmaEffect
    // PredatorEffect
    // RadarImageryEffect
    // RotatingCubeEffect
    // RubixCubeEffect
    // VectorTextEffect
    // VoronoiCausticsEffect
}
