#include "RenderTimeline.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace vm {

int SecondsToFrames(double seconds) {
    if (!(seconds > 0)) return 0;
    return static_cast<int>(std::llround(seconds * kFramesPerSecond));
}

const std::vector<std::string>& TransitionNames() {
    static const std::vector<std::string> kNames = {
        // The classic ten.
        "fade", "wipeleft", "wiperight", "slideup", "slidedown", "circleopen", "vertopen", "radial",
        "smoothleft", "pixelize",
        // The rest of xfade's.
        "wipeup", "wipedown", "slideleft", "slideright", "circlecrop", "rectcrop", "distance",
        "fadeblack", "fadewhite", "smoothright", "smoothup", "smoothdown", "circleclose",
        "vertclose", "horzopen", "horzclose", "dissolve", "diagtl", "diagtr", "diagbl", "diagbr",
        "hlslice", "hrslice", "vuslice", "vdslice", "hblur", "fadegrays", "wipetl", "wipetr",
        "wipebl", "wipebr", "squeezeh", "squeezev", "zoomin"};
    return kNames;
}

const char* XfadeTransitionName(int type) {
    const std::vector<std::string>& names = TransitionNames();
    if (type >= 1 && type <= int(names.size())) return names[size_t(type - 1)].c_str();
    return "fade";
}

int TransitionTypeNamed(const std::string& name) {
    const std::vector<std::string>& names = TransitionNames();
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? 0 : int(found - names.begin()) + 1;
}

int FramePlan::EncodedFrames() const {
    int count = 0;
    for (const PlanSegment& s : segments)
        count += s.kind == PlanSegment::Kind::Transition
                     ? s.frameCount
                     : 1 + (s.frameCount - 1) / kLongestStillGap;
    if (!segments.empty() && segments.back().kind == PlanSegment::Kind::Still &&
        segments.back().frameCount > 1 && (segments.back().frameCount - 1) % kLongestStillGap != 0)
        ++count;
    return count;
}

namespace {

struct Slide {
    int picture;
    int first;
    int end;
    int transitionType = 0;  // 0: none
    int transitionFrames = 0;
};

}  // namespace

FramePlan MakeFramePlan(const RenderJob& job) {
    FramePlan plan;
    std::map<std::string, int> pictureIndex;
    std::vector<Slide> slides;
    double position = 0;
    for (const RenderJob::Image& image : job.images) {
        const int first = SecondsToFrames(position);
        position += std::max(0.0, image.duration);
        const int end = SecondsToFrames(position);
        if (end <= first) continue;
        auto [it, added] = pictureIndex.try_emplace(image.path, int(plan.pictures.size()));
        if (added) plan.pictures.push_back(image.path);
        slides.push_back(Slide{it->second, first, end});
    }
    plan.pictureFrames = slides.empty() ? 0 : slides.back().end;

    int audioFrames = 0;
    for (const auto* track : {&job.voices, &job.music})
        for (const RenderJob::Audio& audio : *track)
            audioFrames = std::max(audioFrames, SecondsToFrames(audio.start + audio.length));
    plan.totalFrames = std::max(plan.pictureFrames, audioFrames);
    if (plan.totalFrames <= 0) return plan;

    // A later transition on the same slide replaces an earlier one.
    for (const RenderJob::Transition& t : job.transitions) {
        const int from = SecondsToFrames(t.from);
        auto slide = std::find_if(slides.begin(), slides.end(),
                                  [&](const Slide& s) { return s.first == from; });
        if (slide == slides.end() || t.to <= t.from) continue;
        slide->transitionType = t.type;
        slide->transitionFrames =
            std::clamp(SecondsToFrames(t.to - t.from), 1, slide->end - slide->first);
    }

    if (slides.empty()) {
        plan.segments.push_back(PlanSegment{PlanSegment::Kind::Still, 0, plan.totalFrames, -1});
        return plan;
    }
    slides.back().end = plan.totalFrames;  // the last picture is held to the end

    int shown = -1;  // picture on screen before the slide (black at the start)
    for (const Slide& slide : slides) {
        int first = slide.first;
        const bool blends = slide.transitionType != 0 && slide.picture != shown;
        if (blends) {
            PlanSegment t{
                PlanSegment::Kind::Transition, first, slide.transitionFrames, slide.picture, shown,
                slide.transitionType};
            plan.segments.push_back(t);
            first += slide.transitionFrames;
        }
        if (first < slide.end) {
            PlanSegment* last = plan.segments.empty() ? nullptr : &plan.segments.back();
            if (last && !blends && last->kind == PlanSegment::Kind::Still &&
                last->picture == slide.picture) {
                last->frameCount += slide.end - first;  // the same picture again: no change
            } else {
                PlanSegment still{PlanSegment::Kind::Still, first, slide.end - first,
                                  slide.picture};
                still.keyframe = true;
                plan.segments.push_back(still);
            }
        }
        shown = slide.picture;
    }

    plan.lastUse.assign(plan.pictures.size(), 0);
    for (int i = 0; i < int(plan.segments.size()); ++i) {
        const PlanSegment& s = plan.segments[i];
        if (s.picture >= 0) plan.lastUse[s.picture] = i;
        if (s.fromPicture >= 0) plan.lastUse[s.fromPicture] = i;
    }
    return plan;
}

}  // namespace vm
