// Renders the reference slideshow with our renderer and with the equivalent
// ffmpeg command, and prints wall times, their ratio and peak memory.
//
//   bin/bench_render [work folder]
//
// Reference: six 1920x1080 JPEGs, 4 s a slide, 1 s transitions at 4..20 s,
// a 25 s narration, MPEG-4 at quantiser 4, 16-bit PCM.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "Compressors.h"
#include "ReferenceSlides.h"
#include "RenderEngine.h"
#include "WavFile.h"

namespace {

using bench::ImagePath;
using bench::kSlides;
using bench::WriteImages;

// 25 s of a voice-like warble, 22.05 kHz mono 16-bit.
void WriteNarration(const QString& path) {
    const int rate = 22050, count = 25 * rate;
    std::vector<int16_t> samples(count);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        const double f = 180 + 60 * std::sin(2 * M_PI * 3 * t);
        samples[i] =
            int16_t(9000 * std::sin(2 * M_PI * f * t) * (0.6 + 0.4 * std::sin(2 * M_PI * 0.7 * t)));
    }
    vm::WriteWav(path, samples, rate, nullptr);
}

// Our render, in this (child) process.
int RenderOurs(const QString& dir) {
    const Compressors& list = Compressors::Instance();
    vm::RenderJob job;
    job.width = 1920;
    job.height = 1080;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Item(i)->codec != "mpeg4") continue;
        job.codec = "mpeg4";
        job.codecName = list.Name(i).toStdString();
        job.quality = 4;
    }
    if (job.codec != "mpeg4") return 2;
    for (int i = 0; i < kSlides; ++i) {
        job.images.push_back({ImagePath(dir, i).toStdString(), 4});
        if (i > 0) job.transitions.push_back({1, 4.0 * i, 4.0 * i + 1});
    }
    job.images.push_back({ImagePath(dir, kSlides - 1).toStdString(), 1});
    job.voices.push_back({(dir + "/narration.wav").toStdString(), 0, 25});
    const vm::RenderResult result =
        vm::RenderVideoFile(job, (dir + "/ours.avi").toStdString(), {}, {});
    if (!result.ok) {
        std::fprintf(stderr, "our render failed: %s\n", result.Text().c_str());
        return 1;
    }
    return 0;
}

using bench::Run;
using bench::RunChild;

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--ours") return RenderOurs(argv[2]);

    const QString dir = argc > 1 ? argv[1] : QDir::tempPath() + "/vidmill_bench";
    QDir().mkpath(dir);
    std::printf("preparing 6 images and a 25 s narration in %s\n", qPrintable(dir));
    WriteImages(dir);
    WriteNarration(dir + "/narration.wav");

    std::vector<std::string> ffmpeg = bench::FfmpegSlideInputs(dir);
    std::string graph;
    for (int i = 0; i < kSlides; ++i)
        graph += "[" + std::to_string(i) +
                 ":v]scale=1920:1080:force_original_aspect_ratio=decrease,"
                 "pad=1920:1080:(ow-iw)/2:(oh-ih)/2,setsar=1[s" +
                 std::to_string(i) + "];";
    graph += bench::FadeChain();
    ffmpeg.insert(ffmpeg.end(), {"-filter_complex", graph, "-map", "[v]", "-map",
                                 std::to_string(kSlides) + ":a", "-c:v", "mpeg4", "-q:v", "4",
                                 "-c:a", "pcm_s16le", (dir + "/ffmpeg.avi").toStdString()});

    const Run ours = RunChild({argv[0], "--ours", dir.toStdString()});
    const Run theirs = RunChild(ffmpeg);
    std::printf("ours:   %.2f s wall, %.2f s CPU, peak memory %.0f MB (exit %d)\n", ours.seconds,
                ours.cpuSeconds, ours.maxRssKb / 1024.0, ours.status);
    std::printf("ffmpeg: %.2f s wall, %.2f s CPU, peak memory %.0f MB (exit %d)\n", theirs.seconds,
                theirs.cpuSeconds, theirs.maxRssKb / 1024.0, theirs.status);
    std::printf("ratio:  ours is %.1fx faster (wall), %.1fx less CPU\n",
                theirs.seconds / ours.seconds, theirs.cpuSeconds / ours.cpuSeconds);
    // The machine may be shared: wall times are only fair when it is idle.
    double load[1] = {};
    if (getloadavg(load, 1) == 1) std::printf("load average during the run: %.1f\n", load[0]);
    return ours.status == 0 && theirs.status == 0 ? 0 : 1;
}
