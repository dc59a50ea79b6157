#include <gtest/gtest.h>

#include "AppFolder.h"
#include "TimingPlan.h"

using namespace vm;

namespace {
TimingInput Narrated(double seconds, int slides, int perSlide, int adjust = 0) {
    TimingInput in;
    in.hasNarration = true;
    in.narrationSeconds = seconds;
    in.slideCount = slides;
    in.secondsPerSlide = perSlide;
    in.imageAdjustIndex = adjust;
    return in;
}
}  // namespace

TEST(TimingPlan, NarrationLongerThanSlidesHoldsTheLastSlide) {
    TimingPlan plan;
    ASSERT_TRUE(ComputeTimingPlan(Narrated(23.8, 4, 5), plan, nullptr));
    EXPECT_EQ(plan.iAudioLength, 23);
    EXPECT_EQ(plan.iSlidesLength, 20);
    EXPECT_EQ(plan.iVideoLength, 24);
    EXPECT_EQ(plan.iLastSlideTime, 3);
    EXPECT_EQ(plan.repeatedImages, 0);
    // Showing images again does not start for a gap of one slide or less.
    ASSERT_TRUE(ComputeTimingPlan(Narrated(23.8, 4, 5, 1), plan, nullptr));
    EXPECT_EQ(plan.repeatedImages, 0);
    EXPECT_EQ(plan.iVideoLength, 24);
}

TEST(TimingPlan, ImagesShownAgainUntilTheAudioEnds) {
    TimingPlan plan;
    ASSERT_TRUE(ComputeTimingPlan(Narrated(38, 3, 5, 1), plan, nullptr));
    EXPECT_EQ(plan.repeatedImages, 5);
    EXPECT_EQ(RepeatedImages({"A", "B", "C"}, plan.repeatedImages),
              QStringList({"A", "B", "C", "A", "B"}));
    EXPECT_EQ(plan.iSlidesLength, 40);
    EXPECT_EQ(plan.iVideoLength, 40);
    EXPECT_EQ(plan.iLastSlideTime, 5);

    ASSERT_TRUE(ComputeTimingPlan(Narrated(26, 4, 5, 1), plan, nullptr));
    EXPECT_EQ(RepeatedImages({"A", "B", "C", "D"}, plan.repeatedImages), QStringList({"A", "B"}));
    EXPECT_EQ(plan.iSlidesLength, 30);
    EXPECT_EQ(plan.iVideoLength, 30);
    EXPECT_EQ(plan.iLastSlideTime, 5);
}

TEST(TimingPlan, ShortNarrationMusicAndKeywordPadding) {
    TimingPlan plan;
    ASSERT_TRUE(ComputeTimingPlan(Narrated(12, 4, 5), plan, nullptr));
    EXPECT_EQ(plan.iVideoLength, 20);
    EXPECT_EQ(plan.iLastSlideTime, 5);

    TimingInput silent;
    silent.music = true;
    silent.slideCount = 1;
    silent.secondsPerSlide = 3;
    ASSERT_TRUE(ComputeTimingPlan(silent, plan, nullptr));
    EXPECT_EQ(plan.iAudioLength, 6);

    TimingInput keyword = Narrated(10.9, 2, 3);
    keyword.keywordNotEmpty = true;
    keyword.randomExtra = 11;
    ASSERT_TRUE(ComputeTimingPlan(keyword, plan, nullptr));
    EXPECT_EQ(plan.iAudioLength, 21);
    EXPECT_EQ(plan.iVideoLength, 22);
    EXPECT_EQ(plan.iLastSlideTime, 15);
}

TEST(TimingPlan, OverflowIsAnErrorNeverWrapped) {
    TimingPlan plan;
    QString error;
    EXPECT_FALSE(ComputeTimingPlan(Narrated(10, 20000, 3), plan, &error));
    EXPECT_TRUE(error.contains("too long")) << error.toStdString();
    EXPECT_FALSE(ComputeTimingPlan(Narrated(40000, 2, 3), plan, &error));
    EXPECT_FALSE(ComputeTimingPlan(Narrated(32760, 1, 3), plan, &error));  // countdown past 16 bits
    EXPECT_FALSE(ComputeTimingPlan(Narrated(10, 2, 0), plan, &error));
}

TEST(SecondsPerSlide, IntegerPartOfANumberOfAtLeastOne) {
    int s = 0;
    EXPECT_TRUE(ParseSecondsPerSlide("4.9", &s));
    EXPECT_EQ(s, 4);
    EXPECT_TRUE(ParseSecondsPerSlide(" 3 ", &s));
    EXPECT_EQ(s, 3);
    EXPECT_FALSE(ParseSecondsPerSlide("0.5", &s));
    EXPECT_FALSE(ParseSecondsPerSlide("-2", &s));
    EXPECT_FALSE(ParseSecondsPerSlide("abc", &s));
    EXPECT_FALSE(ParseSecondsPerSlide("", &s));
    EXPECT_FALSE(ParseSecondsPerSlide("nan", &s));
}

TEST(MusicLength, RoundsHalvesToEven) {
    int16_t r = 0;
    ASSERT_TRUE(RoundMusicLength(94.5, &r));
    EXPECT_EQ(r, 94);
    ASSERT_TRUE(RoundMusicLength(95.5, &r));
    EXPECT_EQ(r, 96);
    ASSERT_TRUE(RoundMusicLength(95.4, &r));
    EXPECT_EQ(r, 95);
    EXPECT_FALSE(RoundMusicLength(40000, &r));
    EXPECT_FALSE(RoundMusicLength(-1, &r));
}

TEST(LayoutSlides, CallOrderWithTransitions) {
    int next = 0;
    const auto calls = LayoutSlides({"A", "B", "C"}, 4, 2, true, [&] { return next++ % 10; });
    ASSERT_EQ(calls.size(), 7u);
    auto image = [&](size_t i, const char* path, double d) {
        EXPECT_EQ(calls[i].kind, LayoutCall::Image) << i;
        EXPECT_EQ(calls[i].path, path) << i;
        EXPECT_EQ(calls[i].duration, d) << i;
    };
    auto transition = [&](size_t i, double from, int type) {
        EXPECT_EQ(calls[i].kind, LayoutCall::Transition) << i;
        EXPECT_EQ(calls[i].from, from) << i;
        EXPECT_EQ(calls[i].to, from + 1) << i;
        EXPECT_EQ(calls[i].type, type) << i;
    };
    image(0, "A", 4);
    transition(1, 0, 1);
    image(2, "B", 4);
    transition(3, 4, 2);
    image(4, "C", 4);
    image(5, "C", 2);
    transition(6, 8, 3);
}

TEST(LayoutSlides, NoTransitionsWhenOff) {
    const auto calls = LayoutSlides({"A", "B"}, 3, 3, false, [] { return 0; });
    ASSERT_EQ(calls.size(), 3u);
    for (const auto& call : calls) EXPECT_EQ(call.kind, LayoutCall::Image);
}

TEST(VideoPath, KeywordOrFallbackName) {
    SetAppFolderForTesting("/srv/vm");
    EXPECT_EQ(VideoPath("dentist", "myfile"), "/srv/vm/output/dentist.avi");
    EXPECT_EQ(VideoPath("", "myvideo"), "/srv/vm/output/myvideo.avi");
}

TEST(TimingPlan, BoundariesOfShowingImagesAgain) {
    TimingPlan plan;
    // A gap of exactly one slide repeats no image.
    ASSERT_TRUE(ComputeTimingPlan(Narrated(25.9, 4, 5, 1), plan, nullptr));
    EXPECT_EQ(plan.repeatedImages, 0);
    EXPECT_EQ(plan.iVideoLength, 26);
    EXPECT_EQ(plan.iLastSlideTime, 5);
    // One second more and two images come back.
    ASSERT_TRUE(ComputeTimingPlan(Narrated(26, 4, 5, 1), plan, nullptr));
    EXPECT_EQ(plan.repeatedImages, 2);
    // A gap of exactly two slides (10 s) and one just above it: three
    // images come back either way, so the slides outlast the narration.
    for (const double seconds : {30.0, 31.0}) {
        ASSERT_TRUE(ComputeTimingPlan(Narrated(seconds, 4, 5, 1), plan, nullptr));
        EXPECT_EQ(plan.repeatedImages, 3) << seconds;
        EXPECT_EQ(plan.iVideoLength, 35) << seconds;
    }
    // Narration exactly as long as the slides: the slides set the length and
    // the last one shows again for a whole slide.
    ASSERT_TRUE(ComputeTimingPlan(Narrated(20.5, 4, 5, 1), plan, nullptr));
    EXPECT_EQ(plan.repeatedImages, 0);
    EXPECT_EQ(plan.iVideoLength, 20);
    EXPECT_EQ(plan.iLastSlideTime, 5);
}
