// Video clips as slides: the peak memory of a render with twenty 1080p clips
// against one with two, and the render speed as a multiple of real time
// against the equivalent ffmpeg command. Each render runs in a process of
// its own (this program started again), so each peak is its own; ffmpeg's
// peak is printed beside them.
//
//   bin/bench_clips [work folder] [seconds per slide, 10] [seconds per clip, 10]
//
// The clips are 1920x1080 at 30 fps (testsrc2 and noise, so the decoder has
// real work), made here by the ffmpeg program: two, copied to twenty files,
// each opened as a file of its own. The video is 1080p MP4 at CRF 23 with
// 1 s fades between the clips, a 2 s intro and outro (1080p clips without
// sound) and a half-transparent logo in the bottom right corner on every
// frame. ffmpeg does the same with the two clips as inputs: trimmed, 25 fps,
// scaled (held on their last frame when the slide outlasts them), an xfade,
// the intro and outro concatenated, the logo overlaid, libx264 at the
// writer's preset.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "IntroClip.h"
#include "RenderEngine.h"

extern "C" {
#include <libavutil/log.h>
}

extern char** environ;

namespace {

// Longer than this, a render or an ffmpeg run is stopped and reported.
constexpr int kLimitSeconds = 3600;
constexpr char kPreset[] = "veryfast";  // the writer's (VideoWriter.cpp)
constexpr double kBookendSeconds = 2;

struct Measured {
    bool ok = false;
    double seconds = 0;
    long peakKb = 0;
    std::string problem;
};

// Runs `program` (found on PATH) and waits for it; its wall time and peak
// resident memory.
Measured Run(const QString& program, const QStringList& args) {
    std::vector<std::string> words{program.toStdString()};
    for (const QString& arg : args) words.push_back(arg.toStdString());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    Measured m;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        m.problem = "cannot start " + words[0];
        return m;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        m.problem = "lost " + words[0];
        return m;
    }
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakKb = usage.ru_maxrss;
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (WIFSIGNALED(status))
        m.problem = WTERMSIG(status) == SIGALRM || WTERMSIG(status) == SIGXCPU
                        ? "did not finish within " + std::to_string(kLimitSeconds) + " s"
                        : "killed by signal " + std::to_string(WTERMSIG(status));
    else if (!m.ok)
        m.problem = "failed";
    if (!m.ok)
        m.problem = program.toStdString() + " " + args.join(' ').toStdString() + ": " + m.problem;
    return m;
}

// The ffmpeg program, quiet, held to the time limit (of CPU time).
Measured RunFfmpeg(const QStringList& args) {
    return Run(
        "ffmpeg",
        QStringList{"-v", "error", "-y", "-timelimit", QString::number(kLimitSeconds)} + args);
}

bool Ffmpeg(const QStringList& args) {
    const Measured m = RunFfmpeg(args);
    if (!m.ok) std::fprintf(stderr, "%s\n", m.problem.c_str());
    return m.ok;
}

QString ClipPath(const QString& work, int i) {
    return work + QString("/clip%1.mp4").arg(i, 2, 10, QChar('0'));
}

// The render itself, in the child: `count` clips of the work folder.
int RenderClips(const QString& work, int count, double seconds) {
    alarm(kLimitSeconds);
    av_log_set_level(AV_LOG_ERROR);  // x264's settings and the MP4's second pass, unprinted
    vm::RenderJob job;
    job.width = 1920;
    job.height = 1080;
    job.container = "mp4";
    job.codec = "libx264";
    job.quality = 23;
    for (int i = 0; i < count; ++i) {
        vm::RenderJob::Image image{ClipPath(work, i).toStdString(), seconds};
        image.clip = true;
        job.images.push_back(image);
        if (i > 0) job.transitions.push_back({1, seconds * double(i), seconds * double(i) + 1.0});
    }
    std::string error;
    for (auto [bookend, name] : {std::pair{&job.intro, "/intro.mp4"}, {&job.outro, "/outro.mp4"}})
        if (!vm::IntroClip::Measure((work + name).toStdString(), 1, bookend, &error)) {
            std::fprintf(stderr, "%s: %s\n", name, error.c_str());
            return 1;
        }
    job.logo.path = (work + "/logo.png").toStdString();
    job.logo.opacity = 0.8;
    job.outputPath = (work + QString("/ours%1.mp4").arg(count)).toStdString();
    const vm::RenderResult result = vm::RenderVideo(job, nullptr, {});
    if (!result.ok) std::fprintf(stderr, "render failed: %s\n", result.Text().c_str());
    return result.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--render")
        return RenderClips(argv[2], std::atoi(argv[3]), std::atof(argv[4]));

    const QString work = argc > 1 ? argv[1] : QDir::tempPath() + "/bench_clips";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    const double clipSeconds = argc > 3 ? std::atof(argv[3]) : 10.0;
    if (seconds < 2 || clipSeconds <= 0) {
        std::fprintf(stderr,
                     "usage: %s [work folder] [seconds per slide >= 2] [seconds per clip]\n",
                     argv[0]);
        return 2;
    }
    QDir().mkpath(work);
    // Made once per length (a stamp file says which), then reused.
    QFile stamp(work + "/clips.txt");
    const QByteArray made = QByteArray::number(clipSeconds);
    const bool fresh = !stamp.open(QIODevice::ReadOnly) || stamp.readAll() != made;
    stamp.close();
    for (int i = 0; i < 20; ++i) {
        const QString path = ClipPath(work, i);
        if (!fresh && QFile::exists(path)) continue;
        QFile::remove(path);
        if (i >= 2) {
            if (!QFile::copy(ClipPath(work, i % 2), path)) return 1;
            continue;
        }
        const QString source =
            QString("testsrc2=s=1920x1080:r=30:d=%1,noise=alls=12:allf=t+u,hue=h=%2")
                .arg(clipSeconds)
                .arg(i * 120);
        if (!Ffmpeg({"-f", "lavfi", "-i", source, "-c:v", "libx264", "-preset", kPreset, "-pix_fmt",
                     "yuv420p", path}))
            return 1;
    }
    for (const char* name : {"intro", "outro"}) {
        const QString path = work + "/" + name + ".mp4";
        if (QFile::exists(path)) continue;
        const QString source = QString("testsrc=s=1920x1080:r=30:d=%1,hue=s=%2")
                                   .arg(kBookendSeconds)
                                   .arg(name[0] == 'i' ? 0 : 2);
        if (!Ffmpeg({"-f", "lavfi", "-i", source, "-c:v", "libx264", "-preset", kPreset, "-pix_fmt",
                     "yuv420p", path}))
            return 1;
    }
    const QString logo = work + "/logo.png";
    if (!QFile::exists(logo) &&
        !Ffmpeg({"-f", "lavfi", "-i",
                 "testsrc=s=400x200:d=1,format=rgba,"
                 "geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='if(lt(hypot(X-200,Y-100),95),255,0)'",
                 "-frames:v", "1", logo}))
        return 1;
    if (!stamp.open(QIODevice::WriteOnly) || stamp.write(made) != made.size()) return 1;
    stamp.close();

    std::printf(
        "clips: 1920x1080, 30 fps, %.1f s; slides of %.1f s, 1 s fades; %.0f s intro and outro; "
        "a logo; 1080p MP4, CRF 23\n",
        clipSeconds, seconds, kBookendSeconds);
    std::fflush(stdout);
    const QString self = QFile::symLinkTarget("/proc/self/exe");
    Measured runs[2];
    const int counts[2] = {2, 20};
    for (int k = 0; k < 2; ++k) {
        runs[k] =
            Run(self, {"--render", work, QString::number(counts[k]), QString::number(seconds)});
        if (!runs[k].ok) {
            std::fprintf(stderr, "%s\n", runs[k].problem.c_str());
            return 1;
        }
        const double length = counts[k] * seconds + 2 * kBookendSeconds;
        std::printf(
            "%2d clips: %6.1f s to render %5.1f s of video (%.2fx real time), peak %ld KB\n",
            counts[k], runs[k].seconds, length, length / runs[k].seconds, runs[k].peakKb);
        std::fflush(stdout);
    }
    std::printf("peak memory, 20 clips / 2 clips: %.3f\n", double(runs[1].peakKb) / runs[0].peakKb);

    // ffmpeg on the two clips, the intro and outro, and the logo.
    const QString fps = "fps=25,scale=1920:1080,setsar=1,setpts=PTS-STARTPTS";
    const QString filter = QString(
                               "[0:v]%1[intro];[3:v]%1[outro];"
                               "[1:v]%1,tpad=stop_mode=clone:stop_duration=%2,trim=0:%2[a];"
                               "[2:v]%1,tpad=stop_mode=clone:stop_duration=%3,trim=0:%3[b];"
                               "[a][b]xfade=transition=fade:duration=1:offset=%3[slides];"
                               "[intro][slides][outro]concat=n=3:v=1:a=0[body];"
                               "[4:v]scale=288:144,format=rgba,colorchannelmixer=aa=0.8[logo];"
                               "[body][logo]overlay=W-w-58:H-h-58,format=yuv420p[v]")
                               .arg(fps)
                               .arg(seconds + 1)
                               .arg(seconds);
    const QStringList args{"-i",
                           work + "/intro.mp4",
                           "-i",
                           ClipPath(work, 0),
                           "-i",
                           ClipPath(work, 1),
                           "-i",
                           work + "/outro.mp4",
                           "-i",
                           logo,
                           "-filter_complex",
                           filter,
                           "-map",
                           "[v]",
                           "-c:v",
                           "libx264",
                           "-preset",
                           kPreset,
                           "-crf",
                           "23",
                           work + "/ffmpeg2.mp4"};
    const Measured ffmpeg = RunFfmpeg(args);
    if (!ffmpeg.ok) {
        std::fprintf(stderr, "%s\n", ffmpeg.problem.c_str());
        return 1;
    }
    const double length = 2 * seconds + 2 * kBookendSeconds;
    std::printf(
        "ffmpeg, 2 clips: %6.1f s (%.2fx real time), peak %ld KB; ours / ffmpeg time: %.2f\n",
        ffmpeg.seconds, length / ffmpeg.seconds, ffmpeg.peakKb, runs[0].seconds / ffmpeg.seconds);
    return 0;
}
