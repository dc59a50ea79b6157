// Prints what speaking in a helper process costs: for every engine, a
// 60-word paragraph synthesised in this process and through a vidmill-speak
// helper (the first request with the helper's start, then warm requests),
// two helpers speaking at once against one after the other, and long texts
// with the default voice (time and the helper's peak memory for 30, 300 and
// 3,000 words). Run: build/bin/bench_narration
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
