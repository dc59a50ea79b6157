// Prints how long narration takes: pure synthesis of a 60-word paragraph with
// the default voice and with an espeak-ng voice, and the whole
// SpeakNarration (synthesis + file watch + pauses), so the overhead beyond
// synthesis can be read off, and the per-video build before the render. Run:
// build/bin/bench_narration
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <cstdio>

#include "AppFolder.h"
#include "Controls.h"
#include "MsgBox.h"
#include "SpFileStream.h"
#include "SpVoice.h"
#include "VideoEdit.h"
#include "frmVSL.h"

namespace {

const char* kParagraph =
    "Looking for a #KEYWORD# you can trust? Our friendly team has cared for families in this town "
    "for over twenty years. We offer gentle check-ups, whitening and emergency visits, with early "
    "morning and Saturday appointments to fit your week. New patients are always welcome, and we "
    "work with most insurance plans. Call us today and book the visit you have been putting off.";

double Seconds(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    vm::SetAppFolderForTesting(scratch.path());
    SetMsgBoxHandler([](const MsgBoxCall& call) {
        std::printf("message: %s\n", qPrintable(call.text));
        return QMessageBox::Ok;
    });

    QElapsedTimer startup;
    startup.start();
    frmVSL window;
    std::printf("window with voice list ready in %.3f s (%d voices)\n", Seconds(startup),
                window.List1->count());
    const int defaultVoice = window.List1->currentIndex();
    int espeakVoice = -1;
    for (int i = 0; i < window.List1->count(); ++i) {
        const QString d = window.List1->itemText(i);
        if (d.contains("espeak", Qt::CaseInsensitive) && d.contains("English (America)")) {
            espeakVoice = i;
            break;
        }
    }
    window.txtArticle[0]->setPlainText(kParagraph);
    const QString text = QString(kParagraph).replace("#KEYWORD#", "dentist");
    std::printf("paragraph: %lld words\n", static_cast<long long>(text.split(' ').size()));

    for (int index : {defaultVoice, espeakVoice}) {
        if (index < 0) continue;
        window.List1->setCurrentIndex(index);
        const VoiceToken token = window.oVoice->GetVoices().at(index);
        // Warm-up (the first festival call loads its voice).
        SpVoice voice;
        SpFileStream stream;
        voice.setVoice(token);
        stream.Open(scratch.path() + "/warm.wav");
        voice.setAudioOutputStream(&stream);
        voice.Speak("Warm up.");
        stream.Close();

        const int runs = 3;
        double synth = 0, whole = 0;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            stream.Open(scratch.path() + "/synth.wav");
            voice.Speak(text);
            stream.Close();
            synth += Seconds(t);

            QString error;
            t.restart();
            if (!window.SpeakNarration("dentist", &error))
                std::printf("SpeakNarration failed: %s\n", qPrintable(error));
            whole += Seconds(t);
        }
        synth /= runs;
        whole /= runs;
        std::printf("%-60s synthesis %.3f s  SpeakNarration %.3f s  overhead %.3f s\n",
                    qPrintable(token.GetDescription()), synth, whole, whole - synth);
    }

    // The per-video build up to the start of the render (narration, pauses,
    // measuring, timing plan, layout), less the synthesis measured above.
    if (espeakVoice >= 0) {
        window.List1->setCurrentIndex(espeakVoice);
        const QString picture = scratch.path() + "/slide.jpg";
        QImage(640, 360, QImage::Format_RGB32).save(picture);
        window.lstTo->clear();
        window.lstTo->addItem(picture);
        window.cboResolution->setCurrentIndex(4);
        SpVoice voice;
        SpFileStream stream;
        voice.setVoice(window.oVoice->GetVoices().at(espeakVoice));
        voice.setAudioOutputStream(&stream);
        QElapsedTimer t;
        t.start();
        stream.Open(scratch.path() + "/synth.wav");
        voice.Speak(text);
        stream.Close();
        const double synth = Seconds(t);
        QString error;
        t.restart();
        const bool started = window.CreateVideo("dentist", &error);
        const double build = Seconds(t);
        if (!started) std::printf("CreateVideo failed: %s\n", qPrintable(error));
        for (VideoEdit* edit : window.VideoEdit1) edit->WaitForRender(60000);
        std::printf(
            "per-video build before the render: %.3f s, of which outside synthesis %.3f s\n", build,
            build - synth);
    }
    return 0;
}
