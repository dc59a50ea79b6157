#pragma once

#include "RenderJob.h"

namespace vm {

// The stretch of a moving slide's working picture shown at one moment, as
// fractions of the working picture's width and height.
struct MotionWindow {
    double x = 0;  // left edge
    double y = 0;  // top edge
    double width = 1;
    double height = 1;
};

// Whether a slide with this motion moves at all.
bool Moves(Motion motion, double strength);

// The working picture of a moving slide is the composed frame made this much
// larger (1 + strength), once: at its closest the window is then the size of
// the frame, so no frame is blown up from fewer pixels than it shows.
double WorkingScale(double strength);

// The working picture's size for a frame of width x height (even numbers,
// so 4:2:0 colour planes cover it exactly).
void WorkingSize(int width, int height, double strength, int* workWidth, int* workHeight);

// The window at `progress` (0 at the slide's first frame on screen, 1 at its
// last). Every point of the picture moves at a steady speed: a zoom changes
// the magnification linearly, a pan the position, so one frame's step is the
// same as the next one's. Zooms keep the middle; pans run at the strongest
// magnification through the middle of the other direction.
MotionWindow MotionWindowAt(Motion motion, double strength, double progress);

}  // namespace vm
