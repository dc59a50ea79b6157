#include "Transition.h"

#include <set>
#include <string>

#include "ImageLoader.h"
#include "RenderTimeline.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace vm {

namespace {

// A grey frame showing one plane of `frame`, sharing its pixels.
av::FramePtr PlaneView(const AVFrame* frame, int plane) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    av::FramePtr view = av::MakeFrame();
    if (!view) return nullptr;
    view->format = AV_PIX_FMT_GRAY8;
    view->width = plane == 0 ? frame->width : AV_CEIL_RSHIFT(frame->width, desc->log2_chroma_w);
    view->height = plane == 0 ? frame->height : AV_CEIL_RSHIFT(frame->height, desc->log2_chroma_h);
    view->data[0] = frame->data[plane];
    view->linesize[0] = frame->linesize[plane];
    AVBufferRef* owner = frame->buf[plane] ? frame->buf[plane] : frame->buf[0];
    view->buf[0] = owner ? av_buffer_ref(owner) : nullptr;
    if (!view->buf[0]) return nullptr;
    return view;
}

bool IsFull(const AVFrame* frame) {
    return frame->color_range == AVCOL_RANGE_JPEG;
}

// A new frame of `format` at `source`'s size and range, `source` scaled into
// it; null with the reason in `result` when that fails.
av::FramePtr Scaled(SwsContext* scaler, const AVFrame* source, AVPixelFormat format,
                    RenderResult* result) {
    av::FramePtr frame = av::MakeFrame();
    int rc = frame ? 0 : AVERROR(ENOMEM);
    if (frame) {
        frame->format = format;
        frame->width = source->width;
        frame->height = source->height;
        frame->color_range = source->color_range;
        rc = av_frame_get_buffer(frame.get(), 0);
    }
    if (rc >= 0)
        rc = sws_scale(scaler, source->data, source->linesize, 0, source->height, frame->data,
                       frame->linesize);
    if (rc < 0) {
        *result = RenderResult::Fail("running transition", av::ErrorText(rc));
        return nullptr;
    }
    return frame;
}

}  // namespace

bool TransitionIsSeparable(int type) {
    // Measured against the same transitions on the whole 4:4:4 picture. Run
    // per plane, the first six put the wrong colour on a third to all of the
    // frame; the last three move the picture itself by a rounding that
    // differs between the planes, so its colour sits a pixel off all over.
    // The rest only draw a boundary that may fall a pixel apart in the
    // colour planes, which 4:2:0 cannot place finer anyway. (The classic ten
    // stay as videos have always had them.)
    static const std::set<std::string> kWhole = {"circlecrop", "distance",  "fadeblack",
                                                 "fadewhite",  "dissolve",  "fadegrays",
                                                 "zoomin",     "slideleft", "slideright"};
    return kWhole.count(XfadeTransitionName(type)) == 0;
}

bool Transition::Open(const AVFrame* like, int type, int frames, RenderResult* result) {
    name_ = XfadeTransitionName(type);
    frames_ = frames;
    canvasFormat_ = AVPixelFormat(like->format);
    range_ = like->color_range;
    width_ = like->width;
    height_ = like->height;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(canvasFormat_);
    planeCount_ = desc->nb_components >= 3 ? 3 : 1;
    whole_ = planeCount_ == 3 && !TransitionIsSeparable(type);
    if (!whole_) {
        for (int p = 0; p < planeCount_; ++p) {
            const int w = p == 0 ? width_ : AV_CEIL_RSHIFT(width_, desc->log2_chroma_w);
            const int h = p == 0 ? height_ : AV_CEIL_RSHIFT(height_, desc->log2_chroma_h);
            if (!OpenGraph(planes_[size_t(p)], w, h, "gray", p, result)) return false;
        }
        return true;
    }
    if (canvasFormat_ != AV_PIX_FMT_YUV444P) {
        // Each colour sample copied to the pixels it covers, and averaged
        // back over them: a picture that went through unblended comes back
        // exactly as it was.
        const bool full = IsFull(like);
        up_ = MakeScaler(width_, height_, canvasFormat_, full, width_, height_, AV_PIX_FMT_YUV444P,
                         full, SWS_POINT);
        down_ = MakeScaler(width_, height_, AV_PIX_FMT_YUV444P, full, width_, height_,
                           canvasFormat_, full, SWS_AREA);
        if (!up_ || !down_) {
            *result = RenderResult::Fail("setting up transition " + name_,
                                         av::ErrorText(AVERROR(EINVAL)));
            return false;
        }
    }
    return OpenGraph(full_, width_, height_, "yuv444p", 0, result);
}

bool Transition::OpenGraph(Graph& plane, int width, int height, const char* format, int index,
                           RenderResult* result) {
    const std::string stage = "setting up transition " + name_;
    auto fail = [&](int rc) {
        *result = RenderResult::Fail(stage, av::ErrorText(rc));
        return false;
    };
    plane.graph.reset(avfilter_graph_alloc());
    if (!plane.graph) return fail(AVERROR(ENOMEM));
    // Two slices: the encoder thread takes the other core only part of the time.
    plane.graph->nb_threads = 2;
    const std::string source = "video_size=" + std::to_string(width) + "x" +
                               std::to_string(height) + ":pix_fmt=" + format +
                               ":time_base=1/25:frame_rate=25/1:pixel_aspect=1/1";
    const std::string xfade = "transition=" + name_ +
                              ":duration=" + std::to_string(double(frames_) / kFramesPerSecond) +
                              ":offset=0";
    AVFilterGraph* graph = plane.graph.get();
    AVFilterContext* blend = nullptr;
    const std::string suffix = std::to_string(index);
    int rc = avfilter_graph_create_filter(&plane.sourceA, avfilter_get_by_name("buffer"),
                                          ("a" + suffix).c_str(), source.c_str(), nullptr, graph);
    if (rc >= 0)
        rc = avfilter_graph_create_filter(&plane.sourceB, avfilter_get_by_name("buffer"),
                                          ("b" + suffix).c_str(), source.c_str(), nullptr, graph);
    if (rc >= 0)
        rc = avfilter_graph_create_filter(&blend, avfilter_get_by_name("xfade"), "xfade",
                                          xfade.c_str(), nullptr, graph);
    if (rc >= 0)
        rc = avfilter_graph_create_filter(&plane.sink, avfilter_get_by_name("buffersink"), "out",
                                          nullptr, nullptr, graph);
    if (rc < 0) return fail(rc);
    const AVPixelFormat formats[] = {av_get_pix_fmt(format), AV_PIX_FMT_NONE};
    rc = av_opt_set_int_list(plane.sink, "pix_fmts", formats, AV_PIX_FMT_NONE,
                             AV_OPT_SEARCH_CHILDREN);
    if (rc >= 0) rc = avfilter_link(plane.sourceA, 0, blend, 0);
    if (rc >= 0) rc = avfilter_link(plane.sourceB, 0, blend, 1);
    if (rc >= 0) rc = avfilter_link(blend, 0, plane.sink, 0);
    if (rc >= 0) rc = avfilter_graph_config(graph, nullptr);
    if (rc < 0) return fail(rc);
    return true;
}

av::FramePtr Transition::Blend(Graph& plane, const AVFrame* a, const AVFrame* b,
                               RenderResult* result) {
    auto fail = [&](int rc) {
        *result = RenderResult::Fail("running transition", av::ErrorText(rc));
        return nullptr;
    };
    // One frame on each input gives one frame of the blend.
    for (auto [source, picture] : {std::pair{plane.sourceA, a}, std::pair{plane.sourceB, b}}) {
        av::FramePtr copy = av::CloneFrame(picture);
        if (!copy) return fail(AVERROR(ENOMEM));
        copy->pts = given_;
        if (int rc = av_buffersrc_add_frame(source, copy.get()); rc < 0) return fail(rc);
    }
    av::FramePtr out = av::MakeFrame();
    if (!out) return fail(AVERROR(ENOMEM));
    if (int rc = av_buffersink_get_frame(plane.sink, out.get()); rc < 0) return fail(rc);
    return out;
}

const AVFrame* Transition::Full(const AVFrame* picture, av::FramePtr& held, av::FramePtr& converted,
                                RenderResult* result) {
    if (!up_) return picture;  // the canvas is 4:4:4 already
    // A reference to the last picture keeps its buffer from going to another
    // picture: the same buffer is the same picture.
    if (held && held->data[0] == picture->data[0]) return converted.get();
    held = av::CloneFrame(picture);
    if (!held) {
        *result = RenderResult::Fail("running transition", av::ErrorText(AVERROR(ENOMEM)));
        return nullptr;
    }
    converted = Scaled(up_.get(), picture, AV_PIX_FMT_YUV444P, result);
    if (!converted) {
        held.reset();
        return nullptr;
    }
    converted->color_range = range_;
    return converted.get();
}

av::FramePtr Transition::NextWhole(const AVFrame* from, const AVFrame* to, RenderResult* result) {
    const AVFrame* a = Full(from, heldFrom_, fullFrom_, result);
    const AVFrame* b = a ? Full(to, heldTo_, fullTo_, result) : nullptr;
    if (!b) return nullptr;
    av::FramePtr mixed = Blend(full_, a, b, result);
    if (!mixed) return nullptr;
    mixed->color_range = range_;
    if (!down_) return mixed;
    return Scaled(down_.get(), mixed.get(), canvasFormat_, result);
}

av::FramePtr Transition::Next(const AVFrame* from, const AVFrame* to, RenderResult* result) {
    av::FramePtr frame;
    if (whole_) {
        frame = NextWhole(from, to, result);
    } else {
        frame = av::MakeFrame();
        if (!frame) {
            *result = RenderResult::Fail("running transition", av::ErrorText(AVERROR(ENOMEM)));
            return nullptr;
        }
        frame->format = from->format;
        frame->width = from->width;
        frame->height = from->height;
        frame->color_range = from->color_range;
        for (int p = 0; p < planeCount_; ++p) {
            av::FramePtr a = PlaneView(from, p), b = PlaneView(to, p);
            if (!a || !b) {
                *result = RenderResult::Fail("running transition", av::ErrorText(AVERROR(ENOMEM)));
                return nullptr;
            }
            av::FramePtr plane = Blend(planes_[size_t(p)], a.get(), b.get(), result);
            if (!plane) return nullptr;
            // The blended plane's buffer becomes this plane of the frame.
            frame->buf[p] = av_buffer_ref(plane->buf[0]);
            if (!frame->buf[p]) {
                *result = RenderResult::Fail("running transition", av::ErrorText(AVERROR(ENOMEM)));
                return nullptr;
            }
            frame->data[p] = plane->data[0];
            frame->linesize[p] = plane->linesize[0];
        }
    }
    if (!frame) return nullptr;
    if (given_++ == 0) {
        // Frame 0 of the blend is the old picture itself. FFmpeg 5.1's
        // slideup reads the first row of that frame from one row past the
        // end of the plane (memory nobody wrote), so the same video would
        // come out a little different each time: take the picture instead.
        frame = av::CloneFrame(from);
        if (!frame)
            *result = RenderResult::Fail("running transition", av::ErrorText(AVERROR(ENOMEM)));
    }
    return frame;
}

}  // namespace vm
