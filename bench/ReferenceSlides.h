#pragma once

// The reference slideshow's pictures, shared by the benchmarks: six
// 1920x1080 JPEGs with photo-like detail (smooth colour fields, rings and
// grain), so the encoders and the scalers do real work.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace bench {

constexpr int kSlides = 6;

inline QString ImagePath(const QString& dir, int i) {
    return dir + QString("/img%1.jpg").arg(i);
}

inline bool WriteImages(const QString& dir) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> grain(-12, 12);
    for (int i = 0; i < kSlides; ++i) {
        QImage image(1920, 1080, QImage::Format_RGB888);
        for (int y = 0; y < image.height(); ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < image.width(); ++x) {
                const double u = x / 1920.0, v = y / 1080.0;
                const double r = 128 + 100 * std::sin(6.0 * u + i + 3 * std::sin(4 * v));
                const double g = 128 + 100 * std::sin(5.0 * v - i + 2 * std::cos(7 * u));
                const double b = 128 + 100 * std::sin(9.0 * (u + v) + i * 0.7);
                const bool ring =
                    std::fmod(std::hypot(x - 960.0, y - 540.0) / (30 + 10 * i), 2.0) < 0.3;
                const int n = grain(random);
                line[x * 3 + 0] = uchar(std::clamp(int(ring ? 255 - r : r) + n, 0, 255));
                line[x * 3 + 1] = uchar(std::clamp(int(g) + n, 0, 255));
                line[x * 3 + 2] = uchar(std::clamp(int(b) + n, 0, 255));
            }
        }
        if (!image.save(ImagePath(dir, i), "JPG", 90)) return false;
    }
    return true;
}

// One program run in a process of its own: its wall and CPU time, and its
// own peak memory.
struct Run {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system
    long maxRssKb = 0;
    int status = -1;
    bool Ok() const { return status == 0; }
};

// The start of an ffmpeg command over the reference slideshow: each picture
// looped for five seconds (its four and a transition), then the narration.
inline std::vector<std::string> FfmpegSlideInputs(const QString& dir) {
    std::vector<std::string> ffmpeg = {"ffmpeg", "-v", "error", "-y"};
    for (int i = 0; i < kSlides; ++i)
        for (const std::string& a :
             {std::string("-loop"), std::string("1"), std::string("-framerate"), std::string("25"),
              std::string("-t"), std::string("5"), std::string("-i"),
              ImagePath(dir, i).toStdString()})
            ffmpeg.push_back(a);
    ffmpeg.insert(ffmpeg.end(), {"-i", (dir + "/narration.wav").toStdString()});
    return ffmpeg;
}

// The slides [s0] ... [s5] faded one into the next, a second at each four,
// into [v].
inline std::string FadeChain() {
    std::string graph, last = "s0";
    for (int i = 1; i < kSlides; ++i) {
        const std::string out = i + 1 == kSlides ? "v" : "x" + std::to_string(i);
        graph += "[" + last + "][s" + std::to_string(i) +
                 "]xfade=transition=fade:duration=1:offset=" + std::to_string(4 * i) + "[" + out +
                 "]" + (i + 1 == kSlides ? "" : ";");
        last = out;
    }
    return graph;
}

inline Run RunChild(const std::vector<std::string>& args) {
    std::fflush(stdout);
    std::fflush(stderr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    Run run;
    if (pid < 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.maxRssKb = usage.ru_maxrss;
    run.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                     usage.ru_stime.tv_usec / 1e6;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace bench
