// The frame plan: where slides, transitions and the held last picture land.
#include <gtest/gtest.h>

#include <set>

#include "RenderTimeline.h"

using vm::FramePlan;
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
}
