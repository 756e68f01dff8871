// HeadlessWindow: a swap is a glFinish, so the read-back that follows sees the whole frame.
#include "platform/HeadlessWindow.h"

#include <GL/gl.h>

void HeadlessWindow::swapBuffers() {
    glFinish();
    ++swaps_;
}
