// The production engine without a window: real speech, real renders, the
// videos decoded again.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <functional>
#include <mutex>
#include <set>

#include "BatchReport.h"
#include "BatchShard.h"
#include "Compressors.h"
#include "MediaProbe.h"
#include "Narration.h"
#include "NarrationText.h"
#include "ProductionEngine.h"
#include "RenderCap.h"
#include "SpVoice.h"
#include "TestSupport.h"
#include "VideoRandom.h"

using namespace vm;

namespace {

VoiceToken EspeakEnglish() {
    for (const VoiceToken& token : SpVoice().GetVoices())
        if (token.Engine() == "espeak-ng" && token.Id() == "gmw/en-US") return token;
    return {};
}

// Records every event; `react` runs inside the engine's listener call.
class Recorder : public ProductionListener {
public:
    void OnVideoEvent(const VideoEvent& event) override {
        {
            std::lock_guard lock(mutex);
            events.push_back(event);
        }
        if (react) react(event);
    }
    std::vector<VideoEvent> Of(VideoEvent::Kind kind) {
        std::lock_guard lock(mutex);
        std::vector<VideoEvent> found;
        for (const VideoEvent& e : events)
            if (e.kind == kind) found.push_back(e);
        return found;
    }
    std::function<void(const VideoEvent&)> react;
    std::mutex mutex;
    std::vector<VideoEvent> events;
};

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = testsupport::FreshAppFolder(QString("engine_") + info->name());
        red = folder + "/red.jpg";
        blue = folder + "/blue.jpg";
        ASSERT_TRUE(testsupport::WriteSolidImage(red, 320, 240, Qt::red));
        ASSERT_TRUE(testsupport::WriteSolidImage(blue, 320, 240, Qt::blue));
        settings.voice = EspeakEnglish();
        ASSERT_FALSE(settings.voice.IsNull());
        settings.Set(vm::setting::adCopies, {"Call a #KEYWORD# today.", "", "Your #KEYWORD# is near.", ""});
        settings.slides = {red, blue};
        settings.Set(vm::setting::secondsPerSlide, 1);
        settings.width = 426;
        settings.height = 240;
        settings.codec = "mpeg4";
        settings.codecName = "MPEG-4 part 2";
        settings.quality = 4;
        settings.outputFolder = folder + "/output";
    }

    std::vector<VideoReport> Make(const QStringList& keywords, BatchOptions options = {},
                                  Recorder* recorder = nullptr) {
        settings.Set(vm::setting::keywords, keywords);
        ProductionEngine engine(settings, BatchTasks(keywords), options);
        if (recorder && !stopOn.isEmpty()) {
            recorder->react = [&, recorder](const VideoEvent& e) {
                if (e.kind == VideoEvent::Kind::Progress && e.keyword == stopOn) engine.Stop();
            };
        }
        return engine.Run(recorder);
    }

    QStringList Files() const {
        return QDir(settings.outputFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QByteArray Hash(const QString& name) const {
        QFile f(settings.outputFolder + "/" + name);
        return f.open(QIODevice::ReadOnly)
                   ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                   : QByteArray();
    }

    QString folder, red, blue;
    QString stopOn;
    BatchSettings settings;
};

TEST_F(Engine, MakesEveryKeywordWithItsPlanAndReportsEachOne) {
    Recorder events;
    const auto reports = Make({"dentist", "../bad", "plumber", "dentist"}, {}, &events);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].status, VideoReport::Status::Made);
    EXPECT_EQ(reports[1].status, VideoReport::Status::Failed);
    EXPECT_EQ(reports[1].stage, "name");
    EXPECT_EQ(reports[2].status, VideoReport::Status::Made);
    EXPECT_EQ(reports[3].status, VideoReport::Status::Skipped);
    EXPECT_TRUE(reports[3].message.contains("repeats keyword 1"))
        << reports[3].message.toStdString();
    // Only the videos stay: narrations and unfinished files are gone.
    EXPECT_EQ(Files(), QStringList({"dentist.avi", "plumber.avi"}));

    for (const VideoEvent& made : events.Of(VideoEvent::Kind::Made)) {
        SCOPED_TRACE(made.keyword.toStdString());
        const testsupport::MediaInfo info = testsupport::ProbeMedia(made.path);
        ASSERT_TRUE(info.ok) << info.error.toStdString();
        EXPECT_EQ(info.width, 426);
        EXPECT_EQ(info.height, 240);
        EXPECT_EQ(info.videoFrames, made.totalFrames);
        // Whole seconds that outlast the narration by at most a second and the
        // keyword's extra 0 to 11 (or the two one-second slides, if longer).
        EXPECT_EQ(info.videoFrames % 25, 0);
        EXPECT_GT(info.videoFrames / 25.0, made.narrationSeconds);
        EXPECT_LE(info.videoFrames / 25.0, std::max(made.narrationSeconds + 12, 2.0));
        EXPECT_NEAR(made.length, made.totalFrames / 25.0, 0.05);
        ASSERT_TRUE(info.hasAudio);
        EXPECT_GT(made.narrationSeconds, 0.5);
        EXPECT_GT(testsupport::PeakAudioLevel(made.path, 0.0, made.narrationSeconds), 0.05);
    }

    const QByteArray text = BatchReportJson(reports, settings, 7, false);
    // Written by hand for speed, laid out as Qt lays out the same document,
    // whatever the texts hold.
    EXPECT_EQ(text, QJsonDocument::fromJson(text).toJson(QJsonDocument::Indented));
    std::vector<VideoReport> odd = reports;
    odd[0].companions = {"/a \"b\"/c.srt", "/d\\e/f.jpg"};
    odd[1].message = QString("line\n\ttab \x01 caf\u00e9 \u4e2d");
    odd[2].keyword = "\u0645\u0631\u062d\u0628\u0627";
    const QByteArray oddText = BatchReportJson(odd, settings, 7, true);
    EXPECT_EQ(oddText, QJsonDocument::fromJson(oddText).toJson(QJsonDocument::Indented));
    const QJsonObject json = QJsonDocument::fromJson(text).object();
    EXPECT_EQ(json["seed"].toString(), "7");
    const QJsonArray videos = json["videos"].toArray();
    ASSERT_EQ(videos.size(), 4);
    QStringList statuses;
    for (const auto& v : videos) statuses << v.toObject()["status"].toString();
    EXPECT_EQ(statuses, QStringList({"made", "failed", "made", "skipped"}));
    EXPECT_EQ(videos[1].toObject()["stage"].toString(), "name");
    EXPECT_GT(videos[0].toObject()["plannedSeconds"].toDouble(), 1.0);
    EXPECT_NEAR(videos[0].toObject()["actualSeconds"].toDouble(),
                videos[0].toObject()["plannedSeconds"].toDouble(), 0.05);
}

TEST_F(Engine, AnImageThatVanishesFailsOnlyTheVideosThatNeedIt) {
    settings.Set(vm::setting::randomize, false);
    Recorder events;
    events.react = [&](const VideoEvent& e) {
        // Renders run one after the other with one job.
        if (e.kind == VideoEvent::Kind::Made && e.keyword == "first")
            QFile::rename(blue, blue + ".away");
        if (e.kind == VideoEvent::Kind::Failed && e.keyword == "second")
            QFile::rename(blue + ".away", blue);
    };
    const auto reports = Make({"first", "second", "third"}, {}, &events);
    EXPECT_EQ(reports[0].status, VideoReport::Status::Made);
    EXPECT_EQ(reports[1].status, VideoReport::Status::Failed);
    EXPECT_EQ(reports[1].stage, "images");
    EXPECT_EQ(reports[1].message, "The image " + blue + " does not exist.");
    EXPECT_EQ(reports[2].status, VideoReport::Status::Made);
    EXPECT_EQ(Files(), QStringList({"first.avi", "third.avi"}));
}

TEST_F(Engine, StopDuringARenderKeepsTheOldVideoAndStopsTheRest) {
    // Raw 1080p frames: a render slow enough to be stopped in the middle.
    settings.width = 1920;
    settings.height = 1080;
    settings.codec = "rawvideo";
    settings.Set(vm::setting::secondsPerSlide, 5);
    QDir().mkpath(settings.outputFolder);
    QFile old(settings.outputFolder + "/one.avi");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the video of an earlier batch");
    old.close();
    Recorder events;
    stopOn = "one";
    BatchOptions options;
    options.replace = true;  // the older video is not one this program recorded
    const auto reports = Make({"one", "two", "three"}, options, &events);
    for (const VideoReport& r : reports)
        EXPECT_EQ(r.status, VideoReport::Status::Stopped) << r.keyword.toStdString();
    // The old video stays until a new one is finished; nothing unfinished is left.
    EXPECT_EQ(Files(), QStringList({"one.avi"}));
    EXPECT_EQ(Hash("one.avi"), QCryptographicHash::hash("the video of an earlier batch",
                                                        QCryptographicHash::Sha256));
    EXPECT_EQ(events.Of(VideoEvent::Kind::Stopped).size(), 3u);
}

TEST_F(Engine, TheSeedRepeatsABatchByteForByteWhateverTheJobs) {
    const QStringList keywords = {"alpha", "bravo", "charlie", "delta"};
    BatchOptions options;
    options.seed = 1234;
    options.jobs = 1;
    Make(keywords, options);
    QList<QByteArray> first;
    for (const QString& k : keywords) first << Hash(k + ".avi");
    ASSERT_FALSE(first.contains(QByteArray()));

    options.jobs = 2;
    Make(keywords, options);
    QList<QByteArray> second;
    for (const QString& k : keywords) second << Hash(k + ".avi");
    EXPECT_EQ(first, second);

    // Another seed makes other choices (ad copy, extra seconds, order, transitions).
    options.seed = 99;
    Make(keywords, options);
    QList<QByteArray> third;
    for (const QString& k : keywords) third << Hash(k + ".avi");
    EXPECT_NE(first, third);
}

TEST_F(Engine, SkipExistingMakesOnlyWhatIsMissingOrChanged) {
    Make({"one", "two", "three"});
    ASSERT_TRUE(QFile::remove(settings.outputFolder + "/two.avi"));
    const QByteArray one = Hash("one.avi");
    BatchOptions options;
    options.skipExisting = true;
    auto reports = Make({"one", "two", "three"}, options);
    EXPECT_EQ(reports[0].status, VideoReport::Status::Skipped);
    EXPECT_EQ(reports[1].status, VideoReport::Status::Made);
    EXPECT_EQ(reports[2].status, VideoReport::Status::Skipped);
    EXPECT_EQ(Hash("one.avi"), one);
    EXPECT_EQ(Files(), QStringList({"one.avi", "three.avi", "two.avi"}));

    // Another text, or a picture of other content under the same name: every
    // video is made again; the same again: none is.
    settings.Set(vm::setting::adCopies, {"Find a #KEYWORD# near you.", "", "", ""});
    for (const VideoReport& r : Make({"one", "two"}, options))
        EXPECT_EQ(r.status, VideoReport::Status::Made) << r.keyword.toStdString();
    for (const VideoReport& r : Make({"one", "two"}, options))
        EXPECT_EQ(r.status, VideoReport::Status::Skipped) << r.keyword.toStdString();
    ASSERT_TRUE(testsupport::WriteSolidImage(red, 320, 240, Qt::yellow));
    for (const VideoReport& r : Make({"one", "two"}, options))
        EXPECT_EQ(r.status, VideoReport::Status::Made) << r.keyword.toStdString();
}

// With captions as a file: a shard with the batch's seed makes the very files
// the whole run made; a rerun that skips what is made makes again a video
// whose captions went missing; a caption file that cannot take its name
// fails the video, which does not stay without it.
TEST_F(Engine, ShardsRerunsAndCompanionsKeepEachVideosFilesTogether) {
    settings.captionsFile = true;
    const QStringList keywords = {"alpha", "bravo", "charlie"};
    BatchOptions options;
    options.seed = 7;
    Make(keywords, options);
    const QString whole = settings.outputFolder;
    const QByteArray bravo = Hash("bravo.avi");
    ASSERT_FALSE(bravo.isEmpty());

    settings.outputFolder = folder + "/shard";
    ProductionEngine shard(settings, ShardTasks(BatchTasks(keywords), {1, 2}), options);
    ASSERT_EQ(shard.Run(nullptr).size(), 1u);
    EXPECT_EQ(Hash("bravo.avi"), bravo) << "shard 1/2 chose otherwise than the whole run";

    settings.outputFolder = whole;
    ASSERT_TRUE(QFile::remove(whole + "/bravo.srt"));
    options.skipExisting = true;
    auto reports = Make(keywords, options);
    EXPECT_EQ(reports[0].status, VideoReport::Status::Skipped);
    EXPECT_EQ(reports[1].status, VideoReport::Status::Made);
    EXPECT_TRUE(QFile::exists(whole + "/bravo.srt"));

    settings.outputFolder = folder + "/blocked";
    ASSERT_TRUE(QDir().mkpath(settings.outputFolder + "/delta.srt/inside"));
    options = {};
    options.replace = true;
    reports = Make({"delta"}, options);
    EXPECT_EQ(reports[0].status, VideoReport::Status::Failed);
    EXPECT_EQ(reports[0].stage, "files");
    EXPECT_FALSE(QFile::exists(settings.outputFolder + "/delta.avi"));
}

// kill -9 after a video took its name and before its captions took theirs,
// in a rerun of the same settings with another seed (which picked the other
// ad copy): the new video beside the old captions is a mixed set, made again
// by a rerun that skips what is made.
TEST_F(Engine, AKillBetweenTheRenamesIsMadeAgainWithSkipExisting) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The batch that is killed runs in a process of its own, which runs this
    // test again from its start: it finds the folder through the environment.
    const bool killedOne = qEnvironmentVariableIsSet("VM_TEST_KILLED_BATCH_FOLDER");
    if (killedOne) folder = qEnvironmentVariable("VM_TEST_KILLED_BATCH_FOLDER");
    settings.outputFolder = folder + "/output";
    settings.Set(vm::setting::captions, "srt");
    settings.captionsFile = true;
    const QStringList copies = {"Call a #KEYWORD# today.", "Your #KEYWORD# is near.", "", ""};
    settings.Set(vm::setting::adCopies, copies);
    BatchOptions first, second;
    first.seed = 1;
    VideoRandom pickFirst(first.seed, 0);
    const int firstCopy = PickAdCopy(copies, "one", pickFirst);
    for (second.seed = 2;; ++second.seed) {
        VideoRandom pick(second.seed, 0);
        if (PickAdCopy(copies, "one", pick) != firstCopy) break;
    }
    if (!killedOne) {
        ASSERT_EQ(Make({"one"}, first)[0].status, VideoReport::Status::Made);
    }
    const QByteArray oldVideo = Hash("one.avi");
    const QByteArray oldCaptions = Hash("one.srt");

    qputenv("VM_TEST_KILLED_BATCH_FOLDER", folder.toLocal8Bit());
    // Scratch folders in a temporary folder of this test's own.
    const QByteArray tmp = qgetenv("TMPDIR");
    const QString scratch = folder + "/tmp";
    ASSERT_TRUE(QDir().mkpath(scratch));
    qputenv("TMPDIR", scratch.toLocal8Bit());
    BatchOptions killed = second;
    killed.fileNamed = [](const QString& file) {
        if (file.endsWith(".avi")) raise(SIGKILL);
    };
    EXPECT_EXIT(Make({"one"}, killed), ::testing::KilledBySignal(SIGKILL), "");
    qunsetenv("VM_TEST_KILLED_BATCH_FOLDER");
    ASSERT_NE(Hash("one.avi"), oldVideo);
    ASSERT_EQ(Hash("one.srt"), oldCaptions);
    EXPECT_EQ(QDir(scratch).entryList({"vidmill-batch-*"}, QDir::Dirs).size(), 1);

    BatchOptions skip = second;
    skip.skipExisting = true;
    const auto reports = Make({"one"}, skip);
    EXPECT_EQ(reports[0].status, VideoReport::Status::Made);
    QFile srt(settings.outputFolder + "/one.srt");
    ASSERT_TRUE(srt.open(QIODevice::ReadOnly));
    const QString said = QString::fromUtf8(srt.readAll()).simplified();
    EXPECT_TRUE(said.contains(firstCopy == 0 ? "near" : "today")) << "still the old captions";
    // The killed batch's scratch folder went with this run.
    EXPECT_TRUE(QDir(scratch).entryList({"vidmill-batch-*"}, QDir::Dirs).isEmpty());
    if (tmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmp);
}

// However many jobs are asked for, no more videos render at once than this
// machine's cores and memory hold.
TEST_F(Engine, RendersAtOnceStayWithinTheMachinesCap) {
    settings.width = 1920;  // raw 1080p: renders long enough to overlap
    settings.height = 1080;
    settings.codec = "rawvideo";
    std::mutex mutex;
    std::set<int> rendering;
    size_t most = 0;
    Recorder events;
    events.react = [&](const VideoEvent& e) {
        std::lock_guard lock(mutex);
        if (e.kind == VideoEvent::Kind::Rendering) rendering.insert(e.index);
        if (e.EndsVideo()) rendering.erase(e.index);
        most = std::max(most, rendering.size());
    };
    BatchOptions options;
    options.jobs = 64;
    for (const VideoReport& r : Make({"a", "b", "c", "d", "e"}, options, &events))
        EXPECT_EQ(r.status, VideoReport::Status::Made);
    const int cap = RenderCapHere(1920, 1080).jobs;
    EXPECT_LE(int(most), cap);
    EXPECT_GE(int(most), std::min(cap, 2));  // and the cap is used
}

// Without keywords #KEYWORD# is left out of what is spoken, and the captions
// and the title say the same.
TEST_F(Engine, WithoutKeywordsTheCaptionsAndTitleSayWhatIsSpoken) {
    settings.Set(vm::setting::adCopies, {"Looking for #KEYWORD#? Call us today.", "", "", ""});
    settings.Set(vm::setting::captions, "srt");
    settings.captionsFile = true;
    settings.Set(vm::setting::titleTemplate, "Best #KEYWORD# deals");
    settings.Set(vm::setting::outputName, "spring");
    Recorder events;
    ASSERT_EQ(Make({}, {}, &events)[0].status, VideoReport::Status::Made);
    QFile srt(settings.outputFolder + "/spring.srt");
    ASSERT_TRUE(srt.open(QIODevice::ReadOnly));
    QStringList said;
    for (const QString& block : QString::fromUtf8(srt.readAll()).split("\n\n", Qt::SkipEmptyParts))
        said << block.split('\n').mid(2);
    const QString spoken = NarrationTextFor("Looking for #KEYWORD#? Call us today.", "");
    EXPECT_EQ(spoken, "Looking for? Call us today.");
    EXPECT_EQ(said.join(' '), spoken);
    QFile text(settings.outputFolder + "/spring.txt");
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(text.readAll()), "Best deals\n\n\n");
}

}  // namespace
