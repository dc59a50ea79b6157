// Every transition a video may get, rendered and decoded: each looks like
// xfade drawing it on the whole picture in 4:4:4 (no colour fringes where
// the 4:2:0 planes are blended on their own, nothing unwritten), and each
// ends on the new picture.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "FfmpegPtr.h"
#include "ImageLoader.h"
#include "MediaProbe.h"
#include "RenderEngine.h"
#include "RenderTimeline.h"
#include "TestSupport.h"
#include "Transition.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace {

constexpr int kWidth = 256;
constexpr int kHeight = 144;
constexpr int kBlend = 10;  // frames

// Colour fields crossed by shapes, so that every kind of transition shows.
QString WritePicture(const QString& path, int seed) {
    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            image.setPixelColor(
                x, y, QColor::fromHsv((x + seed * 120) % 360, 200, 120 + (y * 100) / kHeight));
    QPainter painter(&image);
    painter.setPen(QPen(seed ? Qt::yellow : Qt::cyan, 5));
    painter.drawEllipse(QPoint(kWidth / 2 + seed * 30, kHeight / 2), 40, 30);
    painter.drawLine(0, seed * 40, kWidth, kHeight - seed * 40);
    painter.end();
    EXPECT_TRUE(image.save(path));
    return path;
}

// A picture converted by swscale between RGB and 4:4:4 YUV (BT.601, video
// range, as the renderer's AVI canvas and the decoder's output).
vm::av::FramePtr ToYuv(const QImage& image) {
    vm::av::FramePtr frame = vm::av::MakeFrame();
    frame->format = AV_PIX_FMT_YUV444P;
    frame->width = image.width();
    frame->height = image.height();
    av_frame_get_buffer(frame.get(), 0);
    vm::av::SwsPtr scaler(sws_getContext(image.width(), image.height(), AV_PIX_FMT_RGB24,
                                         image.width(), image.height(), AV_PIX_FMT_YUV444P,
                                         SWS_POINT, nullptr, nullptr, nullptr));
    const uint8_t* const planes[1] = {image.constBits()};
    const int strides[1] = {int(image.bytesPerLine())};
    sws_scale(scaler.get(), planes, strides, 0, image.height(), frame->data, frame->linesize);
    return frame;
}

QImage ToRgb(const AVFrame* frame) {
    QImage image(frame->width, frame->height, QImage::Format_RGB888);
    vm::av::SwsPtr scaler(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                         frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_POINT,
                                         nullptr, nullptr, nullptr));
    uint8_t* const planes[1] = {image.bits()};
    const int strides[1] = {int(image.bytesPerLine())};
    sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    return image;
}

// xfade on the whole picture in 4:4:4, as FFmpeg runs it on any YUV
// picture: frames 0 .. count - 1.
std::vector<QImage> ReferenceBlend(const QImage& a, const QImage& b, const char* name, int count) {
    vm::av::FilterGraphPtr graph(avfilter_graph_alloc());
    AVFilterContext *sa = nullptr, *sb = nullptr, *xfade = nullptr, *sink = nullptr;
    const std::string source = "video_size=" + std::to_string(a.width()) + "x" +
                               std::to_string(a.height()) +
                               ":pix_fmt=yuv444p:time_base=1/25:frame_rate=25/1:pixel_aspect=1/1";
    const std::string options = std::string("transition=") + name +
                                ":duration=" + std::to_string(count / 25.0) + ":offset=0";
    avfilter_graph_create_filter(&sa, avfilter_get_by_name("buffer"), "a", source.c_str(), nullptr,
                                 graph.get());
    avfilter_graph_create_filter(&sb, avfilter_get_by_name("buffer"), "b", source.c_str(), nullptr,
                                 graph.get());
    avfilter_graph_create_filter(&xfade, avfilter_get_by_name("xfade"), "x", options.c_str(),
                                 nullptr, graph.get());
    avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "o", nullptr, nullptr,
                                 graph.get());
    avfilter_link(sa, 0, xfade, 0);
    avfilter_link(sb, 0, xfade, 1);
    avfilter_link(xfade, 0, sink, 0);
    std::vector<QImage> out;
    if (avfilter_graph_config(graph.get(), nullptr) < 0) return out;
    const vm::av::FramePtr fa = ToYuv(a), fb = ToYuv(b);
    for (int k = 0; k < count; ++k) {
        for (auto [src, pic] : {std::pair{sa, fa.get()}, std::pair{sb, fb.get()}}) {
            vm::av::FramePtr copy = vm::av::CloneFrame(pic);
            copy->pts = k;
            if (av_buffersrc_add_frame(src, copy.get()) < 0) return out;
        }
        vm::av::FramePtr blended = vm::av::MakeFrame();
        if (av_buffersink_get_frame(sink, blended.get()) < 0) return out;
        out.push_back(ToRgb(blended.get()));
    }
    return out;
}

// Share of 2x2 blocks (what 4:2:0 colour can draw) whose mean colour is
// more than 40 away from the reference's in some channel. A transition's
// boundary one pixel apart in the colour planes gives a few percent on
// these sharp pictures; colour planes blended wrongly, a third and more.
double WrongBlocks(const QImage& frame, const QImage& reference) {
    int wrong = 0, blocks = 0;
    for (int y = 0; y + 1 < frame.height(); y += 2)
        for (int x = 0; x + 1 < frame.width(); x += 2) {
            int diff[3] = {};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const QRgb p = frame.pixel(x + dx, y + dy), q = reference.pixel(x + dx, y + dy);
                    diff[0] += qRed(p) - qRed(q);
                    diff[1] += qGreen(p) - qGreen(q);
                    diff[2] += qBlue(p) - qBlue(q);
                }
            ++blocks;
            if (std::max({std::abs(diff[0]), std::abs(diff[1]), std::abs(diff[2])}) > 4 * 40)
                ++wrong;
        }
    return double(wrong) / blocks;
}

}  // namespace

TEST(VideoTransitions, EveryTransitionLooksLikeXfadeOnTheWholePicture) {
    const QString folder = testsupport::FreshAppFolder("transitions_all");
    const std::string pictures[2] = {WritePicture(folder + "/a.png", 0).toStdString(),
                                     WritePicture(folder + "/b.png", 1).toStdString()};
    const std::vector<std::string>& names = vm::TransitionNames();
    vm::RenderJob job;
    job.width = kWidth;
    job.height = kHeight;
    job.codec = "ffv1";  // lossless: what is decoded is what was blended
    job.codecName = "FFV1";
    const double slide = (kBlend + 2) / 25.0;
    job.images.push_back({pictures[0], slide});
    for (size_t i = 0; i < names.size(); ++i) {
        job.images.push_back({pictures[(i + 1) % 2], slide});
        job.transitions.push_back({int(i) + 1, slide * double(i + 1), slide * double(i + 1) + 0.4});
    }
    const QString out = folder + "/all.avi";
    const vm::RenderResult made = vm::RenderVideoFile(job, out.toStdString(), nullptr, {});
    ASSERT_TRUE(made.ok) << made.Text();
    const std::vector<QImage> frames = testsupport::DecodeFrames(out);
    ASSERT_EQ(frames.size(), (names.size() + 1) * (kBlend + 2));

    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const size_t start = (i + 1) * (kBlend + 2);
        const QImage& from = frames[start];  // frame 0 of the blend is the old picture
        const QImage& to = frames[start + kBlend];
        const std::vector<QImage> reference = ReferenceBlend(from, to, names[i].c_str(), kBlend);
        ASSERT_EQ(reference.size(), size_t(kBlend)) << "xfade does not know it";
        double worst = 0;
        for (int k = 1; k < kBlend; ++k)
            worst = std::max(worst, WrongBlocks(frames[start + size_t(k)], reference[size_t(k)]));
        EXPECT_LT(worst, 0.10);
        // The blend is over on time: the new picture stands still after it.
        EXPECT_EQ(to, frames[start + kBlend + 1]);
    }
}

// xfade's own last frame (the one the still after it replaces) is the new
// picture for every transition but two of the classic ten: wipeleft leaves
// the first column of the old picture and radial a sliver of it.
TEST(VideoTransitions, EveryTransitionEndsOnTheNewPicture) {
    vm::RenderResult result;
    const vm::CanvasFormat canvas{64, 36};
    const QString folder = testsupport::FreshAppFolder("transitions_end");
    const vm::av::FramePtr a =
        vm::LoadPicture(WritePicture(folder + "/a.png", 0).toStdString(), canvas, &result);
    const vm::av::FramePtr b =
        vm::LoadPicture(WritePicture(folder + "/b.png", 1).toStdString(), canvas, &result);
    ASSERT_TRUE(a && b) << result.Text();
    const std::vector<std::string>& names = vm::TransitionNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == "wipeleft" || names[i] == "radial") continue;
        SCOPED_TRACE(names[i]);
        vm::Transition blend;
        ASSERT_TRUE(blend.Open(a.get(), int(i) + 1, 8, &result)) << result.Text();
        vm::av::FramePtr last;
        for (int k = 0; k <= 8; ++k) last = blend.Next(a.get(), b.get(), &result);
        ASSERT_TRUE(last) << result.Text();
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < (p ? 18 : 36); ++y)
                for (int x = 0; x < (p ? 32 : 64); ++x)
                    ASSERT_NEAR(last->data[p][y * last->linesize[p] + x],
                                b->data[p][y * b->linesize[p] + x], 1)
                        << "plane " << p << " at " << x << "," << y;
    }
}
