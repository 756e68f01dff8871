// Lighting: light 0's colours and position from the tracks. The position is transformed by the
// model-view matrix current at draw time, so after a Camera it is fixed in the scene.
#include "effects/Lighting.h"

#include <GL/gl.h>

#include "base/Logger.h"

Lighting::Lighting() { logLine("Lighting constructor called."); }

void Lighting::onInit() {
    createTrack("intensity.ambient", &ambient, 0.0f, 1.0f, 0.4f);
    createTrack("intensity.diffuse", &diffuse, 0.0f, 2.0f, 1.0f);
    createTrack("intensity.specular", &specular, 0.0f, 2.0f, 0.2f);
    createTrack("twoSided", &twoSided, 0.0f, 1.0f, 1.0f, false, InterpType::Step);
    createTrack("light.x", &light[0], -100.0f, 100.0f, 0.0f);
    createTrack("light.y", &light[1], -100.0f, 100.0f, 5.0f);
    createTrack("light.z", &light[2], -100.0f, 100.0f, 5.0f);
    createTrack("light.w", &light[3], 0.0f, 1.0f, 1.0f);
}

void Lighting::onRender() {
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);

    const GLfloat ambientColour[4] = {ambient, ambient, ambient, 1.0f};
    const GLfloat diffuseColour[4] = {diffuse, diffuse, diffuse, 1.0f};
    const GLfloat specularColour[4] = {specular, specular, specular, 1.0f};

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, twoSided >= 0.5f ? 1 : 0);
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambientColour);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuseColour);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specularColour);

    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);
    glDisable(GL_CULL_FACE);
}
