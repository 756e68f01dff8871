// The one list of effect classes the player knows, in registration order. Each class is
// registered under its own class name, which is also what its getClassName returns.
#include "effects/RegisterEffects.h"

#include "core/EffectFactory.h"

// One include per registered class, in the order of the list below.
#include "effects/Basic3DEffect.h"
#include "effects/Camera.h"
#include "effects/CellularLinesEffect.h"
#include "effects/ClassicFireEffect.h"
#include "effects/GrayscaleOverlayEffect.h"
#include "effects/Lighting.h"
#include "effects/NorwegianFlagEffect.h"
#include "effects/OverlayEffect.h"
#include "effects/PlasmaEffect.h"
#include "effects/RotatingCubeEffect.h"
#include "effects/RubixCubeEffect.h"
#include "effects/VoronoiCausticsEffect.h"

void registerAllEffects() {
    // The list is alphabetical. A name in a comment is a class not written yet, kept at the
    // place where its registration belongs.
    EffectFactory::registerEffect<Basic3DEffect>("Basic3DEffect");
    EffectFactory::registerEffect<Camera>("Camera");
    EffectFactory::registerEffect<CellularLinesEffect>("CellularLinesEffect");
    // CinematicOverlayEffect
    EffectFactory::registerEffect<ClassicFireEffect>("ClassicFireEffect");
    // ColorFilterEffect
    // FocusBlurEffect
    // GloomEffect
    EffectFactory::registerEffect<GrayscaleOverlayEffect>("GrayscaleOverlayEffect");
    // LeftfieldAutomataEffect
    EffectFactory::registerEffect<Lighting>("Lighting");
    // MarchingTetraEffect
    // MatrixGreetingsEffect
    EffectFactory::registerEffect<NorwegianFlagEffect>("NorwegianFlagEffect");
    EffectFactory::registerEffect<OverlayEffect>("OverlayEffect");
    EffectFactory::registerEffect<PlasmaEffect>("PlasmaEffect");
    // PredatorEffect
    // RadarImageryEffect
    EffectFactory::registerEffect<RotatingCubeEffect>("RotatingCubeEffect");
    EffectFactory::registerEffect<RubixCubeEffect>("RubixCubeEffect");
    // VectorTextEffect
    EffectFactory::registerEffect<VoronoiCausticsEffect>("VoronoiCausticsEffect");
}
