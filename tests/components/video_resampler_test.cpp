// The path of a slow zoom or pan, and the resampler that draws its frames:
// sub-pixel placement and the same numbers from every variant of its code.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "ImageLoader.h"
#include "MotionPath.h"
#include "WindowResampler.h"

using vm::Motion;

namespace {

vm::av::FramePtr Canvas(int width, int height) {
    vm::RenderResult result;
    return vm::MakeBlackCanvas(vm::CanvasFormat{width, height}, &result);
}

uint8_t& At(AVFrame* f, int plane, int x, int y) {
    return f->data[plane][y * f->linesize[plane] + x];
}

}  // namespace

// Each step of a zoom or pan is the same size, and the window stays inside
// the working picture: at its widest the whole frame, at its closest 1/(1+s).
TEST(MotionPath, StepsAreEvenAndTheWindowStaysInside) {
    const double s = 0.25;
    for (Motion m : {Motion::ZoomIn, Motion::ZoomOut, Motion::PanLeft, Motion::PanRight,
                     Motion::PanUp, Motion::PanDown}) {
        SCOPED_TRACE(int(m));
        const bool zoom = m == Motion::ZoomIn || m == Motion::ZoomOut;
        const int n = 100;
        vm::MotionWindow before = vm::MotionWindowAt(m, s, 0);
        double firstStep[3] = {};
        for (int k = 1; k <= n; ++k) {
            const vm::MotionWindow w = vm::MotionWindowAt(m, s, double(k) / n);
            EXPECT_GE(w.x, -1e-12);
            EXPECT_GE(w.y, -1e-12);
            EXPECT_LE(w.x + w.width, 1 + 1e-12);
            EXPECT_LE(w.y + w.height, 1 + 1e-12);
            EXPECT_NEAR(w.width, w.height, 1e-12);
            // Zooms are even in magnification, pans in position.
            const double step[3] = {1 / w.width - 1 / before.width, w.x - before.x, w.y - before.y};
            for (int c = zoom ? 0 : 1; c < (zoom ? 1 : 3); ++c) {
                if (k == 1) firstStep[c] = step[c];
                EXPECT_NEAR(step[c], firstStep[c], 1e-9);
            }
            before = w;
        }
        const double start = vm::MotionWindowAt(m, s, 0).width, end = before.width;
        EXPECT_NEAR(std::max(start, end), zoom ? 1.0 : 1 / 1.25, 1e-12);
        EXPECT_NEAR(std::min(start, end), 1 / 1.25, 1e-12);
        if (!zoom)  // a pan crosses all the room there is
            EXPECT_NEAR(std::abs(before.x - vm::MotionWindowAt(m, s, 0).x) +
                            std::abs(before.y - vm::MotionWindowAt(m, s, 0).y),
                        1 - 1 / 1.25, 1e-12);
    }
    EXPECT_NEAR(vm::MotionWindowAt(Motion::ZoomIn, s, 1).x, 0.1, 1e-12);  // towards the middle
    EXPECT_GT(vm::MotionWindowAt(Motion::PanRight, s, 1).x, 0.15);        // the view goes right
    EXPECT_DOUBLE_EQ(vm::MotionWindowAt(Motion::None, s, 0.5).width, 1.0);
}

// Catmull-Rom is exact on a ramp: the window's edge, its scale and the
// colour planes' half-size positions all show in the values.
TEST(WindowResampler, PlacesTheWindowToAFractionOfAPixel) {
    vm::av::FramePtr source = Canvas(160, 80), out = Canvas(120, 60);
    auto luma = [](double x, double y) { return 10 + x + y; };
    auto cb = [](double x, double y) { return 20 + 2 * x + y; };
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 160; ++x) At(source.get(), 0, x, y) = uint8_t(luma(x, y));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) At(source.get(), 1, x, y) = uint8_t(cb(x, y));
    const vm::MotionWindow window{0.1234, 0.0771, 0.8, 0.8};
    vm::WindowResampler(1).Draw(source.get(), window, out.get());
    const double step = 0.8 * 160 / 120;  // the same both ways and in every plane
    const double left = 0.1234 * 160, top = 0.0771 * 80;
    for (int j = 0; j < 60; ++j)
        for (int i = 0; i < 120; ++i) {
            const double x = left + (i + 0.5) * step - 0.5, y = top + (j + 0.5) * step - 0.5;
            ASSERT_NEAR(At(out.get(), 0, i, j), luma(x, y), 0.55) << i << "," << j;
            // A colour sample covers two pixels each way: half the window's
            // edge, the same step.
            const double cx = left / 2 + (i + 0.5) * step - 0.5;
            const double cy = top / 2 + (j + 0.5) * step - 0.5;
            if (i < 60 && j < 30)
                ASSERT_NEAR(At(out.get(), 1, i, j), cb(cx, cy), 0.55) << i << "," << j;
        }
}

// The vector code, the plain loops and the split over two threads give the
// same bytes, also at widths that leave a tail and for every strength.
TEST(WindowResampler, SameNumbersWhateverTheCodeAndThreads) {
    std::mt19937 random(5);
    for (auto [width, height] : {std::pair{854, 480}, std::pair{426, 240}, std::pair{37, 21}}) {
        for (double strength : {0.05, 0.3}) {
            int ww = 0, wh = 0;
            vm::WorkingSize(width, height, strength, &ww, &wh);
            vm::av::FramePtr source = Canvas(ww, wh);
            for (int p = 0; p < 3; ++p)
                for (int y = 0; y < (p ? wh / 2 : wh); ++y)
                    for (int x = 0; x < (p ? ww / 2 : ww); ++x)
                        At(source.get(), p, x, y) = random();
            for (Motion m : {Motion::ZoomIn, Motion::PanLeft, Motion::PanDown}) {
                std::vector<vm::av::FramePtr> outs;
                for (auto [threads, vector] : {std::pair{1, false}, {1, true}, {2, true}}) {
                    outs.push_back(Canvas(width, height));
                    vm::WindowResampler(threads, vector)
                        .Draw(source.get(), vm::MotionWindowAt(m, strength, 0.37),
                              outs.back().get());
                }
                for (int p = 0; p < 3; ++p)
                    for (int y = 0; y < AV_CEIL_RSHIFT(height, p ? 1 : 0); ++y)
                        for (size_t k = 1; k < outs.size(); ++k)
                            ASSERT_EQ(0, std::memcmp(&At(outs[0].get(), p, 0, y),
                                                     &At(outs[k].get(), p, 0, y),
                                                     size_t(AV_CEIL_RSHIFT(width, p ? 1 : 0))))
                                << width << " plane " << p << " row " << y << " variant " << k;
            }
        }
    }
}
