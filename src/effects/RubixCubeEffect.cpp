// RubixCubeEffect: set-up and scramble, the per-frame arrangement and the drawing. Matrix
// products are done here on the processor (quarter turns with exact 0 and +-1 entries), so
// the cube needs no GL context until it draws. Each small cube's body and stickers are one
// vertex array built at set-up, drawn under the cube's transform.
#include "effects/RubixCubeEffect.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "base/Logger.h"
#include "base/Random.h"

namespace {

constexpr std::uint32_t kSeed = 1337;
constexpr float kBodyColour = 0.03f;
constexpr float kBodyHalfSize = 0.485f;
constexpr float kStickerDistance = 0.487f;
constexpr float kStickerHalfSize = 0.41f;
constexpr float kInsideColour = 0.1f;

// Solved sticker colours in face order +x, -x, +y, -y, +z, -z.
constexpr float kFaceColours[6][3] = {
    {0.769f, 0.118f, 0.227f},  // red
    {1.0f, 0.345f, 0.0f},      // orange
    {0.0f, 0.318f, 0.729f},    // blue
    {0.0f, 0.62f, 0.376f},     // green
    {1.0f, 1.0f, 1.0f},        // white
    {1.0f, 0.835f, 0.0f},      // yellow
};

// Each face: its normal and its corners counter-clockwise seen from outside, as signs. The
// coordinate along the normal is scaled by the face distance, the other two by the half size.
struct FaceCorners {
    int normal[3];
    int corners[4][3];
};
constexpr FaceCorners kFaces[6] = {
    {{1, 0, 0}, {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}}},
    {{-1, 0, 0}, {{-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}}},
    {{0, 1, 0}, {{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}}},
    {{0, -1, 0}, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {{0, 0, 1}, {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}},
    {{0, 0, -1}, {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},
};
constexpr float kStickerTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

template <class Sink>
void emitQuad(Sink& sink, const FaceCorners& face, float distance, float halfSize, bool textured) {
    sink.normal(static_cast<float>(face.normal[0]), static_cast<float>(face.normal[1]),
                static_cast<float>(face.normal[2]));
    for (int k = 0; k < 4; ++k) {
        float v[3];
        for (int c = 0; c < 3; ++c)
            v[c] = static_cast<float>(face.corners[k][c]) * (face.normal[c] != 0 ? distance : halfSize);
        if (textured) sink.texCoord(kStickerTexCoords[k][0], kStickerTexCoords[k][1]);
        sink.vertex(v[0], v[1], v[2]);
    }
}

// The dark body as six quads, then a sticker on every face that has a colour (inside faces
// keep a dark grey and get none), each quad with its outward normal.
template <class Sink>
void emitCubie(Sink& sink, const Cubie& cubie) {
    sink.color(kBodyColour, kBodyColour, kBodyColour, 1.0f);
    for (const FaceCorners& face : kFaces) emitQuad(sink, face, kBodyHalfSize, kBodyHalfSize, false);
    for (int f = 0; f < 6; ++f) {
        const float* c = cubie.faceColours[f];
        if (!(c[0] > 0.15f || c[1] > 0.15f || c[2] > 0.15f)) continue;
        sink.color(c[0], c[1], c[2], 1.0f);
        emitQuad(sink, kFaces[f], kStickerDistance, kStickerHalfSize, true);
    }
}

// transform <- R x transform, R the turn by `degrees` about the positive axis. Only the rows
// of the two other axes change; quarter turns use exact entries so that replaying moves gives
// back exact lattice placements.
void turn(float* m, int axis, float degrees) {
    float c, s;
    if (degrees == 90.0f || degrees == -90.0f) {
        c = 0.0f;
        s = degrees > 0.0f ? 1.0f : -1.0f;
    } else {
        const double radians = static_cast<double>(degrees) * M_PI / 180.0;
        c = static_cast<float>(std::cos(radians));
        s = static_cast<float>(std::sin(radians));
    }
    const int p = (axis + 1) % 3, q = (axis + 2) % 3;  // x: (y, z); y: (z, x); z: (x, y)
    for (int column = 0; column < 4; ++column) {
        const float a = m[column * 4 + p], b = m[column * 4 + q];
        m[column * 4 + p] = c * a - s * b;
        m[column * 4 + q] = s * a + c * b;
    }
}

std::int32_t& coordinate(Cubie& cubie, int axis) { return axis == 0 ? cubie.x : axis == 1 ? cubie.y : cubie.z; }

}  // namespace

RubixCubeEffect::RubixCubeEffect() {
    logLine("RubixCubeEffect constructor called.");
    struct Row {
        const char* name;
        float min, max;
        bool keyed;
        float value;
    };
    const Row rows[] = {
        {"pos.x", -50, 50, false, 0},  {"pos.y", -50, 50, false, 0},  {"pos.z", -50, 50, true, -8},
        {"rot.x", -360, 360, true, 30}, {"rot.y", -360, 360, true, 45}, {"rot.z", -360, 360, false, 0},
        {"scale", 0.1f, 5, true, 1},    {"progress", 0, 1, true, 0},
    };
    // Made directly: three tracks have no key at all and read 0 until the project gives them keys.
    for (const Row& row : rows) {
        auto* track = new KeyframeTrack(row.name);
        track->minValue = row.min;
        track->maxValue = row.max;
        if (row.keyed) track->setKey(0.0f, row.value, InterpType::Linear);
        tracks.push_back(track);
    }
    findTrack("progress")->setKey(8.0f, 1.0f, InterpType::EaseInOutQuad);
}

void RubixCubeEffect::setUpAndScramble() {
    runtime::srand(kSeed);
    cubies_.clear();
    for (int x = -1; x <= 1; ++x) {
        for (int y = -1; y <= 1; ++y) {
            for (int z = -1; z <= 1; ++z) {
                Cubie c;
                c.x = x, c.y = y, c.z = z;
                for (int i = 0; i < 4; ++i) c.transform[i * 5] = 1.0f;
                c.transform[12] = static_cast<float>(x);
                c.transform[13] = static_cast<float>(y);
                c.transform[14] = static_cast<float>(z);
                const bool outside[6] = {x == 1, x == -1, y == 1, y == -1, z == 1, z == -1};
                for (int f = 0; f < 6; ++f)
                    for (int k = 0; k < 3; ++k) c.faceColours[f][k] = outside[f] ? kFaceColours[f][k] : kInsideColour;
                cubies_.push_back(c);
            }
        }
    }

    scramble_.clear();
    solution_.clear();
    int previousAxis = -1;
    for (int i = 0; i < kScrambleMoves; ++i) {
        CubeMove move;
        move.axis = runtime::rand() % 3;
        if (move.axis == previousAxis) move.axis = (move.axis + 1) % 3;
        previousAxis = move.axis;
        move.layer = runtime::rand() % 2 == 0 ? -1 : 1;
        move.direction = runtime::rand() % 2 == 0 ? 1 : -1;
        scramble_.push_back(move);
        applyMove(cubies_, move);
    }
    for (auto it = scramble_.rbegin(); it != scramble_.rend(); ++it)
        solution_.push_back({it->axis, it->layer, -it->direction});

    geometry_.assign(cubies_.size(), VertexArray(3, VertexArray::kColor | VertexArray::kNormal | VertexArray::kTexCoord));
    for (std::size_t i = 0; i < cubies_.size(); ++i) emitCubie(geometry_[i], cubies_[i]);
    setUp_ = true;
}

void RubixCubeEffect::applyMove(std::vector<Cubie>& cubies, const CubeMove& move) {
    const std::int32_t d = move.direction;
    for (Cubie& c : cubies) {
        if (coordinate(c, move.axis) != move.layer) continue;
        const std::int32_t x = c.x, y = c.y, z = c.z;
        if (move.axis == 0) c.y = -d * z, c.z = d * y;
        if (move.axis == 1) c.x = d * z, c.z = -d * x;
        if (move.axis == 2) c.x = -d * y, c.y = d * x;
        turn(c.transform, move.axis, 90.0f * static_cast<float>(d));
    }
}

const std::vector<Cubie>& RubixCubeEffect::arrange(float progress) {
    const float p = progress >= 0.0f ? std::fmin(progress, 1.0f) : 0.0f;  // NaN fails the test: 0
    const int moves = static_cast<int>(solution_.size());
    const float f = p * static_cast<float>(moves);
    movesDone_ = static_cast<int>(f);
    const float fraction = f - static_cast<float>(movesDone_);

    frame_ = cubies_;
    for (int i = 0; i < movesDone_; ++i) applyMove(frame_, solution_[static_cast<std::size_t>(i)]);
    turnDegrees_ = 0.0f;
    if (movesDone_ < moves) {
        const CubeMove& move = solution_[static_cast<std::size_t>(movesDone_)];
        turnDegrees_ = (3.0f - 2.0f * fraction) * fraction * fraction * 90.0f * static_cast<float>(move.direction);
        if (turnDegrees_ != 0.0f)
            for (Cubie& c : frame_)
                if (coordinate(c, move.axis) == move.layer) turn(c.transform, move.axis, turnDegrees_);
    }
    return frame_;
}

void RubixCubeEffect::onRender() {
    if (!setUp_) setUpAndScramble();

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY})
        glDisableClientState(array);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glDisable(GL_TEXTURE_2D);  // the stickers carry texture coordinates but the cube binds no image
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glShadeModel(GL_SMOOTH);
    const GLfloat specular[4] = {0.7f, 0.7f, 0.7f, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT, GL_SHININESS, 40.0f);
    const GLfloat ambient[4] = {0.15f, 0.15f, 0.2f, 1.0f};
    const GLfloat diffuse[4] = {0.65f, 0.65f, 0.65f, 1.0f};
    const GLfloat lightSpecular[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular);

    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double aspect = static_cast<double>(viewport[2]) / (viewport[3] != 0 ? viewport[3] : 1);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(65.0, aspect, 0.1, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const GLfloat lightPosition[4] = {5.0f, 5.0f, 10.0f, 1.0f};  // eye space
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);

    const float scale = trackValue("scale");
    glScalef(scale, scale, scale);
    glTranslatef(trackValue("pos.x"), trackValue("pos.y"), trackValue("pos.z"));
    glRotatef(trackValue("rot.z"), 0.0f, 0.0f, 1.0f);
    glRotatef(trackValue("rot.x"), 1.0f, 0.0f, 0.0f);
    glRotatef(trackValue("rot.y"), 0.0f, 1.0f, 0.0f);

    const std::vector<Cubie>& shown = arrange(trackValue("progress"));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        glPushMatrix();
        glMultMatrixf(shown[i].transform);
        if (immediateMode) {
            ImmediateVertices sink;
            glBegin(GL_QUADS);
            emitCubie(sink, shown[i]);
            glEnd();
        } else {
            geometry_[i].draw(GL_QUADS);
        }
        glPopMatrix();
    }

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}
