// Renders the reference slideshow with slow zoom and pan, with our renderer
// and with the equivalent ffmpeg command (each picture looped, scaled up 2x,
// zoompan, an xfade chain), and prints wall times, their ratio, our peak
// memory, and where our time goes per frame.
//
//   bin/bench_motion [work folder]
//
// Reference: six detailed 1920x1080 JPEGs, 4 s a slide, 1 s fades at
// 4..20 s, a narration spoken by espeak-ng (about 25 s), MPEG-4 at
// quantiser 4 in AVI; each slide zooms or pans 10% over its 5 s on screen.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "AudioMix.h"
#include "ImageLoader.h"
#include "MediaLength.h"
#include "MotionPath.h"
#include "ReferenceSlides.h"
#include "RenderEngine.h"
#include "SpVoice.h"
#include "Narration.h"
#include "VideoLayout.h"
#include "VideoPipeline.h"
#include "VideoWriter.h"
#include "WavFile.h"
#include "WindowResampler.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace {

using bench::ImagePath;
using bench::kSlides;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kStrength = 0.10;
// One motion of each kind, in slide order; the ffmpeg command does the same.
const vm::Motion kMotions[kSlides] = {vm::Motion::ZoomIn,  vm::Motion::PanRight,
                                      vm::Motion::ZoomOut, vm::Motion::PanLeft,
                                      vm::Motion::PanDown, vm::Motion::PanUp};

const char* kNarration =
    "Looking for a dentist you can trust? Our friendly team has cared for families in this town "
    "for over twenty years. We offer gentle check-ups, whitening, implants and emergency visits, "
    "with early morning and Saturday appointments to fit your busy week. New patients are always "
    "welcome, and we work with most insurance plans. Call us today and book the visit you have "
    "been putting off. Your smile will thank you.";

// Photo-like pictures with fine detail everywhere: colour fields, grain,
// thin lines, small text and rings, so that a shaking zoom would show and
// the encoder has real work.
void WriteImages(const QString& dir) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> grain(-10, 10);
    for (int i = 0; i < kSlides; ++i) {
        QImage image(kWidth, kHeight, QImage::Format_RGB888);
        for (int y = 0; y < kHeight; ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                const double u = double(x) / kWidth, v = double(y) / kHeight;
                const double r = 128 + 90 * std::sin(6.0 * u + i + 3 * std::sin(4 * v));
                const double g = 128 + 90 * std::sin(5.0 * v - i + 2 * std::cos(7 * u));
                const double b = 128 + 90 * std::sin(9.0 * (u + v) + i * 0.7);
                const int n = grain(random);
                line[x * 3 + 0] = uchar(std::clamp(int(r) + n, 0, 255));
                line[x * 3 + 1] = uchar(std::clamp(int(g) + n, 0, 255));
                line[x * 3 + 2] = uchar(std::clamp(int(b) + n, 0, 255));
            }
        }
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int k = 0; k < 60; ++k) {
            painter.setPen(QPen(QColor::fromHsv((k * 37 + i * 50) % 360, 200, 240), 1 + k % 3));
            painter.drawEllipse(QPointF(kWidth / 2.0, kHeight / 2.0), 12.0 * k + i, 9.0 * k + i);
        }
        painter.setPen(QPen(Qt::white, 1));
        for (int x = 0; x < kWidth; x += 7) painter.drawLine(x, 0, x + 40, 120);
        QFont font("DejaVu Sans", 14);
        painter.setFont(font);
        for (int row = 0; row < 12; ++row)
            painter.drawText(
                40, 200 + row * 70,
                QString("Slide %1, line %2: the quick brown fox jumps over the lazy dog")
                    .arg(i + 1)
                    .arg(row + 1));
        painter.end();
        image.save(ImagePath(dir, i), "JPG", 92);
    }
}

// The narration spoken by espeak-ng; a generated 25 s warble when no voice
// speaks here.
QString WriteNarration(const QString& dir, double* seconds) {
    SpVoice voice;
    for (const VoiceToken& token : voice.GetVoices())
        if (token.Engine() == "espeak-ng" && token.Id() == "gmw/en-US") voice.setVoice(token);
    const QString path = dir + "/narration.wav";
    QString error;
    if (vm::SpeakNarrationFile(voice, kNarration, path, seconds, &error)) return path;
    std::fprintf(stderr, "espeak-ng did not speak (%s): a generated 25 s sound instead\n",
                 qPrintable(error));
    const int rate = 22050, count = 25 * rate;
    std::vector<int16_t> samples(count);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        samples[i] =
            int16_t(9000 * std::sin(2 * M_PI * (180 + 60 * std::sin(2 * M_PI * 3 * t)) * t));
    }
    vm::WriteWav(path, samples, rate, nullptr);
    *seconds = 25;
    return path;
}

vm::RenderJob MotionJob(const QString& dir) {
    vm::RenderJob job;
    job.width = kWidth;
    job.height = kHeight;
    job.codec = "mpeg4";
    job.codecName = "MPEG-4 part 2";
    job.quality = 4;
    for (int i = 0; i < kSlides; ++i) {
        job.images.push_back({ImagePath(dir, i).toStdString(), 4, kMotions[i], kStrength});
        if (i > 0) job.transitions.push_back({1, 4.0 * i, 4.0 * i + 1});
    }
    // The last picture a second longer, as the fades of the others: 5 s each on screen.
    job.images.push_back(job.images.back());
    job.images.back().duration = 1;
    job.voices.push_back({(dir + "/narration.wav").toStdString(), 0, 25});
    job.outputPath = (dir + "/ours.avi").toStdString();
    return job;
}

// Our render, in this (child) process.
int RenderOurs(const QString& dir) {
    const vm::RenderResult result = vm::RenderVideo(MotionJob(dir), nullptr, std::stop_token());
    if (!result.ok) std::fprintf(stderr, "our render failed: %s\n", result.Text().c_str());
    return result.ok ? 0 : 1;
}

// zoompan's window (x, y, zoom) for each of our motions; `on` counts the
// 125 frames of a slide.
std::string Zoompan(vm::Motion motion) {
    const std::string s = std::to_string(kStrength), t = "(on/124)";
    std::string zoom = std::to_string(1 + kStrength);
    std::string x = "(iw-iw/zoom)/2", y = "(ih-ih/zoom)/2";
    switch (motion) {
        case vm::Motion::ZoomIn:
            zoom = "1+" + s + "*" + t;
            break;
        case vm::Motion::ZoomOut:
            zoom = "1+" + s + "*(1-" + t + ")";
            break;
        case vm::Motion::PanLeft:
            x = "(iw-iw/zoom)*(1-" + t + ")";
            break;
        case vm::Motion::PanRight:
            x = "(iw-iw/zoom)*" + t;
            break;
        case vm::Motion::PanUp:
            y = "(ih-ih/zoom)*(1-" + t + ")";
            break;
        case vm::Motion::PanDown:
            y = "(ih-ih/zoom)*" + t;
            break;
        default:
            break;
    }
    return "zoompan=z='" + zoom + "':x='" + x + "':y='" + y + "':d=1:s=1920x1080:fps=25";
}

std::vector<std::string> FfmpegCommand(const QString& dir) {
    std::vector<std::string> ffmpeg = bench::FfmpegSlideInputs(dir);
    std::string graph;
    for (int i = 0; i < kSlides; ++i)
        graph += "[" + std::to_string(i) + ":v]scale=3840:2160," + Zoompan(kMotions[i]) +
                 ",setsar=1[s" + std::to_string(i) + "];";
    graph += bench::FadeChain();
    ffmpeg.insert(ffmpeg.end(),
                  {"-filter_complex", graph, "-map", "[v]", "-map", std::to_string(kSlides) + ":a",
                   "-c:v", "mpeg4", "-q:v", "4", "-c:a", "pcm_s16le", "-t", "25",
                   (dir + "/ffmpeg.avi").toStdString()});
    return ffmpeg;
}

using bench::Run;
using bench::RunChild;

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

vm::CanvasFormat Canvas(int width, int height) {
    return vm::CanvasFormat{width, height, AV_PIX_FMT_YUV420P, false, false};
}

// Milliseconds per 1080p frame of our resampler over one slide's zoom.
double ResampleMs(const AVFrame* working, int threads, int frames) {
    vm::WindowResampler resampler(threads);
    vm::RenderResult result;
    vm::av::FramePtr out = vm::MakeBlackCanvas(Canvas(kWidth, kHeight), &result);
    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f)
        resampler.Draw(working,
                       vm::MotionWindowAt(vm::Motion::ZoomIn, kStrength, double(f) / (frames - 1)),
                       out.get());
    return Since(start) / frames;
}

// Milliseconds per frame of libavfilter's perspective filter (the library's
// sub-pixel resampler, bicubic) making the same zoom from the frame-size
// picture, its window set per frame.
double PerspectiveMs(const AVFrame* still, int frames) {
    AVFilterGraph* graph = avfilter_graph_alloc();
    graph->nb_threads = 2;
    AVFilterContext *source = nullptr, *sink = nullptr;
    const std::string args = "video_size=1920x1080:pix_fmt=yuv420p:time_base=1/25:pixel_aspect=1/1";
    // The window's corners as a zoom in of 10% over `frames` frames.
    const std::string z =
        "(0.5-0.5/(1+" + std::to_string(kStrength) + "*in/" + std::to_string(frames - 1) + "))";
    const std::string corners = "x0=W*" + z + ":y0=H*" + z + ":x1=W-W*" + z + ":y1=H*" + z +
                                ":x2=W*" + z + ":y2=H-H*" + z + ":x3=W-W*" + z + ":y3=H-H*" + z +
                                ":interpolation=cubic:eval=frame";
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", args.c_str(),
                                 nullptr, graph);
    avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                 graph);
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    double ms = -1;
    if (avfilter_graph_parse_ptr(graph, ("perspective=" + corners).c_str(), &inputs, &outputs,
                                 nullptr) >= 0 &&
        avfilter_graph_config(graph, nullptr) >= 0) {
        const auto start = std::chrono::steady_clock::now();
        AVFrame* out = av_frame_alloc();
        for (int f = 0; f < frames; ++f) {
            AVFrame* in = av_frame_clone(still);
            in->pts = f;
            if (av_buffersrc_add_frame(source, in) < 0) break;
            av_frame_free(&in);
            while (av_buffersink_get_frame(sink, out) >= 0) av_frame_unref(out);
        }
        av_frame_free(&out);
        ms = Since(start) / frames;
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    avfilter_graph_free(&graph);
    return ms;
}

// Milliseconds per frame of encoding and writing our moving frames with
// MPEG-4 at quantiser 4 on `threads` encoder threads, and the file's size.
double EncodeMs(const AVFrame* working, const QString& dir, int frames, int threads,
                double* megabytes) {
    vm::RenderJob job = MotionJob(dir);
    job.voices.clear();
    job.outputPath = (dir + "/encode-only.avi").toStdString();
    vm::RenderResult result;
    vm::VideoWriter writer;
    if (!writer.Open(job, frames, nullptr, &result, threads)) return -1;
    vm::WindowResampler resampler(2);
    std::vector<vm::av::FramePtr> pictures;
    for (int f = 0; f < frames; ++f) {
        pictures.push_back(vm::MakeBlackCanvas(Canvas(kWidth, kHeight), &result));
        resampler.Draw(
            working, vm::MotionWindowAt(vm::Motion::PanRight, kStrength, double(f) / (frames - 1)),
            pictures.back().get());
    }
    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames && result.ok; ++f)
        writer.WriteVideo(pictures[size_t(f)].get(), f, f == 0, &result);
    writer.Finish(&result);
    *megabytes = QFileInfo(QString::fromStdString(job.outputPath)).size() / 1e6;
    return result.ok ? Since(start) / frames : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--ours") return RenderOurs(argv[2]);

    // Text is drawn into the pictures: a GUI application without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? argv[1] : QDir::tempPath() + "/vidmill_bench_motion";
    QDir().mkpath(dir);
    double narration = 0;
    std::printf("preparing 6 pictures and the narration in %s\n", qPrintable(dir));
    WriteImages(dir);
    WriteNarration(dir, &narration);
    std::printf("narration: %.1f s (the video is 25 s; MPEG-4 q4, 1920x1080, 625 frames)\n",
                narration);

    const Run ours = RunChild({argv[0], "--ours", dir.toStdString()});
    const Run theirs = RunChild(FfmpegCommand(dir));
    std::printf("ours:   %6.2f s wall, %6.2f s CPU, peak memory %4.0f MB (exit %d)\n", ours.seconds,
                ours.cpuSeconds, ours.maxRssKb / 1024.0, ours.status);
    std::printf("ffmpeg: %6.2f s wall, %6.2f s CPU, peak memory %4.0f MB (exit %d)\n",
                theirs.seconds, theirs.cpuSeconds, theirs.maxRssKb / 1024.0, theirs.status);
    std::printf("ratio:  ours is %.1fx faster (wall), %.1fx less CPU\n",
                theirs.seconds / ours.seconds, theirs.cpuSeconds / ours.cpuSeconds);

    // Where our time goes, per 1080p frame.
    vm::RenderResult result;
    int workWidth = 0, workHeight = 0;
    vm::WorkingSize(kWidth, kHeight, kStrength, &workWidth, &workHeight);
    const vm::av::FramePtr working =
        vm::LoadPicture(ImagePath(dir, 0).toStdString(), Canvas(workWidth, workHeight), &result);
    const vm::av::FramePtr still =
        vm::LoadPicture(ImagePath(dir, 0).toStdString(), Canvas(kWidth, kHeight), &result);
    if (!working || !still) {
        std::fprintf(stderr, "%s\n", result.Text().c_str());
        return 1;
    }
    const int frames = 125;
    std::printf("\nper frame (1080p, %d frames each):\n", frames);
    std::printf("  our resampler, 1 thread:            %6.2f ms\n",
                ResampleMs(working.get(), 1, frames));
    std::printf("  our resampler, 2 threads:           %6.2f ms\n",
                ResampleMs(working.get(), 2, frames));
    std::printf("  libavfilter perspective (bicubic):  %6.2f ms\n",
                PerspectiveMs(still.get(), frames));
    for (int threads : {1, 2}) {
        double megabytes = 0;
        const double ms = EncodeMs(working.get(), dir, frames, threads, &megabytes);
        std::printf("  MPEG-4 q4 encoding, %d thread%s:      %6.2f ms (%.1f MB)\n", threads,
                    threads == 1 ? " " : "s", ms, megabytes);
    }
    // The machine may be shared: wall times are only fair when it is idle.
    double load[1] = {};
    if (getloadavg(load, 1) == 1) std::printf("load average during the run: %.1f\n", load[0]);
    return ours.status == 0 && theirs.status == 0 ? 0 : 1;
}
