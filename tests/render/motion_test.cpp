// Slow zoom and pan through the renderer: smoothness measured on rendered
// and decoded frames, and a moving slideshow decoded again.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>

#include "MediaProbe.h"
#include "MotionPath.h"
#include "RenderEngine.h"
#include "RenderTimeline.h"
#include "TestSupport.h"

using vm::Motion;

namespace {

// Dots on grey, far apart: each one's centre can be found to a small
// fraction of a pixel.
QString WriteDots(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(40, 40, 40));
    for (int cy = 16; cy < height; cy += 32)
        for (int cx = 16; cx < width; cx += 32)
            for (int y = cy - 8; y <= cy + 8; ++y)
                for (int x = cx - 8; x <= cx + 8; ++x) {
                    const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                    const int v = 40 + int(std::lround(180 * std::exp(-d2 / 8.0)));
                    image.setPixelColor(x, y, QColor(v, v, v));
                }
    EXPECT_TRUE(image.save(path));
    return path;
}

// The dots' centres in a decoded frame (weighted by brightness over the
// grey), away from the edges, where they stand out of the grey enough.
std::vector<QPointF> Dots(const QImage& frame) {
    std::vector<QPointF> dots;
    const int r = 6;
    auto v = [&](int x, int y) { return qGreen(frame.pixel(x, y)); };
    for (int y = r + 2; y < frame.height() - r - 2; ++y)
        for (int x = r + 2; x < frame.width() - r - 2; ++x) {
            const int c = v(x, y);
            if (c < 110 || c < v(x - 1, y) || c <= v(x + 1, y) || c < v(x, y - 1) ||
                c <= v(x, y + 1))
                continue;
            double sum = 0, sx = 0, sy = 0;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    const double w = std::max(0, v(x + dx, y + dy) - 41);
                    sum += w;
                    sx += w * (x + dx);
                    sy += w * (y + dy);
                }
            dots.push_back(QPointF(sx / sum, sy / sum));
        }
    return dots;
}

// How far the picture moved between two frames at the right edge of the
// frame, along x: matched dots fitted to a zoom about the middle and a shift.
bool EdgeStep(const QImage& a, const QImage& b, double* step) {
    const std::vector<QPointF> before = Dots(a), after = Dots(b);
    std::vector<std::pair<QPointF, QPointF>> pairs;
    for (const QPointF& p : before)
        for (const QPointF& q : after)
            if (std::hypot(q.x() - p.x(), q.y() - p.y()) < 4) pairs.push_back({p, q});
    if (pairs.size() < 50) return false;
    const QPointF middle(a.width() / 2.0, a.height() / 2.0);
    QPointF mp, mq;
    for (auto& [p, q] : pairs) mp += p - middle, mq += q - middle;
    mp /= double(pairs.size());
    mq /= double(pairs.size());
    double num = 0, den = 0;
    for (auto& [p, q] : pairs) {
        const QPointF dp = p - middle - mp, dq = q - middle - mq;
        num += dp.x() * dq.x() + dp.y() * dq.y();
        den += dp.x() * dp.x() + dp.y() * dp.y();
    }
    const double zoom = num / den;
    const double shift = mq.x() - zoom * mp.x();
    *step = (zoom - 1) * a.width() / 2 + shift;
    return true;
}

double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

}  // namespace

// Rendered, encoded losslessly and decoded: a dot pattern panning and then
// zooming. Each frame's step at the frame's edge is measured from the dots;
// it may change by less than 0.05 pixel from one frame to the next (whole-
// pixel stepping would change it by up to a pixel), and it never reverses,
// through the blends in and out included.
TEST(VideoMotion, SlowPanAndZoomMoveSmoothly) {
    const QString folder = testsupport::FreshAppFolder("motion_smooth");
    const std::string dots = WriteDots(folder + "/dots.png", 960, 540).toStdString();
    const std::string grey = (folder + "/grey.png").toStdString();
    QImage plain(960, 540, QImage::Format_RGB888);
    plain.fill(QColor(40, 40, 40));
    ASSERT_TRUE(plain.save(QString::fromStdString(grey)));
    vm::RenderJob job;
    job.width = 960;
    job.height = 540;
    job.codec = "ffv1";
    job.codecName = "FFV1";
    job.images = {{grey, 1},
                  {dots, 4, Motion::PanRight, 0.1},
                  {grey, 2},
                  {dots, 4, Motion::ZoomIn, 0.1},
                  {grey, 1}};
    job.transitions = {{1, 1, 2}, {1, 5, 6}, {1, 7, 8}, {1, 11, 12}};
    const QString out = folder + "/smooth.avi";
    const vm::RenderResult made = vm::RenderVideoFile(job, out.toStdString(), nullptr, {});
    ASSERT_TRUE(made.ok) << made.Text();
    QString error;
    const std::vector<QImage> frames = testsupport::DecodeFrames(out, &error);
    ASSERT_EQ(frames.size(), 300u) << error.toStdString();

    // Each dotted slide is on screen 125 frames, from the start of its blend
    // in. The pan moves the picture 10% of the frame's width over them; the
    // zoom moves a point at the frame's edge out by 10% of half the width
    // (at mid-slide, magnified 1.05 times).
    for (auto [first, expected] :
         {std::pair{25, -0.1 * 960 / 124}, std::pair{175, 0.1 * 480 / 124 / 1.05}}) {
        SCOPED_TRACE(first);
        std::vector<double> steps;
        for (int f = first; f + 1 < first + 125; ++f) {
            double step = 0;
            if (EdgeStep(frames[size_t(f)], frames[size_t(f + 1)], &step)) steps.push_back(step);
        }
        ASSERT_GT(steps.size(), 100u);  // all but the faintest frames of the blends
        double worst = 0;
        for (size_t k = 0; k < steps.size(); ++k) {
            EXPECT_GT(steps[k] * steps[0], 0) << "steps back at " << k;
            if (k > 0) worst = std::max(worst, std::abs(steps[k] - steps[k - 1]));
        }
        EXPECT_LT(worst, 0.05);
        EXPECT_NEAR(steps[steps.size() / 2], expected, 0.02);
        std::printf("[ measured ] slide at frame %d: step %.3f px, largest change %.4f px\n", first,
                    steps[steps.size() / 2], worst);
    }
}

// A short moving slideshow through the renderer and MPEG-4: every frame is a
// new picture, and each blend (a whole-picture one and a per-plane one)
// still ends on the new picture, which goes on moving after it.
TEST(VideoMotion, MovingSlideshowDecodesFrameByFrame) {
    const QString folder = testsupport::FreshAppFolder("motion_show");
    std::vector<std::string> paths;
    const QColor colors[3] = {QColor(200, 40, 40), QColor(40, 60, 200), QColor(40, 180, 60)};
    for (int i = 0; i < 3; ++i) {
        QImage image(480, 270, QImage::Format_RGB888);
        image.fill(colors[i]);
        QPainter painter(&image);
        painter.setPen(QPen(Qt::white, 3));
        for (int k = 0; k < 12; ++k) painter.drawEllipse(QPoint(240, 135), 18 * k + 5, 11 * k + 5);
        painter.end();
        paths.push_back((folder + QString("/p%1.jpg").arg(i)).toStdString());
        ASSERT_TRUE(image.save(QString::fromStdString(paths.back()), "JPG", 95));
    }
    vm::RenderJob job;
    job.width = 320;
    job.height = 180;
    job.codec = "mpeg4";
    job.quality = 3;
    job.images = {{paths[0], 1.6, Motion::ZoomIn, 0.2},
                  {paths[1], 1.6, Motion::PanLeft, 0.2},
                  {paths[2], 1.6, Motion::PanUp, 0.2},
                  {paths[2], 0.8, Motion::PanUp, 0.2}};
    job.transitions = {{vm::TransitionTypeNamed("dissolve"), 1.6, 2.2},
                       {vm::TransitionTypeNamed("slideleft"), 3.2, 3.8}};
    const QString out = folder + "/show.avi";
    const vm::RenderResult made = vm::RenderVideoFile(job, out.toStdString(), nullptr, {});
    ASSERT_TRUE(made.ok) << made.Text();

    const testsupport::MediaInfo info = testsupport::ProbeMedia(out);
    EXPECT_EQ(info.width, 320);
    EXPECT_EQ(info.height, 180);
    EXPECT_EQ(info.videoFrames, 140);
    EXPECT_EQ(info.decodedFrames, 140);  // nothing left to repeat chunks
    const std::vector<QImage> frames = testsupport::DecodeFrames(out);
    ASSERT_EQ(frames.size(), 140u);
    for (size_t f = 1; f < frames.size(); ++f)
        EXPECT_GT(MeanDifference(frames[f - 1], frames[f]), 0.3) << "frame " << f;
    for (int end : {55, 95}) {  // the first frame after each blend
        SCOPED_TRACE(end);
        // The new picture's colour, from a frame well into its slide.
        const QColor after = testsupport::AverageColor(out, end + 10);
        EXPECT_LT(testsupport::ColorDistance(after, colors[end == 55 ? 1 : 2]), 60);
        EXPECT_LT(testsupport::ColorDistance(testsupport::AverageColor(out, end), after), 8);
        // The blend's last frame is all but the new picture: no jump into it.
        EXPECT_LT(testsupport::ColorDistance(testsupport::AverageColor(out, end - 1), after), 20);
        EXPECT_GT(testsupport::ColorDistance(testsupport::AverageColor(out, end - 8), after), 40);
    }
}

// A pan of fine grain keeps one sharpness: drawn at exactly its own size,
// every pixel would sit at the same fraction of a source pixel, and the
// whole picture would go soft and sharp again as that fraction runs round.
TEST(VideoMotion, PanKeepsOneSharpness) {
    const QString folder = testsupport::FreshAppFolder("motion_grain");
    QImage grain(480, 270, QImage::Format_RGB888);
    std::mt19937 random(3);
    for (int y = 0; y < 270; ++y)
        for (int x = 0; x < 480; ++x) {
            const int v = 60 + int(random() % 136);
            grain.setPixelColor(x, y, QColor(v, v, v));
        }
    const std::string path = (folder + "/grain.png").toStdString();
    ASSERT_TRUE(grain.save(QString::fromStdString(path)));
    vm::RenderJob job;
    job.width = 480;
    job.height = 270;
    job.codec = "ffv1";
    job.images = {{path, 2, Motion::PanLeft, 0.05}};  // half a pixel a frame
    const QString out = folder + "/grain.avi";
    const vm::RenderResult made = vm::RenderVideoFile(job, out.toStdString(), nullptr, {});
    ASSERT_TRUE(made.ok) << made.Text();
    const std::vector<QImage> frames = testsupport::DecodeFrames(out);
    ASSERT_EQ(frames.size(), 50u);
    std::vector<double> detail;  // mean squared Laplacian of the middle
    for (const QImage& f : frames) {
        double sum = 0;
        for (int y = 60; y < 210; ++y)
            for (int x = 100; x < 380; ++x) {
                auto g = [&](int u, int v) { return qGreen(f.pixel(u, v)); };
                const int l = 4 * g(x, y) - g(x - 1, y) - g(x + 1, y) - g(x, y - 1) - g(x, y + 1);
                sum += l * l;
            }
        detail.push_back(sum);
    }
    double worst = 0;
    for (size_t k = 1; k < detail.size(); ++k)
        worst = std::max(worst, std::abs(detail[k] / detail[k - 1] - 1));
    EXPECT_LT(worst, 0.05);  // at exactly its own size: 88%
    std::printf("[ measured ] grain detail changes by at most %.1f%% a frame\n", 100 * worst);
}

// A zoom-out starts close and ends showing the whole picture; a zoom-in the
// other way round; both keep the middle.
TEST(VideoMotion, ZoomOutEndsShowingMoreThanItStarts) {
    for (const Motion motion : {Motion::ZoomOut, Motion::ZoomIn}) {
        const vm::MotionWindow first = vm::MotionWindowAt(motion, 0.2, 0.0);
        const vm::MotionWindow last = vm::MotionWindowAt(motion, 0.2, 1.0);
        if (motion == Motion::ZoomOut) {
            EXPECT_NEAR(first.width, 1 / 1.2, 1e-9);
            EXPECT_NEAR(last.width, 1.0, 1e-9);
        } else {
            EXPECT_GT(first.width, last.width);
        }
        EXPECT_NEAR(first.x + first.width / 2, 0.5, 1e-9);
    }
}
