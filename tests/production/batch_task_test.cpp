// A batch as the window sees it: signals on its own thread, in order, and a
// Stop that always ends in finished().
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>

#include "BatchTask.h"
#include "SpVoice.h"
#include "TestSupport.h"

using namespace vm;

namespace {

BatchSettings SmallBatch(const QString& folder) {
    BatchSettings s;
    for (const VoiceToken& token : SpVoice().GetVoices())
        if (token.Engine() == "espeak-ng" && token.Id() == "gmw/en-US") s.voice = token;
    const QString red = folder + "/red.jpg";
    const QString blue = folder + "/blue.jpg";
    testsupport::WriteSolidImage(red, 320, 240, Qt::red);
    testsupport::WriteSolidImage(blue, 320, 240, Qt::blue);
    s.Set(setting::adCopies, {"Call a #KEYWORD# today.", "", "", ""});
    s.slides = {red, blue};
    s.Set(setting::secondsPerSlide, 1);
    s.width = 426;
    s.height = 240;
    s.outputFolder = folder + "/output";
    return s;
}

}  // namespace

TEST(BatchTask, SignalsArriveOnTheOwnersThreadAndEndWithFinished) {
    const QString folder = testsupport::FreshAppFolder("task_runs");
    BatchTask task(SmallBatch(folder), BatchTasks({"roofer", "baker"}), {});
    QSignalSpy started(&task, &BatchTask::started);
    QSignalSpy made(&task, &BatchTask::videoMade);
    QSignalSpy progress(&task, &BatchTask::progress);
    QSignalSpy finished(&task, &BatchTask::finished);
    QString error;
    ASSERT_TRUE(task.ClaimOutputFolder(&error)) << error.toStdString();
    task.Start();
    EXPECT_TRUE(task.IsRunning());
    EXPECT_EQ(started.count(), 1);
    ASSERT_TRUE(finished.wait(120000)) << "no finished() in 120 s";
    EXPECT_FALSE(finished[0][0].toBool());
    EXPECT_FALSE(task.IsRunning());
    EXPECT_EQ(made.count(), 2);
    ASSERT_EQ(task.Reports().size(), 2u);
    EXPECT_TRUE(QFile::exists(task.Reports()[1].path));
    // Whole percents, rising, ending at 100.
    ASSERT_GE(progress.count(), 2);
    for (int i = 1; i < progress.count(); ++i)
        EXPECT_GT(progress[i][0].toInt(), progress[i - 1][0].toInt());
    EXPECT_EQ(progress.last()[0].toInt(), 100);
}

TEST(BatchTask, StopAtAnyMomentEndsTheBatch) {
    const QString folder = testsupport::FreshAppFolder("task_stops");
    // Stop before anything happened, at the first event, and at the first
    // rendered frame of the second video.
    for (const int stopAt : {0, 1, 2}) {
        SCOPED_TRACE(stopAt);
        BatchTask task(SmallBatch(folder), BatchTasks({"one", "two", "three"}), {});
        QSignalSpy finished(&task, &BatchTask::finished);
        QObject::connect(&task, &BatchTask::videoEvent, &task, [&](const VideoEvent& e) {
            if ((stopAt == 1) ||
                (stopAt == 2 && e.index == 1 && e.kind == VideoEvent::Kind::Progress))
                task.Stop();
        });
        task.Start();
        if (stopAt == 0) task.Stop();
        ASSERT_TRUE(finished.wait(BatchTask::kStopBoundMs + 20000));
        EXPECT_TRUE(finished[0][0].toBool());
        EXPECT_FALSE(task.IsRunning());
        ASSERT_EQ(task.Reports().size(), 3u);
        EXPECT_EQ(task.Reports()[2].status, VideoReport::Status::Stopped);
        for (const VideoReport& r : task.Reports()) {
            if (r.status != VideoReport::Status::Made) EXPECT_FALSE(QFile::exists(r.path));
        }
    }
}
