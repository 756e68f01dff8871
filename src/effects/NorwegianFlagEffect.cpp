// NorwegianFlagEffect: the wave function, the grid and the draw.
//
// The straightforward mesh evaluates the wave function four times at each corner of each quad
// (the point and three for the normal). Here every grid point is evaluated once and shared by
// the quads around it, and the waves are taken apart with sin(a + b) = sin a cos b + cos a sin b
// into sines per column (u) and per row (v), so a grid point costs a few multiply-adds instead
// of sines and powers. The phases are reduced in double, so the grid agrees with the plain
// float formula to its own rounding. The quads' corners are copied from the grid into one
// interleaved vertex array, drawn with one call (an indexed draw would share the corners too,
// but its pixels differ from immediate mode's by a rounding step here).
#include "effects/NorwegianFlagEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "base/Logger.h"

namespace {

constexpr float kWidth = 22.0f, kHeight = 16.0f;
constexpr int kMinColumns = 10, kMaxColumns = 250;
constexpr float kStep = 0.01f;  // finite-difference step of the normal
constexpr float kDriveSpeed = 40.0f;

// The wave function's constants, shared by the plain formula and the separated one.
constexpr float kU1 = 2.37f, kV1 = 2.83f, kS1 = 1.63f;  // sin(kU1 a - kV1 v - kS1 s)
constexpr float kV2 = 1.2f;                             // 0.6 sin(kV2 v + a - s)
constexpr float kU3 = 4.91f, kV3 = 5.12f, kS3 = 3.27f;  // sin(kU3 a + kV3 v - kS3 s)
constexpr float kW1 = 0.3f, kW2 = 0.6f, kW3 = 0.1f;

float liftOf(float windSpeed) { return std::clamp(windSpeed / 10.0f, 0.0f, 1.0f); }

bool within(float t, float lo, float hi) { return t >= lo && t <= hi; }

// RGB of the flag's design at (u, v), darkened by the factor f.
NorwegianFlagEffect::Vec3 designColour(float u, float v, float f) {
    if (within(u, 0.3181818f, 0.4090909f) || within(v, 0.4375f, 0.5625f))
        return {0.0f * f, 0.15f * f, 0.45f * f};
    if (within(u, 0.27272728f, 0.45454547f) || within(v, 0.375f, 0.625f))
        return {0.9f * f, 0.9f * f, 0.9f * f};
    return {0.75f * f, 0.1f * f, 0.15f * f};
}

// The grid columns for a meshRes value: truncated and clamped into 10..250 (NaN: 10).
int columnsFor(float meshRes) {
    if (!(meshRes >= static_cast<float>(kMinColumns))) return kMinColumns;
    if (meshRes >= static_cast<float>(kMaxColumns)) return kMaxColumns;
    return static_cast<int>(meshRes);
}

struct Parameter {
    const char* name;
    float NorwegianFlagEffect::*member;
    float min, max, value;
};
const Parameter kParameters[] = {
    {"pos.x", &NorwegianFlagEffect::posX, -100, 100, 0},
    {"pos.y", &NorwegianFlagEffect::posY, -100, 100, 0},
    {"pos.z", &NorwegianFlagEffect::posZ, -100, 100, -40},
    {"rot.x", &NorwegianFlagEffect::rotX, -360, 360, 0},
    {"rot.y", &NorwegianFlagEffect::rotY, -360, 360, 0},
    {"rot.z", &NorwegianFlagEffect::rotZ, -360, 360, 0},
    {"scale", &NorwegianFlagEffect::scale, 0.1f, 10, 1},
    {"alpha", &NorwegianFlagEffect::alpha, 0, 1, 1},
    {"darkness", &NorwegianFlagEffect::darkness, 0, 1, 0.3f},
    {"windSpeed", &NorwegianFlagEffect::windSpeed, 0, 30, 8},
    {"waveAmp", &NorwegianFlagEffect::waveAmp, 0, 15, 4},
    {"waveFreqX", &NorwegianFlagEffect::waveFreqX, 0.1f, 10, 3},
    {"meshRes", &NorwegianFlagEffect::meshRes, 10, 250, 100},  // snapped, step key
};

}  // namespace

NorwegianFlagEffect::NorwegianFlagEffect() { logLine("NorwegianFlagEffect constructor called."); }

void NorwegianFlagEffect::onInit() {
    for (const Parameter& p : kParameters) {
        const bool whole = p.member == &NorwegianFlagEffect::meshRes;
        createTrack(p.name, &(this->*p.member), p.min, p.max, p.value, whole,
                    whole ? InterpType::Step : InterpType::Linear);
    }
}

NorwegianFlagEffect::Vec3 NorwegianFlagEffect::position(float u, float v) const {
    const float s = windSpeed * lastTime;
    const float k = std::pow(u, 1.5f);
    const float a = u * waveFreqX;
    const float x = (u - 0.5f) * kWidth;
    const float y = (v - 0.5f) * kHeight - (1.0f - liftOf(windSpeed)) * 4.0f * k;
    const float w1 = std::sin(kU1 * a - kV1 * v - kS1 * s);
    const float w2 = kW2 * std::sin(kV2 * v + a - s);
    const float w3 = std::sin(kU3 * a + kV3 * v - kS3 * s);
    const float z = (kW1 * w1 + w2 + kW3 * w3) * k * waveAmp;
    return {x, y, z};
}

namespace {

NorwegianFlagEffect::Vec3 unitNormal(const NorwegianFlagEffect::Vec3& p, const NorwegianFlagEffect::Vec3& pu,
                                     const NorwegianFlagEffect::Vec3& pv) {
    const float ax = pu[0] - p[0], ay = pu[1] - p[1], az = pu[2] - p[2];
    const float bx = pv[0] - p[0], by = pv[1] - p[1], bz = pv[2] - p[2];
    float nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
    const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length > 0.0001f) nx /= length, ny /= length, nz /= length;  // else left as it is
    return {nx, ny, nz};
}

}  // namespace

NorwegianFlagEffect::Vec3 NorwegianFlagEffect::normal(float u, float v) const {
    return unitNormal(position(u, v), position(u + kStep, v), position(u, v + kStep));
}

NorwegianFlagEffect::Vec3 NorwegianFlagEffect::colour(float u, float v) const {
    return designColour(u, v, 1.0f - 0.85f * darkness);
}

void NorwegianFlagEffect::onUpdate(float time) {
    for (const Parameter& p : kParameters) this->*p.member = trackValue(p.name, this->*p.member);
    lastTime = time;
    buildMesh();
}

void NorwegianFlagEffect::Columns::resize(std::size_t n) {
    for (auto* a : {&x, &sag, &sin1, &cos1, &sin2, &cos2, &sin3, &cos3}) a->resize(n);
}

void NorwegianFlagEffect::Rows::resize(std::size_t n) {
    for (auto* a : {&y, &sin1, &cos1, &sin2, &cos2, &sin3, &cos3}) a->resize(n);
}

// Column parts at u (or u + 0.01): x, the sag, and each wave's amplitude at u (weight, u^1.5,
// waveAmp) times the sine and cosine of its column phase.
void NorwegianFlagEffect::fillColumns(Columns& c, int columns, bool shifted) const {
    c.resize(static_cast<std::size_t>(columns));
    const float s = windSpeed * lastTime;
    const float sagFactor = (1.0f - liftOf(windSpeed)) * 4.0f;
    for (std::size_t i = 0; i < static_cast<std::size_t>(columns); ++i) {
        float u = static_cast<float>(i) / static_cast<float>(columns - 1);
        if (shifted) u += kStep;
        const float k = std::pow(u, 1.5f);
        const double a = static_cast<double>(u * waveFreqX);
        const double phases[3] = {double(kU1) * a - double(kS1) * s, a - double(s), double(kU3) * a - double(kS3) * s};
        const double weights[3] = {kW1, kW2, kW3};
        const double amplitude = static_cast<double>(k) * waveAmp;
        float* sines[3] = {&c.sin1[i], &c.sin2[i], &c.sin3[i]};
        float* cosines[3] = {&c.cos1[i], &c.cos2[i], &c.cos3[i]};
        for (int w = 0; w < 3; ++w) {
            *sines[w] = static_cast<float>(weights[w] * amplitude * std::sin(phases[w]));
            *cosines[w] = static_cast<float>(weights[w] * amplitude * std::cos(phases[w]));
        }
        c.x[i] = (u - 0.5f) * kWidth;
        c.sag[i] = sagFactor * k;
    }
}

// Row parts at v (or v + 0.01): y before the sag, and the sine and cosine of each row phase.
void NorwegianFlagEffect::fillRows(Rows& r, int rows, bool shifted) const {
    r.resize(static_cast<std::size_t>(rows + 1));
    for (std::size_t j = 0; j <= static_cast<std::size_t>(rows); ++j) {
        float v = static_cast<float>(j) / static_cast<float>(rows);
        if (shifted) v += kStep;
        const double phases[3] = {-double(kV1) * v, double(kV2) * v, double(kV3) * v};
        float* sines[3] = {&r.sin1[j], &r.sin2[j], &r.sin3[j]};
        float* cosines[3] = {&r.cos1[j], &r.cos2[j], &r.cos3[j]};
        for (int w = 0; w < 3; ++w) {
            *sines[w] = static_cast<float>(std::sin(phases[w]));
            *cosines[w] = static_cast<float>(std::cos(phases[w]));
        }
        r.y[j] = (v - 0.5f) * kHeight;
    }
}

namespace {

// z at one grid point: the sum of each wave's sin(column phase + row phase).
template <class C, class R>
inline float waveZ(const C& c, const R& r, std::size_t i, std::size_t j) {
    return c.sin1[i] * r.cos1[j] + c.cos1[i] * r.sin1[j] + c.sin2[i] * r.cos2[j] + c.cos2[i] * r.sin2[j] +
           c.sin3[i] * r.cos3[j] + c.cos3[i] * r.sin3[j];
}

}  // namespace

// Grid row j: every point with its normal, from the point P and the points 0.01 further along
// u and along v, and its colour.
void NorwegianFlagEffect::computeGridRow(int j, int rows, std::vector<Vertex>& out) const {
    const Columns& c = columnParts_;
    const Columns& cu = shiftedColumnParts_;
    const Rows& r = rowParts_;
    const Rows& rv = shiftedRowParts_;
    const auto row = static_cast<std::size_t>(j);
    const float v = static_cast<float>(j) / static_cast<float>(rows);
    const float darken = 1.0f - 0.85f * darkness;
    const std::size_t columns = out.size();
    for (std::size_t i = 0; i < columns; ++i) {
        const float z = waveZ(c, r, i, row), zu = waveZ(cu, r, i, row), zv = waveZ(c, rv, i, row);
        const float y = r.y[row] - c.sag[i], yu = r.y[row] - cu.sag[i], yv = rv.y[row] - c.sag[i];
        const float x = c.x[i], xu = cu.x[i];
        const float ax = xu - x, ay = yu - y, az = zu - z;
        const float bx = x - x, by = yv - y, bz = zv - z;
        const float nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
        const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
        const float divisor = length > 0.0001f ? length : 1.0f;  // short normals stay as they are
        Vertex& point = out[i];
        point.position[0] = x, point.position[1] = y, point.position[2] = z;
        point.normal[0] = nx / divisor, point.normal[1] = ny / divisor, point.normal[2] = nz / divisor;
    }
    for (std::size_t i = 0; i < columns; ++i) {
        const Vec3 rgb = designColour(static_cast<float>(i) / static_cast<float>(columns - 1), v, darken);
        float* colour = out[i].colour;
        colour[0] = rgb[0], colour[1] = rgb[1], colour[2] = rgb[2], colour[3] = alpha;
    }
}

void NorwegianFlagEffect::buildMesh() {
    const int columns = columnsFor(meshRes);
    const int rows = columns * 16 / 22 - 1;  // 71 rows at 100 columns
    fillColumns(columnParts_, columns, false);
    fillColumns(shiftedColumnParts_, columns, true);
    fillRows(rowParts_, rows, false);
    fillRows(shiftedRowParts_, rows, true);

    // Two grid rows at a time; each point becomes a corner of up to four quads.
    const auto width = static_cast<std::size_t>(columns);
    gridRow_.resize(width);
    nextGridRow_.resize(width);
    vertices_.resize(static_cast<std::size_t>(rows) * (width - 1) * 4);
    computeGridRow(0, rows, gridRow_);
    Vertex* out = vertices_.data();
    for (int j = 0; j < rows; ++j) {
        computeGridRow(j + 1, rows, nextGridRow_);
        for (std::size_t i = 0; i + 1 < width; ++i) {
            *out++ = gridRow_[i];
            *out++ = gridRow_[i + 1];
            *out++ = nextGridRow_[i + 1];
            *out++ = nextGridRow_[i];
        }
        std::swap(gridRow_, nextGridRow_);
    }
    verticesAlpha_ = alpha;
}

void NorwegianFlagEffect::onRender() {
    if (!(alpha > 0.001f) || vertices_.empty()) return;  // NaN draws nothing too

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glShadeModel(GL_SMOOTH);
    const GLfloat ambient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    const GLfloat diffuse[4] = {0.9f, 0.9f, 0.9f, 1.0f};
    const GLfloat lightPosition[4] = {-10.0f, 20.0f, 20.0f, 1.0f};  // before the flag's transform
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);

    const float* p = driving ? driven.pos : nullptr;
    const float* r = driving ? driven.rot : nullptr;
    glTranslatef(p ? p[0] : posX, p ? p[1] : posY, p ? p[2] : posZ);
    glRotatef(r ? r[2] : rotZ, 0.0f, 0.0f, 1.0f);
    glRotatef(r ? r[1] : rotY, 0.0f, 1.0f, 0.0f);
    glRotatef(r ? r[0] : rotX, 1.0f, 0.0f, 0.0f);
    glScalef(scale, scale, scale);

    if (verticesAlpha_ != alpha) {  // the member changed after the update
        for (Vertex& vertex : vertices_) vertex.colour[3] = alpha;
        verticesAlpha_ = alpha;
    }
    if (immediateMode) {
        glBegin(GL_QUADS);
        for (const Vertex& vertex : vertices_) {
            glColor4fv(vertex.colour);
            glNormal3fv(vertex.normal);
            glVertex3fv(vertex.position);
        }
        glEnd();
    } else {
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glInterleavedArrays(GL_C4F_N3F_V3F, 0, vertices_.data());
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(vertices_.size()));
        glPopClientAttrib();
    }

    glPopMatrix();
    glPopAttrib();
}

void NorwegianFlagEffect::drive(float dt, bool forward, bool backward, bool left, bool right, bool up, bool down) {
    driven.move(kDriveSpeed * dt, forward, backward, left, right, up, down);
}

void NorwegianFlagEffect::syncFromParameters() { driven.set(posX, posY, posZ, rotX, rotY, rotZ); }

void NorwegianFlagEffect::recordKeys(float time) { driven.recordInto(*this, time); }
