// Renders the reference slideshow as an MP4 with burned-in captions, with our
// renderer and with the equivalent ffmpeg command, and prints for each the
// wall and CPU time, the peak memory and the file size, plus what FFmpeg
// reads back from both files (length, frame size, frames, sound) and whether
// they show the same pictures at the same times. Then it prints the cost of a
// portrait video (1080x1920, the picture on a blurred copy of itself) against
// the landscape one (1920x1080, the picture on black), both captioned.
//
//   bin/bench_captions [--before OTHER/bench_captions] [work folder]
//
// With --before, the same slideshow is also made by another build of this
// benchmark (its render child, e.g. one built from the previous commit by
// bench/build_before.sh), in the same run, so the two are compared on the
// same machine at the same time.
//
// Reference: six 1920x1080 JPEGs, 4 s a slide, 1 s transitions, a ~25 s
// narration spoken by espeak-ng (gmw/en-US) with its captions, H.264 CRF 23
// and AAC in MP4. Every render runs in a process of its own so its peak
// memory is its own. Without a work folder everything goes in a temporary
// folder that is removed at the end; in a given folder the files stay for a
// look. Exit code 1 when a render, a check or a measurement failed.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "BatchSettings.h"
#include "Captions.h"
#include "FfmpegPtr.h"
#include "Narration.h"
#include "ReferenceSlides.h"
#include "RenderCap.h"
#include "RenderEngine.h"
#include "RenderTimeline.h"
#include "SpVoice.h"
#include "SpeechEngine.h"
#include "SpeechPool.h"
#include "TimingPlan.h"
#include "VideoLayout.h"
#include "VideoPipeline.h"
#include "VideoRandom.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

constexpr int kSecondsPerSlide = 4;
constexpr int kCrf = 23;
// The same preset as the MP4 writer (VideoWriter.cpp).
constexpr char kPreset[] = "veryfast";
constexpr uint64_t kSeed = 1;

// About 25 seconds of espeak-ng's American English.
const char* const kAdText =
    "Looking for a new dentist who really listens to you? At Bright Smile Dental, our friendly "
    "team treats every patient like family, from the first checkup to the final polish. We offer "
    "gentle cleanings, modern whitening, and same day crowns, all at fair and honest prices. "
    "Evening and weekend appointments make it easy to fit a visit into your busy week. Call us "
    "today and book your free consultation with our caring team, right here in town.";

using bench::ImagePath;
using bench::kSlides;
using bench::WriteImages;

// The narration's length and timed words, handed to the render processes in
// a file: "<seconds>" and then "<start>\t<end>\t<word>" a line.
QString WordsFile(const QString& dir) {
    return dir + "/words.txt";
}

bool SaveWords(const QString& path, double seconds, const std::vector<vm::NarrationWord>& words) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QTextStream out(&file);
    out << QString::number(seconds, 'g', 17) << "\n";
    for (const vm::NarrationWord& w : words)
        out << QString::number(w.start, 'g', 17) << "\t" << QString::number(w.end, 'g', 17) << "\t"
            << w.text << "\n";
    return true;
}

bool LoadWords(const QString& path, double* seconds, std::vector<vm::NarrationWord>* words) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    if (lines.isEmpty()) return false;
    *seconds = lines[0].toDouble();
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split('\t');
        if (f.size() != 3) return false;
        words->push_back({f[2], f[0].toDouble(), f[1].toDouble()});
    }
    return true;
}

// The render job as a batch lays it out (one video, no keyword, the batch's
// random choices from kSeed), with the narration's captions burned in.
bool BuildJob(const QString& dir, double narrationSeconds,
              const std::vector<vm::NarrationWord>& words, int width, int height,
              const std::string& fit, vm::RenderJob* job, QString* error) {
    vm::BatchSettings settings;
    settings.Set(vm::setting::adCopies, {kAdText});
    for (int i = 0; i < kSlides; ++i) settings.slides << ImagePath(dir, i);
    settings.Set(vm::setting::secondsPerSlide, kSecondsPerSlide);
    
    settings.Set(vm::setting::transitions, true);
    settings.Set(vm::setting::randomize, false);
    settings.width = width;
    settings.height = height;
    settings.codec = "libx264";
    settings.codecName = "H.264";
    settings.quality = kCrf;
    settings.container = "mp4";
    settings.Set(vm::setting::fit, QString::fromStdString(fit));
    settings.captionsBurned = true;

    vm::VideoRandom random(kSeed, 0);
    if (vm::PickAdCopy(settings.Get(vm::setting::adCopies), QString(), random) < 0) {
        *error = "the ad copy has no words";
        return false;
    }
    vm::TimingInput input;
    input.hasNarration = true;
    input.narrationSeconds = narrationSeconds;
    input.secondsPerSlide = settings.Get(vm::setting::secondsPerSlide);
    input.slideCount = int(settings.slides.size());
    vm::TimingPlan plan;
    if (!vm::ComputeTimingPlan(input, plan, error)) return false;
    const QStringList slides = vm::VideoSlides(settings, plan, random);
    if (!vm::LayoutVideo(settings, slides, plan, dir + "/narration.wav", vm::MusicTrack{}, random,
                         job, error))
        return false;
    job->container = settings.container;
    job->fit = settings.Get(vm::setting::fit).toStdString();
    job->captions = vm::BurnedCaptions(vm::MakeCaptionCues(words));
    job->highlightWords = false;
    return true;
}

// A render in this (child) process:
//   --render <dir> <width> <height> <fit> <output> <times file>
// The times file gets "<seconds to the first encoded frame> <seconds in all>".
int RenderChild(char** argv) {
    av_log_set_level(AV_LOG_ERROR);  // as vidmill-batch: the encoders' chatter off
    const QString dir = QString::fromLocal8Bit(argv[2]);
    double seconds = 0;
    std::vector<vm::NarrationWord> words;
    if (!LoadWords(WordsFile(dir), &seconds, &words)) {
        std::fprintf(stderr, "render: cannot read %s\n", qPrintable(WordsFile(dir)));
        return 2;
    }
    vm::RenderJob job;
    QString error;
    if (!BuildJob(dir, seconds, words, std::atoi(argv[3]), std::atoi(argv[4]), argv[5], &job,
                  &error)) {
        std::fprintf(stderr, "render: %s\n", qPrintable(error));
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    auto since = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double firstFrame = -1;
    const vm::RenderResult result = vm::RenderVideoFile(
        job, argv[6],
        [&](int frame, int) {
            if (firstFrame < 0 && frame > 0) firstFrame = since();
        },
        std::stop_token{});
    const double total = since();
    if (!result.ok) {
        std::fprintf(stderr, "render failed: %s\n", result.Text().c_str());
        return 1;
    }
    if (FILE* f = std::fopen(argv[7], "w")) {
        std::fprintf(f, "%.4f %.4f\n", firstFrame, total);
        std::fclose(f);
    }
    return 0;
}

using bench::Run;
using bench::RunChild;

std::string SelfPath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    path[n] = 0;
    return path;
}

// Text as one value of a filter option inside a filter graph: escaped for
// the option parser, then for the graph parser.
std::string FilterValue(const std::string& text) {
    std::string option, graph;
    for (char c : text) {
        if (c == '\\' || c == '\'' || c == ':') option += '\\';
        option += c;
    }
    for (char c : option) {
        if (c == '\\' || c == '\'' || c == '[' || c == ']' || c == ',' || c == ';') graph += '\\';
        graph += c;
    }
    return graph;
}

std::string Seconds(int frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", double(frames) / vm::kFramesPerSecond);
    return text;
}

// The ffmpeg command that makes the same video: every picture a looped
// input for as long as it is on screen (transitions included), chained with
// xfade at the plan's frames, the captions from the SRT file, then the same
// encoder settings as ours. False when the plan has a cut without a
// transition (the reference job has none).
bool FfmpegCommand(const vm::RenderJob& job, const std::string& srt, const std::string& output,
                   std::vector<std::string>* command, std::string* error) {
    const vm::FramePlan plan = vm::MakeFramePlan(job);
    struct Clip {
        int picture;  // -1: black
        int start;
        int end;
        int fadeFrames = 0;  // transition from the clip before
        int type = 0;
    };
    std::vector<Clip> clips;
    std::vector<int> keyframes;
    for (size_t s = 0; s < plan.segments.size(); ++s) {
        const vm::PlanSegment& seg = plan.segments[s];
        const int end = seg.firstFrame + seg.frameCount;
        if (seg.kind == vm::PlanSegment::Kind::Transition) {
            if (clips.empty()) clips.push_back({seg.fromPicture, 0, 0});
            if (clips.back().picture != seg.fromPicture) {
                *error = "a transition from a picture that is not on screen";
                return false;
            }
            clips.back().end = end;
            clips.push_back({seg.picture, seg.firstFrame, end, seg.frameCount, seg.transitionType});
            if (s == 0) keyframes.push_back(seg.firstFrame);
        } else {
            if (clips.empty()) clips.push_back({seg.picture, seg.firstFrame, end});
            if (clips.back().picture != seg.picture) {
                *error = "a cut without a transition";
                return false;
            }
            clips.back().end = std::max(clips.back().end, end);
            if (seg.keyframe) keyframes.push_back(seg.firstFrame);
        }
    }
    if (clips.empty()) {
        *error = "nothing on the timeline";
        return false;
    }
    clips.back().end = plan.totalFrames;

    const std::string size = std::to_string(job.width) + "x" + std::to_string(job.height);
    const std::string w = std::to_string(job.width), h = std::to_string(job.height);
    std::vector<std::string>& c = *command;
    c = {"ffmpeg", "-v", "error", "-nostdin", "-y"};
    std::string graph;
    int inputs = 0;
    for (size_t i = 0; i < clips.size(); ++i) {
        const std::string label = "c" + std::to_string(i);
        const std::string length = Seconds(clips[i].end - clips[i].start);
        if (clips[i].picture < 0) {
            graph += "color=c=black:s=" + size + ":r=25:d=" + length + ",setsar=1[" + label + "];";
            continue;
        }
        c.insert(c.end(), {"-loop", "1", "-framerate", "25", "-t", length, "-i",
                           plan.pictures[size_t(clips[i].picture)]});
        graph += "[" + std::to_string(inputs++) + ":v]scale=" + w + ":" + h +
                 ":force_original_aspect_ratio=decrease:out_color_matrix=bt709:out_range=tv,"
                 "pad=" +
                 w + ":" + h + ":(ow-iw)/2:(oh-ih)/2,setsar=1[" + label + "];";
    }
    std::string last = "c0";
    for (size_t i = 1; i < clips.size(); ++i) {
        const std::string out = "x" + std::to_string(i);
        graph += "[" + last + "][c" + std::to_string(i) +
                 "]xfade=transition=" + vm::XfadeTransitionName(clips[i].type) +
                 ":duration=" + Seconds(clips[i].fadeFrames) +
                 ":offset=" + Seconds(clips[i].start) + "[" + out + "];";
        last = out;
    }
    graph += "[" + last + "]subtitles=filename=" + FilterValue(srt) + ",format=yuv420p[v];";
    graph += "[" + std::to_string(inputs) + ":a]apad[a]";
    c.insert(c.end(), {"-i", job.voices.at(0).path});
    std::string forced;
    for (int k : keyframes) forced += (forced.empty() ? "" : ",") + Seconds(k);
    c.insert(c.end(), {"-filter_complex",
                       graph,
                       "-map",
                       "[v]",
                       "-map",
                       "[a]",
                       "-c:v",
                       "libx264",
                       "-preset",
                       kPreset,
                       "-crf",
                       std::to_string(job.quality),
                       "-profile:v",
                       "high",
                       "-bf",
                       "2",
                       "-force_key_frames",
                       forced,
                       "-sc_threshold",
                       "0",
                       "-pix_fmt",
                       "yuv420p",
                       "-colorspace",
                       "bt709",
                       "-color_primaries",
                       "bt709",
                       "-color_trc",
                       "bt709",
                       "-color_range",
                       "tv",
                       "-c:a",
                       "aac",
                       "-b:a",
                       "128k",
                       "-ar",
                       "48000",
                       "-ac",
                       "2",
                       "-t",
                       Seconds(plan.totalFrames),
                       "-movflags",
                       "+faststart",
                       output});
    return true;
}

std::string Quoted(const std::vector<std::string>& command) {
    std::string text;
    for (const std::string& a : command) {
        const bool plain = a.find_first_of(" ;[]'\"(),:*") == std::string::npos && !a.empty();
        text += (text.empty() ? "" : " ") + (plain ? a : "'" + a + "'");
    }
    return text;
}

// What FFmpeg reads back from a video file.
struct Probe {
    bool ok = false;
    std::string error;
    double formatSeconds = 0;
    double videoSeconds = 0;
    double audioSeconds = 0;
    int width = 0;
    int height = 0;
    int64_t frames = 0;
    std::string videoCodec;
    std::string audioCodec;
    int audioRate = 0;
    int audioChannels = 0;
};

Probe ProbeFile(const std::string& path) {
    Probe p;
    AVFormatContext* format = nullptr;
    if (int rc = avformat_open_input(&format, path.c_str(), nullptr, nullptr); rc < 0) {
        p.error = "cannot open: " + vm::av::ErrorText(rc);
        return p;
    }
    if (int rc = avformat_find_stream_info(format, nullptr); rc < 0) {
        p.error = "no stream info: " + vm::av::ErrorText(rc);
        avformat_close_input(&format);
        return p;
    }
    p.formatSeconds = format->duration > 0 ? format->duration / double(AV_TIME_BASE) : 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* st = format->streams[i];
        const double seconds = st->duration > 0 ? st->duration * av_q2d(st->time_base) : 0;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && p.width == 0) {
            p.width = st->codecpar->width;
            p.height = st->codecpar->height;
            p.videoSeconds = seconds;
            p.frames = st->nb_frames;
            p.videoCodec = avcodec_get_name(st->codecpar->codec_id);
        } else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && p.audioRate == 0) {
            p.audioSeconds = seconds;
            p.audioRate = st->codecpar->sample_rate;
            p.audioChannels = st->codecpar->ch_layout.nb_channels;
            p.audioCodec = avcodec_get_name(st->codecpar->codec_id);
        }
    }
    avformat_close_input(&format);
    p.ok = p.width > 0;
    if (!p.ok) p.error = "no video stream";
    return p;
}

// Mean luma of the picture shown at each of `frames` (sorted frame numbers),
// in 16x16 blocks over the top 70% of the frame (the captions are below), so
// two encodings of the same picture come out alike. A frame held on screen
// (a file with frames of varying length) counts until the next one.
bool ShownBlocks(const std::string& path, const std::vector<int>& frames,
                 std::vector<std::vector<double>>* blocks, std::string* error) {
    AVFormatContext* format = nullptr;
    if (int rc = avformat_open_input(&format, path.c_str(), nullptr, nullptr); rc < 0) {
        *error = vm::av::ErrorText(rc);
        return false;
    }
    bool ok = false;
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    AVFrame* shown = av_frame_alloc();
    bool haveShown = false;
    size_t next = 0;
    auto take = [&](const AVFrame* f) {
        std::vector<double> out;
        const int bw = 16, rows = f->height * 7 / 10 / bw, cols = f->width / bw;
        for (int by = 0; by < rows; ++by)
            for (int bx = 0; bx < cols; ++bx) {
                long sum = 0;
                for (int y = by * bw; y < (by + 1) * bw; ++y) {
                    const uint8_t* line = f->data[0] + ptrdiff_t(y) * f->linesize[0];
                    for (int x = bx * bw; x < (bx + 1) * bw; ++x) sum += line[x];
                }
                out.push_back(double(sum) / (bw * bw));
            }
        blocks->push_back(std::move(out));
    };
    do {
        if (avformat_find_stream_info(format, nullptr) < 0) break;
        const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream < 0) break;
        const AVStream* st = format->streams[stream];
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        decoder = avcodec_alloc_context3(codec);
        if (!decoder || avcodec_parameters_to_context(decoder, st->codecpar) < 0 ||
            avcodec_open2(decoder, codec, nullptr) < 0)
            break;
        // Frames come out in display order; each checkpoint takes the last
        // picture that started at or before it.
        auto receive = [&] {
            while (avcodec_receive_frame(decoder, frame) >= 0) {
                const int64_t pts = frame->best_effort_timestamp;
                const double at = pts == AV_NOPTS_VALUE ? 0 : pts * av_q2d(st->time_base);
                const int index = int(std::lround(at * vm::kFramesPerSecond));
                while (next < frames.size() && frames[next] < index && haveShown) {
                    take(shown);
                    ++next;
                }
                av_frame_unref(shown);
                av_frame_move_ref(shown, frame);
                haveShown = true;
            }
        };
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream) avcodec_send_packet(decoder, packet);
            av_packet_unref(packet);
            receive();
        }
        avcodec_send_packet(decoder, nullptr);
        receive();
        while (haveShown && next < frames.size()) {
            take(shown);
            ++next;
        }
        ok = next == frames.size();
    } while (false);
    if (!ok) *error = "cannot decode " + path;
    av_frame_free(&shown);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return ok;
}

double MeanDifference(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size() || a.empty()) return 999;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
    return sum / double(a.size());
}

struct Times {
    double firstFrame = 0;
    double render = 0;
};

Times ReadTimes(const std::string& path) {
    Times t;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        if (std::fscanf(f, "%lf %lf", &t.firstFrame, &t.render) != 2) t = Times{};
        std::fclose(f);
    }
    return t;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double FileMB(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).size() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 8 && std::string(argv[1]) == "--render") return RenderChild(argv);

    QCoreApplication app(argc, argv);
    std::string before;  // another build's bench_captions
    QString folder;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--before" && i + 1 < argc)
            before = argv[++i];
        else
            folder = QString::fromLocal8Bit(argv[i]);
    }
    QTemporaryDir scratch(QDir::tempPath() + "/bench_captions-XXXXXX");
    const QString dir = !folder.isEmpty() ? folder : scratch.path();
    if (!QDir().mkpath(dir)) {
        std::printf("FAILED: cannot make the work folder %s\n", qPrintable(dir));
        return 1;
    }
    const std::string self = SelfPath();
    const std::string work = dir.toStdString();
    QStringList failures;
    auto failed = [&](const QString& what) {
        failures << what;
        std::printf("FAILED: %s\n", qPrintable(what));
    };

    // The pictures and the narration.
    std::printf("Captioned MP4 slideshow: our renderer against ffmpeg\nwork folder %s\n",
                qPrintable(dir));
    // The machine may be shared: wall times are only fair when it is idle.
    double load[1] = {};
    if (getloadavg(load, 1) == 1) std::printf("load average at the start: %.1f\n", load[0]);
    std::printf("\n");
    QElapsedTimer clock;
    clock.start();
    if (!WriteImages(dir)) {
        failed("cannot write the images");
        return 1;
    }
    std::printf("images:     %d JPEGs 1920x1080 (%.1f s to make)\n", kSlides,
                clock.nsecsElapsed() / 1e9);

    std::string engineError;
    auto espeak = vm::speech::EspeakEngine(&engineError);
    if (!espeak) {
        failed("espeak-ng cannot be used: " + QString::fromStdString(engineError));
        return 1;
    }
    SpVoice voice({espeak});
    VoiceToken token;
    for (const VoiceToken& t : voice.GetVoices())
        if (t.Engine() == "espeak-ng" && t.Id() == "gmw/en-US") token = t;
    if (token.IsNull()) {
        failed("the espeak-ng voice gmw/en-US is missing");
        return 1;
    }
    voice.setVoice(token);
    double narrationSeconds = 0;
    std::vector<vm::NarrationWord> words;
    QString error;
    clock.restart();
    if (!vm::SpeakNarrationFile(voice, kAdText, dir + "/narration.wav", &narrationSeconds, &error,
                                &words)) {
        failed("narration: " + error);
        return 1;
    }
    const double speakSeconds = clock.nsecsElapsed() / 1e9;
    const int textWords = int(QString(kAdText).split(' ', Qt::SkipEmptyParts).size());
    std::printf("narration:  %d words, %.2f s of speech (%s), %zu words timed, spoken in %.2f s\n",
                textWords, narrationSeconds, qPrintable(token.GetDescription()), words.size(),
                speakSeconds);
    if (words.empty()) {
        failed("the speech engine timed no words");
        return 1;
    }

    // Captions.
    clock.restart();
    const std::vector<vm::CaptionCue> cues = vm::MakeCaptionCues(words);
    const QString srtText = vm::SrtText(cues);
    const std::vector<vm::RenderJob::Caption> burned = vm::BurnedCaptions(cues);
    const double captionMs = clock.nsecsElapsed() / 1e6;
    const std::string srt = work + "/captions.srt";
    {
        QFile file(QString::fromStdString(srt));
        if (!file.open(QIODevice::WriteOnly) || file.write(srtText.toUtf8()) < 0) {
            failed("cannot write " + file.fileName());
            return 1;
        }
    }
    std::printf("captions:   %zu cues (%zu burned), made in %.2f ms, SRT %lld bytes\n", cues.size(),
                burned.size(), captionMs, static_cast<long long>(srtText.toUtf8().size()));
    if (!SaveWords(WordsFile(dir), narrationSeconds, words)) {
        failed("cannot write " + WordsFile(dir));
        return 1;
    }

    // The job, laid out as a batch does; the ffmpeg command follows its plan.
    vm::RenderJob job;
    if (!BuildJob(dir, narrationSeconds, words, 1920, 1080, "fit", &job, &error)) {
        failed("layout: " + error);
        return 1;
    }
    const vm::FramePlan plan = vm::MakeFramePlan(job);
    const double planned = double(plan.totalFrames) / vm::kFramesPerSecond;
    std::printf("plan:       %.2f s (%d frames at %d fps), slides:", planned, plan.totalFrames,
                vm::kFramesPerSecond);
    for (const vm::RenderJob::Image& image : job.images)
        std::printf(" %s %.0f s",
                    qPrintable(QFileInfo(QString::fromStdString(image.path)).fileName()),
                    image.duration);
    std::printf("\n            transitions:");
    for (const vm::RenderJob::Transition& t : job.transitions)
        std::printf(" %s %.0f-%.0f s", vm::XfadeTransitionName(t.type), t.from, t.to);
    std::printf("\n");

    const std::string oursPath = work + "/ours.mp4";
    const std::string ffmpegPath = work + "/ffmpeg.mp4";
    std::vector<std::string> ffmpeg;
    std::string commandError;
    if (!FfmpegCommand(job, srt, ffmpegPath, &ffmpeg, &commandError)) {
        failed("the ffmpeg command: " + QString::fromStdString(commandError));
        return 1;
    }
    std::printf("\nffmpeg command:\n  %s\n\n", Quoted(ffmpeg).c_str());

    auto render = [&](int width, int height, const char* fit, const std::string& output) {
        return RunChild({self, "--render", work, std::to_string(width), std::to_string(height), fit,
                         output, output + ".times"});
    };

    // Ours, then ffmpeg, then (asked for) the other build's.
    const Run ours = render(1920, 1080, "fit", oursPath);
    const Times oursTimes = ReadTimes(oursPath + ".times");
    if (!ours.Ok()) failed(QString("our render (exit %1)").arg(ours.status));
    const Run theirs = RunChild(ffmpeg);
    if (!theirs.Ok()) failed(QString("ffmpeg (exit %1)").arg(theirs.status));
    const std::string beforePath = work + "/before.mp4";
    Run earlier;
    if (!before.empty()) {
        earlier = RunChild(
            {before, "--render", work, "1920", "1080", "fit", beforePath, beforePath + ".times"});
        if (!earlier.Ok())
            failed(QString("the other build's render (exit %1)").arg(earlier.status));
    }

    // "cores" is CPU time over wall time: how many cores the run kept busy.
    std::printf("%-8s %9s %9s %6s %12s %10s\n", "", "wall", "CPU", "cores", "peak memory", "file");
    auto row = [](const char* name, const Run& r, double mb) {
        std::printf("%-8s %7.2f s %7.2f s %6.2f %9.0f MB %7.2f MB", name, r.seconds, r.cpuSeconds,
                    r.seconds > 0 ? r.cpuSeconds / r.seconds : 0, r.maxRssKb / 1024.0, mb);
    };
    row("ours", ours, FileMB(oursPath));
    std::printf("   (render call %.2f s, first frame encoded after %.2f s)\n", oursTimes.render,
                oursTimes.firstFrame);
    row("ffmpeg", theirs, FileMB(ffmpegPath));
    std::printf("\n");
    if (earlier.Ok()) {
        row("before", earlier, FileMB(beforePath));
        std::printf("   (%s)\n", before.c_str());
    }
    const double speedup = ours.seconds > 0 ? theirs.seconds / ours.seconds : 0;
    std::printf("ffmpeg / ours: %.1fx wall, %.1fx CPU   (target: at least 6x wall) %s\n", speedup,
                ours.cpuSeconds > 0 ? theirs.cpuSeconds / ours.cpuSeconds : 0,
                speedup >= 6 ? "met" : "MISSED");
    if (earlier.Ok())
        std::printf(
            "ffmpeg / before: %.1fx wall, %.1fx CPU; ours / before: %.2fx wall, %.2fx "
            "CPU, %.2fx the size\n",
            theirs.seconds / earlier.seconds, theirs.cpuSeconds / earlier.cpuSeconds,
            ours.seconds / earlier.seconds, ours.cpuSeconds / earlier.cpuSeconds,
            FileMB(oursPath) / FileMB(beforePath));
    std::printf("our peak memory: %.0f MB   (target: under 300 MB) %s\n", ours.maxRssKb / 1024.0,
                ours.maxRssKb < 300 * 1024 ? "met" : "MISSED");

    // End to end with the default voice (festival): its narration of the
    // same text spoken by one helper (as before) and by the batch's helpers
    // (one per core, the text's lines at once), plus our render of the
    // reference video, against the ffmpeg command given its narration free.
    if (ours.Ok() && theirs.Ok()) {
        auto festivalNarration = [&](int helpers, double* speech) {
            auto pool = std::make_shared<vm::speech::SpeechPool>(
                SpVoice::HelperProgram().toStdString(), helpers);
            SpVoice festival(vm::speech::HelperEngines(pool));
            festival.setVoice(VoiceToken("festival", "cmu_us_slt_arctic_hts", "festival"));
            std::vector<vm::NarrationWord> timed;
            QString why;
            QElapsedTimer t;
            t.start();
            const bool ok = vm::SpeakNarrationFile(festival, kAdText, dir + "/festival.wav", speech,
                                                   &why, &timed);
            const double took = t.nsecsElapsed() / 1e9;
            if (!ok) failed("festival narration: " + why);
            return ok ? took : 0.0;
        };
        double speech = 0;
        festivalNarration(1, &speech);  // festival's voice read from the disk once
        const double alone = festivalNarration(1, &speech);
        const int cores = vm::RenderCapHere(1920, 1080).cores;
        const double pooled = festivalNarration(cores, &speech);
        const double endToEnd = pooled + ours.seconds;
        std::printf(
            "festival end to end: narration %.2f s (%.2f s of speech; one helper %.2f s, %d "
            "helpers %.2f s) + our render %.2f s = %.2f s; ffmpeg / ours: %.1fx wall   (target: "
            "at least 8x) %s\n",
            pooled, speech, alone, cores, pooled, ours.seconds, endToEnd, theirs.seconds / endToEnd,
            theirs.seconds / endToEnd >= 8 ? "met" : "MISSED");
        QFile::remove(dir + "/festival.wav");
    }

    // What FFmpeg reads back.
    std::printf("\nread back (planned: %.2f s, 1920x1080):\n", planned);
    auto check = [&](const char* name, const std::string& path, int width, int height) {
        const Probe p = ProbeFile(path);
        if (!p.ok) {
            failed(QString("%1: %2").arg(name, QString::fromStdString(p.error)));
            return;
        }
        const bool lengthOk =
            std::abs(p.formatSeconds - planned) <= 0.1 && std::abs(p.videoSeconds - planned) <= 0.1;
        const bool sizeOk = p.width == width && p.height == height;
        std::printf(
            "  %-16s %.3f s (video %.3f s, %lld frames stored, sound %.3f s %s %d Hz "
            "%d ch), %s %dx%d  %s\n",
            name, p.formatSeconds, p.videoSeconds, static_cast<long long>(p.frames), p.audioSeconds,
            p.audioCodec.c_str(), p.audioRate, p.audioChannels, p.videoCodec.c_str(), p.width,
            p.height, lengthOk && sizeOk ? "ok" : "WRONG");
        if (!lengthOk) failed(QString("%1 is not %2 s long").arg(name).arg(planned));
        if (!sizeOk) failed(QString("%1 is not %2x%3").arg(name).arg(width).arg(height));
    };
    if (ours.Ok()) check("ours", oursPath, 1920, 1080);
    if (theirs.Ok()) check("ffmpeg", ffmpegPath, 1920, 1080);
    if (earlier.Ok()) check("before", beforePath, 1920, 1080);

    // The two show the same pictures at the same times: the middle of every
    // still and of every transition, compared above the captions.
    if (ours.Ok() && theirs.Ok()) {
        std::vector<int> at;
        std::vector<std::string> what;
        for (const vm::PlanSegment& s : plan.segments) {
            at.push_back(s.firstFrame + s.frameCount / 2);
            what.push_back(s.kind == vm::PlanSegment::Kind::Still
                               ? "still"
                               : vm::XfadeTransitionName(s.transitionType));
        }
        std::vector<std::vector<double>> a, b;
        std::string decodeError;
        if (!ShownBlocks(oursPath, at, &a, &decodeError) ||
            !ShownBlocks(ffmpegPath, at, &b, &decodeError)) {
            failed(QString::fromStdString(decodeError));
        } else {
            // Two different slides differ by far more than this; the same
            // picture through two encoders by far less.
            constexpr double kSame = 6.0;
            double worst = 0, other = 999;
            std::printf(
                "\nsame pictures at the same times (mean luma difference of 16x16 "
                "blocks, 0-255, above the captions):\n ");
            for (size_t i = 0; i < at.size(); ++i) {
                const double d = MeanDifference(a[i], b[i]);
                worst = std::max(worst, d);
                std::printf(" %s@%.2fs %.1f", what[i].c_str(), double(at[i]) / vm::kFramesPerSecond,
                            d);
                // For scale: ours at this point against ffmpeg at the next one.
                if (i + 1 < at.size()) other = std::min(other, MeanDifference(a[i], b[i + 1]));
            }
            std::printf(
                "\n  worst %.1f (at most %.0f expected); neighbouring points differ by at "
                "least %.1f\n",
                worst, kSame, other);
            if (worst > kSame) failed("ours and ffmpeg's do not show the same pictures");
        }
    }

    // Portrait on a blurred copy against landscape on black, both captioned,
    // three renders each taken in turns; the medians are compared.
    std::printf(
        "\nportrait blur against landscape fit, captions burned, 3 renders each in "
        "turns:\n");
    std::vector<double> portraitWall, landscapeWall, portraitCpu, landscapeCpu;
    long portraitRss = 0, landscapeRss = 0;
    const std::string portraitPath = work + "/portrait.mp4";
    const std::string landscapePath = work + "/landscape.mp4";
    for (int round = 0; round < 3; ++round) {
        const Run p = render(1080, 1920, "blur", portraitPath);
        const Run l = render(1920, 1080, "fit", landscapePath);
        if (!p.Ok()) failed(QString("portrait render (exit %1)").arg(p.status));
        if (!l.Ok()) failed(QString("landscape render (exit %1)").arg(l.status));
        if (!p.Ok() || !l.Ok()) break;
        portraitWall.push_back(p.seconds);
        landscapeWall.push_back(l.seconds);
        portraitCpu.push_back(p.cpuSeconds);
        landscapeCpu.push_back(l.cpuSeconds);
        portraitRss = std::max(portraitRss, p.maxRssKb);
        landscapeRss = std::max(landscapeRss, l.maxRssKb);
        std::printf("  round %d: portrait %.2f s (%.2f s CPU), landscape %.2f s (%.2f s CPU)\n",
                    round + 1, p.seconds, p.cpuSeconds, l.seconds, l.cpuSeconds);
    }
    if (portraitWall.size() == 3) {
        const double ratio = Median(portraitWall) / Median(landscapeWall);
        std::printf("  1080x1920 blur: median %.2f s wall, %.2f s CPU, peak %.0f MB, %.2f MB\n",
                    Median(portraitWall), Median(portraitCpu), portraitRss / 1024.0,
                    FileMB(portraitPath));
        std::printf("  1920x1080 fit:  median %.2f s wall, %.2f s CPU, peak %.0f MB, %.2f MB\n",
                    Median(landscapeWall), Median(landscapeCpu), landscapeRss / 1024.0,
                    FileMB(landscapePath));
        std::printf("  portrait / landscape: %.2fx wall, %.2fx CPU   (target: at most 1.20x) %s\n",
                    ratio, Median(portraitCpu) / Median(landscapeCpu),
                    ratio <= 1.2 ? "met" : "MISSED");
        check("portrait blur", portraitPath, 1080, 1920);
        // The headline ratio again, against every landscape render of ours
        // (the median of four, the upper one of the middle two).
        std::vector<double> all = landscapeWall;
        all.push_back(ours.seconds);
        std::printf(
            "\nffmpeg / ours against the median of our %zu landscape renders (%.2f s): "
            "%.1fx wall\n",
            all.size(), Median(all), theirs.seconds / Median(all));
    }

    if (getloadavg(load, 1) == 1) std::printf("\nload average at the end: %.1f\n", load[0]);
    for (const char* name : {"ours.mp4", "portrait.mp4", "landscape.mp4", "before.mp4"})
        QFile::remove(dir + "/" + name + ".times");
    if (!failures.isEmpty()) {
        std::printf("\n%lld thing(s) failed:\n", static_cast<long long>(failures.size()));
        for (const QString& f : failures) std::printf("  %s\n", qPrintable(f));
        return 1;
    }
    return 0;
}
