#include "MotionPath.h"

#include <algorithm>
#include <cmath>

namespace vm {

bool Moves(Motion motion, double strength) {
    return motion != Motion::None && strength > 0;
}

namespace {

constexpr double kSpread = 1.05;

}  // namespace

double WorkingScale(double strength) {
    return (1.0 + std::max(0.0, strength)) * kSpread;
}

void WorkingSize(int width, int height, double strength, int* workWidth, int* workHeight) {
    const double scale = WorkingScale(strength);
    *workWidth = 2 * int(std::ceil(width * scale / 2));
    *workHeight = 2 * int(std::ceil(height * scale / 2));
}

MotionWindow MotionWindowAt(Motion motion, double strength, double progress) {
    const double t = std::clamp(progress, 0.0, 1.0);
    const double most = 1.0 + std::max(0.0, strength);
    MotionWindow w;
    if (!Moves(motion, strength)) return w;
    double zoom = most;  // magnification against the still frame
    if (motion == Motion::ZoomIn) zoom = 1.0 + (most - 1.0) * t;
    if (motion == Motion::ZoomOut) zoom = 1.0 + (most - 1.0) * (1.0 - t);
    // At magnification `zoom` the window covers 1/zoom of the picture,
    // whatever size the working picture is made at.
    w.width = w.height = 1.0 / zoom;
    const double room = 1.0 - w.width;
    w.x = w.y = room / 2;
    switch (motion) {
        case Motion::PanLeft:
            w.x = room * (1.0 - t);
            break;
        case Motion::PanRight:
            w.x = room * t;
            break;
        case Motion::PanUp:
            w.y = room * (1.0 - t);
            break;
        case Motion::PanDown:
            w.y = room * t;
            break;
        default:
            break;
    }
    return w;
}

}  // namespace vm
