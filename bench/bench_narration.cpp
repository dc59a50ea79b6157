// Prints what speaking in a helper process costs: for every engine, a
// 60-word paragraph synthesised in this process and through a vidmill-speak
// helper (the first request with the helper's start, then warm requests),
// two helpers speaking at once against one after the other, and long texts
// with the default voice (time and the helper's peak memory for 30, 300 and
// 3,000 words), a text of several lines spoken by one helper and by a pool of
// helpers at once (the time, and whether the WAVs are the same), and what
// speaking each sentence apart would change against one request for the
// whole paragraph (length and word times). Run: build/bin/bench_narration
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "SpFileStream.h"
#include "SpVoice.h"
#include "SpeechEngine.h"
#include "SpeechHelper.h"
#include "SpeechPool.h"
#include "WavFile.h"

using namespace vm::speech;

namespace {

const char* kParagraph =
    "Looking for a dentist you can trust? Our friendly team has cared for families in this town "
    "for over twenty years. We offer gentle check-ups, whitening and emergency visits, with early "
    "morning and Saturday appointments to fit your week. New patients are always welcome, and we "
    "work with most insurance plans. Call us today and book the visit you have been putting off.";

double Seconds(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e9;
}

// The peak memory (VmHWM) of a process, in KB.
long PeakKb(int pid) {
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QString& line : QString::fromLatin1(status.readAll()).split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.section(QRegularExpression("\\s+"), 1, 1).toLong();
    return 0;
}

struct Voice {
    const char* engine;
    const char* id;
    std::shared_ptr<SpeechEngine> (*local)(std::string*);
};

// Speaks `text` into samples with a voice of `engines`; the seconds it took.
double SpeakInto(std::vector<std::shared_ptr<SpeechEngine>> engines, const char* engine,
                 const char* id, const QString& text, std::vector<int16_t>* samples) {
    SpVoice voice(std::move(engines));
    voice.setVoice(VoiceToken(engine, id, engine));
    SpFileStream stream;
    const QString path = QDir::tempPath() + "/bench-lines.wav";
    stream.Open(path);
    voice.setAudioOutputStream(&stream);
    QElapsedTimer t;
    t.start();
    voice.SpeakAhead({text});
    const bool ok = voice.Speak(text);
    const double seconds = Seconds(t);
    voice.setAudioOutputStream(nullptr);
    stream.Close();
    vm::WavInfo info;
    QString error;
    samples->clear();
    if (ok) vm::ReadWav(path, samples, &info, &error);
    QFile::remove(path);
    return seconds;
}

// One request for the paragraph against one request per sentence, joined
// one after the other: how far the length and the word times move.
void SentencesApart(const std::string& helper, const Voice& v) {
    SpeechHelper speaker(helper);
    EngineAudio whole;
    std::string error;
    if (!speaker.Speak({v.engine, v.id, kParagraph, false}, &whole, &error)) return;
    const QStringList sentences =
        QString(kParagraph).split(QRegularExpression("(?<=[.!?])\\s+"), Qt::SkipEmptyParts);
    std::vector<TokenSpan> joined;
    int64_t length = 0;
    int tokens = 0;
    for (const QString& sentence : sentences) {
        EngineAudio part;
        if (!speaker.Speak({v.engine, v.id, sentence.toStdString(), false}, &part, &error)) return;
        for (const TokenSpan& t : part.tokens)
            joined.push_back({tokens + t.token, length + t.start, length + t.end});
        length += int64_t(part.samples.size());
        tokens += int(WhitespaceTokens(sentence.toStdString()).size());
    }
    double worst = 0;
    for (const TokenSpan& a : whole.tokens)
        for (const TokenSpan& b : joined)
            if (a.token == b.token)
                worst = std::max(worst, std::abs(double(a.start - b.start)) / whole.sampleRate);
    const int64_t difference = length - int64_t(whole.samples.size());
    std::printf(
        "%-10s %zu sentences apart: %+lld samples (%+.0f ms, %+.1f%% of %.2f s), %zu/%zu words "
        "timed, word starts up to %.0f ms apart\n",
        v.engine, size_t(sentences.size()), static_cast<long long>(difference),
        1000.0 * double(difference) / whole.sampleRate,
        100.0 * double(difference) / double(whole.samples.size()),
        double(whole.samples.size()) / whole.sampleRate, joined.size(), whole.tokens.size(),
        1000 * worst);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string helper = SpVoice::HelperProgram().toStdString();
    if (helper.empty()) {
        std::printf("vidmill-speak is not beside this program\n");
        return 1;
    }
    const Voice voices[] = {{"espeak-ng", "gmw/en-US", EspeakEngine},
                            {"flite", "cmu_us_slt", FliteEngine},
                            {"festival", "cmu_us_slt_arctic_hts", FestivalEngine}};
    // A narration of several lines: one helper, then a pool of two that
    // speaks its lines at once; the WAVs must be the same.
    const QString lines = QString(kParagraph).replace(QRegularExpression("(?<=[.?]) "), "\n");
    std::printf("%lld lines, one helper against two at once:\n",
                static_cast<long long>(lines.split('\n').size()));
    for (const Voice& v : voices) {
        std::vector<int16_t> alone, together;
        auto one = std::make_shared<SpeechHelper>(helper);
        SpeakInto(vm::speech::HelperEngines(one), v.engine, v.id, "Warm up.", &alone);
        const double oneSeconds =
            SpeakInto(vm::speech::HelperEngines(one), v.engine, v.id, lines, &alone);
        auto pool = std::make_shared<SpeechPool>(helper, 2);
        SpeakInto(vm::speech::HelperEngines(pool), v.engine, v.id, "Warm up.\nAgain.", &together);
        const double twoSeconds =
            SpeakInto(vm::speech::HelperEngines(pool), v.engine, v.id, lines, &together);
        std::printf("%-10s one %.3f s, two %.3f s (%.2fx), %zu samples, %s\n", v.engine, oneSeconds,
                    twoSeconds, oneSeconds / twoSeconds, alone.size(),
                    alone == together && !alone.empty() ? "the same samples" : "DIFFERENT samples");
    }
    std::printf("\n");
    for (const Voice& v : voices) SentencesApart(helper, v);
    std::printf("\n");

    const int runs = 3;
    std::printf("%-10s %12s %14s %14s %12s\n", "engine", "in process", "helper first",
                "helper warm", "audio");
    for (const Voice& v : voices) {
        std::string error;
        EngineAudio audio;
        auto engine = v.local(&error);
        if (!engine) continue;
        engine->Synthesize(v.id, "Warm up.", false, 1.0, &audio, &error);  // loads the voice
        QElapsedTimer t;
        t.start();
        for (int r = 0; r < runs; ++r)
            engine->Synthesize(v.id, kParagraph, false, 1.0, &audio, &error);
        const double local = Seconds(t) / runs;

        SpeechHelper speaker(helper);
        t.restart();
        speaker.Speak({v.engine, v.id, kParagraph, false}, &audio, &error);
        const double first = Seconds(t);
        t.restart();
        for (int r = 0; r < runs; ++r)
            speaker.Speak({v.engine, v.id, kParagraph, false}, &audio, &error);
        const double warm = Seconds(t) / runs;
        std::printf("%-10s %10.3f s %12.3f s %12.3f s %10.1f s\n", v.engine, local, first, warm,
                    audio.sampleRate > 0 ? double(audio.samples.size()) / audio.sampleRate : 0.0);
    }

    // festival's interpreter is one per process: in helpers two texts are
    // spoken at once.
    SpeechHelper a(helper), b(helper);
    EngineAudio audio;
    std::string error;
    const SpeakRequest request{"festival", "cmu_us_slt_arctic_hts", kParagraph, false};
    a.Speak(request, &audio, &error);
    b.Speak(request, &audio, &error);
    QElapsedTimer t;
    t.start();
    for (int r = 0; r < 2 * runs; ++r) a.Speak(request, &audio, &error);
    const double serial = Seconds(t);
    t.restart();
    std::thread other([&] {
        EngineAudio mine;
        std::string why;
        for (int r = 0; r < runs; ++r) b.Speak(request, &mine, &why);
    });
    for (int r = 0; r < runs; ++r) a.Speak(request, &audio, &error);
    other.join();
    const double parallel = Seconds(t);
    std::printf("festival, %d paragraphs: one helper %.3f s, two helpers at once %.3f s (%.2fx)\n",
                2 * runs, serial, parallel, serial / parallel);

    // Long texts with the default voice, each in a fresh helper, one line.
    const QString words = QString(kParagraph).simplified();
    const QStringList vocabulary = words.split(' ');
    double perWord300 = 0;
    for (int count : {30, 300, 3000}) {
        QStringList text;
        for (int i = 0; i < count; ++i) text << vocabulary[i % vocabulary.size()];
        auto speaker = std::make_shared<SpeechHelper>(helper);
        SpVoice voice(vm::speech::HelperEngines(speaker));
        for (const VoiceToken& token : voice.GetVoices())
            if (token.Id() == "cmu_us_slt_arctic_hts") voice.setVoice(token);
        SpFileStream stream;
        stream.Open(QDir::tempPath() + "/bench-long.wav");
        voice.setAudioOutputStream(&stream);
        t.restart();
        const bool ok = voice.Speak(text.join(' '));
        const double seconds = Seconds(t);
        const long peakKb = PeakKb(speaker->ProcessId());
        if (count == 300) perWord300 = seconds / count;
        std::printf(
            "festival, %4d words in one line: %s %7.2f s (%.1f ms a word%s), helper peak "
            "%ld MB, %.0f s of speech\n",
            count, ok ? "spoken in" : "FAILED after", seconds, 1000 * seconds / count,
            count == 3000 && perWord300 > 0
                ? qPrintable(QString(", %1x the rate of 300 words")
                                 .arg(seconds / count / perWord300, 0, 'f', 2))
                : "",
            peakKb / 1024,
            stream.SampleRate() > 0 ? double(stream.SampleCount()) / stream.SampleRate() : 0.0);
        voice.setAudioOutputStream(nullptr);
    }
    return 0;
}
