// Videos ready to upload: captions in step with each engine's voice, MP4 in a
// portrait frame with burned captions, the SRT, the cover and the text beside
// it, all decoded and read back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <iostream>

#include "BatchReport.h"
#include "CaptionRenderer.h"
#include "Captions.h"
#include "Compressors.h"
#include "ImageLoader.h"
#include "MediaProbe.h"
#include "Narration.h"
#include "ProductionEngine.h"
#include "SpVoice.h"
#include "TestSupport.h"
#include "VideoLayout.h"
#include "VideoPipeline.h"
#include "WavFile.h"

using namespace vm;

namespace {

VoiceToken VoiceOf(const QString& engine, const QString& id) {
    for (const VoiceToken& token : SpVoice().GetVoices())
        if (token.Engine() == engine && token.Id() == id) return token;
    return {};
}

struct Span {
    double start = 0;
    double end = 0;
};

// Where the audio is not silent, as FFmpeg's silencedetect finds it (quieter
// than -40 dB for a quarter second or more is silence).
std::vector<Span> SpeechSpans(const QString& wav, double length) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-hide_banner", "-nostats", "-i", wav, "-af",
                            "silencedetect=n=-40dB:d=0.25", "-f", "null", "-"});
    if (!ffmpeg.waitForFinished(30000)) return {};
    const QString log = QString::fromUtf8(ffmpeg.readAllStandardError());
    std::vector<Span> spans{{0, length}};
    static const QRegularExpression mark("silence_(start|end): ([0-9.]+)");
    for (auto it = mark.globalMatch(log); it.hasNext();) {
        const auto m = it.next();
        const double at = m.captured(2).toDouble();
        if (m.captured(1) == "start") {
            spans.back().end = at;
        } else {
            spans.push_back({at, length});
        }
    }
    // Silence at the very start or end leaves an empty span.
    std::erase_if(spans, [](const Span& s) { return s.end - s.start < 0.02; });
    // Shorter silence at the very start and end is still silence: the first
    // and the last sample louder than -40 dB bound the speech.
    std::vector<int16_t> samples;
    WavInfo wavInfo;
    QString error;
    if (spans.empty() || !ReadWav(wav, &samples, &wavInfo, &error)) return spans;
    auto loud = [](int16_t s) { return std::abs(int(s)) > 328; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    if (first != samples.end()) {
        spans.front().start =
            std::max(spans.front().start, double(first - samples.begin()) / wavInfo.sampleRate);
        spans.back().end =
            std::min(spans.back().end, double(samples.rend() - last) / wavInfo.sampleRate);
    }
    return spans;
}

struct SrtCue {
    double start = 0;
    double end = 0;
    QStringList lines;
};

// Parses an SRT strictly: number, times, text lines, blank line. Empty with
// a failure when the text is not that.
std::vector<SrtCue> ParseSrt(const QString& srt) {
    std::vector<SrtCue> cues;
    static const QRegularExpression times(
        R"(^(\d\d):(\d\d):(\d\d),(\d\d\d) --> (\d\d):(\d\d):(\d\d),(\d\d\d)$)");
    const QStringList blocks = srt.split("\n\n", Qt::SkipEmptyParts);
    for (int i = 0; i < blocks.size(); ++i) {
        const QStringList lines = blocks[i].split('\n');
        if (lines.size() < 3 || lines[0] != QString::number(i + 1)) {
            ADD_FAILURE() << "cue " << i + 1 << " malformed: " << blocks[i].toStdString();
            return {};
        }
        const auto m = times.match(lines[1]);
        if (!m.hasMatch()) {
            ADD_FAILURE() << "bad times: " << lines[1].toStdString();
            return {};
        }
        auto at = [&](int first) {
            return m.captured(first).toInt() * 3600 + m.captured(first + 1).toInt() * 60 +
                   m.captured(first + 2).toInt() + m.captured(first + 3).toInt() / 1000.0;
        };
        cues.push_back({at(1), at(5), lines.mid(2)});
    }
    return cues;
}

// Near-white pixels in the frame's lower half: burned captions are white.
int WhitePixelsInLowerHalf(const QImage& frame) {
    int white = 0;
    for (int y = frame.height() / 2; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (qGray(frame.pixel(x, y)) > 200) ++white;
    return white;
}

// Every cue holds at most two lines of 42 columns and at most 7 seconds,
// starts when its first word does, ends before the next one starts, and the
// cues together give the text back, every word whole and in order.
void ExpectReadableCues(const std::vector<CaptionCue>& cues, const QString& text) {
    QString again;
    for (size_t i = 0; i < cues.size(); ++i) {
        const CaptionCue& cue = cues[i];
        SCOPED_TRACE(cue.lines.join(" | ").toStdString());
        ASSERT_GE(cue.lines.size(), 1);
        EXPECT_LE(cue.lines.size(), kCaptionLines);
        for (const QString& line : cue.lines) EXPECT_LE(CaptionColumns(line), kCaptionLineChars);
        EXPECT_LE(cue.end - cue.start, kCaptionLongestSeconds + 1e-9);
        ASSERT_FALSE(cue.words.empty());
        EXPECT_DOUBLE_EQ(cue.start, cue.words.front().start);
        if (i + 1 < cues.size()) {
            EXPECT_LE(cue.end, cues[i + 1].start);
        }
        for (const NarrationWord& w : cue.words)
            again += (w.joined || again.isEmpty() ? "" : " ") + w.text;
    }
    EXPECT_EQ(again, text);
}

// Words timed evenly by their length, as an engine that says a whole token at
// once times it: `seconds` for the whole text.
std::vector<NarrationWord> EvenlyTimed(const QString& text, double seconds) {
    std::vector<NarrationWord> words;
    const QStringList tokens = text.split(' ');
    const double perChar = seconds / text.size();
    double at = 0;
    for (const QString& token : tokens) {
        words.push_back({token, at, at + perChar * token.size()});
        at += perChar * (token.size() + 1);
    }
    return words;
}

}  // namespace

// Cue rules on made-up timings: sentences end cues, no cue is too long to
// read, a full cue ends at a clause where it can, and the words come out
// whole and in order.
TEST(Captions, CuesAreReadableAndKeepEveryWordInOrder) {
    const QString text =
        "Welcome. Our bakery on the corner of Main Street has baked fresh bread, rolls and cakes "
        "for more than forty years, and every loaf is still made by hand before sunrise. "
        "Supercalifragilisticexpialidocious-and-then-some-more-letters-still! Call now.";
    std::vector<NarrationWord> words;
    double at = 0;
    for (const QString& w : text.split(' ')) {
        // Each word heard until just after the next begins, as engines time
        // them: only punctuation and length break cues, and a cue must not
        // run into the next one's first word.
        words.push_back({w, at, at + 0.4});
        at += 0.35;
    }
    const std::vector<CaptionCue> cues = MakeCaptionCues(words);
    ExpectReadableCues(cues, text);
    // "Welcome." alone; the long sentence does not run into the next one.
    EXPECT_EQ(cues.front().lines, QStringList{"Welcome."});
    EXPECT_EQ(cues.back().lines, QStringList{"Call now."});
    // A full cue in the long sentence ends at its comma.
    EXPECT_TRUE(std::any_of(cues.begin(), cues.end(),
                            [](const CaptionCue& c) { return c.lines.back().endsWith("years,"); }));

    // The SRT of these cues reads back the same, and the burned captions
    // point at each word's bytes.
    const std::vector<SrtCue> srt = ParseSrt(SrtText(cues));
    ASSERT_EQ(srt.size(), cues.size());
    EXPECT_EQ(srt[1].lines, cues[1].lines);
    EXPECT_EQ(SrtTime(3723.4567), "01:02:03,457");
    const std::vector<RenderJob::Caption> burned = BurnedCaptions(cues);
    const RenderJob::Caption& second = burned[1];
    ASSERT_EQ(second.words.size(), cues[1].words.size());
    EXPECT_EQ(QString::fromStdString(second.text), cues[1].lines.join('\n'));
    for (size_t w = 0; w < second.words.size(); ++w)
        EXPECT_EQ(QString::fromStdString(second.text.substr(size_t(second.words[w].begin),
                                                            size_t(second.words[w].length))),
                  cues[1].words[w].text);
}

// A pause in the speech ends a cue; a line of exactly the limit stays one
// line, and one character more makes two.
TEST(Captions, PausesEndCuesAndALineHoldsExactlyItsLimit) {
    std::vector<NarrationWord> words;
    double at = 0;
    auto say = [&](const QString& w, double gapAfter) {
        words.push_back({w, at, at + 0.3});
        at += 0.3 + gapAfter;
    };
    say("fresh", 0.05);
    say("bread", 0.4);  // a breath: the cue ends here, without punctuation
    say("every", 0.05);
    say("morning", 0.05);
    std::vector<CaptionCue> cues = MakeCaptionCues(words);
    ASSERT_EQ(cues.size(), 2u);
    EXPECT_EQ(cues[0].lines, QStringList{"fresh bread"});

    // Two lines break after a comma when that is nearly as even.
    words.clear();
    at = 0;
    for (const QString& w :
         QString("Fresh bread and warm, rolls baked every morning here.").split(' '))
        say(w, 0.05);
    cues = MakeCaptionCues(words);
    ASSERT_EQ(cues.size(), 1u);
    EXPECT_EQ(cues[0].lines,
              QStringList({"Fresh bread and warm,", "rolls baked every morning here."}));

    // Ten words of three letters, a space each, and "a.": 42 columns.
    for (const QString& last : {QString("a."), QString("ab.")}) {
        words.clear();
        at = 0;
        for (int i = 0; i < 10; ++i) say("abc", 0.05);
        say(last, 0);
        cues = MakeCaptionCues(words);
        ASSERT_EQ(cues.size(), 1u);
        EXPECT_EQ(cues[0].lines.size(), last.size() == 2 ? 1 : 2)
            << cues[0].lines.join('|').toStdString();
    }
}

// Texts without spaces, and words too long for a line or a cue, as the
// engines time them: one token heard for many seconds.
TEST(Captions, JapaneseChineseAndVeryLongWordsKeepTheLimits) {
    struct Case {
        const char* name;
        QString text;
        double seconds;
    } const cases[] = {
        {"Japanese",
         "本日は当店にお越しいただき、誠にありがとうございます。新鮮なパンを毎朝焼いています！ぜひ"
         "お試しください。",
         10.5},
        {"Chinese",
         "欢迎光临我们的面包店，我们每天早上都烤新鲜的面包和蛋糕，价格实惠，品质优良。欢迎品尝！",
         9.9},
        {"a 40-character word", "Supercalifragilisticexpialidocious-extra", 11.1},
        {"an English voice over Chinese",
         "Vid Mill 视频工厂每天为您制作精彩的视频广告，简单快捷，效果出众。", 9.9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<CaptionCue> cues = MakeCaptionCues(EvenlyTimed(c.text, c.seconds));
        ExpectReadableCues(cues, c.text);
        EXPECT_GE(cues.size(), 2u);
        // Breaks fall after punctuation, never before it.
        for (const CaptionCue& cue : cues)
            for (const QString& line : cue.lines)
                EXPECT_FALSE(QString("、。，！？").contains(line.front()));
    }
    // A sentence end in Japanese ends the cue.
    const std::vector<CaptionCue> japanese = MakeCaptionCues(EvenlyTimed(cases[0].text, 10.5));
    EXPECT_TRUE(japanese.front().lines.back().endsWith("。"));
}

// A right-to-left caption is laid out from the right: the full stop that
// ends an Arabic sentence is drawn at its left end.
TEST(Captions, ArabicEndsWithItsFullStopOnTheLeft) {
    const CanvasFormat canvas{640, 360, AV_PIX_FMT_YUV420P, false, false};
    RenderResult result;
    av::FramePtr frame = MakeBlackCanvas(canvas, &result);
    ASSERT_TRUE(frame) << result.Text();
    RenderJob::Caption caption;
    caption.end = 5;
    caption.text = QString("مرحبا.").toStdString();  // ends in an alef, then the stop
    CaptionRenderer renderer;
    ASSERT_TRUE(renderer.OpenCaptions({caption}, 640, 360, false, {}, &result)) << result.Text();
    ASSERT_TRUE(renderer.Draw(frame.get(), 1.0, false, &result)) << result.Text();
    // The white letters: their leftmost columns are the stop, a dot far
    // shorter than the text (an alef there would be nearly as tall).
    auto ink = [&](int x, int y) { return frame->data[0][y * frame->linesize[0] + x] > 180; };
    int left = 640, top = 360, bottom = -1;
    for (int y = 0; y < 360; ++y)
        for (int x = 0; x < 640; ++x)
            if (ink(x, y)) {
                left = std::min(left, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(bottom, top) << "no caption was drawn";
    int dotTop = 360, dotBottom = -1;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x < left + 3; ++x)
            if (ink(x, y)) {
                dotTop = std::min(dotTop, y);
                dotBottom = std::max(dotBottom, y);
            }
    EXPECT_LT(dotBottom - dotTop + 1, (bottom - top + 1) / 2)
        << "the leftmost mark is as tall as a letter: the stop is on the right";
}

// Each engine times its words well enough that a cue shows from the onset of
// its first word to the end of its last, measured on the narration itself.
class CaptionTiming : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(CaptionTiming, CuesStartAndEndWithTheVoice) {
    const auto [engine, id] = GetParam();
    SpVoice voice;
    const VoiceToken token = VoiceOf(engine, id);
    ASSERT_FALSE(token.IsNull()) << engine << " " << id;
    voice.setVoice(token);
    const QString folder = testsupport::FreshAppFolder(QString("captions_") + engine);
    const QString wav = folder + "/narration.wav";
    const QString text =
        "Fresh bread is baked here every morning.\nOrder yours today while it is still "
        "warm.[IMAGE]We deliver it to your door for free.";
    double seconds = 0;
    QString error;
    std::vector<NarrationWord> words;
    ASSERT_TRUE(SpeakNarrationFile(voice, text, wav, &seconds, &error, &words))
        << error.toStdString();

    QStringList spoken;
    for (const NarrationWord& w : words) spoken << w.text;
    EXPECT_EQ(spoken.join(' '), QString(text).replace("[IMAGE]", " ").simplified());

    const std::vector<CaptionCue> cues = MakeCaptionCues(words);
    const std::vector<Span> speech = SpeechSpans(wav, seconds);
    ASSERT_EQ(cues.size(), 3u);
    ASSERT_EQ(speech.size(), 3u) << "the sentences should be heard apart";
    for (size_t i = 0; i < cues.size(); ++i) {
        SCOPED_TRACE(cues[i].lines.join(' ').toStdString());
        std::cout << "[ figures  ] " << engine << " cue " << i + 1 << ": " << cues[i].start << "-"
                  << cues[i].end << " s, heard " << speech[i].start << "-" << speech[i].end
                  << " s\n";
        EXPECT_NEAR(cues[i].start, speech[i].start, 0.1);
        EXPECT_NEAR(cues[i].end, speech[i].end, 0.1);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryEngine, CaptionTiming,
                         ::testing::Values(std::pair{"espeak-ng", "gmw/en-US"},
                                           std::pair{"flite", "cmu_us_slt"},
                                           std::pair{"festival", "cmu_us_slt_arctic_hts"}),
                         [](const auto& info) {
                             std::string name = info.param.first;
                             std::erase(name, '-');
                             return name;
                         });

// One portrait MP4 with everything on: what a video site gets.
TEST(UploadReady, PortraitMp4WithCaptionsCoverAndTextIsWhatTheProjectAskedFor) {
    const QString folder = testsupport::FreshAppFolder("upload_portrait");
    BatchSettings settings;
    const QString navy = folder + "/navy.jpg";
    const QString green = folder + "/green.jpg";
    ASSERT_TRUE(testsupport::WriteSolidImage(navy, 320, 240, QColor(10, 20, 90)));
    ASSERT_TRUE(testsupport::WriteSolidImage(green, 320, 240, QColor(10, 80, 20)));
    settings.voice = VoiceOf("espeak-ng", "gmw/en-US");
    settings.Set(vm::setting::adCopies, {"Visit #KEYWORD# today.\nWe open at nine.", "", "", ""});
    settings.slides = {navy, green};
    settings.Set(vm::setting::secondsPerSlide, 2);
    settings.width = 240;  // 240p turned on its side
    settings.height = 426;
    settings.Set(vm::setting::format, "mp4");
    settings.container = "mp4";
    settings.codec = "libx264";
    settings.codecName = "H.264";
    settings.quality = 23;
    settings.Set(vm::setting::fit, "blur");
    settings.Set(vm::setting::captions, "both");
    settings.captionsFile = true;
    settings.captionsBurned = true;
    settings.Set(vm::setting::highlightWords, true);
    settings.Set(vm::setting::cover, true);
    settings.coverSlide = 1;
    settings.coverWidth = 720;
    settings.coverHeight = 1280;
    settings.Set(vm::setting::titleTemplate, "#KEYWORD# in town\n");
    settings.Set(vm::setting::descriptionTemplate, "All about #KEYWORD#.");
    settings.outputFolder = folder + "/output";
    ProductionEngine engine(settings, BatchTasks({"Bakery"}), {});
    const std::vector<VideoReport> reports = engine.Run(nullptr);
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_EQ(reports[0].status, VideoReport::Status::Made) << reports[0].message.toStdString();

    const QString out = settings.outputFolder + "/";
    EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name),
              QStringList({"Bakery.jpg", "Bakery.mp4", "Bakery.srt", "Bakery.txt"}));

    // The MP4 is a constant-rate file of the planned length: every frame is in it.
    const testsupport::MediaInfo info = testsupport::ProbeMedia(out + "Bakery.mp4");
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.videoCodec, "h264");
    EXPECT_EQ(info.videoProfile, "High");
    EXPECT_EQ(info.pixelFormat, "yuv420p");
    EXPECT_EQ(info.colorSpace, "bt709");
    EXPECT_EQ(info.colorPrimaries, "bt709");
    EXPECT_EQ(info.colorTransfer, "bt709");
    EXPECT_EQ(info.audioCodec, "aac");
    EXPECT_EQ(info.audioProfile, "LC");
    EXPECT_EQ(info.audioChannels, 2);
    EXPECT_EQ(info.audioSampleRate, 48000);
    EXPECT_EQ(info.width, 240);
    EXPECT_EQ(info.height, 426);
    const double planned = reports[0].plannedSeconds;
    EXPECT_EQ(info.videoFrames, qRound(planned * 25));
    EXPECT_EQ(info.decodedFrames, info.videoFrames);
    EXPECT_NEAR(info.duration, planned, 0.05);
    EXPECT_NEAR(info.audioDuration, planned, 0.05);
    QFile mp4(out + "Bakery.mp4");
    ASSERT_TRUE(mp4.open(QIODevice::ReadOnly));
    const QByteArray head = mp4.read(1 << 20);
    ASSERT_GE(head.indexOf("moov"), 0);
    EXPECT_LT(head.indexOf("moov"), head.indexOf("mdat")) << "the index goes first";

    // The SRT holds the spoken words in order, cues apart.
    QFile srtFile(out + "Bakery.srt");
    ASSERT_TRUE(srtFile.open(QIODevice::ReadOnly));
    const std::vector<SrtCue> srt = ParseSrt(QString::fromUtf8(srtFile.readAll()));
    ASSERT_EQ(srt.size(), 2u);
    QStringList words;
    for (size_t i = 0; i < srt.size(); ++i) {
        EXPECT_LT(srt[i].start, srt[i].end);
        if (i > 0) {
            EXPECT_LE(srt[i - 1].end, srt[i].start);
        }
        words << srt[i].lines.join(' ');
    }
    EXPECT_EQ(words.join(' '), "Visit Bakery today. We open at nine.");

    // Burned in: white text in the lower half while a cue shows, none between
    // cues or after the last.
    auto whiteAt = [&](double seconds) {
        QString error;
        const QImage frame =
            testsupport::DecodeFrame(out + "Bakery.mp4", int(seconds * 25), &error);
        EXPECT_FALSE(frame.isNull()) << error.toStdString();
        return WhitePixelsInLowerHalf(frame);
    };
    for (const SrtCue& cue : srt) EXPECT_GT(whiteAt((cue.start + cue.end) / 2), 100);
    EXPECT_EQ(whiteAt((srt[0].end + srt[1].start) / 2), 0);
    EXPECT_EQ(whiteAt(planned - 0.2), 0);
    // Fit on a blurred copy: the slide's colour fills the frame's top, not black.
    const QImage top = testsupport::DecodeFrame(out + "Bakery.mp4", 5).copy(0, 0, 240, 60);
    EXPECT_GT(qBlue(top.pixel(120, 10)) + qGreen(top.pixel(120, 10)), 30);

    // The cover: the second slide, portrait, with the keyword large across it.
    const QImage cover(out + "Bakery.jpg");
    ASSERT_EQ(cover.size(), QSize(720, 1280));
    int white = 0;
    for (int y = 0; y < cover.height(); ++y)
        for (int x = 0; x < cover.width(); ++x) white += qGray(cover.pixel(x, y)) > 200;
    EXPECT_GT(white, 720 * 1280 / 200) << "a headline legible when small";
    // Away from the headline the cover is the slide, colour for colour.
    const QColor corner = cover.pixelColor(10, 10);
    EXPECT_NEAR(corner.red(), 10, 6);
    EXPECT_NEAR(corner.green(), 80, 6);
    EXPECT_NEAR(corner.blue(), 20, 6);

    QFile txt(out + "Bakery.txt");
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(txt.readAll()), "Bakery in town\n\nAll about Bakery.\n");

    const QJsonObject report =
        QJsonDocument::fromJson(BatchReportJson(reports, settings, 1, false)).object();
    const QJsonObject output = report["output"].toObject();
    EXPECT_EQ(output["format"].toString(), "mp4");
    EXPECT_EQ(output["height"].toInt(), 426);
    EXPECT_EQ(output["captions"].toString(), "both");
    EXPECT_EQ(output["motion"].toInt(), 0);
    EXPECT_EQ(output["transitionSet"].toString(), "ten");
    EXPECT_EQ(report["videos"].toArray()[0].toObject()["files"].toArray().size(), 3);
}

// Slow zoom and pan in an MP4 with long transitions drawn from all of them:
// every frame moves, so none may be a repeat, and the file still holds the
// planned frames.
TEST(UploadReady, MovingPicturesFillEveryFrameOfAnMp4) {
    const QString folder = testsupport::FreshAppFolder("upload_motion");
    ASSERT_TRUE(testsupport::CopyDemoData(folder));
    BatchSettings settings;
    settings.voice = VoiceOf("espeak-ng", "gmw/en-US");
    settings.Set(vm::setting::adCopies, {"Visit #KEYWORD# today. We open at nine.", "", "", ""});
    settings.slides = {folder + "/images/dental/02_smile.jpg",
                       folder + "/images/dental/03_services.jpg"};
    settings.Set(vm::setting::secondsPerSlide, 2);
    settings.width = 426;
    settings.height = 240;
    settings.container = "mp4";
    settings.codec = "libx264";
    settings.codecName = "H.264";
    settings.quality = 23;
    settings.motionStrength = 0.15;
    settings.Set(vm::setting::transitionSet, "all");
    settings.Set(vm::setting::transitionSeconds, 1.5);
    settings.outputFolder = folder + "/output";
    ProductionEngine engine(settings, BatchTasks({"Bakery"}), {});
    const std::vector<VideoReport> reports = engine.Run(nullptr);
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_EQ(reports[0].status, VideoReport::Status::Made) << reports[0].message.toStdString();

    QString error;
    const std::vector<QImage> frames =
        testsupport::DecodeFrames(settings.outputFolder + "/Bakery.mp4", &error);
    ASSERT_FALSE(frames.empty()) << error.toStdString();
    EXPECT_EQ(int(frames.size()), qRound(reports[0].plannedSeconds * 25));
    int repeats = 0;
    for (size_t i = 1; i < frames.size(); ++i) repeats += frames[i] == frames[i - 1];
    EXPECT_EQ(repeats, 0);
}

// Older projects make the videos they always made; the new choices give the
// sizes and codec asked for, and a cover slide past the list is refused.
TEST(UploadReady, ProjectChoicesBecomeSettings) {
    const VoiceToken voice = VoiceOf("espeak-ng", "gmw/en-US");
    Settings p = MachineDefaults({voice.GetDescription()}, Compressors::Instance());
    p.Set(setting::slides, {"/a.jpg", "/b.jpg"});
    BatchSettings s;
    QString error;
    ASSERT_TRUE(MakeBatchSettings(p, "/", {voice}, Compressors::Instance(), &s, &error))
        << error.toStdString();
    EXPECT_EQ(s.container, "avi");
    EXPECT_EQ(QSize(s.width, s.height), QSize(854, 480));
    EXPECT_EQ(s.Get(vm::setting::fit), "fit");
    EXPECT_FALSE(s.captionsFile || s.captionsBurned || s.Get(vm::setting::cover));
    EXPECT_TRUE(PublishingText(s, "x").isEmpty());
    s.outputFolder = "/out";
    EXPECT_EQ(VideoFileFor(s, KeywordTask(0, "dentist")), "/out/dentist.avi");

    const QSize sizes[3] = {{1920, 1080}, {1080, 1920}, {1080, 1080}};
    for (int shape = 0; shape < 3; ++shape) {
        p.Set(setting::resolution, "1080p");
        p.Set(setting::shape, setting::shape.choices[shape]);
        p.Set(setting::format, "mp4");
        p.Set(setting::mp4Crf, 20);
        ASSERT_TRUE(MakeBatchSettings(p, "/", {voice}, Compressors::Instance(), &s, &error));
        EXPECT_EQ(QSize(s.width, s.height), sizes[shape]);
        EXPECT_EQ(s.codec, "libx264");
        EXPECT_EQ(s.quality, 20);
    }
    EXPECT_EQ(QSize(s.coverWidth, s.coverHeight), QSize(720, 720));
    s.outputFolder = "/out";
    EXPECT_EQ(VideoFileFor(s, KeywordTask(0, "a.b")), "/out/a.b.mp4");
    EXPECT_EQ(CompanionFile(VideoFileFor(s, KeywordTask(0, "a.b")), ".srt"), "/out/a.b.srt");

    p.Set(setting::cover, true);
    p.Set(setting::coverSlide, 3);
    EXPECT_FALSE(MakeBatchSettings(p, "/", {voice}, Compressors::Instance(), &s, &error));
    EXPECT_EQ(error, "cover.slide: expected a slide number from 1 to 2, got 3");

    // Motion's strength is a percentage in the project, a fraction to the
    // renderer; without motion nothing moves whatever the strength says.
    p.Set(setting::coverSlide, 1);
    p.Set(setting::motion, true);
    p.Set(setting::motionStrength, 15);
    p.Set(setting::transitionSet, "all");
    p.Set(setting::transitionSeconds, 1.5);
    ASSERT_TRUE(MakeBatchSettings(p, "/", {voice}, Compressors::Instance(), &s, &error));
    EXPECT_DOUBLE_EQ(s.motionStrength, 0.15);
    EXPECT_EQ(s.Get(vm::setting::transitionSet), "all");
    EXPECT_DOUBLE_EQ(s.Get(vm::setting::transitionSeconds), 1.5);
    p.Set(setting::motion, false);
    ASSERT_TRUE(MakeBatchSettings(p, "/", {voice}, Compressors::Instance(), &s, &error));
    EXPECT_EQ(s.motionStrength, 0.0);
}

// The demo video as MP4 against the AVI the program made so far: the same
// pictures and narration in a quarter of the bytes or less.
TEST(UploadReady, DemoVideoAsMp4IsAQuarterOfTheAvi) {
    const QString folder = testsupport::FreshAppFolder("upload_demo_size");
    ASSERT_TRUE(testsupport::CopyDemoData(folder));
    const VoiceToken voice = VoiceOf("espeak-ng", "gmw/en-US");
    Settings p = MachineDefaults({voice.GetDescription()}, Compressors::Instance());
    QFile content(folder + "/demo_content.txt");
    ASSERT_TRUE(content.open(QIODevice::ReadOnly));
    p.Set(setting::adCopies, {QString::fromUtf8(content.readAll()), "", "", ""});
    QStringList slides;
    for (const QString& name : QDir(folder + "/images/dental").entryList(QDir::Files, QDir::Name))
        slides << folder + "/images/dental/" + name;
    p.Set(setting::slides, slides);
    qint64 bytes[2] = {0, 0};
    double seconds[2] = {0, 0};
    for (int format = 0; format < 2; ++format) {
        p.Set(setting::format, setting::format.choices[format]);
        BatchSettings s;
        QString error;
        ASSERT_TRUE(MakeBatchSettings(p, folder, {voice}, Compressors::Instance(), &s, &error))
            << error.toStdString();
        s.outputFolder = folder + "/output";
        ProductionEngine engine(s, BatchTasks({"dentist"}), {});
        const std::vector<VideoReport> made = engine.Run(nullptr);
        ASSERT_EQ(made[0].status, VideoReport::Status::Made) << made[0].message.toStdString();
        bytes[format] = QFileInfo(made[0].path).size();
        seconds[format] = made[0].actualSeconds;
    }
    std::cout << "[ figures  ] demo video " << seconds[0] << " s: AVI " << bytes[0] / 1024
              << " KiB, MP4 " << bytes[1] / 1024 << " KiB (" << 100.0 * bytes[1] / bytes[0]
              << "%)\n";
    EXPECT_NEAR(seconds[1], seconds[0], 0.05);
    EXPECT_GT(seconds[0], 20.0);
    EXPECT_LE(bytes[1] * 4, bytes[0]);
}
