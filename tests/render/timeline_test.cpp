// The frame plan: where slides, transitions and the held last picture land.
#include <gtest/gtest.h>

#include <set>

#include "RenderTimeline.h"

using vm::FramePlan;
using vm::Motion;
using vm::PlanSegment;
using vm::RenderJob;

namespace {

RenderJob Slides(std::initializer_list<std::pair<const char*, double>> images) {
    RenderJob job;
    job.width = 426;
    job.height = 240;
    for (auto [path, seconds] : images) job.images.push_back({path, seconds});
    return job;
}

}  // namespace

// The window's layout for slides A, B, C at 4 s with the last slide held 2 s more.
TEST(VideoTimeline, WindowLayoutOfThreeSlides) {
    RenderJob job = Slides({{"a.jpg", 4}, {"b.jpg", 4}, {"c.jpg", 4}, {"c.jpg", 2}});
    job.transitions = {{3, 0, 1}, {5, 4, 5}, {11, 8, 9}};
    const FramePlan plan = vm::MakeFramePlan(job);

    EXPECT_EQ(plan.pictures.size(), 3u);  // c.jpg decoded once
    EXPECT_EQ(plan.totalFrames, 350);
    ASSERT_EQ(plan.segments.size(), 6u);
    const PlanSegment& first = plan.segments[0];
    EXPECT_EQ(first.kind, PlanSegment::Kind::Transition);
    EXPECT_EQ(first.fromPicture, -1);  // from black
    EXPECT_EQ(first.picture, 0);
    EXPECT_EQ(first.frameCount, 25);
    EXPECT_EQ(first.transitionType, 3);

    EXPECT_EQ(plan.segments[1].kind, PlanSegment::Kind::Still);
    EXPECT_EQ(plan.segments[1].firstFrame, 25);
    EXPECT_EQ(plan.segments[1].frameCount, 75);
    EXPECT_TRUE(plan.segments[1].keyframe);

    EXPECT_EQ(plan.segments[2].firstFrame, 100);
    EXPECT_EQ(plan.segments[2].fromPicture, 0);
    EXPECT_EQ(plan.segments[2].picture, 1);

    // C's second showing continues C's still: no change, no second transition.
    const PlanSegment& last = plan.segments[5];
    EXPECT_EQ(last.picture, 2);
    EXPECT_EQ(last.firstFrame, 225);
    EXPECT_EQ(last.frameCount, 125);
    // 3 transitions of 25 frames + 3 stills + the last frame again.
    EXPECT_EQ(plan.EncodedFrames(), 3 * 25 + 3 + 1);
    EXPECT_EQ(plan.lastUse[0], 2);
}

TEST(VideoTimeline, AudioLongerThanPicturesHoldsTheLastPicture) {
    RenderJob job = Slides({{"a.jpg", 2}, {"b.jpg", 2}});
    job.voices = {{"voice.wav", 0, 9.5}};
    job.music = {{"music.mp3", 0, 6}};
    const FramePlan plan = vm::MakeFramePlan(job);
    EXPECT_EQ(plan.pictureFrames, 100);
    EXPECT_EQ(plan.totalFrames, 238);  // 9.5 s
    ASSERT_EQ(plan.segments.size(), 2u);
    EXPECT_EQ(plan.segments[1].firstFrame + plan.segments[1].frameCount, 238);
}

TEST(VideoTimeline, TransitionsOnlyBelongToASlideStartingThere) {
    RenderJob job = Slides({{"a.jpg", 2}, {"b.jpg", 2}});
    job.transitions = {{1, 1, 2},     // mid-slide: ignored
                       {1, 2, 3},     // replaced by the next one on the same slide
                       {7, 2, 3.5}};  // 1.5 s
    const FramePlan plan = vm::MakeFramePlan(job);
    ASSERT_EQ(plan.segments.size(), 3u);
    EXPECT_EQ(plan.segments[0].kind, PlanSegment::Kind::Still);
    EXPECT_EQ(plan.segments[1].kind, PlanSegment::Kind::Transition);
    EXPECT_EQ(plan.segments[1].transitionType, 7);
    EXPECT_EQ(plan.segments[1].frameCount, 38);
    EXPECT_EQ(plan.segments[2].firstFrame, 88);
}

TEST(VideoTimeline, TransitionIsCutToItsSlideAndSkippedBetweenEqualPictures) {
    RenderJob job = Slides({{"a.jpg", 2}, {"a.jpg", 0.5}, {"b.jpg", 1}});
    job.transitions = {{2, 2, 3}, {2, 2.5, 4}};
    const FramePlan plan = vm::MakeFramePlan(job);
    ASSERT_EQ(plan.segments.size(), 2u);
    EXPECT_EQ(plan.segments[0].frameCount, 63);  // a.jpg twice: one still
    EXPECT_EQ(plan.segments[1].kind, PlanSegment::Kind::Transition);
    EXPECT_EQ(plan.segments[1].frameCount, 25);  // cut to the 1 s slide
    EXPECT_EQ(plan.totalFrames, 88);
}

TEST(VideoTimeline, EmptyPictureTrackIsBlackForTheAudio) {
    RenderJob job = Slides({});
    EXPECT_EQ(vm::MakeFramePlan(job).totalFrames, 0);
    job.voices = {{"voice.wav", 0, 2}};
    const FramePlan plan = vm::MakeFramePlan(job);
    ASSERT_EQ(plan.segments.size(), 1u);
    EXPECT_EQ(plan.segments[0].picture, -1);
    EXPECT_EQ(plan.totalFrames, 50);
}

// A moving picture is on screen from the first frame of its incoming blend
// to the last frame of its outgoing one, and moves over all of it.
TEST(VideoTimeline, MovingPicturesMoveThroughTheirTransitions) {
    RenderJob job = Slides({{"a.jpg", 4}, {"b.jpg", 4}, {"c.jpg", 4}, {"c.jpg", 2}});
    job.images[0].motion = Motion::ZoomIn;
    job.images[1].motion = Motion::PanLeft;
    job.images[2].motion = job.images[3].motion =
        Motion::ZoomOut;  // shown again, as the layout does
    for (auto& image : job.images) image.motionStrength = 0.1;
    job.transitions = {{3, 0, 1}, {5, 4, 5}, {11, 8, 9}};
    const FramePlan plan = vm::MakeFramePlan(job);

    ASSERT_EQ(plan.shots.size(), 3u);  // c's second showing goes on with the first
    const int spans[3][2] = {{0, 124}, {100, 224}, {200, 349}};
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(plan.shots[s].firstFrame, spans[s][0]) << s;
        EXPECT_EQ(plan.shots[s].lastFrame, spans[s][1]) << s;
    }
    EXPECT_EQ(plan.shots[1].motion, Motion::PanLeft);
    EXPECT_DOUBLE_EQ(plan.shots[1].Progress(100), 0.0);
    EXPECT_DOUBLE_EQ(plan.shots[1].Progress(224), 1.0);
    EXPECT_DOUBLE_EQ(plan.shots[1].Progress(162), 0.5);
    ASSERT_EQ(plan.segments.size(), 6u);
    EXPECT_EQ(plan.segments[2].fromShot, 0);  // a keeps moving while b comes in
    EXPECT_EQ(plan.segments[2].shot, 1);
    EXPECT_TRUE(plan.Moving(plan.segments[5]));
    EXPECT_EQ(plan.EncodedFrames(), 350);  // every frame: nothing stands still
}

TEST(VideoTimeline, SamePictureAgainBlendsOnlyWhenItMoves) {
    RenderJob job = Slides({{"a.jpg", 2}, {"a.jpg", 2}});
    job.transitions = {{1, 2, 3}};
    EXPECT_EQ(vm::MakeFramePlan(job).segments.size(), 1u);  // still: one picture, no blend
    job.images[0].motion = Motion::PanUp;
    job.images[1].motion = Motion::PanDown;
    for (auto& image : job.images) image.motionStrength = 0.2;
    FramePlan plan = vm::MakeFramePlan(job);
    ASSERT_EQ(plan.segments.size(), 3u);
    EXPECT_EQ(plan.segments[1].kind, PlanSegment::Kind::Transition);
    EXPECT_EQ(plan.shots.size(), 2u);
    // Without a transition the other motion starts over on a cut.
    job.transitions.clear();
    plan = vm::MakeFramePlan(job);
    ASSERT_EQ(plan.shots.size(), 2u);
    EXPECT_EQ(plan.shots[0].lastFrame, 49);
    EXPECT_EQ(plan.shots[1].firstFrame, 50);
}

TEST(VideoTimeline, TenDistinctTransitionsAndACrossfadeForOthers) {
    std::set<std::string> names;
    for (int type = 1; type <= 10; ++type) names.insert(vm::XfadeTransitionName(type));
    EXPECT_EQ(names.size(), 10u);
    // Every name once, found again by its name.
    const auto& all = vm::TransitionNames();
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size());
    for (const std::string& name : all)
        EXPECT_EQ(vm::XfadeTransitionName(vm::TransitionTypeNamed(name)), name);
    EXPECT_EQ(vm::TransitionTypeNamed("swirl"), 0);
    EXPECT_STREQ(vm::XfadeTransitionName(0), "fade");
    EXPECT_STREQ(vm::XfadeTransitionName(int(all.size()) + 1), "fade");
    // The ten keep their numbers; the others follow.
    EXPECT_EQ(all[1], "wipeleft");
    EXPECT_EQ(all[9], "pixelize");
    EXPECT_EQ(vm::TransitionTypeNamed("dissolve"), 25);
}
