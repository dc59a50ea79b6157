#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "FfmpegPtr.h"
#include "MotionPath.h"

namespace vm {

// Draws a window of a picture, placed to a fraction of a pixel, into a frame
// of another size: the frames of a slow zoom or pan. zoompan and swscale's
// crops move in whole pixels, which shakes on a slow zoom; libavfilter's
// perspective filter places to a fraction but took 40 ms a 1080p frame
// (bench_motion) against about 1.4 ms here. So this is a separable
// Catmull-Rom filter of our own in fixed point: 4 taps each way, weights to
// 1/16384, the same numbers on every machine. With AVX2 eight output pixels
// are made at once; the rows are shared between the calling thread and one
// helper.
class WindowResampler {
public:
    // `threads`: 1, or 2 to split the rows with a helper thread.
    // `vectorCode`: false keeps to the plain loops (which give the same
    // numbers; for tests and machines without AVX2).
    explicit WindowResampler(int threads = 2, bool vectorCode = true);
    ~WindowResampler();
    WindowResampler(const WindowResampler&) = delete;
    WindowResampler& operator=(const WindowResampler&) = delete;

    // Fills `out` (allocated, the planar YUV format of `picture`) with
    // `window` of `picture` scaled to out's size. The window should lie
    // inside the picture; samples beyond its edges repeat the edge.
    void Draw(const AVFrame* picture, const MotionWindow& window, AVFrame* out);

    // One axis of one plane: for each output sample, the first of its four
    // source samples and their weights (sum 1 << 14).
    struct Axis {
        std::vector<int> first;
        std::vector<int16_t> weights;  // 4 per output sample
    };
    // Output sample i of `count` sits at source position start + (i + 0.5) *
    // step (continuous coordinates: sample k covers k..k+1).
    static Axis MakeAxis(int count, double start, double step);

private:
    struct Plane;
    struct Work;
    void DrawRows(const Work& work, int share, int shares);
    void Helper();

    std::vector<Plane> planes_;
    std::vector<std::vector<int16_t>> rows_;  // per thread: one vertically filtered row
    const Work* work_ = nullptr;
    int threads_ = 1;
    bool avx2_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    uint64_t round_ = 0;     // work handed to the helper
    uint64_t finished_ = 0;  // work it has finished
    bool quit_ = false;
    std::thread helper_;
};

}  // namespace vm
