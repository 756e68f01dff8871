// The one list of effect classes the player knows, in registration order. Each class is
// registered under its own class name, which is also what its getClassName returns.
#include "effects/RegisterEffects.h"

#include "core/EffectFactory.h"

// One include per registered class, in the order of the list below.
#include "effects/Basic3DEffect.h"
#include "effects/Camera.h"
#include "effects/CellularLinesEffect.h"
#include "effects/CinematicOverlayEffect.h"
#include "effects/ClassicFireEffect.h"
#include "effects/ColorFilterEffect.h"
#include "effects/FocusBlurEffect.h"
#include "effects/GloomEffect.h"
#include "effects/GrayscaleOverlayEffect.h"
#include "effects/LeftfieldAutomataEffect.h"
#include "effects/Lighting.h"
#include "effects/MarchingTetraEffect.h"
#include "effects/MatrixGreetingsEffect.h"
#include "effects/NorwegianFlagEffect.h"
#include "effects/OverlayEffect.h"
#include "effects/PlasmaEffect.h"
#include "effects/PredatorEffect.h"
#include "effects/RadarImageryEffect.h"
#include "effects/RotatingCubeEffect.h"
#include "effects/RubixCubeEffect.h"
#include "effects/VectorTextEffect.h"
#include "effects/VoronoiCausticsEffect.h"

void registerAllEffects() {
    // The list is alphabetical: all 22 classes.
    EffectFactory::registerEffect<Basic3DEffect>("Basic3DEffect");
    EffectFactory::registerEffect<Camera>("Camera");
    EffectFactory::registerEffect<CellularLinesEffect>("CellularLinesEffect");
    EffectFactory::registerEffect<CinematicOverlayEffect>("CinematicOverlayEffect");
    EffectFactory::registerEffect<ClassicFireEffect>("ClassicFireEffect");
    EffectFactory::registerEffect<ColorFilterEffect>("ColorFilterEffect");
    EffectFactory::registerEffect<FocusBlurEffect>("FocusBlurEffect");
    EffectFactory::registerEffect<GloomEffect>("GloomEffect");
    EffectFactory::registerEffect<GrayscaleOverlayEffect>("GrayscaleOverlayEffect");
    EffectFactory::registerEffect<LeftfieldAutomataEffect>("LeftfieldAutomataEffect");
    EffectFactory::registerEffect<Lighting>("Lighting");
    EffectFactory::registerEffect<MarchingTetraEffect>("MarchingTetraEffect");
    EffectFactory::registerEffect<MatrixGreetingsEffect>("MatrixGreetingsEffect");
    EffectFactory::registerEffect<NorwegianFlagEffect>("NorwegianFlagEffect");
    EffectFactory::registerEffect<OverlayEffect>("OverlayEffect");
    EffectFactory::registerEffect<PlasmaEffect>("PlasmaEffect");
    EffectFactory::registerEffect<PredatorEffect>("PredatorEffect");
    EffectFactory::registerEffect<RadarImageryEffect>("RadarImageryEffect");
    EffectFactory::registerEffect<RotatingCubeEffect>("RotatingCubeEffect");
    EffectFactory::registerEffect<RubixCubeEffect>("RubixCubeEffect");
    EffectFactory::registerEffect<VectorTextEffect>("VectorTextEffect");
    EffectFactory::registerEffect<VoronoiCausticsEffect>("VoronoiCausticsEffect");
}
