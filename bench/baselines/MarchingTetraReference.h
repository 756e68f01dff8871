// The iso-surface frame written the straightforward way, for the tests (the fast path must give
// the same triangles) and as the benchmark's baseline: the composed field called once per grid
// point, the normals point by point, and every tetrahedron of every cube polygonised, all on
// one thread with the tables written out again here.
#pragma once

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "effects/FieldSystem.h"

namespace reference {

using Normal = std::array<float, 3>;

struct Mesh {
    std::vector<float> positions, normals, texCoords;
};

// values[x + N (y + N z)] = field(x, y, z).
inline void sampleField(const ScalarField& field, int n, std::vector<float>& values) {
    values.resize(static_cast<std::size_t>(n) * n * n);
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) values[x + n * (y + n * z)] = field(x, y, z);
}

inline void computeNormals(const std::vector<float>& v, int n, std::vector<Normal>& normals) {
    normals.resize(v.size());
    auto at = [&](int x, int y, int z) { return v[x + n * (y + n * z)]; };
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const float gx = at(std::min(x + 1, n - 1), y, z) - at(std::max(x - 1, 0), y, z);
                const float gy = at(x, std::min(y + 1, n - 1), z) - at(x, std::max(y - 1, 0), z);
                const float gz = at(x, y, std::min(z + 1, n - 1)) - at(x, y, std::max(z - 1, 0));
                const float l2 = gx * gx + gy * gy + gz * gz;
                normals[x + n * (y + n * z)] =
                    l2 > 1e-8f ? Normal{gx / std::sqrt(l2), gy / std::sqrt(l2), gz / std::sqrt(l2)} : Normal{0, 1, 0};
            }
}

inline void polygonize(const std::vector<float>& v, const std::vector<Normal>& nrm, int n, float iso, int mode,
                       Mesh& out) {
    static const int corner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    static const int tetra[6][4] = {{0, 5, 1, 6}, {0, 1, 2, 6}, {0, 2, 3, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 4, 5, 6}};
    static const int edge[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
    static const int tris[16][7] = {
        {-1}, {0, 3, 2, -1}, {0, 1, 4, -1}, {1, 4, 2, 2, 4, 3, -1}, {1, 2, 5, -1}, {0, 3, 5, 0, 5, 1, -1},
        {0, 2, 5, 0, 5, 4, -1}, {5, 4, 3, -1}, {3, 4, 5, -1}, {0, 4, 5, 0, 5, 2, -1}, {0, 5, 1, 0, 3, 5, -1},
        {1, 5, 2, -1}, {1, 3, 4, 1, 2, 3, -1}, {0, 4, 1, -1}, {0, 2, 3, -1}, {-1}};
    out = Mesh{};
    const float half = (n - 1) * 0.5f;
    struct Vert {
        float p[3], n[3];
    };
    for (int z = 0; z < n - 1; ++z)
        for (int y = 0; y < n - 1; ++y)
            for (int x = 0; x < n - 1; ++x)
                for (const auto& t : tetra) {
                    int index[4], cs = 0;
                    for (int k = 0; k < 4; ++k) {
                        index[k] = (x + corner[t[k]][0]) + n * ((y + corner[t[k]][1]) + n * (z + corner[t[k]][2]));
                        if (iso > v[index[k]]) cs |= 1 << k;
                    }
                    for (int j = 0; tris[cs][j] != -1; j += 3) {
                        Vert w[3];
                        for (int e = 0; e < 3; ++e) {
                            const int a = edge[tris[cs][j + e]][0], b = edge[tris[cs][j + e]][1];
                            const float va = v[index[a]], vb = v[index[b]];
                            const float f = (iso - va) / (vb - va);
                            const float fn = std::fabs(vb - va) > 1e-6f ? f : 0.5f;
                            for (int i = 0; i < 3; ++i) {
                                const float pa = static_cast<float>(corner[t[a]][i] + (i == 0 ? x : i == 1 ? y : z));
                                const float pb = static_cast<float>(corner[t[b]][i] + (i == 0 ? x : i == 1 ? y : z));
                                w[e].p[i] = pa + f * (pb - pa);
                                w[e].n[i] = nrm[index[a]][i] + fn * (nrm[index[b]][i] - nrm[index[a]][i]);
                            }
                            const float len = std::sqrt(w[e].n[0] * w[e].n[0] + w[e].n[1] * w[e].n[1] + w[e].n[2] * w[e].n[2]);
                            if (len != 0.0f)
                                for (float& c : w[e].n) c /= len;
                        }
                        float u[3], s[3];
                        for (int i = 0; i < 3; ++i) u[i] = w[1].p[i] - w[0].p[i], s[i] = w[2].p[i] - w[0].p[i];
                        const float cx = u[1] * s[2] - u[2] * s[1], cy = u[2] * s[0] - u[0] * s[2], cz = u[0] * s[1] - u[1] * s[0];
                        if (cx * w[0].n[0] + cy * w[0].n[1] + cz * w[0].n[2] < 0.0f) std::swap(w[1], w[2]);
                        for (const Vert& q : w) {
                            out.positions.insert(out.positions.end(), {q.p[0] - half, q.p[1] - half, q.p[2] - half});
                            out.normals.insert(out.normals.end(), {q.n[0], q.n[1], q.n[2]});
                            if (mode != 1) out.texCoords.insert(out.texCoords.end(), {q.p[0] / (2 * half) + 0.5f, q.p[2] / (2 * half) + 0.5f});
                        }
                    }
                }
}

}  // namespace reference
