// Video clips as slides: the peak memory of a render with twenty 1080p clips
// against one with two (each render in a child process of its own, so each
// peak is its own), and the render speed as a multiple of real time against
// the equivalent ffmpeg command (the clips as inputs, scaled, an xfade chain,
// H.264 in MP4).
//
//   bin/bench_clips [work folder] [seconds per slide, 10 by default]
//
// The clips are 1920x1080 at 30 fps, 10 s each, made here by the ffmpeg
// program (testsrc2 and noise, so the decoder has real work); the video is
// 1080p MP4 at CRF 23, with 1 s fades between the clips.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "RenderEngine.h"

namespace {

bool Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program + " " + args.join(' ')));
        return false;
    }
    return true;
}

vm::RenderJob Job(const std::vector<QString>& clips, double seconds, const QString& out) {
    vm::RenderJob job;
    job.width = 1920;
    job.height = 1080;
    job.container = "mp4";
    job.codec = "libx264";
    job.quality = 23;
    for (size_t i = 0; i < clips.size(); ++i) {
        vm::RenderJob::Image image{clips[i].toStdString(), seconds};
        image.clip = true;
        job.images.push_back(image);
        if (i > 0) job.transitions.push_back({1, seconds * double(i), seconds * double(i) + 1.0});
    }
    job.outputPath = out.toStdString();
    return job;
}

struct Measured {
    double seconds = 0;
    long peakKb = 0;
};

// Renders in a child process; its wall time and peak resident memory.
Measured RenderInChild(const vm::RenderJob& job) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const vm::RenderResult result = vm::RenderVideo(job, nullptr, {});
        if (!result.ok) std::fprintf(stderr, "render failed: %s\n", result.Text().c_str());
        _exit(result.ok ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Measured m;
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakKb = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    const QString work = argc > 1 ? argv[1] : QDir::tempPath() + "/bench_clips";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    QDir().mkpath(work);
    // Two clips made, copied to twenty files (each opened as a file of its own).
    std::vector<QString> all;
    for (int i = 0; i < 20; ++i) {
        const QString path = work + QString("/clip%1.mp4").arg(i, 2, 10, QChar('0'));
        if (!QFile::exists(path)) {
            if (i < 2) {
                const QString source =
                    QString("testsrc2=s=1920x1080:r=30:d=10,noise=alls=12:allf=t+u,hue=h=%1")
                        .arg(i * 120);
                if (!Run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", source, "-c:v",
                                    "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", path}))
                    return 1;
            } else if (!QFile::copy(all[size_t(i % 2)], path)) {
                return 1;
            }
        }
        all.push_back(path);
    }
    const std::vector<QString> two(all.begin(), all.begin() + 2);

    std::printf("clips: 1920x1080, 30 fps, 10 s; slides of %.1f s; 1080p MP4, CRF 23\n", seconds);
    const Measured few = RenderInChild(Job(two, seconds, work + "/two.mp4"));
    const Measured many = RenderInChild(Job(all, seconds, work + "/twenty.mp4"));
    std::printf(" 2 clips: %6.1f s to render %5.1f s of video (%.2fx real time), peak %ld KB\n",
                few.seconds, 2 * seconds, 2 * seconds / few.seconds, few.peakKb);
    std::printf("20 clips: %6.1f s to render %5.1f s of video (%.2fx real time), peak %ld KB\n",
                many.seconds, 20 * seconds, 20 * seconds / many.seconds, many.peakKb);
    std::printf("peak memory, 20 clips / 2 clips: %.3f\n", double(many.peakKb) / few.peakKb);

    // ffmpeg on the two clips: trimmed to the slide, scaled, one fade.
    QStringList args{"-v", "error", "-y"};
    for (const QString& clip : two) args << "-i" << clip;
    const QString filter = QString(
                               "[0:v]trim=0:%1,fps=25,scale=1920:1080,setpts=PTS-STARTPTS[a];"
                               "[1:v]trim=0:%2,fps=25,scale=1920:1080,setpts=PTS-STARTPTS[b];"
                               "[a][b]xfade=transition=fade:duration=1:offset=%3,format=yuv420p[v]")
                               .arg(seconds + 1)
                               .arg(seconds)
                               .arg(seconds);
    args << "-filter_complex" << filter << "-map"
         << "[v]"
         << "-c:v"
         << "libx264"
         << "-crf"
         << "23" << work + "/ffmpeg.mp4";
    const auto start = std::chrono::steady_clock::now();
    if (!Run("ffmpeg", args)) return 1;
    const double ffmpeg =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("ffmpeg, 2 clips: %6.1f s (%.2fx real time); ours / ffmpeg time: %.2f\n", ffmpeg,
                2 * seconds / ffmpeg, few.seconds / ffmpeg);
    return 0;
}
