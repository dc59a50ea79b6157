// Prints what speaking in a helper process costs: for every engine, a
// 60-word paragraph synthesised in this process and through a vidmill-speak
// helper (the first request with the helper's start, then warm requests), and
// two helpers speaking at once against one after the other. Run:
// build/bin/bench_narration
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

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
        engine->Synthesize(v.id, "Warm up.", false, &audio, &error);  // loads the voice
        QElapsedTimer t;
        t.start();
        for (int r = 0; r < runs; ++r) engine->Synthesize(v.id, kParagraph, false, &audio, &error);
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
    return 0;
}
