// The window of offline rendering: a HeadlessGl framebuffer seen through the Window interface.
// Its client size is the framebuffer size; swapping only finishes the frame; no events arrive.
#pragma once

#include "platform/HeadlessGl.h"
#include "platform/Window.h"

class HeadlessWindow : public Window {
public:
    explicit HeadlessWindow(HeadlessGl& gl) : gl_(gl) {}

    int clientWidth() const override { return gl_.width(); }
    int clientHeight() const override { return gl_.height(); }
    void swapBuffers() override;
    bool pumpEvents() override { return false; }
    bool takeTraceKeyPress() override { return false; }

    int swapCount() const { return swaps_; }

private:
    HeadlessGl& gl_;
    int swaps_ = 0;
};
