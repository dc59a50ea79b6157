// MP4 on a slideshow of photographs: our writer against ffmpeg's libx264 on
// the same frames, and what the file looks like to the tools it meets.
//
//   bin/bench_mp4 [work folder]
//
// Seven photographs (Debian's lomiri-wallpapers-16.04, /usr/share/backgrounds,
// CC BY 4.0 and CC BY-SA 4.0 by their authors) as a 28 s landscape 1080p
// slideshow, a transition into each slide, and a beep at each slide's start
// for a sound to time against the pictures. Our renderer makes it twice:
// lossless (CRF 0, every frame exactly what the encoder was given) and at
// CRF 23. ffmpeg's libx264 encodes the lossless render at the same preset and
// CRF, with its own defaults and with the GOPs and B-frames upload guides
// ask for. Printed: size, SSIM and PSNR against the lossless render, PSNR a
// second over one slide, and what ffprobe, MediaInfo, mkvmerge and MLT's
// melt make of our file. Exit code 1 when something failed or a check missed.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "RenderEngine.h"
#include "RenderTimeline.h"

namespace {

constexpr int kCrf = 23;
constexpr char kPreset[] = "veryfast";  // the writer's (VideoWriter.cpp)
constexpr double kSlideSeconds = 4;
constexpr double kTransitionSeconds = 1;

const char* const kPhotos[] = {
    "Bridge_by_Sander_Klootwijk.jpg",        "aitzgorri_by_Aitzol_Berasategi.jpg",
    "life_by_Aitzol_Berasategi.jpg",         "seeding_by_Clements_Engelhardt.jpg",
    "sunset_by_Aitzol_Berasategi.jpg",       "umang_by_Abhishek_Mudgal.jpg",
    "picosdeeuropa_by_Aitzol_Berasategi.jpg"};
const char* const kPhotoFolder = "/usr/share/backgrounds";
const char* const kTransitions[] = {"fade",   "wipeleft",   "circleopen", "vertopen",
                                    "radial", "smoothleft", "dissolve"};

QStringList failures;
void Failed(const QString& what) {
    failures << what;
    std::printf("FAILED: %s\n", qPrintable(what));
}

// A 22.05 kHz mono WAV (a speech engine's kind) of `seconds`, silent but for
// a 1 kHz beep of 0.1 s at each of `beeps`.
bool WriteBeeps(const QString& path, double seconds, const std::vector<double>& beeps) {
    const int rate = 22050;
    std::vector<int16_t> samples(size_t(seconds * rate), 0);
    for (double at : beeps)
        for (int i = 0; i < rate / 10; ++i) {
            const size_t n = size_t(std::lround(at * rate)) + size_t(i);
            if (n < samples.size())
                samples[n] = int16_t(12000 * std::sin(2 * M_PI * 1000.0 * i / rate));
        }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    auto u32 = [&](uint32_t v) { file.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { file.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t bytes = uint32_t(samples.size() * 2);
    file.write("RIFF");
    u32(36 + bytes);
    file.write("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    file.write("data");
    u32(bytes);
    file.write(reinterpret_cast<const char*>(samples.data()), bytes);
    return true;
}

struct Command {
    bool ok = false;
    QString out;
    QString err;
    double seconds = 0;
};

Command RunCommand(const QString& program, const QStringList& args, int timeoutMs = 600000) {
    Command c;
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        c.err = program + " did not start";
        return c;
    }
    p.waitForFinished(timeoutMs);
    c.seconds = clock.nsecsElapsed() / 1e9;
    c.out = QString::fromUtf8(p.readAllStandardOutput());
    c.err = QString::fromUtf8(p.readAllStandardError());
    c.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return c;
}

// SSIM (all planes) and PSNR (average of the planes) of `path` against the
// reference, and PSNR frame by frame.
struct Quality {
    double ssim = 0;
    double psnr = 0;
    std::vector<double> framePsnr;
};

Quality Measure(const QString& path, const QString& reference, const QString& work) {
    Quality q;
    const QString stats = work + "/psnr.log";
    const Command c = RunCommand(
        "ffmpeg", {"-v", "info", "-nostdin", "-i", path, "-i", reference, "-lavfi",
                   "[0:v]split[a][b];[1:v]split[c][d];[a][c]ssim;[b][d]psnr=stats_file=" + stats,
                   "-f", "null", "-"});
    if (!c.ok) {
        Failed("measuring " + path + ": " + c.err.right(300));
        return q;
    }
    static const QRegularExpression ssim("SSIM .* All:([0-9.]+)");
    static const QRegularExpression psnr("PSNR .* average:([0-9.inf]+)");
    const auto s = ssim.match(c.err), p = psnr.match(c.err);
    q.ssim = s.hasMatch() ? s.captured(1).toDouble() : 0;
    q.psnr = p.hasMatch() ? p.captured(1).toDouble() : 0;
    QFile file(stats);
    if (file.open(QIODevice::ReadOnly)) {
        static const QRegularExpression frame("psnr_avg:([0-9.inf]+)");
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
            const auto m = frame.match(line);
            if (m.hasMatch())
                q.framePsnr.push_back(m.captured(1) == "inf" ? 99.0 : m.captured(1).toDouble());
        }
    }
    return q;
}

double MB(const QString& path) {
    return QFileInfo(path).size() / 1e6;
}

// What ffprobe says of the video stream (its frames counted by decoding
// them when nb_read_frames is asked for).
QString Probe(const QString& path, const QString& entries) {
    QStringList args = {"-v",    "error", "-select_streams", "v:0", "-show_entries",
                        entries, "-of",   "default=nw=1",    path};
    if (entries.contains("nb_read_frames")) args.prepend("-count_frames");
    return RunCommand("ffprobe", args).out.trimmed();
}

// Where the beeps start in a file's sound, in seconds from the start of its
// sound: the first sample over a quarter of the beep's level after a quiet
// third of a second.
std::vector<double> BeepOnsets(const QString& path) {
    QProcess p;
    p.start("ffmpeg", {"-v", "error", "-nostdin", "-i", path, "-map", "0:a:0", "-ac", "1", "-ar",
                       "48000", "-f", "s16le", "-"});
    p.waitForFinished(600000);
    const QByteArray raw = p.readAllStandardOutput();
    const auto* samples = reinterpret_cast<const int16_t*>(raw.constData());
    const size_t count = size_t(raw.size()) / 2;
    std::vector<double> onsets;
    size_t quiet = 0;
    for (size_t i = 0; i < count; ++i) {
        if (std::abs(int(samples[i])) > 3000) {
            if (quiet >= 16000) onsets.push_back(double(i) / 48000);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return onsets;
}

// Every frame of a file's video as a 64x36 grey thumbnail.
std::vector<QByteArray> Thumbnails(const QString& path) {
    QProcess p;
    p.start("ffmpeg", {"-v", "error", "-nostdin", "-i", path, "-map", "0:v:0", "-vf",
                       "scale=64:36,format=gray", "-f", "rawvideo", "-"});
    p.waitForFinished(600000);
    const QByteArray raw = p.readAllStandardOutput();
    std::vector<QByteArray> frames;
    for (int at = 0; at + 64 * 36 <= raw.size(); at += 64 * 36)
        frames.push_back(raw.mid(at, 64 * 36));
    return frames;
}

// Mean difference of the thumbnails of `a` against those of `b` shifted by
// `lag` frames, over the frames where `b` changes (a shift shows there).
double ThumbnailDifference(const std::vector<QByteArray>& a, const std::vector<QByteArray>& b,
                           int lag) {
    double sum = 0;
    int count = 0;
    for (size_t i = 1; i + 1 < b.size(); ++i) {
        const long j = long(i) + lag;
        if (j < 0 || j >= long(a.size()) || b[i] == b[i - 1]) continue;
        for (int k = 0; k < b[i].size(); ++k)
            sum += std::abs(int(uchar(a[size_t(j)][k])) - int(uchar(b[i][k])));
        count += b[i].size();
    }
    return count ? sum / count : 999;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);  // as vidmill-batch: the encoders' chatter off
    const bool reuse = qEnvironmentVariableIsSet("BENCH_MP4_REUSE");
    QTemporaryDir scratch(QDir::tempPath() + "/bench_mp4-XXXXXX");
    const QString work = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path();
    QDir().mkpath(work);
    std::printf("MP4 of a photo slideshow: our writer against ffmpeg's libx264\nwork folder %s\n",
                qPrintable(work));
    double load[1] = {};
    if (getloadavg(load, 1) == 1) std::printf("load average at the start: %.1f\n", load[0]);

    vm::RenderJob job;
    job.width = 1920;
    job.height = 1080;
    job.container = "mp4";
    job.codec = "libx264";
    job.codecName = "H.264";
    std::vector<double> slideStarts;
    double at = 0;
    for (const char* photo : kPhotos) {
        const QString path = QString(kPhotoFolder) + "/" + photo;
        if (!QFile::exists(path)) {
            Failed(path + " is missing (scripts/setup.sh installs lomiri-wallpapers-16.04)");
            return 1;
        }
        job.images.push_back({path.toStdString(), kSlideSeconds});
        job.transitions.push_back({vm::TransitionTypeNamed(kTransitions[slideStarts.size()]), at,
                                   at + kTransitionSeconds});
        slideStarts.push_back(at + kTransitionSeconds);  // the first settled frame
        at += kSlideSeconds;
    }
    const QString beeps = work + "/beeps.wav";
    if (!WriteBeeps(beeps, at, slideStarts)) {
        Failed("cannot write " + beeps);
        return 1;
    }
    job.voices.push_back({beeps.toStdString(), 0, at});
    const vm::FramePlan plan = vm::MakeFramePlan(job);
    std::printf(
        "plan: %d frames (%.2f s) at 1920x1080, %zu photographs, %.0f s a slide with a "
        "%.0f s transition into each\n\n",
        plan.totalFrames, plan.totalFrames / 25.0, job.images.size(), kSlideSeconds,
        kTransitionSeconds);

    auto render = [&](int crf, const QString& path) {
        vm::RenderJob j = job;
        j.quality = crf;
        QElapsedTimer clock;
        clock.start();
        const vm::RenderResult r = vm::RenderVideoFile(j, path.toStdString(), {}, {});
        if (!r.ok)
            Failed("render CRF " + QString::number(crf) + ": " + QString::fromStdString(r.Text()));
        return clock.nsecsElapsed() / 1e9;
    };
    const QString lossless = work + "/lossless.mp4", ours = work + "/ours.mp4";
    const double losslessSeconds = reuse && QFile::exists(lossless) ? 0 : render(0, lossless);
    const double oursSeconds = render(kCrf, ours);
    std::printf("lossless render %.1f s (%.1f MB); ours at CRF %d %.1f s\n", losslessSeconds,
                MB(lossless), kCrf, oursSeconds);
    if (!failures.isEmpty()) return 1;

    // ffmpeg's libx264 from the lossless render: as users run it, then with
    // the GOPs and B-frames the upload guides ask for.
    QString forced;
    for (double s : slideStarts) forced += (forced.isEmpty() ? "" : ",") + QString::number(s);
    struct Encode {
        const char* name;
        QStringList options;
    };
    const std::vector<Encode> encodes = {
        {"ffmpeg -preset veryfast -crf 23", {}},
        {"  + a closed GOP a slide, 2 B-frames",
         {"-bf", "2", "-force_key_frames", forced, "-sc_threshold", "0"}},
        {"  + a closed GOP a slide, 3 B-frames",
         {"-force_key_frames", forced, "-sc_threshold", "0"}},
        {"  + closed GOPs of 2 s, 2 B-frames",
         {"-bf", "2", "-g", "50", "-keyint_min", "50", "-sc_threshold", "0"}},
        {"  + closed GOPs of 12 frames, 2 B-frames",
         {"-bf", "2", "-g", "12", "-keyint_min", "12", "-sc_threshold", "0"}},
    };
    // Our video alone, as ffmpeg's files are.
    const QString oursVideo = work + "/ours-video.mp4";
    if (!RunCommand("ffmpeg",
                    {"-v", "error", "-nostdin", "-y", "-i", ours, "-an", "-c", "copy", oursVideo})
             .ok)
        Failed("cannot copy our video out");
    std::vector<QString> files{oursVideo};
    std::vector<QString> names{"ours (CRF 23)"};
    std::vector<double> seconds{oursSeconds};
    const size_t encodeCount =
        qEnvironmentVariableIsSet("BENCH_MP4_OURS_ONLY") ? 0 : encodes.size();
    for (size_t i = 0; i < encodeCount; ++i) {
        const QString out = work + QString("/ffmpeg%1.mp4").arg(i);
        if (reuse && QFile::exists(out)) {
            files.push_back(out);
            names.push_back(encodes[i].name);
            seconds.push_back(0);
            continue;
        }
        QStringList args = {"-v",
                            "error",
                            "-nostdin",
                            "-y",
                            "-i",
                            lossless,
                            "-an",
                            "-c:v",
                            "libx264",
                            "-preset",
                            kPreset,
                            "-crf",
                            QString::number(kCrf)};
        args += encodes[i].options;
        args << out;
        const Command c = RunCommand("ffmpeg", args);
        if (!c.ok) {
            Failed(QString("ffmpeg (%1): %2").arg(encodes[i].name, c.err.right(300)));
            continue;
        }
        files.push_back(out);
        names.push_back(encodes[i].name);
        seconds.push_back(c.seconds);
    }

    std::printf("\nagainst the lossless render (video only):\n");
    std::printf("  %-42s %9s %8s %8s %9s\n", "", "size", "SSIM", "PSNR", "encode");
    std::vector<Quality> quality;
    for (size_t i = 0; i < files.size(); ++i) {
        quality.push_back(Measure(files[i], lossless, work));
        const double mb = MB(files[i]);
        std::printf("  %-42s %6.2f MB %8.4f %8.2f %7.1f s\n", qPrintable(names[i]), mb,
                    quality[i].ssim, quality[i].psnr, seconds[i]);
    }
    if (quality.size() < 2) return 1;

    // Our file against ffmpeg's as users run it.
    const double sizeRatio = MB(files[0]) / MB(files[1]);
    const bool smaller = sizeRatio <= 1.0;
    const bool better = quality[0].ssim >= quality[1].ssim && quality[0].psnr >= quality[1].psnr;
    std::printf(
        "\nours / ffmpeg: %.3fx the size (target: at most 1, and within 10%%) %s; SSIM %+.4f "
        "(target: at least equal, within 0.005) %s; PSNR %+.2f dB (target: at least "
        "equal) %s\n",
        sizeRatio, smaller && sizeRatio >= 0.9 ? "met" : "MISSED",
        quality[0].ssim - quality[1].ssim,
        quality[0].ssim >= quality[1].ssim && quality[0].ssim - quality[1].ssim <= 0.005 ? "met"
                                                                                         : "MISSED",
        quality[0].psnr - quality[1].psnr, quality[0].psnr >= quality[1].psnr ? "met" : "MISSED");
    if (!smaller || !better) Failed("ours is not at least as good as ffmpeg's in size and quality");

    // PSNR a second over each slide's settled frames: flat after the first.
    std::printf(
        "\nPSNR (dB) a second over each slide, from its first settled frame (the first "
        "frame alone, then each second):\n");
    double worstOurs = 0, worstTheirs = 0;
    for (size_t slide = 0; slide < slideStarts.size(); ++slide) {
        const int first = int(std::lround(slideStarts[slide] * 25));
        const int end = int(std::lround((slide + 1) * kSlideSeconds * 25));
        for (int who = 0; who < 2; ++who) {
            const std::vector<double>& psnr = quality[size_t(who)].framePsnr;
            if (int(psnr.size()) < end) continue;
            std::printf("  slide %zu %-7s %6.2f |", slide + 1, who == 0 ? "ours" : "ffmpeg",
                        psnr[size_t(first)]);
            double low = 999, high = 0;
            for (int s = first; s < end; s += 25) {
                double sum = 0;
                int n = 0;
                for (int f = s; f < std::min(s + 25, end); ++f, ++n) sum += psnr[size_t(f)];
                std::printf(" %6.2f", sum / n);
                // Each second after the first frame.
                double later = 0;
                int m = 0;
                for (int f = std::max(s, first + 1); f < std::min(s + 25, end); ++f, ++m)
                    later += psnr[size_t(f)];
                if (m > 0) {
                    low = std::min(low, later / m);
                    high = std::max(high, later / m);
                }
            }
            std::printf("   spread %.2f\n", high - low);
            (who == 0 ? worstOurs : worstTheirs) =
                std::max(who == 0 ? worstOurs : worstTheirs, high - low);
        }
    }
    std::printf(
        "  widest spread after the first frame: ours %.2f dB (target: within 1 dB) %s, "
        "ffmpeg %.2f dB\n",
        worstOurs, worstOurs <= 1.0 ? "met" : "MISSED", worstTheirs);
    if (worstOurs > 1.0) Failed("our quality is not steady over a slide");

    // What the tools make of our file.
    std::printf("\nour file as the tools see it (planned: %d frames, %.2f s):\n", plan.totalFrames,
                plan.totalFrames / 25.0);
    const QString rates =
        Probe(ours, "stream=r_frame_rate,avg_frame_rate,nb_frames").replace('\n', ' ');
    const QString counted = Probe(ours, "stream=nb_read_frames").remove("nb_read_frames=");
    const bool ratesOk =
        rates.contains("r_frame_rate=25/1") && rates.contains("avg_frame_rate=25/1");
    std::printf("  ffprobe:   %s, %s frames decoded  %s\n", qPrintable(rates), qPrintable(counted),
                ratesOk && counted.toInt() == plan.totalFrames ? "ok" : "WRONG");
    if (!ratesOk || counted.toInt() != plan.totalFrames) Failed("ffprobe's frame rate or count");
    Command c =
        RunCommand("mediainfo", {"--Inform=Video;%FrameRate_Mode% %FrameRate% %FrameCount%", ours});
    std::printf("  MediaInfo: frame rate mode, rate, count: %s  %s\n", qPrintable(c.out.trimmed()),
                c.out.startsWith("CFR") ? "ok" : "WRONG");
    if (!c.out.startsWith("CFR")) Failed("MediaInfo does not call the frame rate constant");
    const QString mkv = work + "/ours.mkv";
    c = RunCommand("mkvmerge", {"-q", "-o", mkv, ours});
    const double mkvSeconds = RunCommand("ffprobe", {"-v", "error", "-show_entries",
                                                     "format=duration", "-of", "csv=p=0", mkv})
                                  .out.toDouble();
    const bool mkvOk = c.ok && std::abs(mkvSeconds - plan.totalFrames / 25.0) <= 0.04;
    std::printf("  mkvmerge:  %.3f s as Matroska  %s\n", mkvSeconds, mkvOk ? "ok" : "WRONG");
    if (!mkvOk) Failed("mkvmerge changes the length");

    // MLT's melt transcodes it: its length, and its pictures and beeps at
    // the same times as ours.
    const QString melted = work + "/melt.mp4";
    c = RunCommand("melt", {"-quiet", ours, "-consumer", "avformat:" + melted, "vcodec=libx264",
                            "preset=ultrafast", "acodec=aac"});
    if (!c.ok) {
        Failed("melt: " + c.err.right(300));
    } else {
        const QString meltFrames = Probe(melted, "stream=nb_read_frames").remove("nb_read_frames=");
        const std::vector<QByteArray> a = Thumbnails(melted), b = Thumbnails(ours);
        int bestLag = 0;
        double best = 1e9;
        std::printf("  melt:      %s frames; picture difference against ours shifted by",
                    qPrintable(meltFrames));
        for (int lag = -2; lag <= 2; ++lag) {
            const double d = ThumbnailDifference(a, b, lag);
            std::printf(" %+d: %.2f", lag, d);
            if (d < best) best = d, bestLag = lag;
        }
        const std::vector<double> ob = BeepOnsets(ours), mb = BeepOnsets(melted);
        double worstBeep = ob.size() == mb.size() && !ob.empty() ? 0 : 999;
        for (size_t i = 0; i < std::min(ob.size(), mb.size()); ++i)
            worstBeep = std::max(worstBeep, std::abs(ob[i] - mb[i]));
        double worstPlaced = ob.size() == slideStarts.size() ? 0 : 999;
        for (size_t i = 0; i < std::min(ob.size(), slideStarts.size()); ++i)
            worstPlaced = std::max(worstPlaced, std::abs(ob[i] - slideStarts[i]));
        const bool meltOk =
            meltFrames.toInt() == plan.totalFrames && bestLag == 0 && worstBeep <= 0.02;
        std::printf(
            "\n             %zu beeps in ours, %zu in melt's; beeps in ours at most %.1f ms from "
            "their slides, melt's at most %.1f ms from ours  %s\n",
            ob.size(), mb.size(), worstPlaced * 1000, worstBeep * 1000, meltOk ? "ok" : "WRONG");
        if (!meltOk) Failed("melt changes the length or the timing");
        if (worstPlaced > 1024.0 / 48000) Failed("our beeps are not with their slides");
    }

    if (getloadavg(load, 1) == 1) std::printf("\nload average at the end: %.1f\n", load[0]);
    if (!failures.isEmpty()) {
        std::printf("\n%lld thing(s) failed:\n", static_cast<long long>(failures.size()));
        for (const QString& f : failures) std::printf("  %s\n", qPrintable(f));
    }
    return failures.isEmpty() ? 0 : 1;
}
