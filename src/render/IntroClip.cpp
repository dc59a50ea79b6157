#include "IntroClip.h"

#include "RenderTimeline.h"

namespace vm {

bool IntroClip::Measure(const std::string& path, double pictureSeconds, RenderJob::Bookend* out,
                        std::string* error) {
    // The same checks as a clip on a slide: its first picture decoded and
    // every packet read, so a file cut short is refused here.
    const ClipInfo info = ProbeClip(path);
    if (!info.problem.empty()) {
        *error = info.problem;
        return false;
    }
    out->path = path;
    out->picture = info.still;
    out->frames = SecondsToFrames(info.still ? pictureSeconds : info.pictureSeconds);
    out->sound = !info.still && info.sound;
    if (out->frames <= 0) {
        *error = "it has no length";
        return false;
    }
    return true;
}

bool IntroClip::Open(const RenderJob::Bookend& bookend, const CanvasFormat& canvas, PictureFit fit,
                     const std::string& role, RenderResult* result) {
    picture_.reset();
    shown_ = 0;
    if (bookend.picture) {
        picture_ = LoadPicture(bookend.path, canvas, result, fit);
        return picture_ != nullptr;
    }
    video_ = ClipSource::Open(bookend.path, canvas, fit, false, result, role);
    return video_ != nullptr;
}

av::FramePtr IntroClip::Next(RenderResult* result) {
    if (picture_) {
        av::FramePtr copy = av::CloneFrame(picture_.get());
        if (!copy) *result = RenderResult::Fail("rendering", av::ErrorText(AVERROR(ENOMEM)));
        return copy;
    }
    if (!video_) {
        *result = RenderResult::Fail("rendering", "no intro or outro is open");
        return nullptr;
    }
    return video_->FrameAt(shown_++, result);
}

}  // namespace vm
