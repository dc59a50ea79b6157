// The render job a video's settings lay out: which transitions it draws, how
// long they take, and the motion of each slide, from the video's own
// random numbers.
#include <gtest/gtest.h>

#include <set>

#include "RenderTimeline.h"
#include "Narration.h"
#include "VideoLayout.h"
#include "VideoPipeline.h"
#include "VideoRandom.h"

using namespace vm;

namespace {

RenderJob Layout(const BatchSettings& settings, VideoRandom& random) {
    TimingPlan plan;
    plan.iLastSlideTime = 2;
    RenderJob job;
    QString error;
    EXPECT_TRUE(
        LayoutVideo(settings, settings.slides, plan, QString(), MusicTrack{}, random, &job, &error))
        << error.toStdString();
    return job;
}

BatchSettings FourSlides() {
    BatchSettings settings;
    settings.slides = {"/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg"};
    settings.Set(vm::setting::secondsPerSlide, 3);
    return settings;
}

}  // namespace

// "ten" at 1 s draws exactly what videos always drew, and nothing more: the
// generator is left where four draws below ten leave it.
TEST(LayoutVideo, TheClassicTenDrawAsAlways) {
    const BatchSettings settings = FourSlides();
    VideoRandom random(42, 3), same(42, 3);
    const RenderJob job = Layout(settings, random);
    ASSERT_EQ(job.transitions.size(), 4u);
    for (const RenderJob::Transition& t : job.transitions) {
        EXPECT_EQ(t.type, same.Below(10) + 1);
        EXPECT_DOUBLE_EQ(t.to - t.from, 1.0);
    }
    EXPECT_EQ(random.Below(1000000), same.Below(1000000));
    for (const RenderJob::Image& image : job.images) EXPECT_EQ(image.motion, Motion::None);
}

TEST(LayoutVideo, AllTransitionsOrOneByNameAndTheirLength) {
    BatchSettings settings = FourSlides();
    settings.Set(vm::setting::transitionSet, "all");
    settings.Set(vm::setting::transitionSeconds, 0.6);
    std::set<int> seen;
    for (int position = 0; position < 40; ++position) {
        VideoRandom random(7, position);
        for (const RenderJob::Transition& t : Layout(settings, random).transitions) {
            EXPECT_DOUBLE_EQ(t.to - t.from, 0.6);
            seen.insert(t.type);
        }
    }
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), int(TransitionNames().size()));
    EXPECT_GT(seen.size(), 30u);

    // One by name: that one everywhere, without a draw.
    settings.Set(vm::setting::transitionSet, "dissolve");
    VideoRandom random(7, 0), untouched(7, 0);
    for (const RenderJob::Transition& t : Layout(settings, random).transitions)
        EXPECT_STREQ(XfadeTransitionName(t.type), "dissolve");
    EXPECT_EQ(random.Below(1000000), untouched.Below(1000000));
}

// Motion is drawn after everything else: the transitions stay as they were
// without it, each slide gets one motion (the last slide's second showing
// the same), and the slides do not all move alike.
TEST(LayoutVideo, MotionIsDrawnAfterEveryOtherChoice) {
    BatchSettings still = FourSlides(), moving = FourSlides();
    moving.motionStrength = 0.15;
    std::set<Motion> kinds;
    for (int position = 0; position < 10; ++position) {
        VideoRandom a(9, position), b(9, position);
        const RenderJob plain = Layout(still, a), moved = Layout(moving, b);
        ASSERT_EQ(moved.transitions.size(), plain.transitions.size());
        for (size_t i = 0; i < plain.transitions.size(); ++i)
            EXPECT_EQ(moved.transitions[i].type, plain.transitions[i].type);
        ASSERT_EQ(moved.images.size(), 5u);  // d.jpg shown again for the last 2 s
        for (const RenderJob::Image& image : moved.images) {
            EXPECT_NE(image.motion, Motion::None);
            EXPECT_DOUBLE_EQ(image.motionStrength, 0.15);
            kinds.insert(image.motion);
        }
        EXPECT_EQ(moved.images[4].motion, moved.images[3].motion);
    }
    EXPECT_EQ(kinds.size(), 6u);
}
