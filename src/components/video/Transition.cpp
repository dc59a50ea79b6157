#include "Transition.h"

#include <string>

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

}  // namespace

bool Transition::Open(const AVFrame* from, const AVFrame* to, int type, int frames,
                      RenderResult* result) {
    from_ = from;
    frames_ = frames;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(from->format));
    planeCount_ = desc->nb_components >= 3 ? 3 : 1;
    const std::string name = XfadeTransitionName(type);
    for (int p = 0; p < planeCount_; ++p) {
        planes_[p].from = PlaneView(from, p);
        planes_[p].to = PlaneView(to, p);
        if (!planes_[p].from || !planes_[p].to) {
            *result =
                RenderResult::Fail("setting up transition " + name, av::ErrorText(AVERROR(ENOMEM)));
            return false;
        }
        if (!OpenPlane(planes_[p], p, name, result)) return false;
    }
    return true;
}

bool Transition::OpenPlane(Plane& plane, int index, const std::string& name, RenderResult* result) {
    const std::string stage = "setting up transition " + name;
    auto fail = [&](int rc) {
        *result = RenderResult::Fail(stage, av::ErrorText(rc));
        return false;
    };
    plane.graph.reset(avfilter_graph_alloc());
    if (!plane.graph) return fail(AVERROR(ENOMEM));
    // Two slices: the encoder thread takes the other core only part of the time.
    plane.graph->nb_threads = 2;
    const std::string source = "video_size=" + std::to_string(plane.from->width) + "x" +
                               std::to_string(plane.from->height) +
                               ":pix_fmt=gray:time_base=1/25:frame_rate=25/1:pixel_aspect=1/1";
    const std::string xfade = "transition=" + name +
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
    const AVPixelFormat formats[] = {AV_PIX_FMT_GRAY8, AV_PIX_FMT_NONE};
    rc = av_opt_set_int_list(plane.sink, "pix_fmts", formats, AV_PIX_FMT_NONE,
                             AV_OPT_SEARCH_CHILDREN);
    if (rc >= 0) rc = avfilter_link(plane.sourceA, 0, blend, 0);
    if (rc >= 0) rc = avfilter_link(plane.sourceB, 0, blend, 1);
    if (rc >= 0) rc = avfilter_link(blend, 0, plane.sink, 0);
    if (rc >= 0) rc = avfilter_graph_config(graph, nullptr);
    if (rc < 0) return fail(rc);
    return true;
}

av::FramePtr Transition::NextPlane(Plane& plane, RenderResult* result) {
    auto fail = [&](int rc) {
        *result = RenderResult::Fail("running transition", av::ErrorText(rc));
        return nullptr;
    };
    av::FramePtr out = av::MakeFrame();
    if (!out) return fail(AVERROR(ENOMEM));
    while (true) {
        int rc = av_buffersink_get_frame(plane.sink, out.get());
        if (rc >= 0) return out;
        if (rc != AVERROR(EAGAIN)) return fail(rc);
        if (plane.pushed > frames_) return fail(AVERROR_EOF);
        // One more still on each input; the last pts ends the blend.
        for (auto [source, still] : {std::pair{plane.sourceA, plane.from.get()},
                                     std::pair{plane.sourceB, plane.to.get()}}) {
            av::FramePtr copy = av::CloneFrame(still);
            if (!copy) return fail(AVERROR(ENOMEM));
            copy->pts = plane.pushed;
            if ((rc = av_buffersrc_add_frame(source, copy.get())) < 0) return fail(rc);
        }
        if (++plane.pushed > frames_)
            for (AVFilterContext* source : {plane.sourceA, plane.sourceB})
                if ((rc = av_buffersrc_add_frame(source, nullptr)) < 0) return fail(rc);
    }
}

av::FramePtr Transition::Next(RenderResult* result) {
    if (given_++ == 0) {
        // Frame 0 of the blend is the old picture itself. FFmpeg 5.1's
        // slideup reads the first row of that frame from one row past the
        // end of the plane (memory nobody wrote), so the same video would
        // come out a little different each time: take the picture instead.
        for (int p = 0; p < planeCount_; ++p)
            if (!NextPlane(planes_[p], result)) return nullptr;
        av::FramePtr same = av::CloneFrame(from_);
        if (!same)
            *result = RenderResult::Fail("running transition", av::ErrorText(AVERROR(ENOMEM)));
        return same;
    }
    av::FramePtr frame = av::MakeFrame();
    if (!frame) {
        *result = RenderResult::Fail("running transition", av::ErrorText(AVERROR(ENOMEM)));
        return nullptr;
    }
    frame->format = from_->format;
    frame->width = from_->width;
    frame->height = from_->height;
    frame->color_range = from_->color_range;
    for (int p = 0; p < planeCount_; ++p) {
        av::FramePtr plane = NextPlane(planes_[p], result);
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
    return frame;
}

}  // namespace vm
