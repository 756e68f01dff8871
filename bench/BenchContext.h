// The one headless GL context of a benchmark program: made on first use, resized to what each
// benchmark asks for, with the viewport over all of it. Without a context the failure is printed
// once and the benchmarks run on (their GL calls then do nothing).
#pragma once

#include <GL/gl.h>

#include <cstdio>

#include "platform/HeadlessGl.h"

inline HeadlessGl& benchContext(int width, int height) {
    static HeadlessGl gl;
    static const bool made = [&] {
        if (gl.create(width, height)) return true;
        std::fprintf(stderr, "no GL context: %s\n", gl.error().c_str());
        return false;
    }();
    if (!made) return gl;
    if (gl.width() != width || gl.height() != height) gl.resize(width, height);
    glViewport(0, 0, width, height);
    return gl;
}
