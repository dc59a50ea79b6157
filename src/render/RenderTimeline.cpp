#include "RenderTimeline.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "MotionPath.h"

namespace vm {

int SecondsToFrames(double seconds) {
    if (!(seconds > 0)) return 0;
    return static_cast<int>(std::llround(seconds * kFramesPerSecond));
}

const std::vector<std::string>& TransitionNames() {
    static const std::vector<std::string> kNames = {
        // The classic ten, as videos have always had them.
        "fade", "wipeleft", "wiperight", "slideup", "slidedown", "circleopen", "vertopen", "radial",
        "smoothleft", "pixelize",
        // The rest of FFmpeg 5.1's whose last frame is the new picture. Left
        // out: wipeup and wipetl (a row or a corner of the old picture
        // stays), rectcrop (a black border), squeezeh and squeezev (a line of
        // the old picture).
        "wipedown", "slideleft", "slideright", "circlecrop", "distance", "fadeblack", "fadewhite",
        "smoothright", "smoothup", "smoothdown", "circleclose", "vertclose", "horzopen",
        "horzclose", "dissolve", "diagtl", "diagtr", "diagbl", "diagbr", "hlslice", "hrslice",
        "vuslice", "vdslice", "hblur", "fadegrays", "wipetr", "wipebl", "wipebr", "zoomin",
        "fadefast", "fadeslow"};
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

bool PlanShot::Moving() const {
    return clip || Moves(motion, strength);
}

double PlanShot::Progress(int frame) const {
    if (lastFrame <= firstFrame) return 0;
    return std::clamp(double(frame - firstFrame) / (lastFrame - firstFrame), 0.0, 1.0);
}

bool FramePlan::Moving(const PlanSegment& segment) const {
    return segment.shot >= 0 && shots[size_t(segment.shot)].Moving();
}

int FramePlan::EncodedFrames() const {
    int count = 0;
    for (const PlanSegment& s : segments)
        count += s.kind == PlanSegment::Kind::Transition || Moving(s)
                     ? s.frameCount
                     : 1 + (s.frameCount - 1) / kLongestStillGap;
    if (!segments.empty() && segments.back().kind == PlanSegment::Kind::Still &&
        !Moving(segments.back()) && segments.back().frameCount > 1 &&
        (segments.back().frameCount - 1) % kLongestStillGap != 0)
        ++count;
    return count;
}

namespace {

struct Slide {
    int picture;
    int first;
    int end;
    Motion motion = Motion::None;
    double strength = 0;
    bool clip = false;
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
        // Clips never move: they play.
        if (image.clip)
            slides.push_back(Slide{it->second, first, end, Motion::None, 0.0, true});
        else
            slides.push_back(Slide{it->second, first, end, image.motion, image.motionStrength});
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

    int shown = -1;      // picture on screen before the slide (black at the start)
    int shownShot = -1;  // and its shot
    for (const Slide& slide : slides) {
        int first = slide.first;
        const bool moving = slide.clip || Moves(slide.motion, slide.strength);
        const PlanShot* current = shownShot >= 0 ? &plan.shots[size_t(shownShot)] : nullptr;
        const bool currentMoves = current && current->Moving();
        const bool blends =
            slide.transitionType != 0 && (slide.picture != shown || moving || currentMoves);
        // The same picture again without a blend: the shot goes on (a moving
        // one only when the motion is the same, else it starts again; a clip
        // always plays again from its start).
        const bool continues = !blends && !slide.clip && current && slide.picture == shown &&
                               (!(moving || currentMoves) || (slide.motion == current->motion &&
                                                              slide.strength == current->strength));
        if (!continues) {
            plan.shots.push_back(PlanShot{slide.picture, moving ? slide.motion : Motion::None,
                                          moving ? slide.strength : 0.0, first, first,
                                          slide.clip});
        }
        const int shot = continues ? shownShot : int(plan.shots.size()) - 1;
        if (blends) {
            PlanSegment t{
                PlanSegment::Kind::Transition, first, slide.transitionFrames, slide.picture, shown,
                slide.transitionType};
            t.shot = shot;
            t.fromShot = shownShot;
            plan.segments.push_back(t);
            first += slide.transitionFrames;
        }
        if (first < slide.end) {
            PlanSegment* last = plan.segments.empty() ? nullptr : &plan.segments.back();
            if (last && !blends && last->kind == PlanSegment::Kind::Still && last->shot == shot) {
                last->frameCount += slide.end - first;  // the same picture again: no change
            } else {
                PlanSegment still{PlanSegment::Kind::Still, first, slide.end - first,
                                  slide.picture};
                still.keyframe = true;
                still.shot = shot;
                plan.segments.push_back(still);
            }
        }
        shown = slide.picture;
        shownShot = shot;
    }
    // Each shot lasts until the last frame that shows it, the transition to
    // the next one included.
    for (const PlanSegment& s : plan.segments)
        for (int shot : {s.shot, s.fromShot})
            if (shot >= 0)
                plan.shots[size_t(shot)].lastFrame =
                    std::max(plan.shots[size_t(shot)].lastFrame, s.firstFrame + s.frameCount - 1);

    plan.lastUse.assign(plan.pictures.size(), 0);
    for (int i = 0; i < int(plan.segments.size()); ++i) {
        const PlanSegment& s = plan.segments[i];
        if (s.picture >= 0) plan.lastUse[s.picture] = i;
        if (s.fromPicture >= 0) plan.lastUse[s.fromPicture] = i;
    }
    return plan;
}

}  // namespace vm
