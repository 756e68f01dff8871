// Basic3DEffect: immediate-mode shapes under a saved attribute state and pushed matrices.
// The football mesh is computed once (function-local static) and only read afterwards.
#include "effects/Basic3DEffect.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "core/TextureManager.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr int kSegments = 32;

// Parameters are float tracks; NaN or huge keys must not reach an integer conversion.
int roundToInt(float v) {
    if (!(v > -1.0e6f)) v = -1.0e6f;
    if (v > 1.0e6f) v = 1.0e6f;
    return static_cast<int>(std::lround(v));
}

struct Vec3 {
    float x, y, z;
};

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(float s, Vec3 v) { return {s * v.x, s * v.y, s * v.z}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 normalised(Vec3 v) {
    float len = std::sqrt(dot(v, v));
    return len > 0.0f ? Vec3{v.x / len, v.y / len, v.z / len} : v;
}

// The point a third of the way from `near` to `far`, on the unit sphere. Every shared corner
// of the football goes through this one function, so neighbouring patches meet exactly.
Vec3 third(Vec3 near, Vec3 far) {
    Vec3 sum = 2.0f * near + far;
    return normalised({sum.x / 3.0f, sum.y / 3.0f, sum.z / 3.0f});
}

void appendVertex(std::vector<float>& mesh, Vec3 position, Vec3 normal, float grey) {
    mesh.insert(mesh.end(), {position.x, position.y, position.z, normal.x, normal.y, normal.z, grey, grey, grey});
}

std::vector<float> buildFootball() {
    const float phi = (1.0f + std::sqrt(5.0f)) / 2.0f;
    const std::array<Vec3, 12> corners = {{
        {-1, phi, 0}, {1, phi, 0}, {-1, -phi, 0}, {1, -phi, 0},
        {0, -1, phi}, {0, 1, phi}, {0, -1, -phi}, {0, 1, -phi},
        {phi, 0, -1}, {phi, 0, 1}, {-phi, 0, -1}, {-phi, 0, 1},
    }};
    std::array<Vec3, 12> v{};
    for (std::size_t i = 0; i < corners.size(); ++i) v[i] = normalised(corners[i]);

    const int faces[20][3] = {
        {0, 11, 5}, {0, 5, 1}, {0, 1, 7}, {0, 7, 10}, {0, 10, 11},
        {1, 5, 9}, {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
        {3, 9, 4}, {3, 4, 2}, {3, 2, 6}, {3, 6, 8}, {3, 8, 9},
        {4, 9, 5}, {2, 4, 11}, {6, 2, 10}, {8, 6, 7}, {9, 8, 1},
    };

    std::vector<float> mesh;
    mesh.reserve((20 * 4 + 12 * 3) * 3 * Basic3DEffect::kFloatsPerVertex);

    // Hexagons: each icosahedron face with its corners cut off.
    for (const auto& f : faces) {
        Vec3 a = v[f[0]], b = v[f[1]], c = v[f[2]];
        // The sixth corner sits next to a on the edge towards c, i.e. (2a + c) / 3.
        const Vec3 h[6] = {third(a, b), third(b, a), third(b, c), third(c, b), third(c, a), third(a, c)};
        Vec3 normal = normalised(a + b + c);
        for (int k = 1; k <= 4; ++k) {
            appendVertex(mesh, h[0], normal, 0.9f);
            appendVertex(mesh, h[k], normal, 0.9f);
            appendVertex(mesh, h[k + 1], normal, 0.9f);
        }
    }

    // Pentagons: the cut-off corners, their points ordered by angle about the corner's axis.
    for (int i = 0; i < 12; ++i) {
        std::vector<int> neighbours;
        for (const auto& f : faces) {
            if (f[0] != i && f[1] != i && f[2] != i) continue;
            for (int k = 0; k < 3; ++k)
                if (f[k] != i && std::find(neighbours.begin(), neighbours.end(), f[k]) == neighbours.end())
                    neighbours.push_back(f[k]);
        }
        Vec3 axis = v[i];
        std::vector<Vec3> points;
        for (int w : neighbours) points.push_back(third(axis, v[w]));

        Vec3 u = normalised(points.front() - axis);
        Vec3 w = normalised(cross(axis, u));
        auto angle = [&](Vec3 p) {
            Vec3 d = p - axis;
            return std::atan2(dot(d, w), dot(d, u));
        };
        // Ascending angle is counter-clockwise seen from outside, like the hexagons.
        std::sort(points.begin(), points.end(), [&](Vec3 p, Vec3 q) { return angle(p) < angle(q); });
        for (std::size_t k = 1; k + 1 < points.size(); ++k) {
            appendVertex(mesh, points[0], axis, 0.15f);
            appendVertex(mesh, points[k], axis, 0.15f);
            appendVertex(mesh, points[k + 1], axis, 0.15f);
        }
    }
    return mesh;
}

void drawSphere() {
    for (int i = 1; i <= kSegments; ++i) {
        float phi0 = kPi * (static_cast<float>(i - 1) / kSegments - 0.5f);
        float phi1 = kPi * (static_cast<float>(i) / kSegments - 0.5f);
        float t0 = static_cast<float>(i - 1) / kSegments, t1 = static_cast<float>(i) / kSegments;
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j <= kSegments; ++j) {
            float lambda = 2.0f * kPi * static_cast<float>(j) / kSegments;
            float s = static_cast<float>(j) / kSegments;
            float x0 = std::cos(lambda) * std::cos(phi0), y0 = std::sin(lambda) * std::cos(phi0), z0 = std::sin(phi0);
            float x1 = std::cos(lambda) * std::cos(phi1), y1 = std::sin(lambda) * std::cos(phi1), z1 = std::sin(phi1);
            glNormal3f(x0, y0, z0);
            glTexCoord2f(s, t0);
            glVertex3f(x0, y0, z0);
            glNormal3f(x1, y1, z1);
            glTexCoord2f(s, t1);
            glVertex3f(x1, y1, z1);
        }
        glEnd();
    }
}

void drawCylinderCap(float z) {
    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0.0f, 0.0f, z);
    glTexCoord2f(0.5f, 0.5f);
    glVertex3f(0.0f, 0.0f, z);
    // The bottom cap runs the other way round so that both caps face outwards.
    for (int k = 0; k <= kSegments; ++k) {
        int j = z > 0.0f ? k : kSegments - k;
        float a = 2.0f * kPi * static_cast<float>(j) / kSegments;
        glTexCoord2f(0.5f * std::cos(a) + 0.5f, 0.5f * std::sin(a) + 0.5f);
        glVertex3f(std::cos(a), std::sin(a), z);
    }
    glEnd();
}

void drawCylinder() {
    glBegin(GL_QUAD_STRIP);
    for (int j = 0; j <= kSegments; ++j) {
        float a = 2.0f * kPi * static_cast<float>(j) / kSegments;
        float s = static_cast<float>(j) / kSegments;
        glNormal3f(std::cos(a), std::sin(a), 0.0f);
        glTexCoord2f(s, 0.0f);
        glVertex3f(std::cos(a), std::sin(a), -1.0f);
        glTexCoord2f(s, 1.0f);
        glVertex3f(std::cos(a), std::sin(a), 1.0f);
    }
    glEnd();
    drawCylinderCap(1.0f);
    drawCylinderCap(-1.0f);
}

void drawTorus() {
    const float tube = 0.3f;
    for (int i = 0; i < kSegments; ++i) {
        float u0 = 2.0f * kPi * static_cast<float>(i) / kSegments;
        float u1 = 2.0f * kPi * static_cast<float>(i + 1) / kSegments;
        float s0 = static_cast<float>(i) / kSegments, s1 = static_cast<float>(i + 1) / kSegments;
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j <= kSegments; ++j) {
            float v = 2.0f * kPi * static_cast<float>(j) / kSegments;
            float t = static_cast<float>(j) / kSegments;
            float r = 1.0f + tube * std::cos(v);
            glNormal3f(std::cos(v) * std::cos(u0), std::cos(v) * std::sin(u0), std::sin(v));
            glTexCoord2f(s0, t);
            glVertex3f(r * std::cos(u0), r * std::sin(u0), tube * std::sin(v));
            glNormal3f(std::cos(v) * std::cos(u1), std::cos(v) * std::sin(u1), std::sin(v));
            glTexCoord2f(s1, t);
            glVertex3f(r * std::cos(u1), r * std::sin(u1), tube * std::sin(v));
        }
        glEnd();
    }
}

void drawCube() {
    const float h = 0.5f;
    struct Corner {
        float x, y, z, s, t;
    };
    struct Face {
        float nx, ny, nz;
        Corner c[4];
    };
    const Face faces[6] = {
        {0, 0, 1, {{-h, -h, h, 0, 0}, {h, -h, h, 1, 0}, {h, h, h, 1, 1}, {-h, h, h, 0, 1}}},
        {0, 0, -1, {{-h, -h, -h, 1, 0}, {-h, h, -h, 1, 1}, {h, h, -h, 0, 1}, {h, -h, -h, 0, 0}}},
        {0, 1, 0, {{-h, h, -h, 0, 1}, {-h, h, h, 0, 0}, {h, h, h, 1, 0}, {h, h, -h, 1, 1}}},
        {0, -1, 0, {{-h, -h, -h, 1, 1}, {h, -h, -h, 0, 1}, {h, -h, h, 0, 0}, {-h, -h, h, 1, 0}}},
        {1, 0, 0, {{h, -h, -h, 1, 0}, {h, h, -h, 1, 1}, {h, h, h, 0, 1}, {h, -h, h, 0, 0}}},
        {-1, 0, 0, {{-h, -h, -h, 0, 0}, {-h, -h, h, 1, 0}, {-h, h, h, 1, 1}, {-h, h, -h, 0, 1}}},
    };
    glBegin(GL_QUADS);
    for (const Face& f : faces) {
        glNormal3f(f.nx, f.ny, f.nz);
        for (const Corner& c : f.c) {
            glTexCoord2f(c.s, c.t);
            glVertex3f(c.x, c.y, c.z);
        }
    }
    glEnd();
}

void drawFootball(float r, float g, float b) {
    const std::vector<float>& mesh = Basic3DEffect::footballMesh();
    glBegin(GL_TRIANGLES);
    for (std::size_t i = 0; i < mesh.size(); i += Basic3DEffect::kFloatsPerVertex) {
        const float* p = &mesh[i];
        glColor3f(p[6] * r, p[7] * g, p[8] * b);
        glNormal3f(p[3], p[4], p[5]);
        glVertex3f(p[0], p[1], p[2]);
    }
    glEnd();
}

}  // namespace

const std::vector<float>& Basic3DEffect::footballMesh() {
    static const std::vector<float> mesh = buildFootball();
    return mesh;
}

void Basic3DEffect::onInit() {
    createTrack("shape", &shape, 0.0f, 4.0f, 0.0f, true, InterpType::Step);
    createTrack("shadingMode", &shadingMode, 0.0f, 4.0f, 4.0f, true, InterpType::Step);
    createTrack("textureID", &textureID, 0.0f, 100.0f, 0.0f, true, InterpType::Step);
    createTrack("ignoreCamera", &ignoreCamera, 0.0f, 1.0f, 0.0f, true, InterpType::Step);
    createTrack("pos.x", &posX, -50.0f, 50.0f, 0.0f);
    createTrack("pos.y", &posY, -50.0f, 50.0f, 0.0f);
    createTrack("pos.z", &posZ, -50.0f, 50.0f, 0.0f);
    createTrack("rot.x", &rotX, -360.0f, 360.0f, 0.0f);
    createTrack("rot.y", &rotY, -360.0f, 360.0f, 0.0f);
    createTrack("rot.z", &rotZ, -360.0f, 360.0f, 0.0f);
    createTrack("scale.x", &scaleX, 0.01f, 20.0f, 1.0f);
    createTrack("scale.y", &scaleY, 0.01f, 20.0f, 1.0f);
    createTrack("scale.z", &scaleZ, 0.01f, 20.0f, 1.0f);
    createTrack("color.r", &colorR, 0.0f, 1.0f, 1.0f);
    createTrack("color.g", &colorG, 0.0f, 1.0f, 1.0f);
    createTrack("color.b", &colorB, 0.0f, 1.0f, 1.0f);
}

bool Basic3DEffect::bindTexture(int mode) const {
    if (mode != 4) return false;
    const std::vector<std::string>& names = TextureManager::instance().textureNames();
    int index = roundToInt(textureID);
    if (index < 0 || index >= static_cast<int>(names.size()) || names[index].empty()) return false;
    std::shared_ptr<Texture> texture = TextureManager::instance().getTexture(names[index]);
    if (!texture || texture->id == 0) return false;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture->id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    return true;
}

void Basic3DEffect::drawShape(int shapeIndex) const {
    switch (shapeIndex) {
        case Cylinder: drawCylinder(); break;
        case Torus: drawTorus(); break;
        case Cube: drawCube(); break;
        case Football: drawFootball(colorR, colorG, colorB); break;
        default: drawSphere(); break;
    }
}

void Basic3DEffect::onRender() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_DEPTH_TEST);

    int mode = roundToInt(shadingMode);
    if (mode != 0) {
        glShadeModel(GL_SMOOTH);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glEnable(GL_COLOR_MATERIAL);
        const GLfloat direction[4] = {10.0f, 10.0f, 10.0f, 0.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, direction);
    } else {
        glShadeModel(GL_FLAT);
        glDisable(GL_LIGHTING);
    }

    if (!bindTexture(mode)) glDisable(GL_TEXTURE_2D);

    bool ownView = ignoreCamera > 0.5f;
    if (ownView) {
        GLint viewport[4] = {0, 0, 0, 0};
        glGetIntegerv(GL_VIEWPORT, viewport);
        double aspect = static_cast<double>(viewport[2]) / (viewport[3] != 0 ? viewport[3] : 1);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        gluPerspective(65.0, aspect, 0.1, 250.0);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, -32.0f);
    } else {
        // The camera leaves model-view selected, but an earlier effect may not have.
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
    }

    glTranslatef(posX, posY, posZ);
    glRotatef(rotZ, 0.0f, 0.0f, 1.0f);
    glRotatef(rotY, 0.0f, 1.0f, 0.0f);
    glRotatef(rotX, 1.0f, 0.0f, 0.0f);
    glScalef(scaleX, scaleY, scaleZ);
    glColor3f(colorR, colorG, colorB);

    drawShape(roundToInt(shape));

    glPopMatrix();
    if (ownView) {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    glPopAttrib();
}
