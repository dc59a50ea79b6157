// WAV files, the speech file stream and the text preparation in front of the
// engines.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cmath>

#include "SpFileStream.h"
#include "SpeechText.h"
#include "TestSupport.h"
#include "WavFile.h"

using vm::speech::MarkupPiece;

namespace {

std::vector<int16_t> Ramp(int count) {
    std::vector<int16_t> s(count);
    for (int i = 0; i < count; ++i) s[i] = int16_t((i * 37) % 20000 - 10000);
    return s;
}

}  // namespace

TEST(SpeechWav, WriteAndReadBackKeepsSamplesAndFormat) {
    const QString dir = testsupport::FreshAppFolder("wav_roundtrip");
    const QString path = dir + "/a.wav";
    const auto samples = Ramp(16000 * 2 + 7);
    QString error;
    ASSERT_TRUE(vm::WriteWav(path, samples, 16000, &error)) << error.toStdString();

    std::vector<int16_t> back;
    vm::WavInfo info;
    ASSERT_TRUE(vm::ReadWav(path, &back, &info, &error)) << error.toStdString();
    EXPECT_EQ(info.sampleRate, 16000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.bitsPerSample, 16);
    EXPECT_EQ(info.sampleCount, qint64(samples.size()));
    EXPECT_NEAR(info.Duration(), 2.0, 0.001);
    EXPECT_EQ(back, samples);
    EXPECT_EQ(QFile(path).size(), 44 + qint64(samples.size()) * 2);
}

TEST(SpeechWav, HeaderHoldsRateByteRateBlockAlignAndSizes) {
    const QByteArray wav = vm::EncodeWav(std::vector<int16_t>(1000, 7), 22050);
    auto u32 = [&](int at) { return qFromLittleEndian<quint32>(wav.constData() + at); };
    auto u16 = [&](int at) { return qFromLittleEndian<quint16>(wav.constData() + at); };
    ASSERT_EQ(wav.size(), 44 + 2000);
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(u32(4), 36u + 2000u);  // everything after this field
    EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(u32(16), 16u);
    EXPECT_EQ(u16(20), 1);  // PCM
    EXPECT_EQ(u16(22), 1);  // mono
    EXPECT_EQ(u32(24), 22050u);
    EXPECT_EQ(u32(28), 22050u * 2);  // byte rate
    EXPECT_EQ(u16(32), 2);           // block align
    EXPECT_EQ(u16(34), 16);
    EXPECT_EQ(wav.mid(36, 4), "data");
    EXPECT_EQ(u32(40), 2000u);
}

TEST(SpeechWav, ReaderSkipsChunksBeforeTheData) {
    // A LIST chunk between "fmt " and "data", as many tools write it.
    QByteArray bytes = vm::EncodeWav({1, 2, 3, 4}, 8000);
    QByteArray list("LIST\x06\x00\x00\x00INFOab", 14);
    bytes.insert(36, list);
    qToLittleEndian<quint32>(quint32(bytes.size() - 8), bytes.data() + 4);
    const QString path = testsupport::FreshAppFolder("wav_chunks") + "/b.wav";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    std::vector<int16_t> back;
    vm::WavInfo info;
    QString error;
    ASSERT_TRUE(vm::ReadWav(path, &back, &info, &error)) << error.toStdString();
    EXPECT_EQ(info.sampleRate, 8000);
    EXPECT_EQ(back, (std::vector<int16_t>{1, 2, 3, 4}));
    EXPECT_FALSE(
        vm::ReadWavInfo(testsupport::FreshAppFolder("wav_none") + "/x.wav", &info, &error));
}

TEST(SpeechFileStream, OpenCloseWritesAndReplacesTheFile) {
    const QString dir = testsupport::FreshAppFolder("stream_replace");
    const QString path = dir + "/n.wav";
    SpFileStream stream;
    ASSERT_TRUE(stream.Open(path, SpFileStream::SSFMCreateForWrite, false));
    stream.AppendSamples(Ramp(32000), 16000);
    stream.AppendSilence(500);
    ASSERT_TRUE(stream.Close()) << stream.LastError().toStdString();
    vm::WavInfo info;
    QString error;
    ASSERT_TRUE(vm::ReadWavInfo(path, &info, &error));
    EXPECT_EQ(info.sampleRate, 16000);
    EXPECT_NEAR(info.Duration(), 2.5, 0.001);

    // A second file of the same name replaces the first, it is not appended to.
    ASSERT_TRUE(stream.Open(path, 3, false));
    stream.AppendSamples(Ramp(11025), 22050);
    ASSERT_TRUE(stream.Close());
    ASSERT_TRUE(vm::ReadWavInfo(path, &info, &error));
    EXPECT_EQ(info.sampleRate, 22050);
    EXPECT_NEAR(info.Duration(), 0.5, 0.001);
    EXPECT_EQ(QFile(path).size(), 44 + 11025 * 2);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 1) << "no temporary file left behind";
}

TEST(SpeechFileStream, PiecesAtAnotherRateAreResampledToTheFirst) {
    const QString path = testsupport::FreshAppFolder("stream_rates") + "/r.wav";
    SpFileStream stream;
    ASSERT_TRUE(stream.Open(path));
    stream.AppendSamples(Ramp(16000), 16000);                        // 1 s
    stream.AppendSamples(std::vector<int16_t>(32000, 1000), 32000);  // 1 s at twice the rate
    ASSERT_TRUE(stream.Close());
    std::vector<int16_t> samples;
    vm::WavInfo info;
    QString error;
    ASSERT_TRUE(vm::ReadWav(path, &samples, &info, &error));
    EXPECT_EQ(info.sampleRate, 16000);
    EXPECT_NEAR(info.Duration(), 2.0, 0.001);
    EXPECT_EQ(samples.back(), 1000);
}

TEST(SpeechFileStream, RefusesWhatItCannotWrite) {
    const QString dir = testsupport::FreshAppFolder("stream_errors");
    SpFileStream stream;
    EXPECT_FALSE(stream.Close()) << "closing a stream that was never opened";

    // The caller makes the output folder; a missing one is an error, not created.
    EXPECT_FALSE(stream.Open(dir + "/missing/x.wav"));
    EXPECT_TRUE(stream.LastError().contains("does not exist")) << stream.LastError().toStdString();
    EXPECT_FALSE(QDir(dir + "/missing").exists());

    EXPECT_FALSE(stream.Open(dir + "/read.wav", SpFileStream::SSFMOpenForRead));

    // The folder disappears between Open and Close.
    ASSERT_TRUE(QDir(dir).mkdir("gone"));
    ASSERT_TRUE(stream.Open(dir + "/gone/x.wav"));
    stream.AppendSamples(Ramp(100), 22050);
    ASSERT_TRUE(QDir(dir + "/gone").removeRecursively());
    EXPECT_FALSE(stream.Close());
    EXPECT_TRUE(stream.LastError().contains("does not exist")) << stream.LastError().toStdString();
    EXPECT_FALSE(stream.IsOpen());
}

TEST(SpeechText, MarkupBecomesTextAndPauses) {
    const QList<MarkupPiece> pieces = vm::speech::ParseMarkup(
        "<speak>Hello <emphasis>big</emphasis> world.<break time=\"500ms\"/>"
        "Fish &amp; chips &lt;3 &#65;<!-- not spoken <break time='9s'/> -->"
        "<break time='1.5s'/><silence msec=\"250\"/><p>Last</p></speak>");
    ASSERT_EQ(pieces.size(), 6);
    EXPECT_EQ(pieces[0].text, "Hello big world.");
    EXPECT_EQ(pieces[1].pauseMs, 500);
    EXPECT_EQ(pieces[2].text, "Fish & chips <3 A");
    EXPECT_EQ(pieces[3].pauseMs, 1500);
    EXPECT_EQ(pieces[4].pauseMs, 250);
    EXPECT_EQ(pieces[5].text, "Last");
    // A "<" with no ">" after it is text.
    const auto open = vm::speech::ParseMarkup("a < b");
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0].text, "a < b");
    EXPECT_EQ(vm::speech::ParseMarkup("<break/>")[0].pauseMs, 400);
}

TEST(SpeechText, PlainTextIsEscapedAndSplitAtEveryKindOfLineBreak) {
    EXPECT_EQ(vm::speech::EscapeMarkup("Buy 3 <six> & save"), "Buy 3 &lt;six&gt; &amp; save");
    EXPECT_EQ(vm::speech::SplitLines("a\r\nb\nc\rd\u2029e\n\nf"),
              (QStringList{"a", "b", "c", "d", "e", "", "f"}));
}
