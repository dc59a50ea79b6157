// MP4 as upload guides ask for it: a constant 25 frames a second with every
// frame in the file, closed GOPs, no edit lists, the sound on the pictures'
// clock; read back box by box and decoded, and through the tools that meet it.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <functional>
#include <iostream>

#include "FfmpegPtr.h"
#include "RenderEngine.h"
#include "RenderJob.h"
#include "TestSupport.h"

namespace {

using namespace vm::av;

// The type of every box of an MP4, containers opened.
void BoxTypes(const QByteArray& data, int begin, int end, QStringList* types) {
    static const QStringList kContainers = {"moov", "trak", "mdia", "minf", "stbl",
                                            "edts", "dinf", "udta", "mvex"};
    while (begin + 8 <= end) {
        const auto* p = reinterpret_cast<const uchar*>(data.constData() + begin);
        qint64 size = (qint64(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        int header = 8;
        if (size == 1) {
            size = 0;
            for (int i = 8; i < 16; ++i) size = (size << 8) | p[i];
            header = 16;
        } else if (size == 0) {
            size = end - begin;
        }
        if (size < header || begin + size > end) return;
        const QString type = QString::fromLatin1(data.mid(begin + 4, 4));
        *types << type;
        if (kContainers.contains(type)) BoxTypes(data, begin + header, int(begin + size), types);
        begin += int(size);
    }
}

struct VideoPacket {
    int64_t pts = 0;  // in frames
    int64_t dts = 0;
    bool key = false;
};

struct DecodedMp4 {
    QString error;
    AVRational frameRate{0, 1};
    AVRational averageFrameRate{0, 1};
    int64_t streamFrames = 0;
    double videoStart = -1;
    double audioStart = -1;
    double videoSeconds = 0;  // as the container says
    double audioSeconds = 0;
    int audioRate = 0;
    std::vector<VideoPacket> packets;         // in decoding order
    std::vector<int64_t> framePts;            // decoded, in frames
    std::vector<char> pictureTypes;           // 'I', 'P', 'B'
    std::vector<std::vector<uint8_t>> lumas;  // the luma plane of every frame
    std::vector<float> sound;                 // the first channel
};

DecodedMp4 Decode(const QString& path) {
    DecodedMp4 d;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        d.error = "cannot open";
        return d;
    }
    InputPtr input(raw);
    avformat_find_stream_info(raw, nullptr);
    const int v = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int a = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (v < 0) {
        d.error = "no video";
        return d;
    }
    AVStream* vs = raw->streams[v];
    AVStream* as = a >= 0 ? raw->streams[a] : nullptr;
    d.frameRate = vs->r_frame_rate;
    d.averageFrameRate = vs->avg_frame_rate;
    d.streamFrames = vs->nb_frames;
    d.videoSeconds = vs->duration * av_q2d(vs->time_base);
    if (as) {
        d.audioRate = as->codecpar->sample_rate;
        d.audioSeconds = as->duration * av_q2d(as->time_base);
    }
    auto open = [&](AVStream* s) {
        if (!s) return CodecContextPtr();
        CodecContextPtr c(avcodec_alloc_context3(avcodec_find_decoder(s->codecpar->codec_id)));
        avcodec_parameters_to_context(c.get(), s->codecpar);
        avcodec_open2(c.get(), c->codec, nullptr);
        return c;
    };
    CodecContextPtr video = open(vs), audio = open(as);
    auto frames = [&](double seconds) { return int64_t(std::llround(seconds * 25)); };
    PacketPtr packet = MakePacket();
    FramePtr frame = MakeFrame();
    auto drain = [&](AVCodecContext* c, bool isVideo) {
        while (avcodec_receive_frame(c, frame.get()) >= 0) {
            if (isVideo) {
                const double t = frame->best_effort_timestamp * av_q2d(vs->time_base);
                if (d.videoStart < 0) d.videoStart = t;
                d.framePts.push_back(frames(t));
                d.pictureTypes.push_back(av_get_picture_type_char(frame->pict_type));
                std::vector<uint8_t> luma(size_t(frame->width) * size_t(frame->height));
                for (int y = 0; y < frame->height; ++y)
                    std::copy_n(frame->data[0] + y * frame->linesize[0], frame->width,
                                luma.data() + size_t(y) * size_t(frame->width));
                d.lumas.push_back(std::move(luma));
            } else {
                if (d.audioStart < 0)
                    d.audioStart = frame->best_effort_timestamp * av_q2d(as->time_base);
                const float* samples = reinterpret_cast<const float*>(frame->extended_data[0]);
                d.sound.insert(d.sound.end(), samples, samples + frame->nb_samples);
            }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == v) {
            d.packets.push_back({frames(packet->pts * av_q2d(vs->time_base)),
                                 frames(packet->dts * av_q2d(vs->time_base)),
                                 bool(packet->flags & AV_PKT_FLAG_KEY)});
            avcodec_send_packet(video.get(), packet.get());
            drain(video.get(), true);
        } else if (as && packet->stream_index == a) {
            avcodec_send_packet(audio.get(), packet.get());
            drain(audio.get(), false);
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(video.get(), nullptr);
    drain(video.get(), true);
    if (audio) {
        avcodec_send_packet(audio.get(), nullptr);
        drain(audio.get(), false);
    }
    return d;
}

// Where a tone starts in the sound: the first sample at least `level` loud,
// in seconds from the start of the sound.
double Onset(const std::vector<float>& sound, int rate, size_t from, float level) {
    for (size_t i = from; i < sound.size(); ++i)
        if (std::abs(sound[i]) >= level) return double(i) / rate;
    return -1;
}

QString RunTool(const QString& program, const QStringList& args, bool* ok) {
    QProcess p;
    p.start(program, args);
    *ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

class Mp4 : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = testsupport::FreshAppFolder(QString("mp4_") + info->name());
    }
    QString Image(const QString& name, const QColor& color) {
        const QString path = folder_ + "/" + name;
        EXPECT_TRUE(testsupport::WriteSolidImage(path, 640, 360, color));
        return path;
    }
    QString folder_;
};

}  // namespace

// Red fading into green, a cut to blue held 11 s (longer than a GOP may be),
// and a tone that starts with the blue picture. 640x360: x264's output at
// this size does not vary from run to run.
TEST_F(Mp4, ConstantRateClosedGopsNoEditListsAndTheSoundOnThePicturesClock) {
    vm::RenderJob job;
    job.width = 640;
    job.height = 360;
    job.container = "mp4";
    job.codec = "libx264";
    job.quality = 23;
    job.images = {{Image("red.jpg", QColor(200, 30, 30)).toStdString(), 2},
                  {Image("green.jpg", QColor(30, 180, 60)).toStdString(), 3},
                  {Image("blue.jpg", QColor(40, 60, 210)).toStdString(), 11}};
    job.transitions = {{1, 2, 3}};  // a fade into green: B-frames
    const QString tone = folder_ + "/tone.wav";
    ASSERT_TRUE(testsupport::WriteToneWav(tone, 1.0, 22050, 1000, 0.5));
    job.voices = {{tone.toStdString(), 5.0, 1.0}};  // heard with the cut to blue
    const QString path = folder_ + "/show.mp4";
    const vm::RenderResult rendered = vm::RenderVideoFile(job, path.toStdString(), {}, {});
    ASSERT_TRUE(rendered.ok) << rendered.Text();
    const int planned = 16 * 25;

    // No edit list in any track, and one frame duration for every frame.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QStringList types;
    BoxTypes(bytes, 0, int(bytes.size()), &types);
    ASSERT_TRUE(types.contains("stts")) << types.join(' ').toStdString();
    EXPECT_FALSE(types.contains("elst") || types.contains("edts")) << types.join(' ').toStdString();
    EXPECT_LT(bytes.indexOf("moov"), bytes.indexOf("mdat")) << "the index goes first";

    const DecodedMp4 d = Decode(path);
    ASSERT_TRUE(d.error.isEmpty()) << d.error.toStdString();
    EXPECT_EQ(av_cmp_q(d.frameRate, AVRational{25, 1}), 0);
    EXPECT_EQ(av_cmp_q(d.averageFrameRate, AVRational{25, 1}), 0);
    EXPECT_EQ(d.streamFrames, planned);
    // Every frame is in the file and decodes at its own time.
    ASSERT_EQ(int(d.framePts.size()), planned);
    for (int i = 0; i < planned; ++i) ASSERT_EQ(d.framePts[size_t(i)], i);
    EXPECT_EQ(d.videoStart, 0.0);
    EXPECT_EQ(d.audioStart, 0.0);

    // Keyframes where each slide settles (the first frame, after the fade at
    // 3 s, the cut at 5 s) and 10 s into the long still; each GOP closed:
    // nothing decoded after a keyframe shows before it.
    std::vector<int64_t> keys;
    for (size_t i = 0; i < d.packets.size(); ++i) {
        if (!d.packets[i].key) continue;
        keys.push_back(d.packets[i].pts);
        for (size_t j = i; j < d.packets.size(); ++j)
            EXPECT_GE(d.packets[j].pts, d.packets[i].pts) << "packet " << j;
    }
    EXPECT_EQ(keys, (std::vector<int64_t>{0, 75, 125, 375}));
    EXPECT_GT(std::count(d.pictureTypes.begin(), d.pictureTypes.end(), 'B'), 0)
        << "two B-frames in a row, as upload guides ask";
    // The frames of a still are its first frame again, exactly.
    for (int i : {1, 49, 76, 124, 126, 250, 374, 399})
        EXPECT_TRUE(d.lumas[size_t(i)] == d.lumas[size_t(i - 1)]) << "frame " << i;
    EXPECT_FALSE(d.lumas[125] == d.lumas[124]);

    // The sound: 48 kHz, as long as the pictures, and the tone starts with
    // the blue picture: to the sample, as placed (the file starts with the
    // encoder's start-up frame, which an edit list would have hidden).
    ASSERT_EQ(d.audioRate, 48000);
    EXPECT_DOUBLE_EQ(d.videoSeconds, planned / 25.0);
    EXPECT_DOUBLE_EQ(d.audioSeconds, planned / 25.0);
    const double onset = Onset(d.sound, 48000, 48000, 0.2f);
    std::cout << "[ figures  ] tone heard at " << onset << " s, blue shown at 5 s\n";
    EXPECT_NEAR(onset, 5.0, 128.0 / 48000);

    // The tools that meet it: MediaInfo calls the rate constant, and
    // mkvmerge keeps the length to within a frame.
    bool ok = false;
    const QString mode =
        RunTool("mediainfo", {"--Inform=Video;%FrameRate_Mode%", path}, &ok).trimmed();
    EXPECT_TRUE(ok);
    EXPECT_EQ(mode, "CFR");
    const QString mkv = folder_ + "/show.mkv";
    RunTool("mkvmerge", {"-q", "-o", mkv, path}, &ok);
    ASSERT_TRUE(ok) << "mkvmerge failed";
    const QString length = RunTool(
        "ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", mkv}, &ok);
    EXPECT_NEAR(length.toDouble(), planned / 25.0, 0.04);
}

// Lossless (CRF 0): x264 writes no B-frames and counts pictures by their
// frame number; the repeats still come out as exact copies at their times.
TEST_F(Mp4, LosslessHoldsItsStillsToo) {
    vm::RenderJob job;
    job.width = 640;
    job.height = 360;
    job.container = "mp4";
    job.codec = "libx264";
    job.quality = 0;
    job.images = {{Image("red.jpg", QColor(200, 30, 30)).toStdString(), 1.2},
                  {Image("blue.jpg", QColor(40, 60, 210)).toStdString(), 2}};
    const QString path = folder_ + "/lossless.mp4";
    const vm::RenderResult rendered = vm::RenderVideoFile(job, path.toStdString(), {}, {});
    ASSERT_TRUE(rendered.ok) << rendered.Text();
    const DecodedMp4 d = Decode(path);
    ASSERT_TRUE(d.error.isEmpty()) << d.error.toStdString();
    ASSERT_EQ(d.framePts.size(), 80u);
    for (int i = 0; i < 80; ++i) {
        ASSERT_EQ(d.framePts[size_t(i)], i);
        if (i != 0 && i != 30) {
            EXPECT_TRUE(d.lumas[size_t(i)] == d.lumas[size_t(i - 1)]) << i;
        }
    }
    EXPECT_FALSE(d.lumas[30] == d.lumas[29]);
    std::vector<int64_t> keys;
    for (const VideoPacket& p : d.packets)
        if (p.key) keys.push_back(p.pts);
    EXPECT_EQ(keys, (std::vector<int64_t>{0, 30}));
}
