// The resampler that draws the frames of a slow zoom or pan: sub-pixel
// placement and the same numbers from every variant of its code.
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
            if (i < 60 && j < 30) {
                ASSERT_NEAR(At(out.get(), 1, i, j), cb(cx, cy), 0.55) << i << "," << j;
            }
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
